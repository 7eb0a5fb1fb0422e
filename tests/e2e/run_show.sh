#!/usr/bin/env bash
# Runs the real program for the whole show in a fresh folder and checks that it ends by itself
# with status 0, within the expected time, having printed nothing.
#   run_show.sh [--preload LIBRARY] PP_BINARY [INPUT_FILE...]
# With --preload, the library is preloaded into the program alone (the 60 Hz swap library holds
# every buffer swap to the next 1/60 s boundary) and must report that it held swaps.
set -uo pipefail
preload=""
if [ "${1:-}" = "--preload" ]; then
    preload="$2"
    shift 2
fi
pp="$1"
shift
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
# The show goes full screen on a 1920 x 1080 screen of our own. Mesa's software renderer needs
# 15 to 18 ms for a finale frame there, more than the 10 ms tick; the show's timers are paced
# by when each tick was due, so its length must not depend on that. Without Xvfb the show runs
# on the display given, if any.
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../../scripts/lib/xvfb.sh"
xvfb_for_test 1920x1080
for f in "$@"; do
    cp "$f" "$dir/" || exit 1
done
cd "$dir"
launch=(timeout 150)
if [ -n "$preload" ]; then
    launch+=(env LD_PRELOAD="$preload" PP_HELD_SWAPS_FILE="$dir/held_swaps.txt")
fi
start=$(date +%s.%N)
"${launch[@]}" "$pp" >"$dir/stdout.txt" 2>"$dir/stderr.txt"
status=$?
end=$(date +%s.%N)
seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
echo "show length: ${seconds} s (nominal 70.6 s), exit status ${status}, inputs: ${*:-none}," \
     "preloaded: ${preload:-none}, load: $(cut -d' ' -f1-3 /proc/loadavg)"
fail=0
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; fail=1; }
if awk -v s="$seconds" 'BEGIN { exit !(s < 70.5 || s > 72) }'; then
    echo "FAIL: the show lasted ${seconds} s, expected 70.5 to 72"
    fail=1
fi
for s in stdout stderr; do
    if [ -s "$dir/$s.txt" ]; then
        echo "FAIL: the program wrote to $s:"
        head -20 "$dir/$s.txt"
        fail=1
    fi
done
if [ -n "$preload" ]; then
    held=$(cat "$dir/held_swaps.txt" 2>/dev/null || echo 0)
    echo "swaps held to 60 Hz: ${held}"
    [ "${held:-0}" -gt 0 ] 2>/dev/null || { echo "FAIL: the preloaded library held no swap"; fail=1; }
fi
exit $fail
