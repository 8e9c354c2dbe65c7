#!/bin/sh
# Ardour 7 (Debian's `ardour`) plays the Linux VST, or the VST 3 bundle,
# headless, and its export must hold exactly the bits that the 32-bit DLL
# gives for the same input and values, rendered by the project's renderer
# under Wine.
#
# ardour7-lua makes a 44.1 kHz session with one stereo track, a short
# stereo WAV is imported onto it, Velorin 2 goes onto the track with a few
# values set through Lua, and the session is exported as 32-bit float WAV
# (no dither, no normalisation).  The VST 3 bundle is exported twice more:
# at its defaults, and from the session saved with the moved values and
# loaded again, which must bring them back.  Ardour runs with a private
# HOME and XDG directories under WORK_DIR, so the user's Ardour
# configuration is neither read nor touched.
#
# Usage: ardour-plays-the-plugin.sh NATIVE_BUILD_DIR WORK_DIR [RENDERER [FORMAT]]
#   NATIVE_BUILD_DIR  the native build (lib/lxvst/Velorin2.so, lib/vst3/Velorin2.vst3)
#   WORK_DIR          scratch space; what it held before is replaced
#   RENDERER          velorin-render.exe of a 32-bit Windows build
#                     (default: build/win32/bin/velorin-render.exe)
#   FORMAT            lxvst (the default) or vst3
# Needs: ardour (Ardour 7), sox, python3, Wine with the Windows build's prefix.
set -eu
repo=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
renderer=${3:-$repo/build/win32/bin/velorin-render.exe}
format=${4:-lxvst}

# The values set on both sides: exact binary fractions, so that Ardour's
# doubles, the float the plug-in receives and the renderer's decimal text
# all mean the same number.  Rate 0.25 sweeps at 1.075 Hz, fast enough for
# three seconds to cover several periods of four voices.
settings="Voices=1 Depth=0.75 Rate=0.25"
case "$format" in
lxvst)
    library="$native/lib/lxvst/Velorin2.so"
    scanner=/usr/lib/ardour7/ardour-vst-scanner
    # The unique id 'Vlr2' as Ardour's plug-in list spells it: in decimal.
    unique_id=$(printf '%d' 0x566C7232)
    plugin_type=LXVST
    ;;
vst3)
    library="$native/lib/vst3/Velorin2.vst3/Contents/x86_64-linux/Velorin2.so"
    scanner=/usr/lib/ardour7/ardour-vst3-scanner
    # The class id, as the 32 hexadecimal digits of its bytes.
    unique_id=565354566C723276656C6F72696E3200
    plugin_type=VST3
    ;;
*)
    echo "unknown format: $format"
    exit 2
    ;;
esac

for need in "$library" "$renderer" "$scanner"; do
    [ -f "$need" ] || { echo "missing: $need"; exit 1; }
done
for tool in ardour7-lua sox python3; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (Debian packages ardour, sox, python3)"; exit 1; }
done

now() { date +%s.%N; }
started=$(now)
step_started=$started
# Ends a step: its name and how long it took.
step_done() {
    t=$(now)
    echo "   ... $1: $(echo "$step_started $t" | awk '{printf "%.1f s", $2 - $1}')"
    step_started=$t
}

