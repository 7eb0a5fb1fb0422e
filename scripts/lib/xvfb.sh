# A private X server for a script. Source this file, set any EXIT trap of the script's own, then
#   xvfb_start WIDTHxHEIGHT
# starts Xvfb with a 24-bit screen of that size on a display number that no other server holds
# (Xvfb picks the number itself and reports it once its socket takes connections), exports
# DISPLAY, and has the server stopped when the script exits, before the script's own EXIT trap
# runs. It returns non-zero, leaving DISPLAY as it was, when Xvfb is missing or does not come up
# within 10 s. xvfb_stop stops the server earlier; without one running it does nothing.

xvfb_pid=""

xvfb_stop() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
}

xvfb_start() {
    local size="$1" number_file number="" _
    command -v Xvfb >/dev/null 2>&1 || return 1
    number_file="$(mktemp)" || return 1
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    if [ -z "${xvfb_chained_exit+set}" ]; then
        xvfb_chained_exit=""
        eval "set -- $(trap -p EXIT)"  # trap -- 'command' EXIT
        if [ $# -ge 3 ]; then
            xvfb_chained_exit="$3"
        fi
        trap 'xvfb_stop; eval "$xvfb_chained_exit"' EXIT
    fi
    # The number arrives as one line when the server is ready.
    for _ in $(seq 100); do
        if IFS= read -r number <"$number_file" && [ -n "$number" ]; then
            break
        fi
        number=""
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$number_file"
    if [ -z "$number" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
        xvfb_stop
        return 1
    fi
    export DISPLAY=":$number"
}

# For a test script: its own Xvfb of the given size where Xvfb is installed, else the display it
# was given. Fails the test (status 1) when Xvfb does not start, and skips it (status 77, as
# CTest's SKIP_RETURN_CODE) when there is no display at all.
xvfb_for_test() {
    if command -v Xvfb >/dev/null 2>&1 && ! xvfb_start "$1"; then
        echo "FAIL: cannot start Xvfb"
        exit 1
    fi
    if [ -z "${DISPLAY:-}" ]; then
        echo "no X display: skipped"
        exit 77
    fi
}
