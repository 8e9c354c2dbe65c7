// The plug-in's saved state, written to and read from the host's streams,
// which may move fewer bytes per call than asked.
#pragma once

#include "clap/abi/Plugin.h"

namespace clap {

struct InputStream {
    void* ctx;
    // Bytes read; 0 at the end, -1 on an error.
    std::int64_t(CLAP_CALL* read)(const InputStream* stream, void* buffer, std::uint64_t size);
};

struct OutputStream {
    void* ctx;
    // Bytes written; -1 on an error.
    std::int64_t(CLAP_CALL* write)(const OutputStream* stream, const void* buffer, std::uint64_t size);
};

constexpr char kExtState[] = "clap.state";

struct PluginState {
    bool(CLAP_CALL* save)(const Plugin* plugin, const OutputStream* stream);  // [main-thread]
    bool(CLAP_CALL* load)(const Plugin* plugin, const InputStream* stream);   // [main-thread]
};

}  // namespace clap
