// Edits made in the editor, on their way to the host.  The editor runs on
// the host's main thread, but a CLAP plug-in tells its host of parameter
// changes only as events of the next block it processes, or of a flush
// while none runs.  So the editor only counts, for each parameter, the
// gestures it began and ended and the values it set; the block or the
// flush turns what happened since the last one into a gesture begin, the
// parameter's value as the effect now has it, and a gesture end.
//
// Counts rather than a queue: nothing to fill up while a host neither
// processes nor flushes, and a host that misses a while still hears every
// gesture balanced and the latest value, several gestures since its last
// block merged into one.  Counts only grow, each in one atomic word.
#pragma once

#include <atomic>
#include <cstdint>

namespace clap {

class EditReports {
public:
    static constexpr int kParameters = 9;

    // The editor's side, on the main thread.  A gesture's values come
    // between its begin and end; a value may also come alone.
    void begin(int parameter) { slots[parameter].begins.fetch_add(1); }
    void value(int parameter) { slots[parameter].values.fetch_add(1); }
    void end(int parameter) { slots[parameter].ends.fetch_add(1); }

    // Whether the host is to be asked to collect the edits: true once
    // after each delivery, so that a drag asks once, not at every move.
    bool claimRequest() { return !requested.exchange(true); }

    // The block's or the flush's side (never both at once): each event
    // goes to `push(type, parameter)` ('b'egin, 'v'alue, 'e'nd) in that
    // order; one the host refuses is tried again at the next delivery.
    // A push may close the editor, whose gesture then ends, and the host
    // asked for a flush may flush right there: that inner delivery leaves
    // the edit to this one, which looks again.
    template <typename Push>
    void deliver(Push push) {
        if (delivering) return;
        delivering = true;
        do {
            // Cleared before the counts are read: an edit counted after
            // this asks the host again.
            requested.store(false);
            for (int p = 0; p < kParameters; ++p) deliver(p, push);
        } while (requested.load());
        delivering = false;
    }

private:
    template <typename Push>
    void deliver(int p, Push& push) {
        Slot& slot = slots[p];
        Delivered& told = delivered[p];
        // The end count first: read so, the counts never show more ends
        // than begins.
        const std::uint32_t ends = slot.ends.load();
        const std::uint32_t values = slot.values.load();
        const std::uint32_t begins = slot.begins.load();
        const bool began = begins != told.begins;
        const bool editing = begins != ends;
        if (!began && values == told.values && ends == told.ends) return;
        if (began && !told.open) {
            if (!push('b', p)) return;
            told.open = true;
        }
        if (values != told.values) {
            if (!push('v', p)) return;
            told.values = values;
        }
        if (told.open && !editing) {
            if (!push('e', p)) return;
            told.open = false;
        }
        told.begins = begins;
        told.ends = ends;
    }

    struct Slot {
        std::atomic<std::uint32_t> begins{0};
        std::atomic<std::uint32_t> values{0};
        std::atomic<std::uint32_t> ends{0};
    };
    // What the host has been told; the delivering thread's own.
    struct Delivered {
        std::uint32_t begins = 0;
        std::uint32_t values = 0;
        std::uint32_t ends = 0;
        bool open = false;  // the host holds a begun gesture
    };
    Slot slots[kParameters];
    Delivered delivered[kParameters];
    bool delivering = false;
    std::atomic<bool> requested{false};
};

}  // namespace clap
