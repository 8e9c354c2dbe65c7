#!/bin/sh
# Inspects the compiled frame loops of the chorus: every function in the
# object's section .text.chorus_frames (ChorusProcessing.cpp puts the loops
# there, and the ring's silencing).  The loops call no function (no floor, lrint or
# other library call, and no helper left out of line), switch neither the
# x87 control word nor the MXCSR (no fldcw or ldmxcsr per float-to-int
# conversion: the block sets the rounding once), use no x87 instruction (the
# loops compute in SSE registers; an x87 operation would round differently
# or cost a store and reload), take no more than 8 KiB of stack, and there
# is exactly one loop of each kind per voice count and delivery.
# Usage: check-frame-loops.sh OBJDUMP OBJECT...
set -eu
objdump=$1
shift
object=
for candidate in "$@"; do
    case "$candidate" in *ChorusProcessing.cpp.o|*ChorusProcessing.cpp.obj) object=$candidate ;; esac
done
[ -n "$object" ] || { echo "no ChorusProcessing object among: $*"; exit 1; }

listing=$(mktemp)
trap 'rm -f "$listing"' EXIT
"$objdump" -d -C --no-show-raw-insn -j .text.chorus_frames "$object" >"$listing" 2>/dev/null || true

failures=0
loops=0
for kind in inOrder pipelined; do
    for voices in OneVoice TwoVoices FourVoices; do
        for delivery in Adding Replacing; do
            name="::$kind$voices$delivery("
            # The instructions alone, without their addresses (an address
            # such as fadd would read as an x87 mnemonic).
            body=$(awk -v n="$name" 'index($0, n) && /:$/ {on=1; next} on && /^$/ {on=0} on' "$listing" |
                sed 's/^ *[0-9a-f]*:[[:space:]]*//')
            if [ -z "$body" ]; then
                echo "FAIL: no frame loop $kind$voices$delivery in .text.chorus_frames"
                failures=$((failures + 1))
                continue
            fi
            loops=$((loops + 1))
            if printf '%s\n' "$body" | grep -qE '^call'; then
                echo "FAIL: $kind$voices$delivery calls a function:"
                printf '%s\n' "$body" | grep -E '^call'
                failures=$((failures + 1))
            fi
            if printf '%s\n' "$body" | grep -qE '^(fldcw|fnstcw|fstcw|ldmxcsr|stmxcsr)'; then
                echo "FAIL: $kind$voices$delivery switches the control word or the MXCSR"
                failures=$((failures + 1))
            fi
            x87=$(printf '%s\n' "$body" | grep -E '^f(ld|st|ist|ild|add|sub|mul|div|xch|com|ucom|chs|abs|nst)[a-z0-9]*\b' || true)
            if [ -n "$x87" ]; then
                echo "FAIL: $kind$voices$delivery uses the x87:"
                printf '%s\n' "$x87" | head -5
                failures=$((failures + 1))
            fi
            # The stack a call takes: the loops' own frame, which must leave
            # most of the 16 KiB that a call may use to its callers.
            frame=$(printf '%s\n' "$body" | grep -m1 -E '^sub +\$0x[0-9a-f]+,%(e|r)sp' |
                sed -E 's/^sub +\$(0x[0-9a-f]+),.*/\1/' || true)
            frame=$((${frame:-0}))
            if [ "$frame" -gt 8192 ]; then
                echo "FAIL: $kind$voices$delivery takes $frame bytes of stack"
                failures=$((failures + 1))
            fi
            echo "$kind$voices$delivery: $(printf '%s\n' "$body" | wc -l) instructions, $frame bytes of stack"
        done
    done
done
# The ring's silencing, which the audio thread runs at the first block
# after a program or sample-rate change, calls nothing either (a loop that
# stores zeros is what the compiler likes to make a call of memset).
# Its code refers to nothing outside itself: a call, or a jump that ends it
# in memset, would need a relocation.
silencing=$("$objdump" -d -r -C --no-show-raw-insn -j .text.chorus_frames "$object" 2>/dev/null |
    awk 'index($0, "::silenceRing(") && /:$/ {on=1; next} on && /^$/ {on=0} on')
if [ -z "$silencing" ]; then
    echo "FAIL: no silenceRing in .text.chorus_frames"
    failures=$((failures + 1))
elif printf '%s\n' "$silencing" | grep -qE 'R_(X86_64|386)_|IMAGE_REL_'; then
    echo "FAIL: silenceRing calls a function:"
    printf '%s\n' "$silencing" | grep -E 'R_(X86_64|386)_|IMAGE_REL_'
    failures=$((failures + 1))
else
    echo "silenceRing: $(printf '%s\n' "$silencing" | wc -l) instructions, no call"
fi
# Nothing else in the section: every function there is one of the loops,
# or the silencing.
functions=$(grep -cE '>:$' "$listing" || true)
if [ "$functions" -ne "$((loops + 1))" ]; then
    echo "FAIL: .text.chorus_frames holds $functions functions, $loops of them frame loops"
    failures=$((failures + 1))
fi
echo "$loops passed, $failures failed"
[ "$failures" -eq 0 ]
