#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it.
#
# With a USB serial adapter plugged in (the first /dev/ttyUSB* or
# /dev/ttyACM*), COM1 is that adapter; with none, the program runs with the
# simulated readout, so it can be tried without hardware. Extra arguments go
# to the program (for example --port 1=/dev/ttyUSB1, or --simulate-auto 115200).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target orlant-download

adapter=$(ls /dev/ttyUSB* /dev/ttyACM* 2>/dev/null | head -n 1 || true)
if [ -n "$adapter" ]; then
  echo "Using $adapter as COM1."
  exec build/orlant-download --port "1=$adapter" "$@"
fi
echo "No serial adapter found: starting with the simulated readout."
exec build/orlant-download --simulate "$@"
