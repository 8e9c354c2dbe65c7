#!/bin/sh
# The Linux plug-ins load on older distributions and beside any host's C++
# runtime: each needs no glibc symbol version above 2.17 and no library
# beyond glibc's own and Xlib (the C++ runtime and libgcc are linked in,
# not needed from the system).
# Usage: check-linux-binaries.sh FILE_OR_FOLDER...  (folders: every *.so and *.clap in them)
set -eu
allowed="libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1 libX11.so.6"
files=$(find "$@" \( -name '*.so' -o -name '*.clap' \) -type f | sort)
[ -n "$files" ] || { echo "FAIL: no shared objects in $*"; exit 1; }

status=0
for file in $files; do
    # The versions the dynamic loader demands before it runs a line of the
    # library: all of them, not only those of the symbols in use.
    versions=$(readelf -V --wide "$file" | sed -n 's/.*Name: \([A-Z]*_[0-9.]*\).*/\1/p' | sort -u -V | tr '\n' ' ')
    needed=$(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
    echo "$file: $versions; needs $needed"
    for version in $versions; do
        case $version in
        GLIBC_2.[0-9] | GLIBC_2.[0-9].* | GLIBC_2.1[0-7] | GLIBC_2.1[0-7].*) ;;
        *) echo "FAIL: needs $version:"; objdump -T "$file" | grep -F "($version)" | awk '{print "   " $NF}'; status=1 ;;
        esac
    done
    for library in $needed; do
        case " $allowed " in
        *" $library "*) ;;
        *) echo "FAIL: needs $library"; status=1 ;;
        esac
    done
done
exit $status
