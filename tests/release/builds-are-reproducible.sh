#!/bin/sh
# Two releases of the same commit, each made from a clean clone in a folder
# of its own (their paths differ, even in length), hold the same bytes:
# packages, binaries and all.  Takes minutes: each clone builds the plug-ins
# of three trees from nothing.
# Usage: builds-are-reproducible.sh [WORK_FOLDER]   (default build/reproducibility)
set -eu
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=${1:-$repo/build/reproducibility}
commit=$(git -C "$repo" rev-parse HEAD)
started=$(date +%s)

rm -rf "$work"
mkdir -p "$work"
for clone in first second-clone; do
    echo "== release of $commit in $work/$clone"
    git clone -q --no-hardlinks "$repo" "$work/$clone"
    git -C "$work/$clone" checkout -q "$commit"
    (cd "$work/$clone" && env -u SOURCE_DATE_EPOCH tools/release/make-release.sh >"$work/$clone.log" 2>&1) ||
        { tail -n 30 "$work/$clone.log"; echo "FAIL: the release failed in $work/$clone"; exit 1; }
    echo "   $(($(date +%s) - started)) s"
done

status=0
for package in $(cd "$work/first/build/release" && ls); do
    if cmp -s "$work/first/build/release/$package" "$work/second-clone/build/release/$package"; then
        echo "same bytes: $package"
    else
        echo "FAIL: $package differs"
        status=1
    fi
done
[ "$(ls "$work/first/build/release" | wc -l)" -gt 0 ] || { echo "FAIL: no packages"; status=1; }
if [ "$status" -eq 0 ]; then
    cat "$work/first/build/release/SHA256SUMS"
    rm -rf "$work"
    echo "two clean builds gave the same packages, in $(($(date +%s) - started)) s"
else
    echo "the clones stay in $work for a look (diffoscope compares packages member by member)"
fi
exit $status
