#!/bin/sh
# The demo: builds the plug-in and the renderer for 32- and 64-bit Windows
# and the LV2 plug-in and the Linux VST, shows the plug-in's parameter
# table, renders the demo clip through four contrasting settings with both
# DLLs under Wine, through the LV2 bundle with Debian's lv2apply and through
# the Linux VST, the VST 3 bundle and the CLAP module, checks that all six
# agree to the bit, and draws spectrograms of the dry clip against each
# render.  Everything lands in build/demo.
set -eu
cd "$(dirname "$0")/../.."
root=$(pwd)
tools/install-dependencies.sh

echo "== Building the 32-bit plug-in and renderer (build/win32)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Velorin2 velorin-render EditorScreenshot wine-prefix
echo "== Building the 64-bit plug-in and renderer (build/win64)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Velorin2 velorin-render wine-prefix
echo "== Building the LV2 plug-in, its UI, the Linux VST, the VST 3 bundle and the CLAP module (build/native)"
cmake --preset native >/dev/null
cmake --build --preset native --target velorin2_lv2 velorin2_ui Velorin2_lxvst Velorin2_vst3 Velorin2_clap \
    velorin-lxvst-render

bin="$root/build/win32/bin"
bin64="$root/build/win64/bin"
out="$root/build/demo"
clip="$root/tools/demo/guitar-chords.wav"
mkdir -p "$out"
rm -f "$out"/*.wav "$out"/*.png "$out/differences"

# The renderer is a Windows console program: it runs in the build's own
# Wine prefix (32-bit for build/win32, 64-bit for build/win64).  Its
# progress indicator is for terminals only.
render() { "$root/cmake/wine-run.sh" "$bin/velorin-render.exe" "$@"; }
render64() { "$root/cmake/wine-run.sh" "$bin64/velorin-render.exe" "$@"; }

echo
echo "== The plug-in as a host sees it"
render --list

# name | title | renderer options (0-to-1 values) | the same as LV2 controls
settings='default|Default program: 2 voices, 0.3 Hz, depth 15 %, high-pass at 80 Hz||
four-voices-deep-slow|4 voices, deep slow sweep (0.2 Hz, depth 50 %, 10 ms predelay)|--set Voices=1 --set Rate=0.025 --set Depth=0.5 --set Predelay=0.1 --set Wet=0.6|voices=4 rate=0.1975 depth=50 predelay=10 wet=0.6
highpass-reversed|High-pass at 1.7 kHz, reversed phase, 2 voices at 1.3 Hz|--set Filter=1 --set Cutoff=0.1 --set Phase=1 --set Rate=0.3 --set Depth=0.3 --set Wet=0.7|filter=1 cutoff=1672 phase=1 rate=1.27 depth=30 wet=0.7
vibrato-lowpass|Wet only: 1 voice at 2 Hz through a 2.5 kHz low-pass (vibrato)|--set Filter=0 --set Cutoff=0.15 --set Voices=0 --set Rate=0.5 --set Depth=0.3 --set Predelay=0 --set Dry=0 --set Wet=1|filter=0 cutoff=2468 voices=1 rate=2.05 depth=30 predelay=0 dry=0 wet=1'

# The LV2 bundle as hosts find it; lv2apply writes what it reads, so both
# plug-ins get the clip as 32-bit float (exactly the 16-bit samples).
export LV2_PATH="$root/build/native/lib/lv2"
float_clip="$out/clip-float.wav"
lv2_render() {  # controls, output
    args=
    for setting in $1; do args="$args -c ${setting%%=*} ${setting#*=}"; done
    # shellcheck disable=SC2086
    lv2apply -i "$float_clip" -o "$2" $args urn:velorin:velorin2 >/dev/null
}

# The Linux VST through its entry point, as a Linux host loads it.
lxvst_render() {  # renderer options, output
    # shellcheck disable=SC2086
    "$root/build/native/bin/velorin-lxvst-render" "$root/build/native/lib/lxvst/Velorin2.so" 512 "$float_clip" "$2" $1
}

# The VST 3 bundle, the values handed to its processor with the first block.
vst3_render() {  # renderer options, output
    # shellcheck disable=SC2086
    "$root/build/native/bin/velorin-lxvst-render" "$root/build/native/lib/vst3/Velorin2.vst3" 512 "$float_clip" "$2" $1
}

# The CLAP module, the values handed to the plug-in with the first block.
clap_render() {  # renderer options, output
    # shellcheck disable=SC2086
    "$root/build/native/bin/velorin-lxvst-render" "$root/build/native/lib/clap/Velorin2.clap" 512 "$float_clip" "$2" $1
}

# Whether two WAV files hold the same samples, bit for bit.
same_samples() { python3 "$root/tools/same-samples.py" "$1" "$2" >/dev/null 2>&1; }

# A stereo spectrogram of the band where the guitar is (0 to 8 kHz).
spectrogram() {
    sox "$1" -n rate 16k spectrogram -x 900 -y 160 -z 100 -t "$2" -o "$3"
}

echo
echo "== Rendering $(basename "$clip") ($(soxi -D "$clip") s)"
cp "$clip" "$out/00-dry.wav"
sox "$clip" -e floating-point -b 32 "$float_clip"
spectrogram "$clip" "Dry: the demo clip" "$out/00-dry.png"
n=0
echo "$settings" | while IFS='|' read -r name title options controls; do
    n=$((n + 1))
    wav="$out/0$n-$name.wav"
    echo
    echo "-- $title"
    # shellcheck disable=SC2086
    render $options "$float_clip" "$wav"
    sox "$wav" -n stat 2>&1 | grep -E "Maximum amplitude|Minimum amplitude|RMS +amplitude" | sed 's/^/   /'
    # shellcheck disable=SC2086
    render64 --quiet $options "$float_clip" "$out/win64-0$n-$name.wav"
    if same_samples "$wav" "$out/win64-0$n-$name.wav"; then
        echo "   64-bit DLL: the same samples, bit for bit"
    else
        echo "   64-bit DLL: DIFFERENT from the 32-bit DLL's render"
        echo "64-bit DLL, $name" >>"$out/differences"
    fi
    lv2_render "$controls" "$out/lv2-0$n-$name.wav"
    if same_samples "$wav" "$out/lv2-0$n-$name.wav"; then
        echo "   LV2 (lv2apply ${controls:-with its defaults}): the same samples, bit for bit"
    else
        echo "   LV2 (lv2apply ${controls:-with its defaults}): DIFFERENT from the DLL's render"
        echo "LV2, $name" >>"$out/differences"
    fi
    lxvst_render "$options" "$out/lxvst-0$n-$name.wav"
    if same_samples "$wav" "$out/lxvst-0$n-$name.wav"; then
        echo "   Linux VST: the same samples, bit for bit"
    else
        echo "   Linux VST: DIFFERENT from the DLL's render"
        echo "Linux VST, $name" >>"$out/differences"
    fi
    vst3_render "$options" "$out/vst3-0$n-$name.wav"
    if same_samples "$wav" "$out/vst3-0$n-$name.wav"; then
        echo "   VST 3: the same samples, bit for bit"
    else
        echo "   VST 3: DIFFERENT from the DLL's render"
        echo "VST 3, $name" >>"$out/differences"
    fi
    clap_render "$options" "$out/clap-0$n-$name.wav"
    if same_samples "$wav" "$out/clap-0$n-$name.wav"; then
        echo "   CLAP: the same samples, bit for bit"
    else
        echo "   CLAP: DIFFERENT from the DLL's render"
        echo "CLAP, $name" >>"$out/differences"
    fi
    spectrogram "$wav" "$title" "$out/0$n-$name.png"
    # Dry above, wet below, one picture per setting.
    montage "$out/00-dry.png" "$out/0$n-$name.png" -tile 1x2 -geometry +0+4 -background black \
        "$out/dry-vs-$name.png"
done

if [ -f "$out/differences" ]; then
    echo "Renders that differ from the 32-bit DLL's:" >&2
    sed 's/^/  /' "$out/differences" >&2
    exit 1
fi

# Each renderer loads only DLLs of its own bitness, as every host does.
echo
echo "== The 32-bit renderer given the 64-bit DLL"
render --plugin "$bin64/Velorin2.dll" --list || true

# All of them in one overview.
# shellcheck disable=SC2046
montage "$out/00-dry.png" $(ls "$out"/0[1-9]-*.png) -tile 1x -geometry +0+4 -background black \
    "$out/overview.png"

# The editor as the DLL just built shows it, opened by a test host on a
# virtual display; the committed screenshot stands in if that fails.
if "$root/cmake/wine-run.sh" "$bin/EditorScreenshot.exe" "$out/editor.bmp" >/dev/null 2>&1 &&
    python3 tools/skin/bmp_to_png.py "$out/editor.bmp" "$out/editor.png"; then
    rm -f "$out/editor.bmp"
elif [ -f docs/editor.png ]; then
    cp docs/editor.png "$out/editor.png"
fi

echo
echo "== Done"
echo "Plug-in DLLs: $bin/Velorin2.dll    (32-bit, for 32-bit hosts)"
echo "              $bin64/Velorin2.dll    (64-bit, for 64-bit hosts; its renders: $out/win64-0*.wav, the same bits)"
echo "LV2 bundle:   $root/build/native/lib/lv2/velorin2.lv2  (with its editor; its renders: $out/lv2-0*.wav, the same bits)"
echo "Linux VST:    $root/build/native/lib/lxvst/Velorin2.so  (with its editor; its renders: $out/lxvst-0*.wav, the same bits)"
echo "VST 3 bundle: $root/build/native/lib/vst3/Velorin2.vst3  (with its editor; its renders: $out/vst3-0*.wav, the same bits)"
echo "CLAP module:  $root/build/native/lib/clap/Velorin2.clap  (with its editor; its renders: $out/clap-0*.wav, the same bits)"
echo "Renderers:    $bin/velorin-render.exe and $bin64/velorin-render.exe"
echo "              (run one as: cmake/wine-run.sh $bin/velorin-render.exe --help)"
echo "Sounds:       $out/00-dry.wav and the renders:"
ls "$out"/0[1-9]-*.wav | sed 's/^/                /'
echo "Pictures:     $out/overview.png (dry, then every render), dry against each render:"
ls "$out"/dry-vs-*.png | sed 's/^/                /'
if [ -f "$out/editor.png" ]; then
    echo "Editor:       $out/editor.png"
fi
