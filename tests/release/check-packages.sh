#!/bin/sh
# The release packages hold the files they should, where they should, and
# nothing else; every binary in them is built for its processor, exports
# its format's entry points and nothing more, and the Linux ones load on
# glibc 2.17 without a C++ runtime.  The deb says what it needs of the
# system, computed, and lintian finds no error in it (its warnings are
# printed).
# Usage: check-packages.sh RELEASE_FOLDER VERSION
set -eu
release=$(cd "$1" && pwd)
version=$2
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# The VST 3 bundle belongs in the packages when the build trees have it.
vst3=no
[ -d "$repo/build/native/lib/vst3/Velorin2.vst3" ] && vst3=yes
# Expected entries, one a line; a line starting "[vst3] " only with VST 3.
expect() {
    if [ "$vst3" = yes ]; then sed 's/^\[vst3\] //'; else sed '/^\[vst3\] /d'; fi | sort
}

# Compares a package's listing with the expected one.
same_entries() {
    sort >"$work/listed"
    if ! diff -u "$work/expected" "$work/listed" >"$work/diff"; then
        fail "$1 does not hold what it should (- missing, + unexpected):"
        sed -n 's/^\([-+][^-+]\)/   \1/p' "$work/diff"
    fi
}

# Every .so exports the names given and nothing else; all of them load on
# glibc 2.17 without a C++ runtime.
names() { printf '%s\n' "$@" | sort | tr '\n' ' '; }
exports_of_elf() { nm -D --defined-only "$1" | awk '{print $3}' | sort | tr '\n' ' '; }
check_elf() {
    file=$1
    shift
    [ "$(readelf -h "$file" | sed -n 's/^ *Machine: *//p')" = "Advanced Micro Devices X86-64" ] ||
        fail "$file is not an x86-64 library"
    [ "$(exports_of_elf "$file")" = "$(names "$@")" ] || fail "$file exports $(exports_of_elf "$file")instead of $*"
    if grep -q -a -F "$repo" "$file"; then fail "$file holds the build's path $repo"; fi
}
# Every DLL is a PE of its bitness exporting the names given and no more.
pe_objdump=x86_64-w64-mingw32-objdump
exports_of_pe() {
    $pe_objdump -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' '
}
check_pe() {
    file=$1 format=$2
    shift 2
    [ "$($pe_objdump -f "$file" | sed -n 's/.*file format //p')" = "$format" ] || fail "$file is not $format"
    [ "$(exports_of_pe "$file")" = "$(names "$@")" ] || fail "$file exports $(exports_of_pe "$file")instead of $*"
}

echo "== velorin2_${version}_amd64.deb"
deb=$release/velorin2_${version}_amd64.deb
expect >"$work/expected" <<EOF
./
./usr/
./usr/lib/
./usr/lib/lv2/
./usr/lib/lv2/velorin2.lv2/
./usr/lib/lv2/velorin2.lv2/manifest.ttl
./usr/lib/lv2/velorin2.lv2/velorin2.so
./usr/lib/lv2/velorin2.lv2/velorin2.ttl
./usr/lib/lv2/velorin2.lv2/velorin2_ui.so
./usr/lib/lxvst/
./usr/lib/lxvst/Velorin2.so
[vst3] ./usr/lib/vst3/
[vst3] ./usr/lib/vst3/Velorin2.vst3/
[vst3] ./usr/lib/vst3/Velorin2.vst3/Contents/
[vst3] ./usr/lib/vst3/Velorin2.vst3/Contents/x86_64-linux/
[vst3] ./usr/lib/vst3/Velorin2.vst3/Contents/x86_64-linux/Velorin2.so
./usr/share/
./usr/share/doc/
./usr/share/doc/velorin2/
./usr/share/doc/velorin2/README
./usr/share/doc/velorin2/changelog.gz
./usr/share/doc/velorin2/copyright
EOF
dpkg-deb -c "$deb" | awk '{print $6}' | same_entries "the deb"
if dpkg-deb -c "$deb" | awk '{print $2}' | grep -v -x 'root/root'; then fail "the deb has files not owned by root"; fi
for field in Package:velorin2 Version:"$version" Architecture:amd64; do
    [ "$(dpkg-deb -f "$deb" "${field%%:*}")" = "${field#*:}" ] || fail "the deb's ${field%%:*} is not ${field#*:}"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case "$depends" in libc6\ \(\>=\ 2.*\),*libx11-6*) ;; *) fail "Depends should name libc6 with a version and libx11-6" ;; esac
