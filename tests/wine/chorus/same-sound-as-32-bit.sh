#!/bin/sh
# The 64-bit DLL must sound exactly like the 32-bit one: both builds'
# fingerprint programs (Fingerprint.cpp) must print the same lines.  Skipped
# (77) when the 32-bit build has not been made.
# Usage: same-sound-as-32-bit.sh WINE_RUN FINGERPRINT32 FINGERPRINT64
set -eu
wine_run=$1 win32=$2 win64=$3
if [ ! -f "$win32" ]; then
    echo "no 32-bit build at $win32: build the win32 preset first"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Each program runs in its own build tree's prefix, found next to it.
VELORIN_WINEPREFIX= "$wine_run" "$win32" >"$work/32"
VELORIN_WINEPREFIX= "$wine_run" "$win64" >"$work/64"
lines=$(wc -l <"$work/64")
if ! diff "$work/32" "$work/64"; then
    echo "the 32- and 64-bit builds differ (< 32-bit, > 64-bit)"
    exit 1
fi
echo "32- and 64-bit builds: all $lines fingerprints identical"
