#!/bin/sh
# Starts the PP show installed under <prefix>: the program in lib/games/pp, run from
# share/games/pp, where it finds its texture (skin.bmp) and sound track (bla_11.wav). This
# launcher is <prefix>/games/pp; it works from any working directory. Arguments go on to the
# program.
prefix=$(dirname "$(readlink -f "$0")")/..
cd "$prefix/share/games/pp" || exit 1
exec "$prefix/lib/games/pp/pp" "$@"
