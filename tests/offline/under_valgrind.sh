#!/bin/sh
# Runs a command under valgrind's memcheck and passes on its verdict, except where valgrind
# itself cannot run the program: on processors whose time-stamp instruction (RDTSCP) valgrind
# 3.19 does not decode, libhwy's start-up (loaded by FFmpeg's JPEG XL codec, before pp-render's
# main) stops it with SIGILL. That says nothing about pp-render, so the test is skipped (77).
#   under_valgrind.sh VALGRIND [VALGRIND_OPTIONS...] -- PROGRAM [ARGS...]
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
valgrind="$1"
shift
options=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    options="$options $1"
    shift
done
shift
# shellcheck disable=SC2086
"$valgrind" $options --log-file="$log" "$@"
status=$?
if [ "$status" -ne 0 ] && grep -q 'valgrind: Unrecognised instruction' "$log" &&
    grep -q 'in /usr/lib/x86_64-linux-gnu/libhwy' "$log"; then
    echo "valgrind cannot decode an instruction of libhwy's start-up on this processor: skipped"
    exit 77
fi
cat "$log"
exit "$status"
