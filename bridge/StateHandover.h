// How a whole state reaches the effect while the audio thread may be
// applying a host's parameter and program changes: never both at once, so
// that a load, a program change and automation cannot mix into a result
// that no order of them gives (values of the loaded state in one program,
// an automated one in another).
//
// The audio thread applies everything itself while blocks run: a loader
// leaves the state in the handover's slot, and the next process call
// applies it whole before its own changes; the loader waits for that.
// When no block is expected (the plug-in inactive), or none came for a
// while, the loader applies the state itself, and a block that starts
// meanwhile changes nothing (its host changes are dropped: only a host
// that processes while it said it would not meets that).  Either way the
// state has been applied when the load returns, so what the host reads
// back is what it loaded.
//
// One word of flags orders it all; the audio thread never waits and never
// calls the system, a loader waits in short pauses.  Loaders take turns.
#pragma once

#include <atomic>
#include <cstdint>

#include "bridge/BankState.h"

namespace bridge {

class StateHandover {
public:
    // The audio thread, at the start of a process call: the state to apply
    // before anything else, or null; `mayChange` is false when a loader is
    // applying one right now, and the block then changes nothing.
    const BankState* enterBlock(bool& mayChange);
    // At its end; `appliedState` when enterBlock gave it one.
    void leaveBlock(bool appliedState);

    // Any other thread.  Hands `state` to the audio thread when blocks are
    // expected and answers true once it was applied there; answers false
    // when the caller is to apply it, now.  Either way the caller holds the
    // handover, other loaders waiting, until it calls finishLoad.
    bool offer(const BankState& state, bool blocksExpected);
    void finishLoad();

    // How long a loader waits for a block before it applies the state
    // itself, in pauses of about a millisecond.
    static constexpr int kPausesForABlock = 100;

private:
    static constexpr std::uint32_t kInBlock = 1;  // the audio thread is in a process call
    static constexpr std::uint32_t kWaiting = 2;  // the slot holds a state for the audio thread
    static constexpr std::uint32_t kApplying = 4;  // a loader applies a state itself
    static constexpr std::uint32_t kLoading = 8;  // a loader holds the handover

    // Waits until `flag` can be set where none of `busy` is set.
    void claim(std::uint32_t flag, std::uint32_t busy);

    std::atomic<std::uint32_t> gate{0};
    BankState slot{};  // written by the loader that holds the handover, read by the audio thread while kWaiting
};

}  // namespace bridge
