#!/bin/bash
# The program's start and end as a user meets them from a shell: the
# command line, the log file, and ending on SIGTERM or SIGINT.
#
#   tests/system/startup.sh BUILD_DIR
#
# Runs under Qt's offscreen platform; COM1 is a pseudo-terminal (see
# lib/sandbox.bash), so no real serial port is opened.
set -u

build=${1:?usage: startup.sh BUILD_DIR}
program=$build/orlant-download
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib/sandbox.bash
source "$here/lib/sandbox.bash"
export QT_QPA_PLATFORM=offscreen
# shellcheck source=lib/checks.bash
source "$here/lib/checks.bash"

[ -x "$program" ] || { echo "FAIL: no program at $program" >&2; exit 1; }
sandbox_start || exit 1
trap sandbox_stop EXIT
out=$SANDBOX/out err=$SANDBOX/err

# --- options that end the program before any window ---------------------------

"$program" --help >"$out" 2>"$err"
code=$?
[ "$code" -eq 0 ] || fail "--help exited $code"
grep -q '^Usage: orlant-download' "$out" || fail "--help printed no usage on stdout"
grep -q -- '--log-file PATH' "$out" || fail "--help does not name --log-file"
[ -s "$err" ] && fail "--help wrote on stderr: $(cat "$err")"

"$program" --version >"$out" 2>"$err"
code=$?
[ "$code" -eq 0 ] || fail "--version exited $code"
[ "$(head -n 1 "$out")" = "orlant-download 1.1.0" ] || fail "--version printed '$(cat "$out")'"
grep -q '^firmware images: .*bootloader.*software' "$out" || fail "--version does not say which images it carries"

for wrong in --bogus -x stray --log-file --help=1; do
    "$program" $wrong >"$out" 2>"$err"
    code=$?
    [ "$code" -eq 2 ] || fail "'$wrong' exited $code, not 2"
    grep -q '^Usage: orlant-download' "$err" || fail "'$wrong' printed no usage on stderr"
    [ -s "$out" ] && fail "'$wrong' wrote on stdout"
done
grep -q "unknown option '--bogus'" <("$program" --bogus 2>&1) || fail "--bogus is not named as unknown"

# --- a log file that cannot be opened: said on stderr, and the window still
# comes up (the start-up probe reports its first paint and ends the program) --

ORLANT_BENCH_STARTUP=1 timeout 30 "$program" --log-file /nonexistent-dir/x.log >"$out" 2>"$err"
code=$?
[ "$code" -eq 0 ] || fail "with an unopenable log file the program exited $code"
grep -q '/nonexistent-dir/x.log cannot be opened: No such file or directory' "$err" ||
    fail "the log file's problem is not on stderr: $(cat "$err")"
grep -q '^first-paint-ms [0-9]' "$err" || fail "the window did not come up after the log file failed"

# --- SIGTERM and SIGINT end the program cleanly, with exit code 0, and the
# log file keeps what was there and gets the session's lines --------------------

for signal in TERM INT; do
    log=$SANDBOX/session-$signal.log
    echo "an earlier session" >"$log"
    "$program" --log-file "$log" >"$out" 2>"$err" &
    pid=$!
    signo=$(kill -l "$signal")
    if ! wait_for_handler "$pid" "$signo"; then
        fail "SIG$signal: the program never got ready (or died): $(cat "$err")"
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        continue
    fi
    kill -"$signal" "$pid"
    # Bounded: a program that ignores the signal is killed after 20 s. The
    # watchdog holds no output pipe, so a test runner never waits for it.
    { sleep 20 && kill -KILL "$pid"; } >/dev/null 2>&1 &
    watchdog=$!
    wait "$pid"
    code=$?
    kill "$watchdog" 2>/dev/null
    wait "$watchdog" 2>/dev/null
    [ "$code" -eq 0 ] || fail "SIG$signal: exit code $code, not 0"
    [ "$(head -n 1 "$log")" = "an earlier session" ] || fail "SIG$signal: the log file was not appended to"
    [ "$(wc -l <"$log")" -gt 1 ] || fail "SIG$signal: no event log line reached the log file"
done

checks_done startup
