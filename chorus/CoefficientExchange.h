// Hands whole coefficient sets from the threads that set parameters to the
// audio thread.  Any number of threads may publish at once (a host's
// automation on its audio thread, the editor's knob on the UI thread), and
// the audio thread takes the newest set at the start of each block.  Nobody
// waits for anybody and nothing is allocated, so every side is real-time
// safe.
//
// Slots.  A set is written into a slot that no reader is told about, and
// only then named the newest: the audio thread never starts on a set that
// is half written.  Each slot has a sequence number, odd while a writer
// fills it; a reader that copied a slot while it was being reused for a
// later set sees the number change (or the slot's ticket differ from the
// name it followed) and takes the newest again.  Writers claim a free slot
// with one compare-and-swap and never write into the newest one.
//
// Tickets.  A writer takes its ticket after storing its parameter value and
// before deriving its set; a set is named the newest only if no later
// ticket has been named before it.  The set with the latest ticket was
// therefore derived from every value stored before any earlier ticket was
// taken: two threads turning two knobs at once end with a set that holds
// both turns.
//
// Memory order: the release store that closes a slot's sequence and the
// acquire load that opens a reader's copy pair the set's plain stores with
// its plain loads; the acquire fence keeps the copy before the second look
// at the sequence (on x86 all of these are ordinary moves, the claims and
// the naming one locked instruction each).
#pragma once

#include <atomic>
#include <cstdint>

#include "chorus/ProcessingCoefficients.h"

namespace chorus {

// Where a writer may be held up, for the tests: before it claims a slot and
// between writing its set and naming it.  The product's writers go straight
// on.
struct NoHoldUps {
    static void beforeClaiming() {}
    static void beforeNaming() {}
};

template <class HoldUps = NoHoldUps>
class BasicCoefficientExchange {
public:
    explicit BasicCoefficientExchange(const ProcessingCoefficients& initial) {
        slots[0].set = initial;
        newestName.store(nameOf(0, 0), std::memory_order_relaxed);
    }
    BasicCoefficientExchange(const BasicCoefficientExchange&) = delete;
    BasicCoefficientExchange& operator=(const BasicCoefficientExchange&) = delete;

    // Orders a publication; taken after the value the set derives from is
    // stored and before the set is derived.
    std::uint32_t takeTicket() { return nextTicket.fetch_add(1, std::memory_order_acq_rel) & kTicketMask; }

    // Makes `set` the newest unless a set with a later ticket already is.
    void publish(std::uint32_t ticket, const ProcessingCoefficients& set) {
        HoldUps::beforeClaiming();
        const std::uint32_t slot = claimSlot(ticket);
        Slot& s = slots[slot];
        const std::uint32_t sequence = s.sequence.load(std::memory_order_relaxed);  // odd: claimed
        s.ticket = ticket;
        s.set = set;
        s.sequence.store(sequence + 1, std::memory_order_release);
        HoldUps::beforeNaming();

        const std::uint32_t name = nameOf(ticket, slot);
        std::uint32_t newest = newestName.load(std::memory_order_relaxed);
        while (isLater(name, newest) &&
               !newestName.compare_exchange_weak(newest, name, std::memory_order_release, std::memory_order_relaxed)) {
        }
    }

    // The audio thread: copies the newest set into `set`.  False, with `set`
    // left as it was, in the unlikely case that writers replaced the newest
    // set during every one of a few attempts; the caller then keeps the set
    // it ran with before, which is whole too.
    bool takeNewest(ProcessingCoefficients& set) const {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const std::uint32_t name = newestName.load(std::memory_order_acquire);
            const Slot& s = slots[name & kSlotMask];
            const std::uint32_t before = s.sequence.load(std::memory_order_acquire);
            if (before & 1u) continue;
            const std::uint32_t ticket = s.ticket;
            const ProcessingCoefficients copy = s.set;
            std::atomic_thread_fence(std::memory_order_acquire);
            if (s.sequence.load(std::memory_order_relaxed) == before && ticket == ticketOf(name)) {
                set = copy;
                return true;
            }
        }
        return false;
    }

    // The newest set, for a thread that no writer runs beside (tests).
    ProcessingCoefficients newest() const {
        ProcessingCoefficients set{};
        takeNewest(set);
        return set;
    }

private:
    static constexpr std::uint32_t kSlotBits = 3;
    static constexpr std::uint32_t kSlots = 1u << kSlotBits;
    static constexpr std::uint32_t kSlotMask = kSlots - 1;
    static constexpr std::uint32_t kTicketMask = 0xFFFFFFFFu >> kSlotBits;
    static constexpr int kAttempts = 4;

    struct Slot {
        std::atomic<std::uint32_t> sequence{0};
        std::uint32_t ticket = 0;
        ProcessingCoefficients set{};
    };

    // A name packs a ticket and its slot into one word, so that naming the
    // newest set is a single atomic store.
    static std::uint32_t nameOf(std::uint32_t ticket, std::uint32_t slot) { return (ticket << kSlotBits) | slot; }
    static std::uint32_t ticketOf(std::uint32_t name) { return name >> kSlotBits; }
    // Tickets wrap; of two tickets less than 2^28 apart, the later is the
    // one the other must count up to.
    static bool isLater(std::uint32_t name, std::uint32_t other) {
        return static_cast<std::int32_t>((name & ~kSlotMask) - (other & ~kSlotMask)) > 0;
    }

    // A slot that is neither the newest nor being written, marked as being
    // written (odd).  With eight slots one is free unless seven writers are
    // between their claim and their naming at once; a writer would then go
    // round again.
    std::uint32_t claimSlot(std::uint32_t ticket) {
        for (std::uint32_t i = ticket;; ++i) {
            const std::uint32_t slot = i & kSlotMask;
            if (slot == (newestName.load(std::memory_order_relaxed) & kSlotMask)) continue;
            std::uint32_t sequence = slots[slot].sequence.load(std::memory_order_relaxed);
            if (sequence & 1u) continue;
            if (slots[slot].sequence.compare_exchange_strong(sequence, sequence + 1, std::memory_order_acquire,
                                                             std::memory_order_relaxed)) {
                // The odd sequence is seen before any of the set's stores.
                std::atomic_thread_fence(std::memory_order_release);
                return slot;
            }
        }
    }

    Slot slots[kSlots];
    std::atomic<std::uint32_t> nextTicket{1};
    std::atomic<std::uint32_t> newestName{0};
};

using CoefficientExchange = BasicCoefficientExchange<>;

}  // namespace chorus
