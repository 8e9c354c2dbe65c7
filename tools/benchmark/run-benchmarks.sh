#!/bin/sh
# Builds the benchmark natively and for Windows, measures the 32- and
# 64-bit DLLs under Wine and then the native build with the LADSPA
# competitors, and prints one Markdown report.  Missed targets are
# information, not failure: the script fails only when something cannot be
# built or run.
#
# Usage: tools/benchmark/run-benchmarks.sh [--quick]
# The build trees default to the presets' own (build/native, build/win32,
# build/win64); VELORIN_BENCH_NATIVE_DIR, VELORIN_BENCH_WIN32_DIR and
# VELORIN_BENCH_WIN64_DIR choose others.
# Needs: ladspa-sdk tap-plugins swh-plugins caps (the competitors), and for
# the DLL part mingw-w64 and wine.
set -eu
cd "$(dirname "$0")/../.."
native_dir=${VELORIN_BENCH_NATIVE_DIR:-build/native}
win32_dir=${VELORIN_BENCH_WIN32_DIR:-build/win32}
win64_dir=${VELORIN_BENCH_WIN64_DIR:-build/win64}

configure() {  # preset, build dir
    if [ ! -f "$2/CMakeCache.txt" ]; then
        cmake --preset "$1" -B "$2" >/dev/null
    fi
}

echo "Building the native benchmark in $native_dir ..." >&2
configure native "$native_dir"
cmake --build "$native_dir" --target chorus_benchmark >/dev/null

# Rounds alternate between the DLL and the native build, so that whatever
# else the machine does meanwhile touches both; the report takes each case's
# least disturbed round.
rounds=3
for arg in "$@"; do [ "$arg" = --quick ] && rounds=1; done
records=$(mktemp)
trap 'rm -f "$records"' EXIT
dll=
if command -v i686-w64-mingw32-g++ >/dev/null && command -v wine >/dev/null; then
    echo "Building the DLL and its benchmark in $win32_dir ..." >&2
    configure win32 "$win32_dir"
    cmake --build "$win32_dir" --target chorus_benchmark >/dev/null
    dll="$win32_dir/bin/chorus_benchmark.exe"
else
    echo "No MinGW-w64 or Wine: the DLL is not measured." >&2
fi
dll64=
if command -v x86_64-w64-mingw32-g++ >/dev/null && command -v wine >/dev/null; then
    echo "Building the 64-bit DLL and its benchmark in $win64_dir ..." >&2
    configure win64 "$win64_dir"
    cmake --build "$win64_dir" --target chorus_benchmark >/dev/null
    dll64="$win64_dir/bin/chorus_benchmark.exe"
else
    echo "No 64-bit MinGW-w64 or Wine: the 64-bit DLL is not measured." >&2
fi

round=1
while [ "$round" -le "$rounds" ]; do
    echo "Round $round of $rounds ..." >&2
    if [ -n "$dll" ]; then
        sh cmake/wine-run.sh "$dll" "$@" >>"$records"
    fi
    if [ -n "$dll64" ]; then
        sh cmake/wine-run.sh "$dll64" "$@" >>"$records"
    fi
    "$native_dir/bin/chorus_benchmark" "$@" >>"$records"
    round=$((round + 1))
done
"$native_dir/bin/chorus_benchmark" --report "$@" "$records"
