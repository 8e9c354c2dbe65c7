#!/bin/sh
# The tarball's install.sh and uninstall.sh as a user runs them, in a
# temporary home: installing puts the plug-ins where hosts look (an LV2 host
# lists it), installing again replaces each file by a new one rather than
# writing into the one a host may have loaded, and uninstalling leaves the
# home as it was, another bundle in ~/.lv2 and an empty ~/.vst3 of the
# user's included.  The same with a
# prefix.
# Usage: check-tarball-scripts.sh TARBALL
set -eu
tarball=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

tar -C "$work" -xzf "$tarball"
package=$(echo "$work"/velorin2-*)
home=$work/home
mkdir -p "$home/.lv2/other.lv2" "$home/.vst3"
echo "@prefix lv2: <http://lv2plug.in/ns/lv2core#> ." >"$home/.lv2/other.lv2/manifest.ttl"
listing() { (cd "$1" && find . | sort); }
listing "$home" >"$work/before"

# What installing must give, file for file: each format's folder of the
# package as TARGET_START followed by the format's name (~/.lv2, lib/lv2).
# Usage: installed LABEL TARGET_START
installed() {
    for format in lv2 lxvst vst3 clap; do
        [ -d "$package/$format" ] || continue
        (cd "$package/$format" && find . -type f) | while read -r file; do
            cmp -s "$package/$format/$file" "$2$format/$file" || echo "missing or different: $2$format/${file#./}"
        done
    done | sed "s|^|FAIL ($1): |"
}

echo "== into a home"
(cd "$work" && HOME=$home "$package/install.sh")
missing=$(installed home "$home/.")
[ -z "$missing" ] || { echo "$missing"; status=1; }
LV2_PATH=$home/.lv2 lv2ls | grep -qx 'urn:velorin:velorin2' || fail "an LV2 host does not find the plug-in in ~/.lv2"
inode=$(stat -c %i "$home/.lxvst/Velorin2.so")
HOME=$home "$package/install.sh" >/dev/null
[ "$(stat -c %i "$home/.lxvst/Velorin2.so")" != "$inode" ] ||
    fail "installing again wrote into the installed file instead of replacing it"
[ -z "$(find "$home" -name '*.installing')" ] || fail "installing left temporary files"
HOME=$home "$package/uninstall.sh"
listing "$home" >"$work/after"
diff -u "$work/before" "$work/after" | sed -n 's/^\([-+][^-+]\)/FAIL (home): \1/p' | grep . && status=1

echo "== into a prefix"
"$package/install.sh" "$work/prefix"
missing=$(installed prefix "$work/prefix/lib/")
[ -z "$missing" ] || { echo "$missing"; status=1; }
"$package/uninstall.sh" "$work/prefix"
left=$(find "$work/prefix" -mindepth 1 -not -path "$work/prefix/lib")
[ -z "$left" ] || fail "uninstalling left $left"

[ "$status" -eq 0 ] && echo "install.sh and uninstall.sh do what they should"
exit $status
