#!/bin/sh
# The release packages hold the files they should, where they should, and
# nothing else; every binary in them is built for its processor and exports
# its format's entry points and nothing more, the Linux ones load on glibc
# 2.17 without a C++ runtime and hold no build path; lintian finds no error
# in the deb (its warnings are printed).
# Usage: check-packages.sh RELEASE_FOLDER VERSION
set -eu
release=$(cd "$1" && pwd)
version=$2
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# Compares the files a package lists (standard input) with the expected ones.
# Usage: same_files PACKAGE EXPECTED...
same_files() {
    name=$1
    shift
    printf '%s\n' "$@" | sort >"$work/expected"
    grep -v '/$' | sort | diff -u "$work/expected" - | sed -n 's/^\([-+][^-+]\)/   \1/p' >"$work/diff" || true
    [ ! -s "$work/diff" ] || { fail "$name does not hold what it should (- missing, + unexpected):"; cat "$work/diff"; }
}

echo "== the packages' files"
deb=$release/velorin2_${version}_amd64.deb
lv2=usr/lib/lv2/velorin2.lv2
dpkg-deb -c "$deb" | awk '{print $6}' | same_files "the deb" \
    ./$lv2/manifest.ttl ./$lv2/velorin2.ttl ./$lv2/velorin2.so ./$lv2/velorin2_ui.so ./usr/lib/lxvst/Velorin2.so \
    ./usr/lib/vst3/Velorin2.vst3/Contents/x86_64-linux/Velorin2.so ./usr/lib/clap/Velorin2.clap \
    ./usr/share/doc/velorin2/README ./usr/share/doc/velorin2/changelog.gz ./usr/share/doc/velorin2/copyright
tarball=$release/velorin2-$version-linux-x86_64.tar.gz
top=velorin2-$version-linux-x86_64
tar -tzf "$tarball" | same_files "the tarball" \
    "$top"/lv2/velorin2.lv2/manifest.ttl "$top"/lv2/velorin2.lv2/velorin2.ttl "$top"/lv2/velorin2.lv2/velorin2.so \
    "$top"/lv2/velorin2.lv2/velorin2_ui.so "$top"/lxvst/Velorin2.so \
    "$top"/vst3/Velorin2.vst3/Contents/x86_64-linux/Velorin2.so "$top"/clap/Velorin2.clap \
    "$top"/install.sh "$top"/uninstall.sh "$top"/README "$top"/COPYRIGHT
zip=$release/velorin2-$version-windows.zip
python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip" |
    same_files "the zip" 32-bit/Velorin2.dll 64-bit/Velorin2.dll README.txt COPYRIGHT.txt \
        Velorin2.vst3/Contents/x86-win/Velorin2.vst3 Velorin2.vst3/Contents/x86_64-win/Velorin2.vst3 \
        CLAP/32-bit/Velorin2.clap CLAP/64-bit/Velorin2.clap
echo "the deb's Depends: $(dpkg-deb -f "$deb" Depends)"
if tar --numeric-owner -tvzf "$tarball" | awk '{print $2}' | grep -v -x '0/0'; then fail "the tarball has other owners than root"; fi

mkdir "$work/deb" "$work/tar" "$work/zip"
dpkg-deb -x "$deb" "$work/deb"
tar -C "$work/tar" -xzf "$tarball"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$work/zip"
for script in install.sh uninstall.sh; do [ -x "$work/tar/$top/$script" ] || fail "$script is not executable"; done
if grep -q -v "$(printf '\r')\$" "$work/zip/README.txt"; then fail "README.txt has lines without a carriage return"; fi

echo "== the binaries"
sorted() { printf '%s\n' "$@" | sort | tr '\n' ' '; }
find "$work" -type f \( -name '*.so' -o -name '*.dll' -o -name '*.vst3' -o -name '*.clap' \) | sort | while read -r binary; do
    case $binary in
    */velorin2.so) format=x86-64 want=lv2_descriptor ;;
    */velorin2_ui.so) format=x86-64 want=lv2ui_descriptor ;;
    */lxvst/Velorin2.so) format=x86-64 want="VSTPluginMain main" ;;
    */x86_64-linux/Velorin2.so) format=x86-64 want="GetPluginFactory ModuleEntry ModuleExit" ;;
    */32-bit/Velorin2.dll) format=pei-i386 want=main ;;
    */64-bit/Velorin2.dll) format=pei-x86-64 want=main ;;
    */x86-win/Velorin2.vst3) format=pei-i386 want=GetPluginFactory ;;
    */x86_64-win/Velorin2.vst3) format=pei-x86-64 want=GetPluginFactory ;;
    */CLAP/32-bit/Velorin2.clap) format=pei-i386 want=clap_entry ;;
    */CLAP/64-bit/Velorin2.clap) format=pei-x86-64 want=clap_entry ;;
    */clap/Velorin2.clap) format=x86-64 want=clap_entry ;;
    *) fail "$binary: no binary expected there"; continue ;;
    esac
    if [ "$format" = x86-64 ]; then
        is=$(readelf -h "$binary" | sed -n 's/^ *Machine: *Advanced Micro Devices X86-64$/x86-64/p')
        exports=$(nm -D --defined-only "$binary" | awk '{print $3}')
        if grep -q -a -F "$repo" "$binary"; then fail "$binary holds the build's path $repo"; fi
    else
        is=$(x86_64-w64-mingw32-objdump -f "$binary" | sed -n 's/.*file format //p')
        exports=$(x86_64-w64-mingw32-objdump -p "$binary" |
            sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p')
    fi
    # shellcheck disable=SC2086
    [ "$is" = "$format" ] && [ "$(sorted $exports)" = "$(sorted $want)" ] ||
        fail "${binary#"$work"/}: $is exporting $(echo $exports), not $format exporting $want"
done | grep . && status=1
sh "$repo/tests/release/check-linux-binaries.sh" "$work/deb" "$work/tar" || status=1

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || fail "lintian finds errors"
report=$(grep -v 'running with root privileges' "$work/lintian" || true)
echo "${report:-nothing to report}"

[ "$status" -eq 0 ] && echo "the packages hold what they should"
exit $status
