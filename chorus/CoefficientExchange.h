// Hands whole coefficient sets from the threads that set parameters to the
// audio thread.  Any number of threads may publish at once (a host's
// automation on its audio thread, the editor's knob on the UI thread), and
// the audio thread takes the newest set at the start of each block.  Nobody
// waits for anybody and nothing is allocated, so every side is real-time
// safe.
//
// Tickets.  A writer takes its ticket after storing its parameter value and
// before deriving its set; a set is named the newest only if no later
// ticket has been named before it.  The set with the latest ticket was
// therefore derived from every value stored before any earlier ticket was
// taken: two threads turning two knobs at once end with a set that holds
// both turns.
//
// Slots.  A writer claims a slot that no one holds, writes its set there
// and then names it the newest.  The slot stays held while its set is the
// newest; the writer that names a later set in its place frees it, and a
// writer that finds a later set already named frees its own.  So no writer
// can write into a slot whose set is named or about to be: the latest set
// stays where its name says.  With eight slots a writer finds one free
// unless seven others are between their claim and their naming at once; it
// would then go round until one is done.
//
// Reading.  The audio thread copies the newest set while a writer may be
// reusing its slot for a later set.  Each slot has a sequence number, odd
// while it is written; a copy during which the number changed, or whose
// ticket is not the one named, is dropped and the newest taken again.  A
// block that finds the set it holds still named copies nothing.
//
// Memory order.  Every word that crosses threads is an atomic, so the
// exchange is race-free in the language's terms and ThreadSanitizer can
// check it; there is no fence.  A set's words are stored with release after
// the odd sequence number and loaded with acquire before the second look at
// it: a copy that read any word of a later writing sees that writing's odd
// number and is dropped.  Naming is acquire and release, and a claim
// acquires what the slot's last holder released when it freed the slot: a
// writer's words come after every earlier writing of that slot.  On x86
// every one of these loads and stores is a plain move, each claim and
// naming one locked instruction.
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
        slots[0].held.store(true, std::memory_order_relaxed);
        write(slots[0], 0, initial);
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
        write(slots[slot], ticket, set);
        HoldUps::beforeNaming();

        const std::uint32_t name = nameOf(ticket, slot);
        std::uint32_t newest = newestName.load(std::memory_order_relaxed);
        do {
            if (!isLater(name, newest)) {
                freeSlot(slot);  // a later set is named already
                return;
            }
        } while (!newestName.compare_exchange_weak(newest, name, std::memory_order_acq_rel,
                                                   std::memory_order_relaxed));
        freeSlot(newest & kSlotMask);  // the set this one replaced
    }

    // The audio thread: makes `set` the newest set.  `name` names the set
    // that `set` holds (the initial set is named 0; takeNewest updates it):
    // while that set is still the newest, which a block usually finds,
    // nothing is copied.  False, with both left as they were, in the
    // unlikely case that writers replaced the newest set during every one
    // of a few attempts; the caller then keeps the set it ran with before,
    // which is whole too.
    bool takeNewest(ProcessingCoefficients& set, std::uint32_t& name) const {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const std::uint32_t newest = newestName.load(std::memory_order_acquire);
            if (newest == name) return true;
            if (copy(newest, set)) {
                name = newest;
                return true;
            }
        }
        return false;
    }

    // The newest set, for a thread that no writer runs beside (tests).
    ProcessingCoefficients newest() const {
        ProcessingCoefficients set{};
        copy(newestName.load(std::memory_order_acquire), set);
        return set;
    }

