#!/usr/bin/env bash
# Runs the real program for the whole show in a fresh folder and checks that it ends by itself
# with status 0, within the expected time, having printed nothing.
#   run_show.sh PP_BINARY [INPUT_FILE...]
set -uo pipefail
pp="$1"
shift
dir="$(mktemp -d)"
xvfb_pid=""
trap 'rm -rf "$dir"; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null' EXIT
# The show goes full screen. On a 1920 x 1080 screen Mesa's software renderer needs 15 to 18 ms
# for a finale frame on two cores, which stretches every 10 ms tick and the show with it; a
# 1280 x 720 screen of our own keeps the run close to the show's own time.
if command -v Xvfb >/dev/null 2>&1; then
    for n in $(seq 150 199); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
            xvfb_pid=$!
            export DISPLAY=":$n"
            break
        fi
    done
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
fi
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: skipped"
    exit 77
fi
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
