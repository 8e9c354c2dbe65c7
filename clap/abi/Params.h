// The plug-in's parameters: their descriptions, values and texts, and the
// flush that applies a host's changes while no block runs; the host's side
// of it, through which the plug-in asks for that flush.
#pragma once

#include "clap/abi/Plugin.h"
#include "clap/abi/Process.h"

namespace clap {

constexpr char kExtParams[] = "clap.params";

enum ParamFlags : std::uint32_t {
    kParamIsStepped = 1u << 0,
    kParamIsReadonly = 1u << 3,
    kParamIsBypass = 1u << 4,
    kParamIsAutomatable = 1u << 5,
    kParamIsModulatable = 1u << 10,
    kParamIsEnum = 1u << 16,
};

struct ParamInfo {
    Id id;
    std::uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize];
    double minValue;
    double maxValue;
    double defaultValue;
};

struct PluginParams {
    std::uint32_t(CLAP_CALL* count)(const Plugin* plugin);                                     // [main-thread]
    bool(CLAP_CALL* getInfo)(const Plugin* plugin, std::uint32_t paramIndex, ParamInfo* info);  // [main-thread]
    bool(CLAP_CALL* getValue)(const Plugin* plugin, Id paramId, double* value);                // [main-thread]
    bool(CLAP_CALL* valueToText)(const Plugin* plugin, Id paramId, double value, char* text,
                                 std::uint32_t capacity);  // [main-thread]
    bool(CLAP_CALL* textToValue)(const Plugin* plugin, Id paramId, const char* text,
                                 double* value);  // [main-thread]
    // Never at the same time as process.  [active ? audio-thread : main-thread]
    void(CLAP_CALL* flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};

enum ParamRescanFlags : std::uint32_t {
    kParamRescanValues = 1u << 0,
};

struct HostParams {
    void(CLAP_CALL* rescan)(const Host* host, std::uint32_t flags);              // [main-thread]
    void(CLAP_CALL* clear)(const Host* host, Id paramId, std::uint32_t flags);  // [main-thread]
    // The host calls process or flush soon after.  [thread-safe, !audio-thread]
    void(CLAP_CALL* requestFlush)(const Host* host);
};

}  // namespace clap
