#!/bin/sh
# Installs the plug-ins of this folder: for yourself into ~/.lv2, ~/.lxvst,
# ~/.vst3 and ~/.clap, where hosts look for a user's plug-ins, or, given a
# PREFIX, into PREFIX/lib/lv2, PREFIX/lib/lxvst, PREFIX/lib/vst3 and
# PREFIX/lib/clap (/usr/local, as root, for every user).  Each file is copied beside its place and renamed
# onto it, so a host that has an older version loaded keeps running that.
# Usage: ./install.sh [PREFIX]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
made_here=.velorin2-made-this-folder
case $# in
0) prefix= ;;
1) mkdir -p "$1" && prefix=$(cd "$1" && pwd) ;;
*) echo "usage: $0 [PREFIX]" >&2; exit 2 ;;
esac

for format in lv2 lxvst vst3 clap; do
    [ -d "$here/$format" ] || continue
    if [ -n "$prefix" ]; then target=$prefix/lib/$format; else target=${HOME:?}/.$format; fi
    # A plug-in folder made here is marked as ours, so that uninstalling
    # takes it away again, and only then.
    if [ ! -d "$target" ]; then
        mkdir -p "$target"
        : >"$target/$made_here"
    fi
    (cd "$here/$format" && find . -type f | sort) | while read -r file; do
        file=${file#./}
        mkdir -p "$(dirname "$target/$file")"
        cp "$here/$format/$file" "$target/$file.installing"
        mv -f "$target/$file.installing" "$target/$file"
    done
    echo "installed into $target: $(cd "$here/$format" && ls | tr '\n' ' ')"
done
