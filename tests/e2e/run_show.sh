#!/usr/bin/env bash
# Runs the real program for the whole show in a fresh folder and checks that it ends by itself
# with status 0, within the expected time, having printed nothing.
#   run_show.sh PP_BINARY [INPUT_FILE...]
set -uo pipefail
pp="$1"
shift
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: skipped"
    exit 77
fi
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
for f in "$@"; do
    cp "$f" "$dir/" || exit 1
done
cd "$dir"
start=$(date +%s.%N)
timeout 150 "$pp" >"$dir/stdout.txt" 2>"$dir/stderr.txt"
status=$?
end=$(date +%s.%N)
seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
echo "show length: ${seconds} s (nominal 70.6 s), exit status ${status}, inputs: ${*:-none}"
fail=0
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; fail=1; }
if awk -v s="$seconds" 'BEGIN { exit !(s < 70.5 || s > 80) }'; then
    echo "FAIL: the show lasted ${seconds} s, expected 70.6 to 80"
    fail=1
fi
for s in stdout stderr; do
    if [ -s "$dir/$s.txt" ]; then
        echo "FAIL: the program wrote to $s:"
        head -20 "$dir/$s.txt"
        fail=1
    fi
done
exit $fail
