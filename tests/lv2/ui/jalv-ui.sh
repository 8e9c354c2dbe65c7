#!/bin/sh
# The LV2 UI in Debian's jalv.gtk3, which embeds X11 UIs in GTK 3 through
# suil, on a virtual display of this test's own with a dummy JACK server of
# its own.  It checks what a user sees and does:
#   - the UI at the default program is the Win32 editor's screenshot,
#     pixel for pixel outside the DATA box;
#   - two jalv processes, the second over part of the first: once it moves
#     away, the first has repainted what it uncovered, and both show the
#     picture;
#   - a drag on the Cutoff knob changes the DATA text and the cutoff the
#     plug-in runs with: a 1 kHz tone through the default high-pass at 80 Hz
#     loses its wet half when the drag takes the cutoff to 16 kHz;
#   - a clipping input (Dry and Wet dragged up, a full-scale tone) lights
#     the clip indicator, which goes dark once the input stops;
#   - jalv closes on SIGINT, the UI with it, and exits normally.
#
# Usage: jalv-ui.sh LV2_DIR REFERENCE_PNG WORK_DIR
set -eu
lv2_dir=$(cd "$1" && pwd)
reference=$2
work=$3
mkdir -p "$work"
export LV2_PATH="$lv2_dir"
uri=urn:velorin:velorin2

# A display number nobody uses; the server outlives its clients.
display_number=70
while [ -e "/tmp/.X$display_number-lock" ] || [ -e "/tmp/.X11-unix/X$display_number" ]; do
    display_number=$((display_number + 1))
done
export DISPLAY=":$display_number"
# The JACK registry has few server slots, and a killed server keeps its
# own: each run has its own name, and every server is stopped with TERM.
export JACK_DEFAULT_SERVER="velorin_ui_test_$$"

pids=""
cleanup() {
    for pid in $pids; do kill -INT "$pid" 2>/dev/null || true; done
    sleep 1
    for pid in $pids; do kill -TERM "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1280x1024x24 -noreset >"$work/xvfb.log" 2>&1 &
pids="$!"
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids="$! $pids"
for _ in $(seq 50); do
    if xdotool getdisplaygeometry >/dev/null 2>&1 && jack_lsp >/dev/null 2>&1; then break; fi
    sleep 0.2
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Starts jalv.gtk3 with the plug-in's UI; sets $window to its top-level.
start_jalv() {  # jack client name
    jalv.gtk3 --no-menu --jack-name "$1" "$uri" >"$work/jalv-$1.log" 2>&1 &
    pids="$! $pids"
    jalv_pid=$!
    window=
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --class jalv.gtk3 2>/dev/null | while read -r id; do
            [ "$(xdotool getwindowname "$id")" = "Velorin 2" ] && echo "$id"
        done | tail -n 1)
        [ -n "$window" ] && [ "$window" != "${2:-}" ] && break
        window=
        sleep 0.2
    done
    [ -n "$window" ] || {
        cat "$work/jalv-$1.log"
        fail "jalv shows no window for $1"
        exit 1
    }
    sleep 1  # the first idle calls paint and tick
}

# The window's client area, 300 x 200, as the screen shows it.
shot() {  # window, file
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xwd -root -silent | convert xwd:- -crop "300x200+$X+$Y" +repage "$2"
}

# Pixels that differ from the reference outside the DATA box.
differing() {  # file
    box="rectangle 204,177 286,188"
    convert "$1" -fill black -draw "$box" "$work/masked.png"
    convert "$reference" -fill black -draw "$box" "$work/reference-masked.png"
    compare -metric AE "$work/masked.png" "$work/reference-masked.png" null: 2>&1 || true
}

