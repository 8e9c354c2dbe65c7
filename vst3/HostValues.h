// The values a host set on the controller that the effect has not taken
// yet.  While the plug-in is active a host hands each value to the
// processor as well, at the frame where it belongs, and the controller must
// not apply it early; meanwhile the host reads back what it set, not the
// effect's older value.  A value leaves this list once the effect has one
// newer than it: a block applied a change of that parameter, the program
// changed, a state was loaded, or the editor moved it.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/RelaxedAtomic.h"
#include "vst3/abi/Processor.h"

namespace vst3 {

template <int Count>
class HostValues {
public:
    // On the host's UI thread.
    void set(ParamID id, ParamValue value) {
        if (id >= Count) return;
        values[id] = value;
        waiting.fetch_or(bit(id), std::memory_order_release);
    }
    // Any thread: false when the effect's own value is the newest.
    bool get(ParamID id, ParamValue& value) const {
        if (id >= Count || (waiting.load(std::memory_order_acquire) & bit(id)) == 0) return false;
        value = values[id];
        return true;
    }
    // Any thread, the audio thread included.
    void taken(ParamID id) {
        if (id < Count) waiting.fetch_and(~bit(id), std::memory_order_relaxed);
    }
    void allTaken() { waiting.store(0, std::memory_order_relaxed); }

private:
    static_assert(Count <= 32, "one bit per parameter");
    static std::uint32_t bit(ParamID id) { return std::uint32_t{1} << id; }

    RelaxedAtomic<ParamValue> values[Count];
    std::atomic<std::uint32_t> waiting{0};
};

}  // namespace vst3
