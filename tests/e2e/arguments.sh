#!/bin/sh
# The program's arguments, without a display (so that nothing can start the show): --help and
# --version print to stdout alone and end with 0; any other argument is one line on stderr and
# status 2. Usage: arguments.sh PP
pp="$1"
fail() { echo "$*"; exit 1; }
check() {  # expected-status expected-stdout-lines expected-stderr-lines args...
    want_status="$1" want_out="$2" want_err="$3"
    shift 3
    out=$(env -u DISPLAY "$pp" "$@" 2>/dev/null)
    status=$?
    err=$(env -u DISPLAY "$pp" "$@" 2>&1 >/dev/null)
    [ "$status" -eq "$want_status" ] || fail "pp $*: status $status, not $want_status"
    lines() { [ -z "$1" ] && echo 0 || printf '%s\n' "$1" | wc -l; }
    case "$want_out" in
        some) [ "$(lines "$out")" -gt 0 ] || fail "pp $*: nothing on stdout" ;;
        *) [ "$(lines "$out")" -eq "$want_out" ] || fail "pp $*: stdout was: $out" ;;
    esac
    [ "$(lines "$err")" -eq "$want_err" ] || fail "pp $*: stderr was: $err"
}
check 0 some 0 --help
check 0 some 0 -h
check 0 1 0 --version
"$pp" --version | grep -q '^pp [0-9]' || fail "pp --version: no version number"
check 2 0 1 --bogus
check 2 0 1 --help --version
check 2 0 1 -display :0
echo "arguments ok"
