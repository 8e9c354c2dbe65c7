#!/bin/sh
# Removes what install.sh installed from this folder, from ~/.lv2, ~/.lxvst,
# ~/.vst3 and ~/.clap or, given the same PREFIX, from PREFIX/lib/lv2,
# PREFIX/lib/lxvst, PREFIX/lib/vst3 and PREFIX/lib/clap: the files, their folders left empty after that, and
# a plug-in folder that install.sh made.  Other files there stay, whoever
# put them there, and so does a plug-in folder the user made.
# Usage: ./uninstall.sh [PREFIX]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
case $# in
0) prefix= ;;
1) prefix=$1 ;;
*) echo "usage: $0 [PREFIX]" >&2; exit 2 ;;
esac

for format in lv2 lxvst vst3 clap; do
    [ -d "$here/$format" ] || continue
    if [ -n "$prefix" ]; then target=$prefix/lib/$format; else target=${HOME:?}/.$format; fi
    [ -d "$target" ] || continue
    (cd "$here/$format" && find . -type f) | while read -r file; do
        rm -f "$target/${file#./}"
    done
    # Deepest first, so that a bundle goes once its folders are empty.
    (cd "$here/$format" && find . -mindepth 1 -type d | sort -r) | while read -r folder; do
        rmdir "$target/${folder#./}" 2>/dev/null || true
    done
    if [ -e "$target/.velorin2-made-this-folder" ]; then
        rm -f "$target/.velorin2-made-this-folder"
        rmdir "$target" 2>/dev/null || true
    fi
    echo "removed from $target: $(cd "$here/$format" && ls | tr '\n' ' ')"
done
