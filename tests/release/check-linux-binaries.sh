#!/bin/sh
# The Linux plug-ins load on older distributions and beside any host's C++
# runtime: each needs no glibc symbol version above 2.17 and no library
# beyond glibc's own and Xlib (the C++ runtime and libgcc are linked in,
# not needed from the system).
# Usage: check-linux-binaries.sh FILE_OR_FOLDER...  (folders: every *.so in them)
set -eu
ceiling=2.17
allowed="libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1 libX11.so.6"

files=$(for path in "$@"; do
    if [ -d "$path" ]; then find "$path" -name '*.so' -type f; else echo "$path"; fi
done | sort)
[ -n "$files" ] || { echo "FAIL: no shared objects in $*"; exit 1; }

status=0
for file in $files; do
    # The versions the dynamic loader demands before it runs a line of the
    # library: all of them, not only those of the symbols in use.
    versions=$(readelf -V --wide "$file" | sed -n 's/.*Name: \([A-Z]*_[0-9.]*\).*/\1/p' | sort -u -V)
    glibc=$(echo "$versions" | sed -n 's/^GLIBC_//p' | sort -V | tail -n 1)
    needed=$(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
    echo "$file: glibc $glibc; needs $needed"
    if [ "$(printf '%s\n%s\n' "$glibc" "$ceiling" | sort -V | tail -n 1)" != "$ceiling" ]; then
        echo "FAIL: needs glibc $glibc; symbols above $ceiling:"
        objdump -T "$file" | grep -E 'GLIBC_[0-9.]+' | awk -v c="$ceiling" '{
            v = $0; sub(/.*GLIBC_/, "", v); sub(/[) ].*/, "", v)
            split(v, a, "."); split(c, b, ".")
            if (a[1] > b[1] || (a[1] == b[1] && a[2] > b[2])) print "   " $NF " (GLIBC_" v ")" }'
        status=1
    fi
    other=$(echo "$versions" | grep -v '^GLIBC_' || true)
    if [ -n "$other" ]; then
        echo "FAIL: needs symbol versions of other libraries: $(echo "$other" | tr '\n' ' ')"
        status=1
    fi
    for library in $needed; do
        case " $allowed " in
        *" $library "*) ;;
        *) echo "FAIL: needs $library"; status=1 ;;
        esac
    done
done
exit $status
