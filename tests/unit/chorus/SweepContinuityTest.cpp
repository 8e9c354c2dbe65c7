// The delay sweep is continuous: the oscillator keeps its amplitude by a
// small correction in every frame, so nothing happens to the sweep when the
// ring's write position wraps.  Guards the click that a once-per-wrap
// correction used to make (every 1.49 s at 44.1 kHz).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "chorus/ModulationOscillator.h"
#include "chorus/OscillatorRotation.h"
#include "host/FloatingPointControl.h"
#include "chorus/ParameterIndex.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

using namespace chorus;  // the parameter indices

// Ten minutes of frames from a reset, at the slowest and the fastest rate:
// s² + c² at every frame.
TEST(ModulationOscillator, AmplitudeStaysWithinAMillionthOfOneForTenMinutes) {
    for (float sampleRate : {44100.0f, 96000.0f}) {
        for (float rate : {0.0f, 1.0f}) {
            const chorus::OscillatorRotation rotation = chorus::oscillatorRotation(rate, sampleRate);
            const std::uint32_t hostMxcsr = fpu::enterBlockMxcsr();
            chorus::ModulationOscillator oscillator(0.0, 1.0, rotation.cosine, rotation.sine);
            double lowest = 1.0, highest = 1.0;
            const std::int64_t frames = static_cast<std::int64_t>(600.0 * sampleRate);
            for (std::int64_t n = 0; n < frames; ++n) {
                oscillator.advance();
                const double s = oscillator.sin(), c = oscillator.cos();
                const double square = s * s + c * c;
                lowest = square < lowest ? square : lowest;
                highest = square > highest ? square : highest;
            }
            fpu::restoreMxcsr(hostMxcsr);
            const double low = std::sqrt(lowest), high = std::sqrt(highest);
            std::printf("rate %.0f, %.0f Hz: amplitude from 1 - %.3g to 1 + %.3g\n", rate, sampleRate, 1.0 - low,
                        high - 1.0);
            EXPECT_GT(low, 1.0 - 1e-6) << "rate " << rate << " at " << sampleRate << " Hz";
            EXPECT_LT(high, 1.0 + 1e-6) << "rate " << rate << " at " << sampleRate << " Hz";
        }
    }
}

struct Sweep {
    const char* name;
    float depth;
    float rate;
};

// One voice, wet only, through the low-pass at 16 kHz: a steady 1 kHz tone
// comes out phase-modulated by the sweep.
std::vector<float> renderSweptTone(const Sweep& sweep, int frames) {
    ChorusEffect effect(nullptr);
    const float settings[][2] = {{kVoices, 0.0f}, {kDepth, sweep.depth}, {kRate, sweep.rate}, {kPredelay, 0.0f},
                                 {kDry, 0.0f},    {kWet, 1.0f},          {kFilter, 0.0f},     {kCutoff, 1.0f}};
    for (const auto& s : settings) effect.setParameter(static_cast<VstInt32>(s[0]), s[1]);
    std::vector<float> in(static_cast<std::size_t>(frames)), outL(in.size()), outR(in.size());
    for (int n = 0; n < frames; ++n)
        in[static_cast<std::size_t>(n)] = static_cast<float>(0.5 * std::sin(2.0 * 3.14159265358979323846 * 1000.0 * n / 44100.0));
    const int block = 4096;
    for (int first = 0; first < frames; first += block) {
        float* inputs[2] = {in.data() + first, in.data() + first};
        float* outputs[2] = {outL.data() + first, outR.data() + first};
        effect.processReplacing(inputs, outputs, std::min(block, frames - first));
    }
    return outL;
}

// The largest magnitude of the fourth difference in [first, first + 64).
// The fourth difference takes the smooth, narrow-band output (the tone and
// its slow phase modulation) down to about 1e-3 of its level, while a jump
// of the delay shows as a step in phase, which it passes at up to six
// times its size.
double transientIn(const std::vector<float>& y, int first) {
    double peak = 0.0;
    for (int n = first; n < first + 64; ++n) {
        const double d4 = y[n] - 4.0 * y[n - 1] + 6.0 * y[n - 2] - 4.0 * y[n - 3] + y[n - 4];
        peak = std::fabs(d4) > peak ? std::fabs(d4) : peak;
    }
    return peak;
}

TEST(SweepContinuity, NoTransientWhereTheRingWraps) {
    constexpr int kRing = 65536;
    constexpr int kWraps = 4;
    for (const Sweep& sweep : {Sweep{"Depth 1, Rate 0", 1.0f, 0.0f}, Sweep{"default sweep", 0.15f, 0.05f}}) {
        const std::vector<float> out = renderSweptTone(sweep, (kWraps + 1) * kRing);
        // From 16384 frames on the tone has arrived at every delay of the
        // sweep.  The windows are centred on multiples of 64, the wraps among
        // them.
        double atWraps = 0.0, elsewhere = 0.0;
        for (int centre = 16384; centre + 32 <= static_cast<int>(out.size()); centre += 64) {
            const int fromWrap = centre % kRing;
            const double peak = transientIn(out, centre - 32);
            if (fromWrap == 0) atWraps = std::max(atWraps, peak);
            if (fromWrap >= 128 && fromWrap <= kRing - 128) elsewhere = std::max(elsewhere, peak);
        }
        std::printf("%s: fourth difference peaks %.3g at the wraps, %.3g elsewhere\n", sweep.name, atWraps,
                    elsewhere);
        ASSERT_GT(elsewhere, 0.0);
        EXPECT_LT(atWraps, 1.25 * elsewhere) << sweep.name;
    }
}

}  // namespace
