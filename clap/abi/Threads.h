// The host's answer to which of its threads is calling: its main thread
// (windows, set-up, state) or the audio thread of the moment.
#pragma once

#include "clap/abi/Plugin.h"

namespace clap {

constexpr char kExtThreadCheck[] = "clap.thread-check";

struct HostThreadCheck {
    bool(CLAP_CALL* isMainThread)(const Host* host);   // [thread-safe]
    bool(CLAP_CALL* isAudioThread)(const Host* host);  // [thread-safe]
};

}  // namespace clap
