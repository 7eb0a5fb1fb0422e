#!/bin/sh
# Starts the PP show from the installed share/pp folder, where the program finds its
# texture (skin.bmp) and sound track (bla_11.wav). Arguments go on to the program.
here=$(dirname "$(readlink -f "$0")")
cd "$here/../share/pp" || exit 1
exec ./pp "$@"
