#!/bin/sh
# The demo: builds the plug-in and the renderer for 32-bit Windows, shows
# the plug-in's parameter table, renders the demo clip through four
# contrasting settings under Wine, and draws spectrograms of the dry clip
# against each render.  Everything lands in build/demo.
set -eu
cd "$(dirname "$0")/../.."
root=$(pwd)
tools/install-dependencies.sh

echo "== Building the plug-in and the renderer (build/win32)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Velorin2 velorin-render EditorScreenshot wine-prefix

bin="$root/build/win32/bin"
out="$root/build/demo"
clip="$root/tools/demo/guitar-chords.wav"
mkdir -p "$out"
rm -f "$out"/*.wav "$out"/*.png

# The renderer is a Windows console program: it runs in the build's own
# Wine prefix.  Its progress indicator is for terminals only.
render() { "$root/cmake/wine-run.sh" "$bin/velorin-render.exe" "$@"; }

echo
echo "== The plug-in as a host sees it"
render --list

# name | title | options
settings='default|Default program: 2 voices, 0.3 Hz, depth 15 %, high-pass at 80 Hz|
four-voices-deep-slow|4 voices, deep slow sweep (0.2 Hz, depth 50 %, 10 ms predelay)|--set Voices=1 --set Rate=0.025 --set Depth=0.5 --set Predelay=0.1 --set Wet=0.6
highpass-reversed|High-pass at 1.7 kHz, reversed phase, 2 voices at 1.3 Hz|--set Filter=1 --set Cutoff=0.1 --set Phase=1 --set Rate=0.3 --set Depth=0.3 --set Wet=0.7
vibrato-lowpass|Wet only: 1 voice at 2 Hz through a 2.5 kHz low-pass (vibrato)|--set Filter=0 --set Cutoff=0.15 --set Voices=0 --set Rate=0.5 --set Depth=0.3 --set Predelay=0 --set Dry=0 --set Wet=1'

# A stereo spectrogram of the band where the guitar is (0 to 8 kHz).
spectrogram() {
    sox "$1" -n rate 16k spectrogram -x 900 -y 160 -z 100 -t "$2" -o "$3"
}

echo
echo "== Rendering $(basename "$clip") ($(soxi -D "$clip") s)"
cp "$clip" "$out/00-dry.wav"
spectrogram "$clip" "Dry: the demo clip" "$out/00-dry.png"
n=0
echo "$settings" | while IFS='|' read -r name title options; do
    n=$((n + 1))
    wav="$out/0$n-$name.wav"
    echo
    echo "-- $title"
    # shellcheck disable=SC2086
    render $options "$clip" "$wav"
    sox "$wav" -n stat 2>&1 | grep -E "Maximum amplitude|Minimum amplitude|RMS +amplitude" | sed 's/^/   /'
    spectrogram "$wav" "$title" "$out/0$n-$name.png"
    # Dry above, wet below, one picture per setting.
    montage "$out/00-dry.png" "$out/0$n-$name.png" -tile 1x2 -geometry +0+4 -background black \
        "$out/dry-vs-$name.png"
done

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
echo "Plug-in DLL:  $bin/Velorin2.dll"
echo "Renderer:     $bin/velorin-render.exe  (run it as: cmake/wine-run.sh $bin/velorin-render.exe --help)"
echo "Sounds:       $out/00-dry.wav and the renders:"
ls "$out"/0[1-9]-*.wav | sed 's/^/                /'
echo "Pictures:     $out/overview.png (dry, then every render), dry against each render:"
ls "$out"/dry-vs-*.png | sed 's/^/                /'
if [ -f "$out/editor.png" ]; then
    echo "Editor:       $out/editor.png"
fi
