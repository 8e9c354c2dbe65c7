#!/bin/sh
# Makes the demo clip, guitar-chords.wav: four strummed chords of plucked
# strings (A minor, F, C, G), low strings panned left and high strings
# right, with a little room reverb and a fade.  44.1 kHz, 16-bit stereo.
# The clip is committed; this script documents how it was made.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# chord NAME SECONDS NOTE...: one strummed chord of up to six strings,
# damped at its end as the next strum does it.
chord() {
    name=$1; length=$2; shift 2
    n=$#
    tones=""
    for note in "$@"; do tones="$tones pluck $note"; done
    # A down-strum: each string a little later than the one below it.
    delays=""
    i=0
    while [ $i -lt $n ]; do delays="$delays $(awk "BEGIN { print $i * 0.014 }")"; i=$((i + 1)); done
    # Pan: string k of n goes from left (k = 1) to right (k = n).
    left=""; right=""
    k=1
    for _ in "$@"; do
        l=$(awk "BEGIN { printf \"%.3f\", 0.9 - 0.7 * ($k - 1) / ($n - 1) }")
        r=$(awk "BEGIN { printf \"%.3f\", 0.2 + 0.7 * ($k - 1) / ($n - 1) }")
        left="$left${left:+,}${k}v$l"
        right="$right${right:+,}${k}v$r"
        k=$((k + 1))
    done
    # shellcheck disable=SC2086
    sox -R -r 44100 -c "$n" -n "$work/$name.wav" synth "$length" $tones delay $delays \
        trim 0 "$length" fade t 0 "$length" 0.04 remix "$left" "$right"
}

chord 1-am 1.25 A2 E3 A3 C4 E4
chord 2-f 1.25 F2 C3 F3 A3 C4 F4
chord 3-c 1.25 C3 E3 G3 C4 E4
chord 4-g 2.05 G2 B2 D3 G3 B3 G4

sox -R "$work"/1-am.wav "$work"/2-f.wav "$work"/3-c.wav "$work"/4-g.wav "$work/strums.wav"
sox -R -D "$work/strums.wav" -b 16 guitar-chords.wav \
    reverb 30 50 60 50 10 fade t 0.005 5.8 0.8 gain -n -4
soxi guitar-chords.wav