private:
    static constexpr std::uint32_t kSlotBits = 3;
    static constexpr std::uint32_t kSlots = 1u << kSlotBits;
    static constexpr std::uint32_t kSlotMask = kSlots - 1;
    static constexpr std::uint32_t kTicketMask = 0xFFFFFFFFu >> kSlotBits;
    static constexpr int kAttempts = 4;

    // A slot's content in 32-bit words, each of which the 32-bit DLL too
    // loads and stores whole: the ticket, the five filter coefficients, and
    // the rotation's cosine and sine in two halves each.
    static constexpr int kWords = 10;

    struct Slot {
        std::atomic<bool> held{false};
        std::atomic<std::uint32_t> sequence{0};
        std::atomic<std::uint32_t> words[kWords] = {};
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

    // A slot that no one holds, now held by the caller.
    std::uint32_t claimSlot(std::uint32_t ticket) {
        for (std::uint32_t i = ticket;; ++i) {
            Slot& s = slots[i & kSlotMask];
            bool held = s.held.load(std::memory_order_relaxed);
            if (!held && s.held.compare_exchange_strong(held, true, std::memory_order_acquire,
                                                        std::memory_order_relaxed))
                return i & kSlotMask;
        }
    }

    void freeSlot(std::uint32_t slot) { slots[slot].held.store(false, std::memory_order_release); }

    // The set named `name`, unless its slot was being written or was
    // written again meanwhile.
    bool copy(std::uint32_t name, ProcessingCoefficients& set) const {
        const Slot& s = slots[name & kSlotMask];
        const std::uint32_t before = s.sequence.load(std::memory_order_acquire);
        if (before & 1u) return false;
        std::uint32_t words[kWords];
        for (int i = 0; i < kWords; ++i) words[i] = s.words[i].load(std::memory_order_acquire);
        if (s.sequence.load(std::memory_order_relaxed) != before || words[0] != ticketOf(name)) return false;
        set = fromWords(words);
        return true;
    }

    // Only the slot's holder writes it.
    static void write(Slot& s, std::uint32_t ticket, const ProcessingCoefficients& set) {
        const std::uint32_t sequence = s.sequence.load(std::memory_order_relaxed);
        s.sequence.store(sequence + 1, std::memory_order_relaxed);  // odd: being written
        std::uint32_t words[kWords];
        toWords(ticket, set, words);
        for (int i = 0; i < kWords; ++i) s.words[i].store(words[i], std::memory_order_release);
        s.sequence.store(sequence + 2, std::memory_order_release);
    }

    static void toWords(std::uint32_t ticket, const ProcessingCoefficients& set, std::uint32_t* words) {
        const FilterCoefficients& f = set.filter;
        const std::uint64_t cosine = __builtin_bit_cast(std::uint64_t, set.rotation.cosine);
        const std::uint64_t sine = __builtin_bit_cast(std::uint64_t, set.rotation.sine);
        words[0] = ticket;
        words[1] = __builtin_bit_cast(std::uint32_t, f.a0);
        words[2] = __builtin_bit_cast(std::uint32_t, f.a1);
        words[3] = __builtin_bit_cast(std::uint32_t, f.a2);
        words[4] = __builtin_bit_cast(std::uint32_t, f.b1);
        words[5] = __builtin_bit_cast(std::uint32_t, f.b2);
        words[6] = static_cast<std::uint32_t>(cosine);
        words[7] = static_cast<std::uint32_t>(cosine >> 32);
        words[8] = static_cast<std::uint32_t>(sine);
        words[9] = static_cast<std::uint32_t>(sine >> 32);
    }

    static ProcessingCoefficients fromWords(const std::uint32_t* words) {
        const auto halves = [](std::uint32_t low, std::uint32_t high) {
            return __builtin_bit_cast(double, (static_cast<std::uint64_t>(high) << 32) | low);
        };
        return {{__builtin_bit_cast(float, words[1]), __builtin_bit_cast(float, words[2]),
                 __builtin_bit_cast(float, words[3]), __builtin_bit_cast(float, words[4]),
                 __builtin_bit_cast(float, words[5])},
                {halves(words[6], words[7]), halves(words[8], words[9])}};
    }

    Slot slots[kSlots];
    std::atomic<std::uint32_t> nextTicket{1};
    std::atomic<std::uint32_t> newestName{0};
};

using CoefficientExchange = BasicCoefficientExchange<>;

}  // namespace chorus
