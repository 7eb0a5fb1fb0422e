# A private sound server for a script: PulseAudio with one null sink, so that browsers have a
# sound device to run their sound contexts on where the machine has none. Source this file, then
#   pulse_start
# starts it with its socket at $XDG_RUNTIME_DIR/pulse/native in a fresh XDG_RUNTIME_DIR (where
# WebKit's sandbox lets its processes reach it), exports XDG_RUNTIME_DIR and PULSE_SERVER, and
# returns non-zero when pulseaudio is missing or not answering within 10 s. pulse_stop stops it
# and removes the folder; call it from the script's EXIT trap, set before xvfb_start (which
# chains it).

pulse_pid=""
pulse_dir=""

pulse_stop() {
    if [ -n "$pulse_pid" ]; then
        kill "$pulse_pid" 2>/dev/null || true
        wait "$pulse_pid" 2>/dev/null || true
        pulse_pid=""
    fi
    if [ -n "$pulse_dir" ]; then
        rm -rf "$pulse_dir"
        pulse_dir=""
    fi
}

pulse_start() {
    local _
    command -v pulseaudio >/dev/null 2>&1 && command -v pactl >/dev/null 2>&1 || return 1
    pulse_dir="$(mktemp -d)" || return 1
    mkdir -p "$pulse_dir/pulse"
    # As root PulseAudio warns that it is meant for a user; it serves all the same.
    HOME="$pulse_dir" PULSE_RUNTIME_PATH="$pulse_dir/pulse" pulseaudio --daemonize=no -n \
        --exit-idle-time=-1 --disallow-exit --use-pid-file=no --log-target=stderr \
        --load="module-null-sink sink_name=pp_null" \
        --load="module-native-protocol-unix socket=$pulse_dir/pulse/native auth-anonymous=1" \
        >"$pulse_dir/log" 2>&1 &
    pulse_pid=$!
    for _ in $(seq 100); do
        if PULSE_SERVER="unix:$pulse_dir/pulse/native" pactl info >/dev/null 2>&1; then
            export XDG_RUNTIME_DIR="$pulse_dir"
            export PULSE_SERVER="unix:$pulse_dir/pulse/native"
            return 0
        fi
        kill -0 "$pulse_pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$pulse_dir/log" >&2
    pulse_stop
    return 1
}
