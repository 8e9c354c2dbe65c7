#!/bin/sh
# The deb as a user installs it, in a pristine Debian 12 (a minimal
# debootstrap root): `apt-get install ./velorin2_VERSION_amd64.deb` brings
# what its Depends names, which is all its libraries need; Debian's lv2ls
# lists the LV2 plug-in; Ardour finds the Linux VST on its own search path,
# in /usr/lib/lxvst, and the VST 3 in /usr/lib/vst3; the CLAP module is in
# /usr/lib/clap, where CLAP hosts look;
# and `apt-get purge` leaves none of its files behind.
#
# The minimal root and the packages downloaded into it are kept in
# CACHE_FOLDER (default /var/cache/velorin2/debian-bookworm, outside any
# clone, so that the test of a fresh clone on the same machine finds it),
# so that a second run needs neither debootstrap nor downloads; each run
# starts from a fresh copy.
# Removing the folder starts afresh, with Debian's current packages.
# Needs root (chroot), debootstrap, and Debian's package servers on the
# first run (and for packages not yet downloaded).
# Usage: deb-installs-in-debian.sh DEB [CACHE_FOLDER]
set -eu
deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
cache=${2:-/var/cache/velorin2/debian-bookworm}
mirror=http://deb.debian.org/debian

started=$(date +%s)
step() { echo "== $1 ($(($(date +%s) - started)) s)"; }
status=0
fail() { echo "FAIL: $*"; status=1; }

mkdir -p "$cache/archives"
cache=$(cd "$cache" && pwd)
if [ ! -d "$cache/base" ]; then
    step "making a minimal Debian 12 root with debootstrap (once)"
    rm -rf "$cache/base.new"
    debootstrap --variant=minbase bookworm "$cache/base.new" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
        { tail -n 20 "$cache/debootstrap.log"; exit 1; }
    cp /etc/resolv.conf "$cache/base.new/etc/resolv.conf"
    chroot "$cache/base.new" apt-get update -q >/dev/null
    mv "$cache/base.new" "$cache/base"
fi

root=$cache/root
rm -rf "$root"
cp -a "$cache/base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Packages fetched by earlier runs are not fetched again.
find "$cache/archives" -name '*.deb' -exec cp {} "$root/var/cache/apt/archives/" \;
keep_archives() { find "$root/var/cache/apt/archives" -name '*.deb' -exec cp -n {} "$cache/archives/" \;; }
in_root() { chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
cp "$deb" "$root/tmp/"
name=$(basename "$deb")

step "apt-get install ./$name"
in_root sh -c "cd /tmp && apt-get install -y -q ./$name" >"$cache/install.log" 2>&1 ||
    { tail -n 20 "$cache/install.log"; exit 1; }
grep -E '^(Setting up|The following NEW)' "$cache/install.log" | sed 's/^/   /'
# What the deb's Depends brought is all its libraries need.
for library in $(in_root dpkg -L velorin2 | grep -E '\.(so|clap)$'); do
    if in_root ldd "$library" | grep 'not found'; then fail "$library lacks libraries after the install"; fi
done

step "the hosts' tools: lilv-utils and Ardour"
in_root apt-get install -y -q --no-install-recommends lilv-utils ardour >"$cache/tools.log" 2>&1 ||
    { tail -n 20 "$cache/tools.log"; exit 1; }
keep_archives

step "lv2ls"
in_root lv2ls | grep -x 'urn:velorin:velorin2' || fail "lv2ls does not list urn:velorin:velorin2"

step "Ardour scans the plug-ins and lists what it finds on its own search paths"
# Headless, Ardour lists the plug-ins that its scanners cached and that it
# finds on its default VST 2 and VST 3 paths (no LXVST_PATH or VST3_PATH).
cat >"$root/tmp/list.lua" <<'LUA'
assert (create_session ("/tmp/ardour/session", "scan", 44100), "cannot create a session")
for p in ARDOUR.LuaAPI.list_plugins ():iter () do
    print ("found " .. ARDOUR.PluginType.name (p.type) .. " " .. p.name .. " " .. p.path)
end
print ("listed")
LUA
in_root env HOME=/tmp/ardour LD_LIBRARY_PATH=/usr/lib/ardour7 sh -c '
    /usr/lib/ardour7/ardour-vst-scanner -f /usr/lib/lxvst/Velorin2.so &&
    /usr/lib/ardour7/ardour-vst3-scanner -f /usr/lib/vst3/Velorin2.vst3' \
    >"$cache/scan.log" 2>&1 || { cat "$cache/scan.log"; fail "a scanner failed"; }
# Ardour 7.3's headless runs crash now and then on the way out; a run that
# listed what it found has told what it knows.
for _ in 1 2 3; do
    rm -rf "$root/tmp/ardour/session"
    in_root env HOME=/tmp/ardour ardour7-lua /tmp/list.lua >"$cache/list.log" 2>&1 || true
    ! grep -q '^listed$' "$cache/list.log" || break
done
grep -q '^listed$' "$cache/list.log" || { tail -n 20 "$cache/list.log"; fail "Ardour could not list its plug-ins"; }
grep '^found VST' "$cache/list.log" | sed 's/^/   /'
grep -q '^found VST2 Velorin2 /usr/lib/lxvst/Velorin2.so$' "$cache/list.log" ||
    fail "Ardour does not find the Linux VST in /usr/lib/lxvst"
grep -q '^found VST3 .* /usr/lib/vst3/Velorin2.vst3' "$cache/list.log" ||
    fail "Ardour does not find the VST 3 plug-in in /usr/lib/vst3"

in_root dpkg -L velorin2 | grep -qx /usr/lib/clap/Velorin2.clap || fail "the CLAP module is not in /usr/lib/clap"

step "apt-get purge velorin2"
in_root apt-get purge -y -q velorin2 >"$cache/purge.log" 2>&1 || { tail -n 20 "$cache/purge.log"; exit 1; }
# Every file and folder of the package is gone, except folders that other
# installed packages own too.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep . | while read -r path; do
    if [ -e "$root$path" ] || [ -L "$root$path" ]; then
        if [ -d "$root$path" ] && in_root dpkg -S "$path" >/dev/null 2>&1; then continue; fi
        echo "FAIL: $path is left after the purge"
    fi
done | tee "$cache/left" | grep . && status=1

rm -rf "$root"
if [ "$status" -eq 0 ]; then
    step "done: the deb installs, the hosts find it, and it purges without a trace"
else
    step "done, with failures (see above)"
fi
exit $status
