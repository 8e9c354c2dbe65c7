#!/bin/sh
# Two releases of the same commit, each made from a clean clone in a folder
# of its own (their paths differ, even in length), hold the same bytes.
# Takes minutes: each clone builds the plug-ins of three trees from nothing.
# Usage: builds-are-reproducible.sh [WORK_FOLDER]   (default build/reproducibility)
set -eu
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=${1:-$repo/build/reproducibility}
commit=$(git -C "$repo" rev-parse HEAD)
started=$(date +%s)

rm -rf "$work"
for clone in first second-clone; do
    echo "== the release of $commit in $work/$clone"
    git clone -q --no-hardlinks "$repo" "$work/$clone"
    git -C "$work/$clone" checkout -q "$commit"
    (cd "$work/$clone" && env -u SOURCE_DATE_EPOCH tools/release/make-release.sh >"$work/$clone.log" 2>&1) ||
        { tail -n 30 "$work/$clone.log"; echo "FAIL: the release failed in $work/$clone"; exit 1; }
done

if diff -r "$work/first/build/release" "$work/second-clone/build/release"; then
    cat "$work/first/build/release/SHA256SUMS"
    rm -rf "$work"
    echo "two clean builds gave the same bytes, in $(($(date +%s) - started)) s"
else
    echo "FAIL: the packages differ; the clones stay in $work (diffoscope compares packages member by member)"
    exit 1
fi
