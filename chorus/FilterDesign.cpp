#include "chorus/FilterDesign.h"

#include <cmath>

#include "chorus/X87Trigonometry.h"

namespace chorus {

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

double cutoffFrequency(float cutoff) { return 15920.0 * static_cast<double>(cutoff) + 80.0; }

FilterCoefficients designFilter(bool lowPass, float cutoff, float sampleRate) {
    const double fs = sampleRate;
    double fc = cutoffFrequency(cutoff);
    // The clamp, written so that NaN ends at the low end and the upper
    // bound wins when the two cross (sample rates below 41 Hz).
    if (!(fc >= kLowestCutoffHz)) fc = kLowestCutoffHz;
    const double highest = kHighestCutoffPerSampleRate * fs;
    if (!(fc <= highest)) fc = highest;

    const double theta = kPi * fc / fs;
    const double k = lowPass ? 1.0 / tangent(theta) : tangent(theta);
    const double sqrt2 = std::sqrt(2.0);
    const double kk = k * k;

    FilterCoefficients c;
    c.a0 = static_cast<float>(1.0 / (1.0 + sqrt2 * k + kk));
    const double a = c.a0;  // as rounded to float
    c.a1 = static_cast<float>((lowPass ? 2.0 : -2.0) * a);
    c.a2 = c.a0;
    c.b1 = static_cast<float>((lowPass ? 2.0 * (1.0 - kk) : 2.0 * (kk - 1.0)) * a);
    c.b2 = static_cast<float>((1.0 - sqrt2 * k + kk) * a);
    return c;
}

}  // namespace chorus
