#!/bin/sh
# The VST 3 module exports exactly its format's entry points (GetPluginFactory,
# and on Linux ModuleEntry and ModuleExit), and a Windows module imports
# nothing but Windows' own DLLs: no C++ runtime to install beside it.
# Usage: check-module.sh MODULE OBJDUMP
set -eu
module=$1
case "$module" in
*.so)
    exports=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
    expected="GetPluginFactory ModuleEntry ModuleExit "
    ;;
*)
    dump=$("$2" -p "$module")
    exports=$(echo "$dump" | awk '/^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
                                 names && /^\t\[/ { print $3; next } { names = 0 }' | sort | tr '\n' ' ')
    expected="GetPluginFactory "
    imports=$(echo "$dump" | sed -n 's/^\tDLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
    echo "imports: $imports"
    for dll in $imports; do
        case "$dll" in
        KERNEL32.DLL | USER32.DLL | GDI32.DLL | MSVCRT.DLL) ;;
        *) echo "FAIL: imports $dll"; exit 1 ;;
        esac
    done
    ;;
esac
echo "exports: $exports"
[ "$exports" = "$expected" ] || { echo "FAIL: must export $expected only"; exit 1; }
