#!/bin/sh
# Qtractor's own plug-in scanner lists the CLAP module as Qtractor will
# offer it: named "Velorin 2", 2 audio inputs and 2 outputs, no MIDI, 9
# parameters a host may set and none it only reads, an editor (GUI) and a
# state of its own (EXT), fit for real-time use (RT).  The scanner reads
# "CLAP:FILE" lines on standard input and prints one line per plug-in:
#   CLAP|name|audio in:out|midi in:out|controls in:out|flags|file|index|id
# Usage: qtractor-scans-the-plugin.sh SCANNER MODULE
set -eu
scanner=$1
module=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
# The scanner keeps nothing, but Qt may want a home to write to.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
listed=$(echo "CLAP:$module" | HOME=$home QT_QPA_PLATFORM=offscreen timeout 60 "$scanner" 2>"$home/errors") || {
    echo "FAIL: the scanner failed:"; cat "$home/errors"; exit 1; }
echo "$listed"
expected="CLAP|Velorin 2|2:2|0:0|9:0|GUI,EXT,RT|$module|0|"
case "$listed" in
"$expected"0x*) echo "Qtractor lists the plug-in" ;;
*) echo "FAIL: expected a line starting $expected"; exit 1 ;;
esac
