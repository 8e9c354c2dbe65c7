#!/bin/sh
# Real LV2 hosts from Debian, lv2apply and lv2file, render WAV files through
# the bundle, and the Linux VST renders them through its entry point as a
# host does; every output must hold exactly the bits that the DLL gives for
# the same 0-to-1 values, rendered by the project's renderer under Wine
# (each Windows build runs this with its own DLL, 32- or 64-bit).  The
# cases: the defaults, every voice count, both filters, reversed phase,
# extreme values, 22.05 to 96 kHz, and block sizes from 1 to 4096 frames
# (lv2apply runs its own blocks; lv2file takes -b; the Linux VST runs the
# DLL renderer's 512).
#
# Usage: hosts-match-the-dll.sh LV2_DIR PORT_VALUES RENDERER WINE_RUN WORK_DIR [LXVST LXVST_RENDER]
#   LV2_DIR       the folder holding velorin2.lv2 (for LV2_PATH)
#   PORT_VALUES   velorin2-port-values of the native build
#   RENDERER      velorin-render.exe of the Windows build
#   WINE_RUN      cmake/wine-run.sh
#   LXVST         the native build's Velorin2.so
#   LXVST_RENDER  velorin-lxvst-render of the native build
set -eu
lv2_dir=$1 port_values=$2 renderer=$3 wine_run=$4 work=$5 lxvst=${6:-} lxvst_render=${7:-}
uri=urn:velorin:velorin2
[ -f "$lv2_dir/velorin2.lv2/velorin2.so" ] || {
    echo "no LV2 bundle in $lv2_dir: build the native preset first"
    exit 1
}
mkdir -p "$work"
lv2_dir=$(cd "$lv2_dir" && pwd)  # hosts want an absolute path
export LV2_PATH="$lv2_dir"

# The sample data of two WAV files, compared byte for byte.
same_samples() { python3 "$(dirname "$0")/../../tools/same-samples.py" "$1" "$2"; }

# Two seconds of stereo: different sines per channel under quiet noise,
# as 32-bit float so that no host converts the samples.
input_at() {
    file="$work/input-$1.wav"
    [ -f "$file" ] || sox -n -r "$1" -c 2 -e floating-point -b 32 "$file" synth 2 sine 220 sine 331 \
        synth 2 whitenoise mix vol 0.45
    echo "$file"
}

failures=0
cases=0
# Prints whether a render holds the DLL's samples, and counts it if not.
verdict() {  # dll render, render, what to print before the verdict
    if message=$(same_samples "$1" "$2" 2>&1); then
        echo "$3 identical"
    else
        echo "$3 DIFFERENT ($message)"
        failures=$((failures + 1))
    fi
}
# rate | LV2 controls (symbol=value) | lv2file block sizes
while IFS='|' read -r rate controls blocks; do
    [ -n "$rate" ] || continue
    cases=$((cases + 1))
    input=$(input_at "$rate")
    name=$(echo "$rate $controls" | sed 's/ /_/g; s/=/-/g; s/\./p/g')
    # shellcheck disable=SC2086
    options=$("$port_values" $controls)
    # shellcheck disable=SC2086
    "$wine_run" "$renderer" --quiet $options "$input" "$work/$name-dll.wav" >/dev/null
    control_args=
    file_args=
    for setting in $controls; do
        control_args="$control_args -c ${setting%%=*} ${setting#*=}"
        file_args="$file_args -p ${setting%%=*}:${setting#*=}"
    done
    # shellcheck disable=SC2086
    lv2apply -i "$input" -o "$work/$name-lv2apply.wav" $control_args "$uri" >/dev/null
    verdict "$work/$name-dll.wav" "$work/$name-lv2apply.wav" "$rate Hz, ${controls:-defaults}: lv2apply"
    if [ -n "$lxvst" ]; then
        # shellcheck disable=SC2086
        "$lxvst_render" "$lxvst" 512 "$input" "$work/$name-lxvst.wav" $options
        verdict "$work/$name-dll.wav" "$work/$name-lxvst.wav" "    Linux VST:"
    fi
    for block in $blocks; do
        # shellcheck disable=SC2086
        lv2file -i "$input" -o "$work/$name-lv2file-$block.wav" -b "$block" --ignore-clipping $file_args "$uri" \
            >/dev/null 2>&1
        verdict "$work/$name-dll.wav" "$work/$name-lv2file-$block.wav" "    lv2file, blocks of $block:"
    done
done <<'CASES'
44100||1 512 4096
44100|voices=1|333
44100|voices=4 depth=60|1031
44100|filter=0 cutoff=1672 phase=1|64
44100|filter=1 cutoff=16000 voices=4 phase=1 dry=0 wet=1|700
44100|rate=0.1 depth=100 predelay=100 voices=4|4096
44100|rate=4 depth=100 predelay=0 dry=1 wet=1|17
44100|rate=2.05 depth=30 predelay=0 filter=0 cutoff=2468 voices=1 dry=0 wet=1|256
22050|cutoff=16000 voices=4|1000
48000|rate=1.27 depth=30 filter=1 cutoff=1672 phase=1 wet=0.7|512
96000|voices=4 depth=50 predelay=50 rate=0.5|2048
CASES
echo "$cases cases, $failures difference(s)"
[ "$failures" -eq 0 ]
