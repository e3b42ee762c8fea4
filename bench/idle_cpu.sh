#!/bin/bash
# Idle CPU of the whole program with a port open: the receive thread blocks
# on the port and the window's 100 ms timer reads CTS and redraws the bar.
#
#   bench/idle_cpu.sh [BUILD_DIR] [SECONDS]
#
# Goal: at most 0.1 % of one core. COM1 is a pseudo-terminal (see
# tests/system/lib/sandbox.bash); Qt's offscreen platform draws.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-20}
program=$build/orlant-download
[ -x "$program" ] || { echo "bench: no program at $program (build it first)" >&2; exit 1; }

# shellcheck source=../tests/system/lib/sandbox.bash
source "$root/tests/system/lib/sandbox.bash"
sandbox_start
export QT_QPA_PLATFORM=offscreen
log=$SANDBOX/idle.log
"$program" --log-file "$log" >/dev/null 2>&1 &
pid=$!
trap 'kill -TERM $pid 2>/dev/null; wait $pid 2>/dev/null; sandbox_stop' EXIT

for _ in $(seq 1 100); do
    grep -q "opened successfully" "$log" 2>/dev/null && break
    sleep 0.05
done
grep -q "opened successfully" "$log" || { echo "bench: the port did not open" >&2; exit 1; }
sleep 1  # past start-up

# cpu_ns: nanoseconds every thread of the process has run so far (the
# scheduler's own count, finer than the 10 ms ticks of /proc/PID/stat).
cpu_ns() { cat /proc/"$pid"/task/*/schedstat | awk '{ sum += $1 } END { printf "%.0f", sum }'; }
before=$(cpu_ns)
sleep "$seconds"
after=$(cpu_ns)
awk -v ns="$((after - before))" -v s="$seconds" 'BEGIN {
    pct = 100 * ns / 1e9 / s
    printf "idle-cpu %.4f %% of one core (%.1f ms of CPU in %d s, port open)\n", pct, ns / 1e6, s
    exit pct > 0.1
}'
