#!/usr/bin/env bash
# Runs the real program for the whole show and checks that it ends by itself with status 0,
# having printed nothing, and that the show lasted its length. The start-up before the show
# (libraries, X, the sound device, Wine) is the machine's and only reported.
#   run_show.sh SHOW_TIMES_LIBRARY [--preload LIBRARY] PP_BINARY [INPUT_FILE...]
# runs the program in a fresh folder with copies of the input files; the show lasts from the
# instant its schedule is laid out to the exit, as the preloaded show-times library notes them.
# With --preload, that library is preloaded too (the 60 Hz swap library holds every buffer swap
# to the next 1/60 s boundary) and must report that it held swaps.
#   run_show.sh --wine [--own-screen] FOLDER [SECONDS...]
# runs FOLDER's pp.exe under Wine (its prefix and settings as the caller exported them) on the
# caller's display, or with --own-screen on a 1280x720 Xvfb of its own, and takes a picture of
# the screen at each of SECONDS into FOLDER/picture-SECONDS.xwd. No library reaches into a
# Windows program: its show counts from the moment its window shows (looked for every 50 ms),
# and only the lines Wine itself prints may appear on its streams (scripts/lib/wine_lines.sh).
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/../../scripts/lib/xvfb.sh"
fail=0

# The Linux program, with the show-times library: sets seconds and startup.
run_linux() {
    local show_times="$1" preload="" pp
    shift
    if [ "${1:-}" = "--preload" ]; then
        preload="$2"
        shift 2
    fi
    pp="$1"
    shift
    dir="$(mktemp -d)"
    trap 'rm -rf "$dir"' EXIT
    # The show goes full screen on a 1920 x 1080 screen of our own. Mesa's software renderer
    # needs 15 to 18 ms for a finale frame there, more than the 10 ms tick; the show's timers are
    # paced by when each tick was due, so its length must not depend on that. Without Xvfb the
    # show runs on the display given, if any.
    xvfb_for_test 1920x1080
    for f in "$@"; do
        cp "$f" "$dir/" || exit 1
    done
    cd "$dir"
    # timeout only guards against a hang, far beyond the show and any start-up.
    launch=(timeout 300 env LD_PRELOAD="$show_times${preload:+ $preload}"
            PP_SHOW_TIMES_FILE="$dir/show_times.txt" PP_HELD_SWAPS_FILE="$dir/held_swaps.txt")
    local start end show_start show_end
    start=$(date +%s%N)
    "${launch[@]}" "$pp" >"$dir/stdout.txt" 2>"$dir/stderr.txt"
    status=$?
    end=$(date +%s%N)
    [ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; fail=1; }
    read -r show_start show_end <"$dir/show_times.txt" 2>/dev/null || show_start=""
    if [ -z "$show_start" ]; then
        echo "FAIL: the show-times library noted no start"
        exit 1
    fi
    seconds=$(awk -v a="$show_start" -v b="$show_end" 'BEGIN { printf "%.2f", (b - a) / 1e9 }')
    # The rest of the process's time: start-up, and the exit after the show.
    startup=$(awk -v a="$start" -v b="$end" -v s="$seconds" \
                  'BEGIN { printf "%.2f", (b - a) / 1e9 - s }')
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
}

# pp.exe under Wine, timed from its window.
run_wine() {
    local launched start end at show
    if [ "${1:-}" = --own-screen ]; then
        shift
        xvfb_start 1280x720 || { echo "FAIL: cannot start Xvfb"; exit 1; }
    fi
    dir="$1"
    shift
    cd "$dir"
    launched=$(date +%s.%N)
    timeout 150 wine ./pp.exe >stdout.txt 2>stderr.txt &
    show=$!
    for _ in $(seq 1200); do
        xdotool search --onlyvisible --name '^PP$' >/dev/null 2>&1 && break
        kill -0 "$show" 2>/dev/null || break
        sleep 0.05
    done
    start=$(date +%s.%N)
    for at in "$@"; do
        while awk -v s="$start" -v now="$(date +%s.%N)" -v at="$at" \
                  'BEGIN { exit !(now - s < at) }'; do
            sleep 0.2
        done
        xwd -root -silent >"picture-$at.xwd"
    done
    status=0
    wait "$show" || status=$?
    end=$(date +%s.%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
    whole=$(awk -v a="$launched" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
    echo "$(basename "$dir"): exit status $status, length $seconds s from its window" \
         "(nominal 70.6 s), $whole s with Wine's start-up"
    [ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; fail=1; }
    # The show cannot end before 70.59 s after its start, nor, start-up and all, before that.
    # Its own length bounds how late it ends, whatever Wine's start-up costs on this machine.
    if awk -v s="$seconds" -v w="$whole" 'BEGIN { exit !(w < 70.5 || s > 72.5) }'; then
        echo "FAIL: the show lasted $seconds s ($whole s in all), expected 70.5 to 72.5"
        fail=1
    fi
    . "$here/../../scripts/lib/wine_lines.sh"
    check_streams "$dir"
}

if [ "${1:-}" = --wine ]; then
    shift
    run_wine "$@"
else
    run_linux "$@"
fi
exit $fail
