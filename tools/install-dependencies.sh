#!/bin/sh
# Installs what building, testing and the demo need on Debian 12, as root.
# Idempotent: when everything is present it installs nothing and asks no
# package server anything.
set -eu

packages="cmake ninja-build g++ make pkg-config
 gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
 gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
 wine wine64 wine32:i386
 xvfb xauth x11-apps imagemagick
 googletest libbenchmark-dev
 sox python3 locales
 dpkg-dev lintian debootstrap
 ladspa-sdk tap-plugins swh-plugins caps
 lv2-dev lilv-utils lv2file sordi
 libx11-dev jalv libsuil-0-0 jackd2 xdotool ardour qtractor
 juce-modules-source-data"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
