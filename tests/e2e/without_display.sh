#!/bin/sh
# The program without an X display: GLUT's own error reaches stderr and the exit status is not
# 0, while the sound track (started before GLUT, with its libraries' messages hidden) says
# nothing. Usage: without_display.sh PP
errors=$(env -u DISPLAY "$1" 2>&1 >/dev/null)
status=$?
if [ "$status" -eq 0 ]; then
    echo "exit status 0 without a display"
    exit 1
fi
if ! printf '%s\n' "$errors" | grep -q 'failed to open display'; then
    echo "no display error on stderr; stderr was: $errors"
    exit 1
fi
if [ "$(printf '%s\n' "$errors" | wc -l)" -ne 1 ]; then
    echo "more than GLUT's error on stderr: $errors"
    exit 1
fi
