#!/bin/sh
# A plug-in module exports exactly its format's entry points (a VST 3
# module GetPluginFactory, and on Linux ModuleEntry and ModuleExit; a CLAP
# module clap_entry), and a Windows module imports nothing but Windows' own
# DLLs: no C++ runtime to install beside it.
# Usage: check-module.sh MODULE OBJDUMP EXPORT...
set -eu
module=$1
objdump=$2
shift 2
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
if [ "$(head -c 4 "$module" | tail -c 3)" = ELF ]; then
    exports=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
else
    dump=$("$objdump" -p "$module")
    exports=$(echo "$dump" | awk '/^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
                                 names && /^\t\[/ { print $3; next } { names = 0 }' | sort | tr '\n' ' ')
    imports=$(echo "$dump" | sed -n 's/^\tDLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
    echo "imports: $imports"
    for dll in $imports; do
        case "$dll" in
        KERNEL32.DLL | USER32.DLL | GDI32.DLL | MSVCRT.DLL) ;;
        *) echo "FAIL: imports $dll"; exit 1 ;;
        esac
    done
fi
echo "exports: $exports"
[ "$exports" = "$expected" ] || { echo "FAIL: must export $expected only"; exit 1; }
