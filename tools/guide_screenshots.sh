#!/bin/bash
# Remakes the pictures of the download guide's pages in docs/guide: page-1.png
# to page-8.png, page-4-waiting.png (the speed choice before the unit is
# ready) and simulated-readout.png (the unit's window at the end, showing the
# count that page 8 reports).
#
#   tools/guide_screenshots.sh [BUILD_DIR] [TIME_SCALE]
#
# BUILD_DIR defaults to build; the program orlant-guide-screenshots is built
# there first, so the pictures always show the current code. It walks the
# guide against the simulated readout (no serial device is opened) under
# Qt's offscreen platform, with its settings in a temporary directory. Needs
# the Liberation fonts (fonts-liberation2) for the usual look.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
scale=${2:-100}
out=$root/docs/guide
program=$build/tools/orlant-guide-screenshots

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target orlant-guide-screenshots
[ -n "$(fc-list "Liberation Sans" 2>/dev/null)" ] ||
    echo "guide_screenshots: warning: Liberation Sans not installed, the pages use a fallback font" >&2

scratch=$(mktemp -d "${TMPDIR:-/tmp}/orlant-guide-shots.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/tmp" "$scratch/runtime" "$scratch/out"
chmod 700 "$scratch/runtime"

# Into a scratch directory first: a run that stops half way leaves the
# pictures in docs/guide as they were. The offscreen platform's remark about
# size hints is noise.
status=0
XDG_CONFIG_HOME="$scratch/config" TMPDIR="$scratch/tmp" XDG_RUNTIME_DIR="$scratch/runtime" \
    QT_QPA_PLATFORM=offscreen timeout 300 "$program" "$scratch/out" "$scale" 2>"$scratch/stderr" || status=$?
grep -v "does not support propagateSizeHints" "$scratch/stderr" >&2 || true
[ "$status" -eq 0 ] || { echo "guide_screenshots: the run failed; docs/guide left as it was" >&2; exit 1; }

pictures=("$scratch"/out/*.png)
mkdir -p "$out"
cp "${pictures[@]}" "$out"/
echo "guide_screenshots: ${#pictures[@]} pictures in $out"
