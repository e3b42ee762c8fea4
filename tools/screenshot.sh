#!/bin/bash
# Takes docs/screenshot.png: the main window as an operator first sees it,
# on a virtual X display, with COM1 on a pseudo-terminal.
#
#   tools/screenshot.sh [BUILD_DIR] [OUTPUT]
#
# BUILD_DIR defaults to build-qt, OUTPUT to docs/screenshot.png. Needs xvfb
# (xvfb-run, xwininfo) and imagemagick (import).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-qt}
out=${2:-$root/docs/screenshot.png}
program=$build/orlant-download
[ -x "$program" ] || { echo "screenshot: no program at $program (build it first)" >&2; exit 1; }
for tool in xvfb-run xwininfo import; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing" >&2; exit 1; }
done

# shellcheck source=../tests/system/lib/sandbox.bash
source "$root/tests/system/lib/sandbox.bash"
sandbox_start
trap sandbox_stop EXIT
mkdir -p "$(dirname "$out")"

xvfb-run -a -s "-screen 0 800x600x24" bash -s "$program" "$out" <<'SHOT'
set -euo pipefail
program=$1 out=$2
title="Orlant (v1.1.0) 2 Dodi Software Download Utility"
unset QT_QPA_PLATFORM
"$program" 2>/dev/null &
pid=$!
info=
for _ in $(seq 1 100); do
    info=$(xwininfo -name "$title" 2>/dev/null) && break
    sleep 0.1
done
[ -n "$info" ] || { echo "screenshot: the window did not appear" >&2; kill "$pid"; exit 1; }
# Let the first page and the line monitor's first ticks paint.
sleep 1
info=$(xwininfo -name "$title")
x=$(awk '/Absolute upper-left X/ { print $4 }' <<<"$info")
y=$(awk '/Absolute upper-left Y/ { print $4 }' <<<"$info")
w=$(awk '/Width:/ { print $2 }' <<<"$info")
h=$(awk '/Height:/ { print $2 }' <<<"$info")
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
kill -TERM "$pid"
wait "$pid" || true
SHOT
echo "screenshot: wrote $out"
