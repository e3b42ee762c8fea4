# Counting failures in a system test: `fail MESSAGE` notes one and goes on;
# `checks_done NAME` ends the test with its verdict.
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
checks_done() {
    if [ "$failures" -ne 0 ]; then
        echo "$1: $failures failure(s)" >&2
        exit 1
    fi
    echo "$1: all passed"
}