rm -rf "${work:?}/home" "$work/plugins" "$work/session" "$work/pristine" "$work/saved" "$work/export" \
    "$work"/*.wav "$work"/*.lua "$work"/*.log
mkdir -p "$work/home/.config/ardour7/export" "$work/home/.config/ardour7/scripts" "$work/home/.cache" \
    "$work/home/.local/share" "$work/plugins" "$work/export"
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_DATA_HOME="$HOME/.local/share"
# Headless, Ardour offers plug-ins only from the cache its scanners write,
# and only those found on its search path.  It ignores a cache entry that
# is not newer than the library, counted in whole seconds, and the scanner
# would otherwise often write its entry within the second the copy was
# made: so the copy's modification time is put into the past.
unset LXVST_PATH VST_PATH VST3_PATH 2>/dev/null || true

echo "== Scanning the plug-in into Ardour's cache"
if [ "$format" = lxvst ]; then
    export LXVST_PATH="$work/plugins"
    cp "$library" "$work/plugins/Velorin2.so"
    touch -d '2000-01-01 00:00:00' "$work/plugins/Velorin2.so"
    scanned="$work/plugins/Velorin2.so"
    cache_files="$XDG_CACHE_HOME/ardour7/vst/*.v2i"
    cache_match="id=\"$unique_id\""
else
    # The scanner is given the bundle's absolute path; its exit status is 0
    # even when it fails, so the cache file is what tells.
    export VST3_PATH="$work/plugins"
    cp -R "$native/lib/vst3/Velorin2.vst3" "$work/plugins/"
    touch -d '2 seconds ago' "$work/plugins/Velorin2.vst3/Contents/x86_64-linux/Velorin2.so"
    scanned="$work/plugins/Velorin2.vst3"
    cache_files="$XDG_CACHE_HOME/ardour7/vst/*.v3i"
    cache_match="uid=\"$unique_id\""
fi
LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f "$scanned" >"$work/scan.log" 2>&1 || {
    cat "$work/scan.log"
    echo "the scanner failed"
    exit 1
}
# shellcheck disable=SC2086
entry=$(grep -h "$cache_match" $cache_files 2>/dev/null) || {
    cat "$work/scan.log"
    echo "no cache entry for $unique_id"
    exit 1
}
echo "$entry" | sed 's/^ *<VST[23]Info /   /; s/ *\/\?>$//'
step_done "scan"

echo "== Making the input: 3 s of two sines under noise, stereo 32-bit float"
sox -n -r 44100 -c 2 -e floating-point -b 32 "$work/input.wav" synth 3 sine 220 sine 331 \
    synth 3 whitenoise mix vol 0.45
step_done "input"

# For the small helpers below: the format chunk and the sample data of a
# 32-bit float WAV file, and a file written from them.
cat >"$work/wavtools.py" <<'PYTHON'
import struct
import sys


def read_wav(path):
    data = open(path, 'rb').read()
    fmt = samples = None
    i = 12
    while i + 8 <= len(data):
        chunk, size = data[i:i + 4], struct.unpack('<I', data[i + 4:i + 8])[0]
        if chunk == b'fmt ':
            fmt = data[i + 8:i + 8 + size]
        elif chunk == b'data':
            samples = data[i + 8:i + 8 + size]
        i += 8 + size + (size & 1)
    if fmt is None or samples is None:
        sys.exit(path + ': not a WAV file with format and data')
    tag, channels, rate, _, _, bits = struct.unpack('<HHIIHH', fmt[:16])
    if tag == 0xFFFE:  # extensible: the sub-format names the encoding
        tag = struct.unpack('<H', fmt[24:26])[0]
    if (tag, bits) != (3, 32):
        sys.exit(path + ': not 32-bit float')
    return fmt, channels, rate, samples


def write_wav(path, fmt, samples):
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(samples)) + samples
    open(path, 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
PYTHON

# Runs an ardour7-lua script.  Ardour 7.3's headless export corrupts its own
# heap now and then: about one run in four or five aborts ("double free or
# corruption", "munmap_chunk(): invalid pointer") or segfaults while the
# export finishes or the session closes, with or without this plug-in, and
# a run that crashed may have written damaged samples.  So only a run that
# exits cleanly and prints the script's last line counts; a crashed one is
# reported and run again, from a fresh copy of the session (the one in
# $pristine), up to five times.  A Lua error (exit status 1) is a failure at
# once.
# Usage: run_lua LOG_NAME SCRIPT ARGS...
run_lua() {
    name=$1
    shift
    attempt=1
    while :; do
        rm -rf "$work/session"
        [ ! -d "$pristine" ] || cp -R "$pristine" "$work/session"
        status=0
        ardour7-lua "$@" >"$work/$name.log" 2>&1 || status=$?
        if [ "$status" -eq 0 ] && grep -q '^velorin-test: done$' "$work/$name.log"; then
            return 0
        fi
        grep -v -e 'encoder is not available' "$work/$name.log" | tail -n 5 | sed 's/^/   | /'
        if [ "$status" -eq 0 ] || [ "$status" -eq 1 ] || [ "$attempt" -ge 5 ]; then
            echo "ardour7-lua failed (exit status $status, attempt $attempt); log: $work/$name.log"
            exit 1
        fi
        echo "   Ardour crashed (exit status $status), attempt $attempt of 5; running it again"
        attempt=$((attempt + 1))
    done
}

pristine="$work/pristine"
echo "== Making the session with ardour7-lua"
# A track whose outputs feed the master bus and whose inputs are connected
# to nothing: while the transport stands, Ardour runs the track's plug-ins
# on its inputs, and only silence may reach the plug-in before the region.
cat >"$work/create-session.lua" <<'LUA'
local dir, name = arg[1], arg[2]
assert (create_session (dir, name, 44100), "cannot create the session")
local tracks = Session:new_audio_track (2, 2, nil, 1, "chorus", ARDOUR.PresentationInfo.max_order,
                                        ARDOUR.TrackMode.Normal, false)
assert (tracks:size () == 1, "cannot add the track")
Session:save_state ("", false, false, false, false, false)
print ("velorin-test: done")
LUA
run_lua create "$work/create-session.lua" "$work/session" velorin
step_done "session"

echo "== Importing the input onto the track"
# Ardour 7.3's Lua has no import call for a headless session, so this does
# what Ardour's import with "copy files to session" leaves behind: one mono
# file per channel in the session's audio folder, their sources, a
# whole-file region and one on the track's playlist at the start, and the
# session range around it.  The region's fades are switched off: Ardour
# would otherwise fade its first and last 64 samples in and out.  Writes
# the index of the input's first frame that is not silent to FIRST_FRAME.
python3 - "$work/input.wav" "$work/session" velorin "$work/wavtools.py" "$work/input-first-frame" <<'PYTHON'
import os
import struct
import sys
import xml.etree.ElementTree as ET

wav, session, name, tools, first_frame = sys.argv[1:6]
sys.path.insert(0, os.path.dirname(tools))
from wavtools import read_wav

fmt, channels, rate, samples = read_wav(wav)
assert channels == 2, 'the input must be stereo'
frames = len(samples) // 8

# A mono 32-bit float WAV with the fact chunk that non-PCM formats carry.
def write_mono(path, payload):
    fmt = struct.pack('<HHIIHHH', 3, 1, rate, rate * 4, 4, 32, 0)
    body = (b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'fact' + struct.pack('<II', 4, len(payload) // 4)
            + b'data' + struct.pack('<I', len(payload)) + payload)
    open(path, 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)

# Named after the session's folder, which Ardour made.
audio_dirs = [d for d in (os.path.join(session, 'interchange', f, 'audiofiles')
                          for f in os.listdir(os.path.join(session, 'interchange'))) if os.path.isdir(d)]
assert len(audio_dirs) == 1, 'no single audio folder in the session'
audio_dir = audio_dirs[0]
files = []
for channel, side in enumerate('LR'):
    files.append('input%%%s.wav' % side)
    payload = b''.join(samples[k:k + 4] for k in range(channel * 4, len(samples), 8))
    write_mono(os.path.join(audio_dir, files[-1]), payload)

state_file = os.path.join(session, name + '.ardour')
tree = ET.parse(state_file)
root = tree.getroot()
assert int(root.get('sample-rate')) == rate, 'the session runs at another rate'
next_id = int(root.get('id-counter'))


def new_id():
    global next_id
    next_id += 1
    return str(next_id)


source_ids = []
for f in files:
    source_ids.append(new_id())
    ET.SubElement(root.find('Sources'), 'Source', {
        'name': f, 'type': 'audio', 'flags': '', 'id': source_ids[-1], 'natural-position': 'a0', 'channel': '0',
        'origin': os.path.basename(wav), 'gain': '1'})

# Positions and lengths are in superclock ticks, 282240000 a second.
ticks = frames * 282240000 // rate


def add_region(parent, region_name, whole_file):
    attributes = {
        'name': region_name, 'muted': '0', 'opaque': '1', 'locked': '0', 'automatic': '0', 'whole-file': whole_file,
        'import': '1', 'external': '0', 'start': 'a0', 'length': 'a%d@a0' % ticks, 'sync-position': 'a0',
        'layering-index': '0', 'envelope-active': '0', 'default-fade-in': '0', 'default-fade-out': '0',
        'fade-in-active': '0', 'fade-out-active': '0', 'scale-amplitude': '1', 'id': new_id(), 'type': 'audio',
        'channels': str(len(source_ids))}
    for n, source in enumerate(source_ids):
        attributes['source-%d' % n] = source
        attributes['master-source-%d' % n] = source
    ET.SubElement(parent, 'Region', attributes)


add_region(root.find('Regions'), 'input', '1')
playlists = [p for p in root.find('Playlists') if p.get('name') == 'chorus']
assert len(playlists) == 1, 'no playlist for the track'
add_region(playlists[0], 'input.1', '0')
ET.SubElement(root.find('Locations'), 'Location', {
    'id': new_id(), 'name': 'session', 'start': 'a0', 'end': 'a%d' % ticks, 'flags': 'IsSessionRange',
    'locked': '0', 'timestamp': '0', 'cue': '0'})
root.set('id-counter', str(next_id + 1))
tree.write(state_file, encoding='UTF-8', xml_declaration=True)

first = next(k // 8 for k in range(0, len(samples), 4) if samples[k:k + 4] not in (b'\0\0\0\0', b'\0\0\0\x80'))
open(first_frame, 'w').write('%d\n' % first)
print('   %d frames; region and sources added to %s.ardour' % (frames, name))
PYTHON
cp -R "$work/session" "$work/pristine"
step_done "import"

# The export format: WAV, 32-bit float at the session's rate, no dither,
# no normalisation, no silence trimmed or added, no tags.
cat >"$XDG_CONFIG_HOME/ardour7/export/velorin-test.format" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<ExportFormatSpecification name="Velorin test: float WAV" id="3c1f0d52-9a7e-4b8c-a5d1-6f2e8b0c7a41" with-cue="false" with-toc="false" with-mp4chaps="false" command="" analyse="false" soundcloud-upload="false">
  <Encoding id="F_WAV" type="T_Sndfile" extension="wav" name="WAV" has-sample-format="true" channel-limit="256"/>
  <SampleRate rate="SR_Session"/>
  <SRCQuality quality="SRC_SincBest"/>
  <EncodingOptions>
    <Option name="sample-format" value="SF_Float"/>
    <Option name="dithering" value="D_None"/>
    <Option name="tag-metadata" value="false"/>
    <Option name="tag-support" value="false"/>
    <Option name="broadcast-info" value="false"/>
  </EncodingOptions>
  <Processing>
    <Normalize enabled="false" loudness="no" dbfs="0" lufs="-23" dbtp="-1"/>
    <Silence>
      <Start>
        <Trim enabled="false"/>
        <Add enabled="false">
          <Duration format="Timecode" hours="0" minutes="0" seconds="0" frames="0"/>
        </Add>
      </Start>
      <End>
        <Trim enabled="false"/>
        <Add enabled="false">
          <Duration format="Timecode" hours="0" minutes="0" seconds="0" frames="0"/>
        </Add>
      </End>
    </Silence>
  </Processing>
</ExportFormatSpecification>
XML
cat >"$XDG_CONFIG_HOME/ardour7/export/velorin-test.preset" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<ExportPreset id="8d0b5e3a-27c4-4f69-9e1b-52a7c3d4e6f0" name="Velorin test: float WAV">
  <ExportFormat id="3c1f0d52-9a7e-4b8c-a5d1-6f2e8b0c7a41"/>
  <ExportFilename>
    <Folder relative="1" path="export"/>
    <Field name="label" enabled="0"/>
    <Field name="session" enabled="0"/>
    <Field name="snapshot" enabled="0"/>
    <Field name="timespan" enabled="1"/>
    <Field name="revision" enabled="0"/>
    <Field name="time" enabled="0" value="T_None"/>
    <Field name="date" enabled="0" value="D_None"/>
  </ExportFilename>
</ExportPreset>
XML

# The plug-in runs from its creation on: while the session is open Ardour
# runs the track in real time on silence, and the export first runs two
# seconds of silence through every plug-in to clear reverb tails.  The
# effect's sweep oscillator turns all the while, so the sweep stands at an
# unforeseeable point when the region starts.  To know that point, an Ardour
# Lua DSP processor of this test sits right before the plug-in and counts
# the frames the track runs before its first non-silent input sample; both
# start in the same cycle because they are added while the track is
# inactive, which runs neither.  It passes the audio on untouched.
cat >"$XDG_CONFIG_HOME/ardour7/scripts/velorin-test-frame-counter.lua" <<'LUA'
ardour {
	["type"]    = "dsp",
	name        = "Velorin test: frame counter",
	category    = "Utility",
	description = [[Passes stereo audio through untouched; counts the frames run before the first non-silent input sample.]]
}

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

-- Shared with the session script: [0] the frames run so far, [1] one more
-- than the frames run before the first non-silent sample (0 while none came).
function dsp_init (rate)
	self:shmem ():allocate (2)
	self:shmem ():clear ()
end

function dsp_run (ins, outs, n_samples)
	local shm = self:shmem ()
	local before = shm:atomic_get_int (0)
	if shm:atomic_get_int (1) == 0 then
		local first = n_samples + 1
		for c = 1, 2 do
			local a = ins[c]:array ()
			for i = 1, first - 1 do
				if a[i] ~= 0 then first = i; break end
			end
		end
		if first <= n_samples then shm:atomic_set_int (1, before + first) end
	end
	shm:atomic_set_int (0, before + n_samples)
	for c = 1, 2 do
		if ins[c] ~= outs[c] then ARDOUR.DSP.copy_vector (outs[c], ins[c], n_samples) end
	end
end
LUA

# With the plug-in added while the track is inactive, values set by its own
# parameter names (each must reach the plug-in unchanged), exported; saved
# afterwards when asked.
cat >"$work/export-session.lua" <<'LUA'
local dir, name, out_dir, out_name, plugin_type, unique_id, save = arg[1], arg[2], arg[3], arg[4], arg[5], arg[6], arg[7]
assert (load_session (dir, name), "cannot load the session")
local track = Session:route_by_name ("chorus"):to_track ()
assert (not track:isnil () and track:playlist ():n_regions () == 1, "no track with the input's region")

-- Inputs from nowhere, outputs to the master bus.
track:input ():disconnect_all (nil)
for c = 0, 1 do
	local port, master = track:output ():audio (c), "Master/audio_in " .. (c + 1)
	if not port:connected_to (master) then
		assert (track:output ():connect (port, master, nil) == 0, "cannot connect " .. port:name ())
	end
end

track:set_active (false, nil)
local counter = ARDOUR.LuaAPI.new_luaproc (Session, "Velorin test: frame counter")
assert (not counter:isnil (), "no frame counter")
assert (track:add_processor_by_index (counter, 0, nil, true) == 0, "cannot add the frame counter")
local chorus = ARDOUR.LuaAPI.new_plugin (Session, unique_id, ARDOUR.PluginType[plugin_type], "")
assert (not chorus:isnil (), "Ardour has no " .. plugin_type .. " plug-in with the id " .. unique_id)
assert (track:add_processor_by_index (chorus, 1, nil, true) == 0, "cannot add the plug-in")
local plugin = chorus:to_insert ():plugin (0)
print (string.format ("   Ardour loaded %s (id %s, %s): %d inputs, %d outputs, %d parameters",
                      chorus:name (), plugin:unique_id (), plugin:get_info ().path,
                      chorus:input_streams ():n_audio (), chorus:output_streams ():n_audio (),
                      plugin:parameter_count ()))

for i = 8, #arg do
	local key, value = arg[i]:match ("^(%w+)=(.+)$")
	local index
	for p = 0, plugin:parameter_count () - 1 do
		if plugin:parameter_label (p):lower () == key:lower () then index = p end
	end
	assert (index, "no parameter " .. key)
	assert (ARDOUR.LuaAPI.set_processor_param (chorus, index, tonumber (value)), "cannot set " .. key)
	local held = ARDOUR.LuaAPI.get_plugin_insert_param (chorus:to_insert (), index, false)
	assert (held == tonumber (value), key .. " arrived as " .. tostring (held) .. ", not " .. value)
	print (string.format ("   %s (parameter %d) = %s", plugin:parameter_label (index), index, value))
end
track:set_active (true, nil)

local export = Session:simple_export ()
assert (export:set_preset ("8d0b5e3a-27c4-4f69-9e1b-52a7c3d4e6f0"), "no export preset")
export:set_folder (out_dir)
export:set_name (out_name)
assert (export:run_export (), "the export failed")

local shm = counter:to_insert ():plugin (0):to_luaproc ():shmem ()
assert (shm:atomic_get_int (1) > 0, "the track never ran the input")
print (string.format ("velorin-test: frames-before-input %d", shm:atomic_get_int (1) - 1))
if save == "save" then
	Session:save_state ("", false, false, false, false, false)
end
print ("velorin-test: done")
LUA

# The saved session loaded again: the plug-in must hold the values it was
# saved with (each is printed and compared), and sound like it.
cat >"$work/reload-session.lua" <<'LUA'
local dir, name, out_dir, out_name = arg[1], arg[2], arg[3], arg[4]
assert (load_session (dir, name), "cannot load the session")
local track = Session:route_by_name ("chorus"):to_track ()
local counter, chorus = track:nth_plugin (0), track:nth_plugin (1)
assert (not counter:isnil () and not chorus:isnil (), "the saved session lost its processors")
local plugin = chorus:to_insert ():plugin (0)
for i = 5, #arg do
	local key, value = arg[i]:match ("^(%w+)=(.+)$")
	for p = 0, plugin:parameter_count () - 1 do
		if plugin:parameter_label (p):lower () == key:lower () then
			local held = ARDOUR.LuaAPI.get_plugin_insert_param (chorus:to_insert (), p, false)
			assert (held == tonumber (value), key .. " came back as " .. tostring (held) .. ", not " .. value)
			print (string.format ("   %s came back as %s", key, tostring (held)))
		end
	end
end
local export = Session:simple_export ()
assert (export:set_preset ("8d0b5e3a-27c4-4f69-9e1b-52a7c3d4e6f0"), "no export preset")
export:set_folder (out_dir)
export:set_name (out_name)
assert (export:run_export (), "the export failed")
local shm = counter:to_insert ():plugin (0):to_luaproc ():shmem ()
assert (shm:atomic_get_int (1) > 0, "the track never ran the input")
print (string.format ("velorin-test: frames-before-input %d", shm:atomic_get_int (1) - 1))
print ("velorin-test: done")
LUA

# Renders the input through the 32-bit DLL with the given values, after as
# much silence as the plug-in ran in Ardour before the region, so that its
# sweep stands where the plug-in's stood when the region began; those frames
# are cut off again.  Compares the result with Ardour's export.
# Usage: check_export NAME LEAD SETTINGS...
verdict=0
check_export() {
    name=$1
    lead=$2
    shift 2
    python3 - "$work/wavtools.py" "$work/input.wav" "$work/dll-input.wav" "$lead" <<'PYTHON'
import os
import sys
sys.path.insert(0, os.path.dirname(sys.argv[1]))
from wavtools import read_wav, write_wav
fmt, channels, _, samples = read_wav(sys.argv[2])
write_wav(sys.argv[3], fmt, b'\0' * (4 * channels * int(sys.argv[4])) + samples)
PYTHON
    set_options=
    for setting in "$@"; do set_options="$set_options --set $setting"; done
    # Its output goes to a file: Wine's helper processes outlive the
    # renderer for half a minute and would hold a pipe open that long.
    # shellcheck disable=SC2086
    "$repo/cmake/wine-run.sh" "$renderer" --quiet $set_options "$work/dll-input.wav" "$work/dll-padded.wav" \
        >"$work/render.log" 2>&1 || {
        cat "$work/render.log"
        echo "the renderer failed"
        exit 1
    }
    python3 - "$work/wavtools.py" "$work/dll-padded.wav" "$work/dll-$name.wav" "$lead" <<'PYTHON'
import os
import sys
sys.path.insert(0, os.path.dirname(sys.argv[1]))
from wavtools import read_wav, write_wav
fmt, channels, _, samples = read_wav(sys.argv[2])
write_wav(sys.argv[3], fmt, samples[4 * channels * int(sys.argv[4]):])
PYTHON
    python3 - "$work/wavtools.py" "$work/export/$name.wav" "$work/input.wav" <<'PYTHON'
import os
import sys
sys.path.insert(0, os.path.dirname(sys.argv[1]))
from wavtools import read_wav
_, channels, rate, samples = read_wav(sys.argv[2])
_, _, _, dry = read_wav(sys.argv[3])
print('   Ardour exported %d frames, %d channels, %d Hz, 32-bit float (the input: %d frames)'
      % (len(samples) // (4 * channels), channels, rate, len(dry) // 8))
PYTHON
    if message=$(python3 "$repo/tools/same-samples.py" "$work/dll-$name.wav" "$work/export/$name.wav" 2>&1); then
        echo "   Ardour's export holds the same samples as the DLL's render, bit for bit"
    else
        verdict=1
        echo "   DIFFERENT: $message"
    fi
}

# The frames the plug-in ran before the region, from an export's log.
lead_of() {
    ran=$(sed -n 's/^velorin-test: frames-before-input //p' "$work/$1.log")
    lead=$((ran - $(cat "$work/input-first-frame")))
    [ "$lead" -ge 0 ] || { echo "the track ran input before the region began"; exit 1; }
    echo "$lead"
}

if [ "$format" = vst3 ]; then
    echo "== Exporting the session with Velorin 2 at its defaults"
    run_lua defaults "$work/export-session.lua" "$work/session" velorin "$work/export" defaults "$plugin_type" \
        "$unique_id" nosave
    grep '^   ' "$work/defaults.log"
    lead=$(lead_of defaults)
    echo "   the plug-in ran $lead frames of silence before the region"
    check_export defaults "$lead"
    step_done "defaults"
fi

echo "== Exporting the session with Velorin 2 on the track, values moved"
# shellcheck disable=SC2086
run_lua moved "$work/export-session.lua" "$work/session" velorin "$work/export" moved "$plugin_type" \
    "$unique_id" save $settings
grep '^   ' "$work/moved.log"
lead=$(lead_of moved)
echo "   the plug-in ran $lead frames of silence before the region"
# shellcheck disable=SC2086
check_export moved "$lead" $settings
step_done "moved"

if [ "$format" = vst3 ]; then
    echo "== Loading the saved session again and exporting it"
    rm -rf "$work/saved"
    cp -R "$work/session" "$work/saved"
    pristine="$work/saved"
    # shellcheck disable=SC2086
    run_lua reloaded "$work/reload-session.lua" "$work/session" velorin "$work/export" reloaded $settings
    grep '^   ' "$work/reloaded.log"
    lead=$(lead_of reloaded)
    echo "   the plug-in ran $lead frames of silence before the region"
    # shellcheck disable=SC2086
    check_export reloaded "$lead" $settings
    step_done "reloaded"
fi
echo "total: $(echo "$started $(now)" | awk '{printf "%.1f s", $2 - $1}')"
exit $verdict
