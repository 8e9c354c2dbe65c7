#include "bridge/StateHandover.h"

#include "host/Platform.h"

namespace bridge {

// The audio thread marks itself inside a block first, then looks: a loader
// that set kApplying before that keeps the record to itself; a state that
// waits is the block's to apply.  Acquire: the slot was written before
// kWaiting was set.
const BankState* StateHandover::enterBlock(bool& mayChange) {
    const std::uint32_t before = gate.fetch_or(kInBlock, std::memory_order_acq_rel);
    mayChange = (before & kApplying) == 0;
    return mayChange && (before & kWaiting) ? &slot : nullptr;
}

// kWaiting goes only once the state was applied: the loader returns then.
void StateHandover::leaveBlock(bool appliedState) {
    gate.fetch_and(appliedState ? ~(kInBlock | kWaiting) : ~kInBlock, std::memory_order_release);
}

void StateHandover::claim(std::uint32_t flag, std::uint32_t busy) {
    std::uint32_t seen = gate.load(std::memory_order_relaxed);
    for (;;) {
        if ((seen & busy) == 0 &&
            gate.compare_exchange_weak(seen, seen | flag, std::memory_order_acquire, std::memory_order_relaxed))
            return;
        if (seen & busy) {
            platform::pauseBriefly();
            seen = gate.load(std::memory_order_relaxed);
        }
    }
}

bool StateHandover::offer(const BankState& state, bool blocksExpected) {
    claim(kLoading, kLoading);
    // No block reads the slot now: kWaiting is clear while no loader holds
    // the handover.
    slot = state;
    if (blocksExpected) {
        gate.fetch_or(kWaiting, std::memory_order_release);
        for (int pause = 0;; ++pause) {
            std::uint32_t seen = gate.load(std::memory_order_acquire);
            if ((seen & kWaiting) == 0) return true;
            // No block came: take the state back, unless one has just
            // started (it then applies the state).
            if (pause >= kPausesForABlock && (seen & kInBlock) == 0 &&
                gate.compare_exchange_strong(seen, (seen & ~kWaiting) | kApplying, std::memory_order_acquire,
                                             std::memory_order_relaxed))
                return false;
            platform::pauseBriefly();
        }
    }
    claim(kApplying, kInBlock);
    return false;
}

void StateHandover::finishLoad() { gate.fetch_and(~(kApplying | kLoading), std::memory_order_release); }

}  // namespace bridge
