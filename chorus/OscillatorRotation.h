// What Rate derives when it is set: the modulation oscillator's rotation
// per frame, computed in double with the x87's cosine and sine
// (X87Trigonometry.h), never per sample.
#pragma once

namespace chorus {

// Modulation rate in Hz: 3.9 × value + 0.1 (0.1 Hz to 4.0 Hz for 0..1).
double modulationFrequency(float rate);

struct OscillatorRotation {
    double cosine;
    double sine;
};

// cos ω and sin ω of the angle the oscillator turns by per frame,
// ω = 2π × modulationFrequency(rate) / sampleRate.
OscillatorRotation oscillatorRotation(float rate, float sampleRate);

}  // namespace chorus
