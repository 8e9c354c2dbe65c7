// Sample-accurate changes: a host's block runs in pieces, split at every
// frame where one of its changes falls.  The changes due at a frame are
// applied there, then the audio runs up to the next one, so the output is
// what the effect gives when it is set at exactly those frames.  A change
// is a step: its value holds from its frame on.  A change before the
// block's start (or out of order) applies at once, one past its end after
// the last frame; a block of 0 frames applies its changes and nothing else.
//
// The changes come from a source in time order, whatever the format keeps
// them in (one queue per parameter, one list of events):
//
//   struct Source {
//       // The frame of the next change, or kNoChange when there is none.
//       std::int32_t nextFrame();
//       // Takes the next change.
//       Change take();
//   };
//
// Changes are applied in the platform's default floating-point environment,
// entered once for the block and only if a change comes; the audio runs
// under the host's, which the effect's processing handles itself.
// Header-only and inline: the audio thread calls no function for it.
#pragma once

#include <cstdint>

#include "host/FloatingPointControl.h"

namespace bridge {

struct Change {
    std::int32_t frame;
    std::uint32_t id;  // the format's parameter id
    double value;      // the format's value, normalized where it has one
};

constexpr std::int32_t kNoChange = INT32_MAX;

// `apply(change, frame)` applies one change at `frame` (the frame it falls
// at, taken into the block); `render(start, count)` runs frames start to
// start + count - 1.
template <typename Source, typename Apply, typename Render>
void runBlock(std::int32_t frames, Source& changes, Apply&& apply, Render&& render) {
    if (frames < 0) frames = 0;
    // Past the block's end is its end.
    auto nextDue = [&] {
        const std::int32_t next = changes.nextFrame();
        return next != kNoChange && next > frames ? frames : next;
    };
    fpu::HostEnvironment host;
    bool inDefault = false;
    std::int32_t frame = 0;
    for (;;) {
        std::int32_t next = nextDue();
        for (; next <= frame; next = nextDue()) {
            if (!inDefault) {
                host = fpu::enterDefaultArithmetic();
                inDefault = true;
            }
            apply(changes.take(), frame);
        }
        if (frame >= frames) break;
        const std::int32_t end = next < frames ? next : frames;
        render(frame, end - frame);
        frame = end;
    }
    if (inDefault) fpu::leaveDefaultArithmetic(host);
}

}  // namespace bridge
