#!/bin/sh
# Runs a Windows program of the build under Wine, in the build tree's own
# prefix, quietly, and under a virtual X display when none is set.
# The prefix is found from VELORIN_WINEPREFIX or next to the program.
set -e
exe="$1"
if [ -z "${VELORIN_WINEPREFIX:-}" ]; then
    dir=$(cd "$(dirname "$exe")" && pwd)
    while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    VELORIN_WINEPREFIX="$dir/wineprefix"
fi
export WINEPREFIX="$VELORIN_WINEPREFIX"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
fi
exec wine "$@"
