#!/usr/bin/env bash
# Runs the real program for the whole show in a fresh folder and checks that it ends by itself
# with status 0, having printed nothing, and that the show lasted its length: from the instant
# its schedule is laid out to the exit, as the preloaded show-times library notes them. The
# start-up before that (libraries, X, the sound device) is the machine's and only reported.
#   run_show.sh SHOW_TIMES_LIBRARY [--preload LIBRARY] PP_BINARY [INPUT_FILE...]
# With --preload, that library is preloaded too (the 60 Hz swap library holds every buffer swap
# to the next 1/60 s boundary) and must report that it held swaps.
set -uo pipefail
show_times="$1"
shift
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
# timeout only guards against a hang, far beyond the show and any start-up.
launch=(timeout 300 env LD_PRELOAD="$show_times${preload:+ $preload}"
        PP_SHOW_TIMES_FILE="$dir/show_times.txt" PP_HELD_SWAPS_FILE="$dir/held_swaps.txt")
start=$(date +%s%N)
"${launch[@]}" "$pp" >"$dir/stdout.txt" 2>"$dir/stderr.txt"
status=$?
end=$(date +%s%N)
fail=0
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; fail=1; }
read -r show_start show_end <"$dir/show_times.txt" 2>/dev/null || show_start=""
if [ -z "$show_start" ]; then
    echo "FAIL: the show-times library noted no start"
    exit 1
fi
seconds=$(awk -v a="$show_start" -v b="$show_end" 'BEGIN { printf "%.2f", (b - a) / 1e9 }')
# The rest of the process's time: start-up, and the exit after the show.
startup=$(awk -v a="$start" -v b="$end" -v s="$seconds" 'BEGIN { printf "%.2f", (b - a) / 1e9 - s }')
echo "show length: ${seconds} s (nominal 70.6 s), ${startup} s of start-up and exit," \
     "exit status ${status}, inputs: ${*:-none}, preloaded: ${preload:-none}," \
     "load: $(cut -d' ' -f1-3 /proc/loadavg)"
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
