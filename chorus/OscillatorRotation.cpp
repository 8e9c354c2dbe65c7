#include "chorus/OscillatorRotation.h"

#include <cmath>

namespace chorus {

double modulationFrequency(float rate) { return 3.9 * static_cast<double>(rate) + 0.1; }

OscillatorRotation oscillatorRotation(float rate, float sampleRate) {
    constexpr double kTwoPi = 2.0 * 3.14159265358979323846;
    const double omega = kTwoPi * modulationFrequency(rate) / static_cast<double>(sampleRate);
    return {std::cos(omega), std::sin(omega)};
}

}  // namespace chorus
