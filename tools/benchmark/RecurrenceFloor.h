// The floor of the benchmark: the two recurrences of every frame (the
// modulation oscillator and the wet-path filter), in the frame loops' own
// arithmetic and with the effect's default program, and nothing else.  Each
// frame's step of either needs the previous frame's, so no processing of
// the effect can run faster than this chain; the report gives ours ÷ floor.
// It is the effect's own code (ModulationOscillator.h, WetFilter.h's
// filterFrame, the block's MXCSR), compiled into the benchmark.
#pragma once

#include "tools/benchmark/Harness.h"

namespace bench {

class RecurrenceFloor final : public BlockProcessor {
public:
    RecurrenceFloor();
    // y to the left output, the oscillator's sine as a float to the right.
    void process(float** inputs, float** outputs, int frames) override;

private:
    double oscSin = 0.0, oscCos = 1.0;
    double rotCos, rotSin;
    double z1 = 0.0, z2 = 0.0;
    float a0, a1, a2, b1, b2;
};

}  // namespace bench
