// The delay sweep of a block, computed once at its start:
//   modDepth    = (0.015 / ((3.9 × rate) + 0.1)) × (depth × sampleRate)
//   centerDelay = (((sampleRate × predelay) × 0.1f) + 10) + modDepth
// in frames, each operation under the block's arithmetic (the building
// blocks of BlockArithmetic.h), so the caller must have entered the block's
// MXCSR.  0.015, 3.9 and the first 0.1 are doubles, the second 0.1 is the
// float 0.1f.  The results have 24-bit significands, and for any float
// inputs their magnitudes stay between about 2^-440 and 2^280 (or are 0,
// infinite or NaN), well inside double's normal range, where the masked
// double operations are exact: a division's quotient, like any other
// result, is cut to 53 bits by the rounding mode and to 24 by the mask.
#pragma once

#include "chorus/BlockArithmetic.h"

namespace chorus {

struct SweepValues {
    double modDepth;     // amplitude of the delay sweep
    double centerDelay;  // centre of the sweep
};

inline SweepValues sweepValues(float rate, float depth, float predelay, float sampleRate) {
    using namespace blockmath;
    const double fs = sampleRate;
    const double modDepth = mul(div(0.015, add(mul(3.9, static_cast<double>(rate)), 0.1)),
                                mul(static_cast<double>(depth), fs));
    const double centerDelay =
        add(add(mul(mul(fs, static_cast<double>(predelay)), static_cast<double>(0.1f)), 10.0), modDepth);
    return {modDepth, centerDelay};
}

}  // namespace chorus
