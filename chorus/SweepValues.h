// The delay sweep of a block, computed once at its start:
//   modDepth    = (0.015 / ((3.9 × rate) + 0.1)) × (depth × sampleRate)
//   centerDelay = (((sampleRate × predelay) × 0.1f) + 10) + modDepth
// in frames, each operation under the block's arithmetic, so the caller
// must have entered it (fpu::enterBlockArithmetic), read the inputs from
// memory after that and put the results into memory before leaving it: the
// compiler moves register arithmetic freely across the control-word switch.  0.015, 3.9 and the
// first 0.1 are doubles, the second 0.1 is the float 0.1f.  The results
// have 24-bit significands, and for any float inputs their magnitudes stay
// between about 2^-440 and 2^280 (or are 0, infinite or NaN), well inside
// double's range, so doubles hold them exactly.
#pragma once

namespace chorus {

struct SweepValues {
    double modDepth;     // amplitude of the delay sweep
    double centerDelay;  // centre of the sweep
};

inline SweepValues sweepValues(float rate, float depth, float predelay, float sampleRate) {
    using x87 = long double;
    const x87 fs = sampleRate;
    const x87 modDepth =
        (static_cast<x87>(0.015) / ((static_cast<x87>(3.9) * rate) + static_cast<x87>(0.1))) * (depth * fs);
    const x87 centerDelay = (((fs * predelay) * static_cast<x87>(0.1f)) + static_cast<x87>(10)) + modDepth;
    return {static_cast<double>(modDepth), static_cast<double>(centerDelay)};
}

}  // namespace chorus
