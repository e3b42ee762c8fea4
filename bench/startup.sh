#!/bin/bash
# Start-up benchmark of the window: the time from process start to the first
# painted page, and the resident memory once idle, each the median of RUNS
# starts, on a real X server (Xvfb) and on Qt's offscreen platform.
#
#   bench/startup.sh [BUILD_DIR] [RUNS]
#
# Goals: first paint within 300 ms, idle resident set within 60 MB. Exits 1
# when a median misses a goal. The program measures itself when started with
# ORLANT_BENCH_STARTUP=1 (src/platform/qt/startup_probe.h). COM1 is a
# pseudo-terminal, as in the system tests.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-qt}
runs=${2:-5}
program=$build/orlant-download
goal_ms=300
goal_kb=$((60 * 1024))
[ -x "$program" ] || { echo "bench: no program at $program (build it first)" >&2; exit 1; }

# shellcheck source=../tests/system/lib/sandbox.bash
source "$root/tests/system/lib/sandbox.bash"
sandbox_start
trap sandbox_stop EXIT

# measure PLATFORM: runs the program RUNS times and leaves one "ms kb" line
# per run in $SANDBOX/PLATFORM.runs.
measure() {
    local platform=$1 i err=$SANDBOX/err
    : >"$SANDBOX/$platform.runs"
    for i in $(seq 1 "$runs"); do
        if ! QT_QPA_PLATFORM=$platform ORLANT_BENCH_STARTUP=1 timeout 60 "$program" 2>"$err"; then
            echo "bench: run $i on $platform failed: $(cat "$err")" >&2
            return 1
        fi
        awk '/^first-paint-ms/ { ms = $2 } /^idle-rss-kb/ { kb = $2 }
             END { if (ms == "" || kb == "") exit 1; print ms, kb }' "$err" \
            >>"$SANDBOX/$platform.runs" || { echo "bench: no figures from $platform" >&2; return 1; }
    done
}

median() {  # median of column $1 of file $2
    cut -d' ' -f"$1" "$2" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# xvfb-run's shell drops exported functions, so the function goes as text.
export program runs SANDBOX
xvfb-run -a -s "-screen 0 800x600x24" bash -c "set -euo pipefail; $(declare -f measure); measure xcb"
measure offscreen

missed=0
printf '%-10s %16s %14s   (median of %d starts)\n' platform first-paint-ms idle-rss-kb "$runs"
for platform in xcb offscreen; do
    ms=$(median 1 "$SANDBOX/$platform.runs")
    kb=$(median 2 "$SANDBOX/$platform.runs")
    printf '%-10s %16s %14s   all runs: %s\n' "$platform" "$ms" "$kb" \
        "$(tr '\n' ',' <"$SANDBOX/$platform.runs" | sed 's/,$//')"
    [ "$ms" -le "$goal_ms" ] || { echo "bench: $platform first paint over $goal_ms ms" >&2; missed=1; }
    [ "$kb" -le "$goal_kb" ] || { echo "bench: $platform idle memory over $goal_kb kB" >&2; missed=1; }
done
exit "$missed"
