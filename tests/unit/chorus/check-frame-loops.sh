#!/bin/sh
# Inspects the compiled frame loops of the chorus (ChorusProcessing.cpp's
# object file): the loops call no function (no floor, lrint or other library
# call), switch no control word (no fldcw per float-to-int conversion), and
# there is exactly one loop function per voice count and delivery.
# Usage: check-frame-loops.sh OBJDUMP OBJECT...
set -eu
objdump=$1
shift
object=
for candidate in "$@"; do
    case "$candidate" in *ChorusProcessing.cpp.o*|*ChorusProcessing.cpp.obj*) object=$candidate ;; esac
done
[ -n "$object" ] || { echo "no ChorusProcessing object among: $*"; exit 1; }

listing=$(mktemp)
trap 'rm -f "$listing"' EXIT
"$objdump" -d -C --no-show-raw-insn "$object" >"$listing"

failures=0
loops=0
for voices in OneVoice TwoVoices FourVoices; do
    for accumulate in true false; do
        name="frames${voices}<${accumulate}>"
        body=$(awk -v n="$name" 'index($0, n) && /:$/ {on=1; next} on && /^$/ {on=0} on' "$listing")
        if [ -z "$body" ]; then
            echo "FAIL: no frame loop $name"
            failures=$((failures + 1))
            continue
        fi
        loops=$((loops + 1))
        if printf '%s\n' "$body" | grep -qE '\bcall'; then
            echo "FAIL: $name calls a function:"
            printf '%s\n' "$body" | grep -E '\bcall'
            failures=$((failures + 1))
        fi
        if printf '%s\n' "$body" | grep -qE 'fldcw|fnstcw|fstcw'; then
            echo "FAIL: $name switches the control word"
            failures=$((failures + 1))
        fi
        echo "$name: $(printf '%s\n' "$body" | wc -l) instructions, $(printf '%s\n' "$body" | grep -cE 'fistp') truncations"
    done
done
echo "$loops passed, $failures failed"
[ "$failures" -eq 0 ]
