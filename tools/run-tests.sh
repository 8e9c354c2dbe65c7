#!/bin/sh
# Builds everything and runs every test: the native unit tests, the same
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows
# build with its tests under Wine (one virtual X display for all of them).
set -eu
cd "$(dirname "$0")/.."
tools/install-dependencies.sh

jobs=$(nproc)
for preset in native native-asan win32; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

status=0
echo "== native tests"
ctest --preset native -j "$jobs" || status=1
echo "== native tests under the sanitizers"
ctest --preset native-asan -j "$jobs" || status=1
echo "== Windows tests under Wine"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset win32 || status=1
exit $status
