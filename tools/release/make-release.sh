#!/bin/sh
# Makes the release packages in build/release/:
#   velorin2_VERSION_amd64.deb              for Debian and Ubuntu
#   velorin2-VERSION-linux-x86_64.tar.gz    for any Linux, with install.sh and uninstall.sh
#   velorin2-VERSION-windows.zip            the plug-ins for 32- and 64-bit Windows hosts
#   SHA256SUMS
# It builds the plug-ins it needs in the native, win32 and win64 trees (the
# `plugins` target of each), packages them and checks the packages: their
# contents, and the tarball's scripts in a temporary home.
#
# The same commit gives the same bytes: every time stamp is
# SOURCE_DATE_EPOCH (by default the last commit's time), archive entries
# are sorted, owners are root, and the binaries hold no build paths.
set -eu
cd "$(dirname "$0")/../.."
tools/install-dependencies.sh

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
        { echo "not a git checkout: set SOURCE_DATE_EPOCH to the release's time (seconds since 1970)"; exit 1; }
    if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
        echo "note: the work tree has uncommitted changes; the packages hold them, the commit's time names them"
    fi
fi
export SOURCE_DATE_EPOCH
# Tools write their dates and sort their lists alike on every machine.
export TZ=UTC LC_ALL=C.UTF-8
umask 022

for preset in native win32 win64; do
    echo "== $preset: building the plug-ins"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target plugins
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/native/CMakeCache.txt)
changelog_version=$(dpkg-parsechangelog -l tools/release/changelog -S Version)
if [ "$version" != "$changelog_version" ]; then
    echo "tools/release/changelog's latest entry is $changelog_version, the project is $version: add an entry"
    exit 1
fi

# What the packages hold: the built files and folders, as paths in the
# build trees.  The Linux ones go under /usr/lib in the deb and, without
# lib/, into the tarball; the Windows ones into the zip's folders (the two
# VST 3 bundles into one, with both modules; the CLAP modules into a folder
# for each bitness).
linux_plugins="lib/lv2/velorin2.lv2 lib/lxvst/Velorin2.so lib/vst3/Velorin2.vst3 lib/clap/Velorin2.clap"
windows_plugins="win32/bin/Velorin2.dll:32-bit win64/bin/Velorin2.dll:64-bit
 win32/lib/vst3/Velorin2.vst3:. win64/lib/vst3/Velorin2.vst3:.
 win32/lib/clap/Velorin2.clap:CLAP/32-bit win64/lib/clap/Velorin2.clap:CLAP/64-bit"

out=build/release
stage=$out/stage
rm -rf "$stage" "$out"/velorin2[_-]* "$out/SHA256SUMS"
mkdir -p "$stage"

text() { sed "s/@VERSION@/$version/g" "tools/release/$1"; }

# Copies a built file or folder into the stage, binaries stripped of what
# only a debugger needs (the DLLs are linked stripped).
put() {
    mkdir -p "$(dirname "$2")"
    cp -R "$1" "$2"
    find "$2" -type f \( -name '*.so' -o -name '*.clap' \) -exec strip --strip-unneeded --remove-section=.comment {} +
}

# Modes as a package should have them, and every time stamp the same.
settle() {
    find "$1" -type d -exec chmod 0755 {} +
    find "$1" -type f -exec chmod 0644 {} +
    for script in $2; do chmod 0755 "$1/$script"; done
    find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

echo "== the deb"
# Laid out as Debian's tools expect a source's package.
deb=$stage/source/debian/velorin2
for item in $linux_plugins; do put "build/native/$item" "$deb/usr/$item"; done
doc=$deb/usr/share/doc/velorin2
mkdir -p "$doc"
cp tools/release/copyright "$doc/copyright"
text readme-deb.txt >"$doc/README"
gzip -9n <tools/release/changelog >"$doc/changelog.gz"
# What the plug-ins need of the system, from the libraries they link and
# the symbol versions they use.
mkdir -p "$deb/DEBIAN"
printf 'Source: velorin2\n\nPackage: velorin2\nArchitecture: amd64\n' >"$stage/source/debian/control"
binaries=$(cd "$stage/source" && find debian/velorin2 \( -name '*.so' -o -name '*.clap' \) -type f | sort)
# shellcheck disable=SC2086
depends=$(cd "$stage/source" && dpkg-shlibdeps -O $binaries | sed -n 's/^shlibs:Depends=//p')
# Each file counts its size in KiB rounded up, every folder 1 KiB, as dpkg
# counts them: the same on every file system.
installed_size=$(find "$deb/usr" -printf '%y %s\n' | awk '{ n += ($1 == "f") ? int(($2 + 1023) / 1024) : 1 } END { print n }')
{
    echo "Package: velorin2"
    echo "Version: $version"
    echo "Architecture: amd64"
    echo "Maintainer: $(dpkg-parsechangelog -l tools/release/changelog -S Maintainer)"
    echo "Installed-Size: $installed_size"
    echo "Depends: $depends"
    echo "Section: sound"
    echo "Priority: optional"
    echo "Description: stereo chorus audio plug-in for LV2, VST and CLAP hosts"
    echo " Velorin 2 is a stereo chorus: one, two or four voices swept by a sine"
    echo " oscillator around a centre delay, a low-pass or high-pass filter in the"
    echo " wet path, and an editor window with six knobs."
    echo " ."
    echo " This package installs the LV2 plug-in with its editor, the VST"
    echo " plug-ins and the CLAP plug-in where Linux hosts look for them."
} >"$deb/DEBIAN/control"
(cd "$deb" && find usr -type f | sort | xargs md5sum) >"$deb/DEBIAN/md5sums"
settle "$deb" ""
dpkg-deb --root-owner-group -Zxz --build "$deb" "$out/velorin2_${version}_amd64.deb" >/dev/null

echo "== the tarball"
name=velorin2-$version-linux-x86_64
tarball=$stage/tar/$name
for item in $linux_plugins; do put "build/native/$item" "$tarball/${item#lib/}"; done
cp tools/release/install.sh tools/release/uninstall.sh "$tarball/"
text readme-linux.txt >"$tarball/README"
cp tools/release/copyright "$tarball/COPYRIGHT"
settle "$tarball" "install.sh uninstall.sh"
tar -C "$stage/tar" --sort=name --owner=0 --group=0 --numeric-owner --format=gnu -cf - "$name" |
    gzip -9n >"$out/$name.tar.gz"

echo "== the zip"
zip=$stage/zip
for entry in $windows_plugins; do
    item=${entry%%:*}
    mkdir -p "$zip/${entry#*:}"
    cp -R "build/$item" "$zip/${entry#*:}/"
done
# Windows' own editor wants carriage returns.
text readme-windows.txt | sed 's/$/\r/' >"$zip/README.txt"
sed 's/$/\r/' tools/release/copyright >"$zip/COPYRIGHT.txt"
settle "$zip" ""
python3 tools/release/make-zip.py "$zip" "$out/velorin2-$version-windows.zip"

(cd "$out" && sha256sum velorin2_"${version}"_amd64.deb "$name.tar.gz" "velorin2-$version-windows.zip" >SHA256SUMS)
rm -rf "$stage"

echo "== checking the packages"
sh tests/release/check-packages.sh "$out" "$version"
sh tests/release/check-tarball-scripts.sh "$out/$name.tar.gz"

echo "== build/release:"
(cd "$out" && ls -l velorin2_"${version}"_amd64.deb "$name.tar.gz" "velorin2-$version-windows.zip" && cat SHA256SUMS)
