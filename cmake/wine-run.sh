#!/bin/sh
# Runs a Windows program of the build under Wine, in the build tree's own
# prefix, quietly, and under a virtual X display when none is set.
# The prefix is found from VELORIN_WINEPREFIX or next to the program.  Its
# bitness is the one it was made with (win32 for build/win32, win64 for
# build/win64); a prefix not made yet takes the program's own.
set -e
exe="$1"
if [ -z "${VELORIN_WINEPREFIX:-}" ]; then
    dir=$(cd "$(dirname "$exe")" && pwd)
    while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    VELORIN_WINEPREFIX="$dir/wineprefix"
fi
export WINEPREFIX="$VELORIN_WINEPREFIX"

# The machine field of a PE image: 8664 for x86-64, 14c for i386.
pe_machine() {
    header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
    [ -n "$header" ] && od -An -tx2 -j$((header + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

if [ -f "$WINEPREFIX/system.reg" ]; then
    arch=$(sed -n 's/^#arch=//p' "$WINEPREFIX/system.reg" | head -n 1)
elif [ "$(pe_machine "$exe")" = 8664 ]; then
    arch=win64
else
    arch=win32
fi
export WINEARCH="${arch:-win32}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# One server for the prefix that outlives each program by half a minute: a
# program starting just as the last one's server shuts down would lose its
# connection ("recvmsg: Connection reset by peer").  When a server is
# already running this does nothing.
wineserver -p30 </dev/null >/dev/null 2>&1 || true
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
fi
exec wine "$@"
