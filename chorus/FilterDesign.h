// What Filter and Cutoff derive when they are set: the wet-path filter's
// five coefficients.  Computed in double, transcendental functions included,
// and never per sample.
#pragma once

namespace chorus {

// Cutoff frequency in Hz: 15920 × value + 80 (80 Hz to 16000 Hz for 0..1).
double cutoffFrequency(float cutoff);

struct FilterCoefficients {
    float a0;
    float a1;
    float a2;
    float b1;
    float b2;
};

// The lowest and highest cutoff that the design accepts: below 20 Hz (a
// negative Cutoff value) the low-pass is unstable, at half the sample rate
// tan θ has no finite value and above it the response folds.  Every fc
// that Cutoff values 0 to 1 give at sample rates from 32654 Hz up lies
// inside, and there the coefficients are exactly the specified ones.
constexpr double kLowestCutoffHz = 20.0;
constexpr double kHighestCutoffPerSampleRate = 0.49;

// Second-order Butterworth low-pass or high-pass (bilinear transform with a
// pre-warped cutoff) for the direct form that the processing runs:
//   w[n] = x[n] − b1·w[n−1] − b2·w[n−2]
//   y[n] = a0·w[n] + a1·w[n−1] + a2·w[n−2]
// With θ = π·fc/fs and k = 1/tan θ (low-pass) or tan θ (high-pass):
//   A = 1 / (1 + √2·k + k²);  a0 = A, a1 = ±2A, a2 = A;
//   b1 = 2(1 − k²)A (low-pass) or 2(k² − 1)A (high-pass);
//   b2 = (1 − √2·k + k²)A,
// each stored as a float, b1 and b2 scaled by A as already rounded to float.
FilterCoefficients designFilter(bool lowPass, float cutoff, float sampleRate);

}  // namespace chorus
