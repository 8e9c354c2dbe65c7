// What the processing uses every frame and is costly to derive: the wet
// filter's five coefficients and the modulation oscillator's rotation.
// They are derived together, whenever Filter, Cutoff or Rate is set and at
// every program and sample-rate change, and reach the audio thread as one
// set (CoefficientExchange.h): a filter built from b1 of one cutoff and b2
// of another can be unstable.
#pragma once

#include "chorus/FilterDesign.h"
#include "chorus/OscillatorRotation.h"

namespace chorus {

struct ProcessingCoefficients {
    FilterCoefficients filter;
    OscillatorRotation rotation;
};

// The set a new effect starts with: a pass-through filter and no rotation.
constexpr ProcessingCoefficients kPassThroughCoefficients = {{1.0f, 0.0f, 0.0f, 0.0f, 0.0f}, {1.0, 0.0}};

}  // namespace chorus
