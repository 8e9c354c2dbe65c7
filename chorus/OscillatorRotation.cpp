#include "chorus/OscillatorRotation.h"

#include "chorus/X87Trigonometry.h"

namespace chorus {

double modulationFrequency(float rate) { return 3.9 * static_cast<double>(rate) + 0.1; }

OscillatorRotation oscillatorRotation(float rate, float sampleRate) {
    constexpr double kTwoPi = 2.0 * 3.14159265358979323846;
    const double omega = kTwoPi * modulationFrequency(rate) / static_cast<double>(sampleRate);
    const SineAndCosine turn = sineAndCosine(omega);
    return {turn.cosine, turn.sine};
}

}  // namespace chorus
