// What a host asks of the plug-in's audio: its ports, its latency and how
// long it rings on after its input falls silent.
#pragma once

#include "clap/abi/Plugin.h"

namespace clap {

constexpr char kExtAudioPorts[] = "clap.audio-ports";
constexpr char kPortStereo[] = "stereo";

enum AudioPortFlags : std::uint32_t {
    kAudioPortIsMain = 1u << 0,
    kAudioPortSupports64Bits = 1u << 1,
};

struct AudioPortInfo {
    Id id;
    char name[kNameSize];
    std::uint32_t flags;
    std::uint32_t channelCount;
    const char* portType;
    Id inPlacePair;  // the port whose buffer this one may share, or kInvalidId
};

struct PluginAudioPorts {
    std::uint32_t(CLAP_CALL* count)(const Plugin* plugin, bool isInput);  // [main-thread]
    bool(CLAP_CALL* get)(const Plugin* plugin, std::uint32_t index, bool isInput,
                         AudioPortInfo* info);  // [main-thread]
};

constexpr char kExtLatency[] = "clap.latency";

struct PluginLatency {
    std::uint32_t(CLAP_CALL* get)(const Plugin* plugin);  // [main-thread & (being-activated | active)]
};

constexpr char kExtTail[] = "clap.tail";

struct PluginTail {
    std::uint32_t(CLAP_CALL* get)(const Plugin* plugin);  // [main-thread, audio-thread]
};

}  // namespace clap
