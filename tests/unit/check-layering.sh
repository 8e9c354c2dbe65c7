#!/bin/sh
# The libraries build on each other in one direction only:
#   host/ <- chorus/ <- editor/ <- plugin/
#   host/ <- chorus/ <- bridge/ <- vst3/, clap/ (with editor/)
# so a folder includes its own headers and those of the folders below it,
# never one above (no include rings), and the window system's header appears
# only in the editor's Win32 backend, the DLL's assembly, the two Win32
# files of the host's platform seam and the VST 3 module's timer, X11's only
# in the editor's X11 backend.
# Usage: check-layering.sh SOURCE_DIR
set -eu
cd "$1"
failures=0

check() {  # folder, folders it may include
    folder=$1
    allowed=$2
    for file in "$folder"/*.h "$folder"/*.cpp; do
        [ -f "$file" ] || continue
        grep -oE '^#include "[a-z0-9_]+/' "$file" | sed 's/#include "//; s/\/$//' | sort -u | while read -r used; do
            case " $allowed " in
                *" $used "*) ;;
                *) echo "FAIL: $file includes from $used/"; echo x >>"$tmp" ;;
            esac
        done
    done
}

tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
check host "host"
check chorus "chorus host"
check editor "editor chorus host"
check plugin "plugin editor chorus host"
check bridge "bridge chorus host"
check vst3 "vst3 bridge editor chorus host"
check vst3/abi "vst3"
check clap "clap bridge editor chorus host"
check clap/abi "clap"

for file in $(grep -rlE '#include <windows\.h>' host chorus editor bridge plugin lv2 vst3 clap 2>/dev/null || true); do
    case "$file" in
        editor/win32/* | plugin/* | host/DllEntry.cpp | host/PlatformWin32.cpp | vst3/Win32Timer.cpp) ;;
        *) echo "FAIL: $file includes the window system"; echo x >>"$tmp" ;;
    esac
done
for file in $(grep -rlE '#include <X11/' host chorus editor bridge plugin lv2 vst3 clap 2>/dev/null || true); do
    case "$file" in
        editor/x11/*) ;;
        *) echo "FAIL: $file includes X11"; echo x >>"$tmp" ;;
    esac
done

failures=$(wc -l <"$tmp")
echo "layering: $failures violation(s)"
[ "$failures" -eq 0 ]
