# A private place to run the real program in, for the system tests, the
# start-up benchmark and the screenshot. Source it, then call sandbox_start.
#
# The program remembers its COM port in the user's settings file and opens
# it at start. Here the settings live in a temporary XDG_CONFIG_HOME whose
# file maps COM1 to a pseudo-terminal held open by a small helper, so the
# program starts as on a PC with a cable plugged in and never touches a real
# serial device or the user's own settings.

# sandbox_start: sets SANDBOX (the directory) and SANDBOX_TTY (COM1's
# device) and exports XDG_CONFIG_HOME and TMPDIR into it.
sandbox_start() {
    SANDBOX=$(mktemp -d "${TMPDIR:-/tmp}/orlant-sandbox.XXXXXX")
    python3 -c '
import os, pty, sys, signal
master, slave = pty.openpty()
print(os.ttyname(slave), flush=True)
signal.signal(signal.SIGTERM, lambda *a: sys.exit(0))
# Holding the slave open keeps the master readable; draining what the
# program writes means it never blocks on a full terminal.
while os.read(master, 4096):
    pass
' >"$SANDBOX/tty" 2>/dev/null &
    SANDBOX_PTY_PID=$!
    local i
    for i in $(seq 1 100); do
        [ -s "$SANDBOX/tty" ] && break
        sleep 0.05
    done
    SANDBOX_TTY=$(head -n 1 "$SANDBOX/tty")
    if [ -z "$SANDBOX_TTY" ]; then
        echo "sandbox: could not make a pseudo-terminal" >&2
        return 1
    fi
    mkdir -p "$SANDBOX/config/orlant-download" "$SANDBOX/tmp"
    printf '[SOFTWARE\\Kestrum\\DalvoCommPort]\nPortId=1\n[SOFTWARE\\Kestrum\\DalvoCommPort\\Devices]\nCom1=%s\n' \
        "$SANDBOX_TTY" >"$SANDBOX/config/orlant-download/settings.ini"
    export XDG_CONFIG_HOME="$SANDBOX/config"
    export TMPDIR="$SANDBOX/tmp"
}

sandbox_stop() {
    if [ -n "${SANDBOX_PTY_PID:-}" ]; then
        kill "$SANDBOX_PTY_PID" 2>/dev/null
        wait "$SANDBOX_PTY_PID" 2>/dev/null
        SANDBOX_PTY_PID=
    fi
    [ -n "${SANDBOX:-}" ] && rm -rf "$SANDBOX"
    SANDBOX=
}

# wait_for_handler PID SIGNAL_NUMBER: waits (up to 10 s) until process PID
# catches the signal, so a test never sends it before the program is ready.
wait_for_handler() {
    local pid=$1 signo=$2 i caught
    for i in $(seq 1 200); do
        caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) || return 1
        [ -z "$caught" ] && return 1
        if (( (16#$caught >> (signo - 1)) & 1 )); then return 0; fi
        sleep 0.05
    done
    return 1
}
