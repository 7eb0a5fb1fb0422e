#!/bin/sh
# scripts/demo and scripts/test share build/: whichever configured it last, and with whatever an
# older demo left in its cache, the test configuration must find every test. Usage:
# configure_order.sh SOURCE_DIR
set -e
src="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The scripts' presets, in a folder of this test's own.
configure() { cmake -S "$src" --preset "$1" -B "$dir" >/dev/null; }
# What an older scripts/demo left: tests and benches switched off in the cache.
cmake -S "$src" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DPP_BUILD_TESTS=OFF -DPP_BUILD_BENCH=OFF \
      >/dev/null
configure demo
configure release
count=$(cd "$dir" && ctest -N | sed -n 's/^Total Tests: //p')
if [ -z "$count" ] || [ "$count" -lt 10 ]; then
    echo "the test configuration after the demo's finds ${count:-no} tests"
    exit 1
fi
# And the demo after the tests keeps them.
configure demo
count=$(cd "$dir" && ctest -N | sed -n 's/^Total Tests: //p')
[ "${count:-0}" -ge 10 ] || { echo "the demo's configuration drops the tests"; exit 1; }
echo "configure order ok: $count tests"
