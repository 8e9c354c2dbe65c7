// A block as the host hands it over: the audio buffers of each port and the
// events of the block, with a list for the plug-in's own events.
#pragma once

#include "clap/abi/Base.h"

namespace clap {

// One port's channels, 32- or 64-bit.
struct AudioBuffer {
    float** data32;
    double** data64;
    std::uint32_t channelCount;
    std::uint32_t latency;
    std::uint64_t constantMask;  // a hint: bit n set, channel n holds one value throughout
};

// Every event begins with this header; `time` is its frame in the block.
struct EventHeader {
    std::uint32_t size;  // of the whole event
    std::uint32_t time;
    std::uint16_t spaceId;
    std::uint16_t type;
    std::uint32_t flags;
};

constexpr std::uint16_t kCoreEventSpace = 0;

// Types of the core event space that this plug-in reads or writes.
enum EventType : std::uint16_t {
    kEventParamValue = 5,
    kEventParamMod = 6,
    kEventParamGestureBegin = 7,
    kEventParamGestureEnd = 8,
};

// A parameter's new value from the event's frame on.  The note id, port,
// channel and key may name voices, -1 meaning any; an effect without
// voices applies the value whatever they hold.
struct EventParamValue {
    EventHeader header;
    Id paramId;
    void* cookie;
    std::int32_t noteId;
    std::int16_t portIndex;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

// The user took hold of a parameter's control, or let go of it.
struct EventParamGesture {
    EventHeader header;
    Id paramId;
};

// Events sorted by time.
struct InputEvents {
    void* ctx;
    std::uint32_t(CLAP_CALL* size)(const InputEvents* list);
    const EventHeader*(CLAP_CALL* get)(const InputEvents* list, std::uint32_t index);
};

// The host copies each event pushed; false when it could not.
struct OutputEvents {
    void* ctx;
    bool(CLAP_CALL* tryPush)(const OutputEvents* list, const EventHeader* event);
};

struct EventTransport;

struct Process {
    std::int64_t steadyTime;
    std::uint32_t framesCount;
    const EventTransport* transport;
    const AudioBuffer* audioInputs;
    AudioBuffer* audioOutputs;
    std::uint32_t audioInputsCount;
    std::uint32_t audioOutputsCount;
    const InputEvents* inEvents;
    const OutputEvents* outEvents;
};

enum ProcessStatus : std::int32_t {
    kProcessError = 0,
    kProcessContinue = 1,
    kProcessContinueIfNotQuiet = 2,
    kProcessTail = 3,
    kProcessSleep = 4,
};

}  // namespace clap