case "$depends" in *libstdc++*|*libgcc*) fail "Depends names a C++ runtime" ;; esac
dpkg-deb -x "$deb" "$work/deb"
check_elf "$work/deb/usr/lib/lv2/velorin2.lv2/velorin2.so" lv2_descriptor
check_elf "$work/deb/usr/lib/lv2/velorin2.lv2/velorin2_ui.so" lv2ui_descriptor
check_elf "$work/deb/usr/lib/lxvst/Velorin2.so" VSTPluginMain main
if [ "$vst3" = yes ]; then
    check_elf "$work/deb/usr/lib/vst3/Velorin2.vst3/Contents/x86_64-linux/Velorin2.so" GetPluginFactory ModuleEntry ModuleExit
fi
sh "$repo/tests/release/check-linux-binaries.sh" "$work/deb" || status=1
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || fail "lintian finds errors"
report=$(grep -v 'running with root privileges' "$work/lintian" || true)
echo "${report:-lintian: nothing to report}" | sed 's/^\([A-Z]\): /lintian: \1: /'

name=velorin2-$version-linux-x86_64
echo "== $name.tar.gz"
expect >"$work/expected" <<EOF
$name/
$name/COPYRIGHT
$name/README
$name/install.sh
$name/lv2/
$name/lv2/velorin2.lv2/
$name/lv2/velorin2.lv2/manifest.ttl
$name/lv2/velorin2.lv2/velorin2.so
$name/lv2/velorin2.lv2/velorin2.ttl
$name/lv2/velorin2.lv2/velorin2_ui.so
$name/lxvst/
$name/lxvst/Velorin2.so
$name/uninstall.sh
[vst3] $name/vst3/
[vst3] $name/vst3/Velorin2.vst3/
[vst3] $name/vst3/Velorin2.vst3/Contents/
[vst3] $name/vst3/Velorin2.vst3/Contents/x86_64-linux/
[vst3] $name/vst3/Velorin2.vst3/Contents/x86_64-linux/Velorin2.so
EOF
tar -tzf "$release/$name.tar.gz" | same_entries "the tarball"
if tar --numeric-owner -tvzf "$release/$name.tar.gz" | awk '{print $2}' | grep -v -x '0/0'; then
    fail "the tarball has files not owned by root"
fi
mkdir "$work/tar"
tar -C "$work/tar" -xzf "$release/$name.tar.gz"
for script in install.sh uninstall.sh; do
    [ -x "$work/tar/$name/$script" ] || fail "$script is not executable"
done
check_elf "$work/tar/$name/lv2/velorin2.lv2/velorin2.so" lv2_descriptor
check_elf "$work/tar/$name/lv2/velorin2.lv2/velorin2_ui.so" lv2ui_descriptor
check_elf "$work/tar/$name/lxvst/Velorin2.so" VSTPluginMain main
if [ "$vst3" = yes ]; then
    check_elf "$work/tar/$name/vst3/Velorin2.vst3/Contents/x86_64-linux/Velorin2.so" GetPluginFactory ModuleEntry ModuleExit
fi
sh "$repo/tests/release/check-linux-binaries.sh" "$work/tar" || status=1

echo "== velorin2-$version-windows.zip"
expect >"$work/expected" <<EOF
32-bit/Velorin2.dll
64-bit/Velorin2.dll
COPYRIGHT.txt
README.txt
[vst3] Velorin2.vst3/Contents/x86-win/Velorin2.vst3
[vst3] Velorin2.vst3/Contents/x86_64-win/Velorin2.vst3
EOF
python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' \
    "$release/velorin2-$version-windows.zip" | same_entries "the zip"
mkdir "$work/zip"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
    "$release/velorin2-$version-windows.zip" "$work/zip"
check_pe "$work/zip/32-bit/Velorin2.dll" pei-i386 main
check_pe "$work/zip/64-bit/Velorin2.dll" pei-x86-64 main
if [ "$vst3" = yes ]; then
    check_pe "$work/zip/Velorin2.vst3/Contents/x86-win/Velorin2.vst3" pei-i386 GetPluginFactory InitDll ExitDll
    check_pe "$work/zip/Velorin2.vst3/Contents/x86_64-win/Velorin2.vst3" pei-x86-64 GetPluginFactory InitDll ExitDll
fi
if grep -q -v "$(printf '\r')\$" "$work/zip/README.txt"; then fail "README.txt has lines without a carriage return"; fi

[ "$status" -eq 0 ] && echo "the packages hold what they should"
exit $status
