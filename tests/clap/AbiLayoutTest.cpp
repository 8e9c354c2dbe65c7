// Our declarations of the CLAP structs against the format's own layout:
// every size and field offset, as its headers (release 1.2.10) give them
// for 64-bit code (Linux and Windows alike) and for 32-bit Windows.  A
// wrong offset makes host and plug-in read each other's fields wrongly,
// which no test of our plug-in with our own host could show: both sides
// share our declarations.
#include <gtest/gtest.h>

#include <cstddef>

#include "clap/abi/Audio.h"
#include "clap/abi/Gui.h"
#include "clap/abi/Params.h"
#include "clap/abi/Plugin.h"
#include "clap/abi/Process.h"
#include "clap/abi/State.h"
#include "clap/abi/Threads.h"

namespace {

using namespace clap;

struct Layout {
    const char* theirs;  // the format's name
    std::size_t ours;
    std::size_t bits64;
    std::size_t bits32;
};

#define SIZE(ours, theirs, bits64, bits32) {theirs, sizeof(ours), bits64, bits32}
#define FIELD(ours, field, theirs, bits64, bits32) {theirs, offsetof(ours, field), bits64, bits32}

const Layout kLayouts[] = {
    SIZE(Version, "clap_version", 12, 12),
    FIELD(Version, revision, "clap_version.revision", 8, 8),

    SIZE(Host, "clap_host", 88, 48),
    FIELD(Host, hostData, "clap_host.host_data", 16, 12),
    FIELD(Host, name, "clap_host.name", 24, 16),
    FIELD(Host, version, "clap_host.version", 48, 28),
    FIELD(Host, getExtension, "clap_host.get_extension", 56, 32),
    FIELD(Host, requestRestart, "clap_host.request_restart", 64, 36),
    FIELD(Host, requestCallback, "clap_host.request_callback", 80, 44),

    SIZE(PluginDescriptor, "clap_plugin_descriptor", 88, 48),
    FIELD(PluginDescriptor, id, "clap_plugin_descriptor.id", 16, 12),
    FIELD(PluginDescriptor, vendor, "clap_plugin_descriptor.vendor", 32, 20),
    FIELD(PluginDescriptor, version, "clap_plugin_descriptor.version", 64, 36),
    FIELD(PluginDescriptor, features, "clap_plugin_descriptor.features", 80, 44),

    SIZE(Plugin, "clap_plugin", 96, 48),
    FIELD(Plugin, pluginData, "clap_plugin.plugin_data", 8, 4),
    FIELD(Plugin, init, "clap_plugin.init", 16, 8),
    FIELD(Plugin, activate, "clap_plugin.activate", 32, 16),
    FIELD(Plugin, startProcessing, "clap_plugin.start_processing", 48, 24),
    FIELD(Plugin, reset, "clap_plugin.reset", 64, 32),
    FIELD(Plugin, process, "clap_plugin.process", 72, 36),
    FIELD(Plugin, getExtension, "clap_plugin.get_extension", 80, 40),
    FIELD(Plugin, onMainThread, "clap_plugin.on_main_thread", 88, 44),

    SIZE(PluginFactory, "clap_plugin_factory", 24, 12),
    FIELD(PluginFactory, createPlugin, "clap_plugin_factory.create_plugin", 16, 8),
    SIZE(PluginEntry, "clap_plugin_entry", 40, 24),
    FIELD(PluginEntry, init, "clap_plugin_entry.init", 16, 12),
    FIELD(PluginEntry, getFactory, "clap_plugin_entry.get_factory", 32, 20),

    SIZE(AudioBuffer, "clap_audio_buffer", 32, 24),
    FIELD(AudioBuffer, data64, "clap_audio_buffer.data64", 8, 4),
    FIELD(AudioBuffer, channelCount, "clap_audio_buffer.channel_count", 16, 8),
    FIELD(AudioBuffer, constantMask, "clap_audio_buffer.constant_mask", 24, 16),

    SIZE(EventHeader, "clap_event_header", 16, 16),
    FIELD(EventHeader, time, "clap_event_header.time", 4, 4),
    FIELD(EventHeader, spaceId, "clap_event_header.space_id", 8, 8),
    FIELD(EventHeader, type, "clap_event_header.type", 10, 10),
    FIELD(EventHeader, flags, "clap_event_header.flags", 12, 12),
    SIZE(EventParamValue, "clap_event_param_value", 56, 48),
    FIELD(EventParamValue, paramId, "clap_event_param_value.param_id", 16, 16),
    FIELD(EventParamValue, cookie, "clap_event_param_value.cookie", 24, 20),
    FIELD(EventParamValue, noteId, "clap_event_param_value.note_id", 32, 24),
    FIELD(EventParamValue, portIndex, "clap_event_param_value.port_index", 36, 28),
    FIELD(EventParamValue, channel, "clap_event_param_value.channel", 38, 30),
    FIELD(EventParamValue, key, "clap_event_param_value.key", 40, 32),
    FIELD(EventParamValue, value, "clap_event_param_value.value", 48, 40),
    SIZE(EventParamGesture, "clap_event_param_gesture", 20, 20),
    FIELD(EventParamGesture, paramId, "clap_event_param_gesture.param_id", 16, 16),
    SIZE(InputEvents, "clap_input_events", 24, 12),
    FIELD(InputEvents, get, "clap_input_events.get", 16, 8),
    SIZE(OutputEvents, "clap_output_events", 16, 8),
    FIELD(OutputEvents, tryPush, "clap_output_events.try_push", 8, 4),

    SIZE(Process, "clap_process", 64, 40),
    FIELD(Process, framesCount, "clap_process.frames_count", 8, 8),
    FIELD(Process, transport, "clap_process.transport", 16, 12),
    FIELD(Process, audioInputs, "clap_process.audio_inputs", 24, 16),
    FIELD(Process, audioOutputs, "clap_process.audio_outputs", 32, 20),
    FIELD(Process, audioInputsCount, "clap_process.audio_inputs_count", 40, 24),
    FIELD(Process, audioOutputsCount, "clap_process.audio_outputs_count", 44, 28),
    FIELD(Process, inEvents, "clap_process.in_events", 48, 32),
    FIELD(Process, outEvents, "clap_process.out_events", 56, 36),

    SIZE(AudioPortInfo, "clap_audio_port_info", 288, 276),
    FIELD(AudioPortInfo, name, "clap_audio_port_info.name", 4, 4),
    FIELD(AudioPortInfo, flags, "clap_audio_port_info.flags", 260, 260),
    FIELD(AudioPortInfo, channelCount, "clap_audio_port_info.channel_count", 264, 264),
    FIELD(AudioPortInfo, portType, "clap_audio_port_info.port_type", 272, 268),
    FIELD(AudioPortInfo, inPlacePair, "clap_audio_port_info.in_place_pair", 280, 272),
    SIZE(PluginAudioPorts, "clap_plugin_audio_ports", 16, 8),
    SIZE(PluginLatency, "clap_plugin_latency", 8, 4),
    SIZE(PluginTail, "clap_plugin_tail", 8, 4),

    SIZE(ParamInfo, "clap_param_info", 1320, 1320),
    FIELD(ParamInfo, flags, "clap_param_info.flags", 4, 4),
    FIELD(ParamInfo, cookie, "clap_param_info.cookie", 8, 8),
    FIELD(ParamInfo, name, "clap_param_info.name", 16, 12),
    FIELD(ParamInfo, module, "clap_param_info.module", 272, 268),
    FIELD(ParamInfo, minValue, "clap_param_info.min_value", 1296, 1296),
    FIELD(ParamInfo, maxValue, "clap_param_info.max_value", 1304, 1304),
    FIELD(ParamInfo, defaultValue, "clap_param_info.default_value", 1312, 1312),
    SIZE(PluginParams, "clap_plugin_params", 48, 24),
    FIELD(PluginParams, valueToText, "clap_plugin_params.value_to_text", 24, 12),
    FIELD(PluginParams, flush, "clap_plugin_params.flush", 40, 20),
    SIZE(HostParams, "clap_host_params", 24, 12),
    FIELD(HostParams, requestFlush, "clap_host_params.request_flush", 16, 8),

    SIZE(InputStream, "clap_istream", 16, 8),
    FIELD(InputStream, read, "clap_istream.read", 8, 4),
    SIZE(OutputStream, "clap_ostream", 16, 8),
    FIELD(OutputStream, write, "clap_ostream.write", 8, 4),
    SIZE(PluginState, "clap_plugin_state", 16, 8),
    FIELD(PluginState, load, "clap_plugin_state.load", 8, 4),

    SIZE(Window, "clap_window", 16, 8),
    FIELD(Window, x11, "clap_window.x11", 8, 4),
    FIELD(Window, win32, "clap_window.win32", 8, 4),
    SIZE(GuiResizeHints, "clap_gui_resize_hints", 12, 12),
    FIELD(GuiResizeHints, preserveAspectRatio, "clap_gui_resize_hints.preserve_aspect_ratio", 2, 2),
    FIELD(GuiResizeHints, aspectRatioWidth, "clap_gui_resize_hints.aspect_ratio_width", 4, 4),
    FIELD(GuiResizeHints, aspectRatioHeight, "clap_gui_resize_hints.aspect_ratio_height", 8, 8),
    SIZE(PluginGui, "clap_plugin_gui", 120, 60),
    FIELD(PluginGui, create, "clap_plugin_gui.create", 16, 8),
    FIELD(PluginGui, getSize, "clap_plugin_gui.get_size", 40, 20),
    FIELD(PluginGui, setSize, "clap_plugin_gui.set_size", 72, 36),
    FIELD(PluginGui, setParent, "clap_plugin_gui.set_parent", 80, 40),
    FIELD(PluginGui, suggestTitle, "clap_plugin_gui.suggest_title", 96, 48),
    FIELD(PluginGui, hide, "clap_plugin_gui.hide", 112, 56),
    SIZE(PluginTimerSupport, "clap_plugin_timer_support", 8, 4),
    SIZE(HostTimerSupport, "clap_host_timer_support", 16, 8),
    FIELD(HostTimerSupport, unregisterTimer, "clap_host_timer_support.unregister_timer", 8, 4),
    SIZE(PluginPosixFdSupport, "clap_plugin_posix_fd_support", 8, 4),
    SIZE(HostPosixFdSupport, "clap_host_posix_fd_support", 24, 12),
    FIELD(HostPosixFdSupport, unregisterFd, "clap_host_posix_fd_support.unregister_fd", 16, 8),
    SIZE(HostThreadCheck, "clap_host_thread_check", 16, 8),
    FIELD(HostThreadCheck, isAudioThread, "clap_host_thread_check.is_audio_thread", 8, 4),
};

TEST(ClapDeclarations, SizesAndOffsetsAreTheFormats) {
    for (const Layout& layout : kLayouts)
        EXPECT_EQ(layout.ours, sizeof(void*) == 8 ? layout.bits64 : layout.bits32) << layout.theirs;
}

// The names the format gives its extensions and events, which a host
// compares character for character.
TEST(ClapDeclarations, NamesAndNumbersAreTheFormats) {
    EXPECT_STREQ(kPluginFactoryId, "clap.plugin-factory");
    EXPECT_STREQ(kExtAudioPorts, "clap.audio-ports");
    EXPECT_STREQ(kExtParams, "clap.params");
    EXPECT_STREQ(kExtState, "clap.state");
    EXPECT_STREQ(kExtGui, "clap.gui");
    EXPECT_STREQ(kExtLatency, "clap.latency");
    EXPECT_STREQ(kExtTail, "clap.tail");
    EXPECT_STREQ(kExtTimerSupport, "clap.timer-support");
    EXPECT_STREQ(kExtPosixFdSupport, "clap.posix-fd-support");
    EXPECT_STREQ(kExtThreadCheck, "clap.thread-check");
    EXPECT_EQ(kEventParamValue, 5);
    EXPECT_EQ(kEventParamGestureBegin, 7);
    EXPECT_EQ(kEventParamGestureEnd, 8);
    EXPECT_EQ(kParamIsAutomatable, 1u << 5);
    EXPECT_EQ(kParamIsModulatable, 1u << 10);
    EXPECT_EQ(kProcessContinue, 1);
    EXPECT_EQ(kVersion.major, 1u);
}

}  // namespace
