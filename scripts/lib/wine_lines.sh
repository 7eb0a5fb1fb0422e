# What pp.exe may print under Wine. Source this file; check_streams FOLDER reads FOLDER's
# stdout.txt and stderr.txt, says "FAIL: ..." for every line that is not allowed, and sets fail=1.
#
# Lines that Wine prints and Windows does not, each allowed where it stands alone:
#  - Wine's ALSA driver, finding no sound card, reports it through ALSA's error handler
#    ("ALSA lib pcm.c:2666:(snd_pcm_open_noupdate) Unknown PCM default"); PlaySound still
#    succeeds, in silence.
#  - freeglut under Wine: Wine's CreateDC("DISPLAY", ...) fails where Windows' does not, and
#    freeglut says so in these two lines; the window still fills the screen.
allowed_line() {
    [[ "$1" =~ ^ALSA\ lib\ [a-z_]+\.c:[0-9]+:\([a-z_]+\)\  ]] ||
        [[ "$1" =~ ^freeglut\ \(.*pp\.exe\):\ fgPlatformInitialize:\ CreateDC\ failed,\ Screen\ size\ info\ may\ be\ incorrect$ ]] ||
        [ "$1" = "This is quite likely caused by a bad '-display' parameter" ]
}
check_streams() {  # folder
    local s line
    for s in stdout stderr; do
        while IFS= read -r line || [ -n "$line" ]; do
            line="${line%$'\r'}"
            if ! allowed_line "$line"; then
                echo "FAIL: $1: pp.exe wrote to $s: $line"
                fail=1
            fi
        done <"$1/$s.txt"
    done
}
