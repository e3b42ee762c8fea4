#!/bin/bash
# Opening ports from the command line, as a technician does with a USB
# adapter: a device that opens, one that does not exist, and the port
# remembered in the settings file.
#
#   tests/system/serial_ports.sh BUILD_DIR
#
# COM1 is a pseudo-terminal held by a helper (see lib/sandbox.bash); no real
# serial device is opened.
set -u

build=${1:?usage: serial_ports.sh BUILD_DIR}
program=$build/orlant-download
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib/sandbox.bash
source "$here/lib/sandbox.bash"
export QT_QPA_PLATFORM=offscreen
# shellcheck source=lib/checks.bash
source "$here/lib/checks.bash"

[ -x "$program" ] || { echo "FAIL: no program at $program" >&2; exit 1; }
sandbox_start || exit 1
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; sandbox_stop' EXIT
settings=$XDG_CONFIG_HOME/orlant-download/settings.ini

# wait_for_line FILE TEXT: up to 10 s for a line TEXT in FILE.
wait_for_line() {
    local i
    for i in $(seq 1 200); do
        grep -qxF "$2" "$1" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# stop_program: ends the running program and waits for it.
stop_program() {
    kill -TERM "$pid" 2>/dev/null
    { sleep 20 && kill -KILL "$pid"; } >/dev/null 2>&1 &
    local watchdog=$!
    wait "$pid" 2>/dev/null
    kill "$watchdog" 2>/dev/null
    wait "$watchdog" 2>/dev/null
    pid=
}

# --- a first start on a pseudo-terminal given with --port ---------------------
rm -f "$settings"
log=$SANDBOX/pty.log
"$program" --port "1=$SANDBOX_TTY" --log-file "$log" >/dev/null 2>&1 &
pid=$!
wait_for_line "$log" "Opening Device Com1 ..." || fail "no opening line: $(cat "$log" 2>/dev/null)"
wait_for_line "$log" "Device Com1 opened successfully." || fail "COM1 did not open: $(cat "$log" 2>/dev/null)"
wait_for_handler "$pid" 15 || fail "the program never got ready"
stop_program
grep -qx 'PortId=1' "$settings" 2>/dev/null || fail "the port was not remembered: $(cat "$settings" 2>/dev/null)"

# --- a device that does not exist: the reason, the advice, and the program
# waits in its message box (ended here by a signal) --------------------------------
log=$SANDBOX/missing.log
"$program" --port 1=/nonexistent/ttyUSB9 --log-file "$log" >/dev/null 2>&1 &
pid=$!
wait_for_line "$log" "Unable to open com port." || fail "no failure line: $(cat "$log" 2>/dev/null)"
wait_for_line "$log" "No such file or directory" || fail "no reason line: $(cat "$log" 2>/dev/null)"
grep -q -- '--port' "$log" || fail "no advice naming --port: $(cat "$log")"
kill -0 "$pid" 2>/dev/null || fail "the program did not stay up to show its message box"
stop_program

checks_done serial_ports
