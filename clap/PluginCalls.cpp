#include "clap/PluginCalls.h"

#include <cstring>

#include "clap/ClapChorus.h"
#include "clap/abi/Audio.h"
#include "clap/abi/Gui.h"
#include "clap/abi/Params.h"
#include "clap/abi/State.h"
#include "editor/EditorLayout.h"

namespace clap {

namespace {

constexpr const char* kFeatures[] = {"audio-effect", "chorus", "stereo", nullptr};

ClapChorus& self(const Plugin* plugin) { return ClapChorus::of(plugin); }

// One stereo port each way, which may share its buffers: every frame's
// inputs are read before its outputs are written.
constexpr Id kInputPort = 0;
constexpr Id kOutputPort = 1;

const PluginAudioPorts kAudioPorts = {
    [](const Plugin*, bool) -> std::uint32_t { return 1; },
    [](const Plugin*, std::uint32_t index, bool isInput, AudioPortInfo* info) {
        if (index != 0 || !info) return false;
        std::memset(info, 0, sizeof *info);
        info->id = isInput ? kInputPort : kOutputPort;
        std::strcpy(info->name, isInput ? "Stereo In" : "Stereo Out");
        info->flags = kAudioPortIsMain;
        info->channelCount = 2;
        info->portType = kPortStereo;
        info->inPlacePair = isInput ? kOutputPort : kInputPort;
        return true;
    },
};

const PluginLatency kLatency = {[](const Plugin*) -> std::uint32_t { return 0; }};

const PluginTail kTail = {[](const Plugin* plugin) { return self(plugin).tailFrames(); }};

const PluginParams kParams = {
    [](const Plugin*) -> std::uint32_t { return ChorusEffect::kNumParams; },
    [](const Plugin* plugin, std::uint32_t index, ParamInfo* info) {
        return info && self(plugin).paramInfo(index, *info);
    },
    [](const Plugin* plugin, Id id, double* value) { return value && self(plugin).paramValue(id, *value); },
    [](const Plugin* plugin, Id id, double value, char* text, std::uint32_t capacity) {
        return self(plugin).valueToText(id, value, text, capacity);
    },
    [](const Plugin* plugin, Id id, const char* text, double* value) {
        return text && value && self(plugin).textToValue(id, text, *value);
    },
    [](const Plugin* plugin, const InputEvents* in, const OutputEvents* out) { self(plugin).flush(in, out); },
};

const PluginState kState = {
    [](const Plugin* plugin, const OutputStream* stream) {
        return stream && stream->write && self(plugin).saveState(*stream);
    },
    [](const Plugin* plugin, const InputStream* stream) {
        return stream && stream->read && self(plugin).loadState(*stream);
    },
};

const PluginGui kGui = {
    [](const Plugin* plugin, const char* api, bool isFloating) {
        return self(plugin).gui().isApiSupported(api, isFloating);
    },
    [](const Plugin* plugin, const char** api, bool* isFloating) {
        if (!api || !isFloating) return false;
        *api = self(plugin).editorPlatform().windowApi;
        *isFloating = false;
        return true;
    },
    [](const Plugin* plugin, const char* api, bool isFloating) { return self(plugin).gui().create(api, isFloating); },
    [](const Plugin* plugin) { self(plugin).gui().destroy(); },
    // The picture has one size, in pixels of the screen.
    [](const Plugin*, double) { return false; },
    [](const Plugin*, std::uint32_t* width, std::uint32_t* height) {
        if (!width || !height) return false;
        *width = layout::kWidth;
        *height = layout::kHeight;
        return true;
    },
    [](const Plugin*) { return false; },
    [](const Plugin*, GuiResizeHints*) { return false; },
    [](const Plugin*, std::uint32_t*, std::uint32_t*) { return false; },
    [](const Plugin*, std::uint32_t width, std::uint32_t height) {
        return width == static_cast<std::uint32_t>(layout::kWidth) &&
               height == static_cast<std::uint32_t>(layout::kHeight);
    },
    [](const Plugin* plugin, const Window* window) { return window && self(plugin).gui().setParent(*window); },
    [](const Plugin*, const Window*) { return false; },
    [](const Plugin*, const char*) {},
    [](const Plugin* plugin) { return self(plugin).gui().show(); },
    [](const Plugin* plugin) { return self(plugin).gui().hide(); },
};

const PluginTimerSupport kTimerSupport = {[](const Plugin* plugin, Id id) { self(plugin).gui().onTimer(id); }};

const PluginPosixFdSupport kPosixFdSupport = {
    [](const Plugin* plugin, int fd, std::uint32_t) { self(plugin).gui().onFd(fd); }};

}  // namespace

const PluginDescriptor kDescriptor = {
    kVersion,
    "org.velorin.velorin2",
    "Velorin 2",
    "Velorin",
    "",
    "",
    "",
    VELORIN_VERSION,
    "Stereo chorus: one, two or four voices swept around a centre delay",
    kFeatures,
};

Plugin pluginCalls(ClapChorus* chorus) {
    Plugin plugin{};
    plugin.desc = &kDescriptor;
    plugin.pluginData = chorus;
    plugin.init = [](const Plugin* p) { return self(p).init(); };
    plugin.destroy = [](const Plugin* p) { self(p).destroy(); };
    plugin.activate = [](const Plugin* p, double sampleRate, std::uint32_t, std::uint32_t maxFrames) {
        return self(p).activate(sampleRate, maxFrames);
    };
    plugin.deactivate = [](const Plugin* p) { self(p).deactivate(); };
    plugin.startProcessing = [](const Plugin* p) { return self(p).startProcessing(); };
    plugin.stopProcessing = [](const Plugin* p) { self(p).stopProcessing(); };
    plugin.reset = [](const Plugin* p) { self(p).reset(); };
    plugin.process = [](const Plugin* p, const Process* process) -> std::int32_t {
        return process ? self(p).process(*process) : kProcessError;
    };
    plugin.getExtension = [](const Plugin* p, const char* id) {
        return extensionCalls(id, self(p).editorPlatform().needsHostLoop);
    };
    plugin.onMainThread = [](const Plugin*) {};
    return plugin;
}

const void* extensionCalls(const char* id, bool withHostLoop) {
    if (!id) return nullptr;
    const struct {
        const char* id;
        const void* calls;
    } extensions[] = {
        {kExtAudioPorts, &kAudioPorts}, {kExtLatency, &kLatency}, {kExtTail, &kTail},
        {kExtParams, &kParams},         {kExtState, &kState},     {kExtGui, &kGui},
        {kExtTimerSupport, withHostLoop ? &kTimerSupport : nullptr},
        {kExtPosixFdSupport, withHostLoop ? &kPosixFdSupport : nullptr},
    };
    for (const auto& extension : extensions)
        if (std::strcmp(id, extension.id) == 0) return extension.calls;
    return nullptr;
}

}  // namespace clap
