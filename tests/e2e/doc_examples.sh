#!/usr/bin/env bash
# Runs the example commands of the README and docs/*.md as a reader pastes them: every fenced
# block opened with "```sh tested", in the order of the files (README.md first), each in a
# scratch copy of the build's show/ folder, where the text says to run them. The built tools sit
# beside that copy as in the build tree (../offline/pp-render, ../assets/pp-make-skin), but
# pp-render stands for a wrapper that keeps the examples short: small pictures, and at most
# 1.5 s of show per video. Every block must succeed and no two examples may name one output.
#   doc_examples.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir="$1"
build_dir="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# pp-render needs no X display; the examples run as on a machine without one.
unset DISPLAY

# The build tree's layout around the copy of show/.
mkdir -p "$scratch/show" "$scratch/offline" "$scratch/assets" "$scratch/bin"
cp "$build_dir/show/skin.bmp" "$build_dir/show/bla_11.wav" "$scratch/show/" || exit 1
ln -s "$build_dir/assets/pp-make-skin" "$scratch/assets/pp-make-skin"
cat >"$scratch/offline/pp-render" <<EOF
#!/usr/bin/env bash
# The examples' pp-render: the same request, smaller and shorter.
from=0 picture=0 plain=0
for ((i = 1; i <= \$#; i++)); do
    case "\${!i}" in
        --from) j=\$((i + 1)); from="\${!j}" ;;
        --at) picture=1 ;;
        -h | --help | --version) plain=1 ;;
    esac
done
last=\$((from + 1500))
args=(--size 64x36)
to_given=0
while [ \$# -gt 0 ]; do
    case "\$1" in
        --size) shift 2 ;;
        --to) args+=(--to "\$((\$2 < last ? \$2 : last))"); to_given=1; shift 2 ;;
        *) args+=("\$1"); shift ;;
    esac
done
if [ \$picture = 0 ] && [ \$plain = 0 ] && [ \$to_given = 0 ]; then
    args+=(--to "\$last")
fi
exec "$build_dir/offline/pp-render" "\${args[@]}"
EOF
chmod +x "$scratch/offline/pp-render"
# Where FFmpeg's command-line tool is missing, a stand-in checks that it was given a Y4M stream
# and writes the file it was asked for.
if ! command -v ffmpeg >/dev/null 2>&1; then
    cat >"$scratch/bin/ffmpeg" <<'EOF'
#!/bin/sh
head -c 9 | grep -q '^YUV4MPEG2' || { echo "ffmpeg stand-in: no Y4M stream" >&2; exit 1; }
cat >/dev/null
for last; do :; done
echo "a stand-in for ffmpeg's output" >"$last"
EOF
    chmod +x "$scratch/bin/ffmpeg"
    echo "note: no ffmpeg here; a stand-in takes its place"
fi
export PATH="$scratch/bin:$PATH"

blocks=0
outputs=()
for doc in "$source_dir/README.md" "$source_dir"/docs/*.md; do
    name="${doc#"$source_dir"/}"
    # Each tested block into a file of its own, numbered in order.
    awk -v prefix="$scratch/block-${name//\//-}-" '
        /^```sh tested *$/ { n += 1; file = prefix n ".sh"; next }
        /^```/ && file != "" { close(file); file = ""; next }
        file != "" { print > file }
    ' "$doc"
    for block in "$scratch/block-${name//\//-}-"*.sh; do
        [ -e "$block" ] || continue
        blocks=$((blocks + 1))
        echo "== $name, block ${block##*-}"
        cat "$block"
        (cd "$scratch/show" && bash -e -o pipefail "$block") || fail "a block of $name failed"
        while read -r output; do
            outputs+=("$output")
        done < <(grep -o -- ' -o [^ ]*' "$block" | awk '$2 != "-" { print $2 }')
    done
done
[ "$blocks" -ge 2 ] || fail "only $blocks tested blocks found; the markers went missing"
duplicates=$(printf '%s\n' "${outputs[@]}" | sort | uniq -d)
[ -z "$duplicates" ] || fail "examples write the same output: $duplicates"
for output in "${outputs[@]}"; do
    [ -s "$scratch/show/$output" ] || fail "the example did not write $output"
done
echo "$blocks blocks, outputs: ${outputs[*]}"
