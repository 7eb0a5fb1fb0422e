#!/usr/bin/env bash
# The installed pp-render, run from an empty folder, finds the installed texture and sound track
# in <prefix>/share/games/pp, says so in its summary and draws what the build folder's files draw; a
# file of the working directory still comes first.
#   installed_render.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir="$1"
build_dir="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# pp-render needs no X display; the examples run as on a machine without one.
unset DISPLAY

prefix="$scratch/prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
mkdir "$scratch/empty"
cd "$scratch/empty" || exit 1

errors=$("$prefix/bin/pp-render" --to 200 --size 64x36 -o video.mp4 2>&1 >/dev/null) ||
    fail "the installed pp-render failed: $errors"
echo "$errors"
case "$errors" in
    *note:*) fail "a note about a missing file: $errors" ;;
esac
for file in skin.bmp bla_11.wav; do
    case "$errors" in
        *"$prefix/share/games/pp/$file"*) ;;
        *) fail "the summary does not name the installed $file" ;;
    esac
done
[ -s video.mp4 ] || fail "no video written"

# The same picture as with the build's own texture named.
"$prefix/bin/pp-render" --at 5000 --size 64x36 --quiet -o installed.png || fail "picture"
"$prefix/bin/pp-render" --at 5000 --size 64x36 --quiet --texture "$build_dir/show/skin.bmp" \
    -o named.png || fail "picture with --texture"
cmp -s installed.png named.png || fail "the installed texture was not the one drawn"

# A file in the working directory comes first: here one that is no bitmap at all.
echo "not a bitmap" >skin.bmp
errors=$("$prefix/bin/pp-render" --at 5000 --size 64x36 -o here.png 2>&1)
case "$errors" in
    *"no readable skin.bmp in the working directory"*) ;;
    *) fail "the working directory's skin.bmp was not the one read: $errors" ;;
esac
echo "installed pp-render ok"
