#!/usr/bin/env bash
# The standalone simulated readout across a process boundary: a client on
# the pseudo-terminal (python3's termios, as the program's termios back end
# would) gets the erase answer, and a raw image is counted exactly.
# Usage: readout_sim.sh BUILD_DIR
set -euo pipefail

build_dir=${1:?usage: readout_sim.sh BUILD_DIR}
sim="$build_dir/tools/orlant-readout-sim"
[ -x "$sim" ] || { echo "FAIL: $sim not built"; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Starts the simulator with a link at $work/$1; the rest are its options.
start_sim() {
  local name=$1; shift
  "$sim" --link "$work/$name" "$@" </dev/null >"$work/$name.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do
    [ -L "$work/$name" ] && return 0
    sleep 0.1
  done
  echo "FAIL: no link $name after 5 s"; cat "$work/$name.out"; exit 1
}

# Waits up to 10 s for a line in the simulator's output.
expect_output() {
  local name=$1 text=$2
  for _ in $(seq 100); do
    grep -qF -- "$text" "$work/$name.out" && return 0
    sleep 0.1
  done
  echo "FAIL: \"$text\" not printed by the simulator:"; cat "$work/$name.out"; exit 1
}

# python3 CLIENT LINK BAUD HEX_TO_SEND ANSWER_BYTES: opens the pty raw at
# BAUD 8O1, writes the bytes, waits for the line to drain and reads up to
# ANSWER_BYTES bytes (5 s at most); prints them in hex.
client() {
  python3 - "$@" <<'PY'
import os, select, sys, termios, time
link, baud, data, want = sys.argv[1], int(sys.argv[2]), bytes.fromhex(sys.argv[3]), int(sys.argv[4])
speed = {57600: termios.B57600, 115200: termios.B115200, 38400: termios.B38400}[baud]
fd = os.open(link, os.O_RDWR | os.O_NOCTTY)
attrs = termios.tcgetattr(fd)
attrs[0] = attrs[1] = attrs[3] = 0
attrs[2] = termios.CS8 | termios.PARENB | termios.PARODD | termios.CLOCAL | termios.CREAD
attrs[4] = attrs[5] = speed
termios.tcsetattr(fd, termios.TCSANOW, attrs)
sent = 0
while sent < len(data):
    sent += os.write(fd, data[sent:])
termios.tcdrain(fd)
got = b""
deadline = time.time() + 5
while len(got) < want and time.time() < deadline:
    ready, _, _ = select.select([fd], [], [], 0.1)
    if ready:
        got += os.read(fd, 64)
print(got.hex())
PY
}

# The erase handshake: 7, 6 at 115200 in the bootloader menu, answered with
# 7, 6 once the (short) erase is done.
start_sim erase --menu --erase-ms 300
answer=$(client "$work/erase" 115200 0706 2)
[ "$answer" = "0706" ] || { echo "FAIL: erase answer '$answer', wanted 0706"; cat "$work/erase.out"; exit 1; }
expect_output erase "erase done"

# A raw image of 20000 bytes at 115200, ten times faster than real time:
# counted exactly, and the display shows the count once the data stops.
start_sim image --menu --speed 115200 --time-scale 10
image=$(python3 -c 'print(bytes((i * 7 + i // 251) & 255 for i in range(20000)).hex())')
client "$work/image" 115200 "$image" 0 >/dev/null
expect_output image "finished taking in the data: 20000 bytes (0 garbled)"
expect_output image "Received (20000)"

# The same bytes at the wrong speed arrive as garbage.
start_sim garbled --menu --speed 57600 --time-scale 10
client "$work/garbled" 115200 "$image" 0 >/dev/null
expect_output garbled "finished taking in the data: 10000 bytes (10000 garbled)"

# SIGTERM ends the simulator cleanly and removes its link.
kill -TERM "${pids[0]}"
wait "${pids[0]}" || { echo "FAIL: simulator exit status $?"; exit 1; }
[ ! -e "$work/erase" ] || { echo "FAIL: link left behind"; exit 1; }
echo "PASS"
