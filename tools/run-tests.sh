#!/bin/sh
# Builds everything and runs every test: the native unit tests, the same
# under AddressSanitizer and UndefinedBehaviorSanitizer, the thread tests
# under ThreadSanitizer, and both Windows builds, 32- and 64-bit, with their
# tests under Wine (one virtual X display for all of them).  Every tree is built before any test runs: the Windows
# trees compare their DLLs with the native LV2 bundle, and the 64-bit tree
# compares its DLL with the 32-bit one.  The release packages are made from
# the built trees and checked, the deb installed in a Debian 12 root.
set -eu
cd "$(dirname "$0")/.."
tools/install-dependencies.sh

jobs=$(nproc)
for preset in native native-asan native-tsan win32 win64; do
    echo "== $preset: configure and build"
    start=$(date +%s)
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset: built in $(($(date +%s) - start)) s"
done

# Each test run ends with CTest's own summary and time; nothing is printed
# after the last one, so that it stays the run's closing line.
status=0
echo "== release packages, and the deb installed in a Debian 12 root"
tools/release/make-release.sh || status=1
tests/release/deb-installs-in-debian.sh build/release/velorin2_*_amd64.deb || status=1
echo "== native tests"
ctest --preset native -j "$jobs" || status=1
echo "== native tests under the sanitizers"
ctest --preset native-asan -j "$jobs" || status=1
echo "== native thread tests under ThreadSanitizer"
ctest --preset native-tsan || status=1
# One display for both Windows builds; each runs in its own Wine prefix.
# shellcheck disable=SC2016
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    status=0
    echo "== 32-bit Windows tests under Wine"
    ctest --preset win32 || status=1
    echo "== 64-bit Windows tests under 64-bit Wine"
    ctest --preset win64 || status=1
    exit $status' || status=1
exit $status