pixel() {  # file, x, y: "r,g,b"
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

green_pixels_in_data_box() {  # file
    convert "$1" -crop 83x12+204+177 +repage -fx "g>0.9 && r<0.1 ? 1 : 0" -format "%[fx:int(mean*w*h+0.5)]" info:
}

# The picture.
start_jalv first
first=$window
shot "$first" "$work/first.png"
d=$(differing "$work/first.png")
echo "first UI: $d pixels differ from the Win32 editor outside the DATA box"
[ "$d" = 0 ] || fail "the UI's picture is not the Win32 editor's"

# Two UIs, the second over part of the first, then moved away.
start_jalv second "$first"
second=$window
xdotool windowmove "$second" 150 100
sleep 0.5
xdotool windowmove "$second" 500 0
sleep 1
shot "$first" "$work/first-uncovered.png"
shot "$second" "$work/second.png"
d1=$(differing "$work/first-uncovered.png")
d2=$(differing "$work/second.png")
echo "after the overlap: $d1 and $d2 pixels differ"
[ "$d1" = 0 ] || fail "the first UI did not repaint what the second uncovered"
[ "$d2" = 0 ] || fail "the second UI's picture is not the editor's"
kill -INT "$(xdotool getwindowpid "$second")" 2>/dev/null || true

# The plug-in's output level for a 1 kHz tone, as RMS over one second.
jack_metro -n tone -b 600 -f 1000 -A 0.45 -D 90 >/dev/null 2>&1 &
pids="$! $pids"
tone_pid=$!
sleep 0.5
jack_connect tone:600_bpm first:in_left
jack_connect tone:600_bpm first:in_right
output_rms() {  # file
    jack_rec -f "$work/$1.wav" -d 1 first:out_left >/dev/null 2>&1
    sox "$work/$1.wav" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'
}
before=$(output_rms before-drag)

# Drag Cutoff from beside its centre to the lower right: 16 kHz.
eval "$(xdotool getwindowgeometry --shell "$first")"
data_before=$(green_pixels_in_data_box "$work/first.png")
xdotool mousemove $((X + 193)) $((Y + 48)) mousedown 1 sleep 0.2 mousemove $((X + 205)) $((Y + 60)) \
    sleep 0.2 mousemove $((X + 214)) $((Y + 68)) sleep 0.3 mouseup 1
sleep 0.5
shot "$first" "$work/after-drag.png"
data_after=$(green_pixels_in_data_box "$work/after-drag.png")
after=$(output_rms after-drag)
echo "Cutoff drag: DATA box green pixels $data_before before, $data_after after; output RMS $before before, $after after"
[ "$data_after" -gt 20 ] || fail "the drag shows no value in the DATA box"
awk "BEGIN { exit !($after < 0.8 * $before) }" || fail "the plug-in's cutoff did not follow the drag"

# Clip: Dry and Wet to their maximum, a full-scale tone.
for knob in "194 117" "123 117"; do
    set -- $knob
    xdotool mousemove $((X + $1 - 1)) $((Y + $2)) mousedown 1 sleep 0.2 mousemove $((X + $1 + 12)) $((Y + $2 + 12)) \
        sleep 0.2 mouseup 1
done
kill -TERM "$tone_pid" 2>/dev/null || true
jack_metro -n loud -b 600 -f 1000 -A 1.0 -D 90 >/dev/null 2>&1 &
pids="$! $pids"
loud_pid=$!
sleep 0.5
jack_connect loud:600_bpm first:in_left
jack_connect loud:600_bpm first:in_right
sleep 1
shot "$first" "$work/clipping.png"
lit=$(pixel "$work/clipping.png" 254 20)
kill -TERM "$loud_pid"
sleep 1
shot "$first" "$work/after-clipping.png"
dark=$(pixel "$work/after-clipping.png" 254 20)
echo "clip indicator: $lit while clipping, $dark a second after the input stopped"
[ "${lit%%,*}" -gt 150 ] || fail "the clip indicator did not light"
[ "${dark%%,*}" -lt 120 ] || fail "the clip indicator stayed lit"

# Closing: SIGINT, and jalv ends normally.
jalv_pid=$(xdotool getwindowpid "$first")
kill -INT "$jalv_pid"
for _ in $(seq 50); do kill -0 "$jalv_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$jalv_pid" 2>/dev/null; then fail "jalv did not close on SIGINT"; fi
if grep -qiE "error|segmentation|abort" "$work"/jalv-*.log; then
    cat "$work"/jalv-*.log
    fail "jalv reported an error"
fi

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
