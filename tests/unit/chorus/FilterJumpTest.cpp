// A jump of the wet filter's cutoff, type or sample rate makes no burst.
// At a low cutoff the filter's state holds the bass many thousand times
// over; before the state followed a coefficient change, one click on the
// Cutoff knob could send a bass note out at +36 dBFS.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "chorus/ParameterIndex.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

using namespace chorus;  // the parameter indices

constexpr double kPi = 3.14159265358979323846;

// A bass line with a little treble: 55 Hz and 130 Hz, a quiet 3 kHz on top.
float bassSample(int n, float sampleRate) {
    const double t = n / static_cast<double>(sampleRate);
    return static_cast<float>(0.5 * std::sin(2 * kPi * 55 * t) + 0.3 * std::sin(2 * kPi * 130 * t) +
                              0.05 * std::sin(2 * kPi * 3000 * t));
}

// The same with a tone just below half the sample rate, which a filter at
// its highest cutoff holds in its state many times over.
float brightSample(int n, float sampleRate) { return bassSample(n, sampleRate) + 0.1f * (n % 2 ? -0.98f : 1.0f); }

struct Jump {
    const char* name;
    float filter;
    float cutoff;
    float sampleRate;
    std::function<void(ChorusEffect&)> apply;
    float (*signal)(int n, float sampleRate) = bassSample;
};

struct Peaks {
    float input = 0.0f;
    float afterJump = 0.0f;
};

// Wet only through one voice without sweep: the output is the filtered mono
// mix ten frames late.  One second before the jump, half a second after.
Peaks peaksAroundJump(const Jump& jump) {
    ChorusEffect effect(nullptr);
    effect.setSampleRate(jump.sampleRate);
    const float settings[][2] = {{kVoices, 0.0f}, {kDepth, 0.0f}, {kPredelay, 0.0f},        {kDry, 0.0f},
                                 {kWet, 1.0f},    {kPhase, 0.0f}, {kFilter, jump.filter}, {kCutoff, jump.cutoff}};
    for (const auto& s : settings) effect.setParameter(static_cast<VstInt32>(s[0]), s[1]);

    Peaks peaks;
    const int before = static_cast<int>(jump.sampleRate), after = before / 2;
    std::vector<float> in(512), out(512);
    for (int first = 0; first < before + after; first += 512) {
        if (first >= before && first - 512 < before) jump.apply(effect);
        for (int k = 0; k < 512; ++k) {
            in[k] = jump.signal(first + k, jump.sampleRate);
            peaks.input = std::max(peaks.input, std::fabs(in[k]));
        }
        float* inputs[2] = {in.data(), in.data()};
        float* outputs[2] = {out.data(), out.data()};
        effect.processReplacing(inputs, outputs, 512);
        if (first >= before)
            for (float y : out) peaks.afterJump = std::max(peaks.afterJump, std::fabs(y));
    }
    return peaks;
}

std::function<void(ChorusEffect&)> set(int index, float value) {
    return [=](ChorusEffect& e) { e.setParameter(index, value); };
}

std::function<void(ChorusEffect&)> setSampleRate(float rate) {
    return [=](ChorusEffect& e) { e.setSampleRate(rate); };
}

TEST(FilterJump, ThePeakAfterAJumpStaysNearTheInputPeak) {
    const Jump jumps[] = {
        {"low-pass 80 Hz to 16 kHz", 0.0f, 0.0f, 44100.0f, set(kCutoff, 1.0f)},
        {"low-pass 16 kHz to 80 Hz", 0.0f, 1.0f, 44100.0f, set(kCutoff, 0.0f)},
        {"high-pass 80 Hz to 16 kHz", 1.0f, 0.0f, 44100.0f, set(kCutoff, 1.0f)},
        {"high-pass 16 kHz to 80 Hz", 1.0f, 1.0f, 44100.0f, set(kCutoff, 0.0f)},
        {"low-pass 80 Hz to 2 kHz", 0.0f, 0.12f, 44100.0f, set(kCutoff, 1.0f)},
        {"low-pass to high-pass at 80 Hz", 0.0f, 0.0f, 44100.0f, set(kFilter, 1.0f)},
        {"high-pass to low-pass at 80 Hz", 1.0f, 0.0f, 44100.0f, set(kFilter, 0.0f)},
        {"low-pass 80 Hz, 96 kHz to 44.1 kHz", 0.0f, 0.0f, 96000.0f, setSampleRate(44100.0f)},
        {"low-pass 80 Hz, 44.1 kHz to 96 kHz", 0.0f, 0.0f, 44100.0f, setSampleRate(96000.0f)},
        {"high-pass 80 Hz, 96 kHz to 22.05 kHz", 1.0f, 0.0f, 96000.0f, setSampleRate(22050.0f)},
        // At 8 and 22.05 kHz the highest cutoffs meet the design's limit,
        // 0.49 times the sample rate, where the state holds the highest
        // frequencies hundreds of times over.
        {"high-pass at the limit, 8 kHz to 384 kHz", 1.0f, 1.0f, 8000.0f, setSampleRate(384000.0f), brightSample},
        {"low-pass at the limit, 8 kHz to 44.1 kHz", 0.0f, 1.0f, 8000.0f, setSampleRate(44100.0f), brightSample},
        {"low-pass 80 Hz, 384 kHz to 8 kHz", 0.0f, 0.0f, 384000.0f, setSampleRate(8000.0f)},
        {"high-pass at the 8 kHz limit to 300 Hz", 1.0f, 1.0f, 8000.0f, set(kCutoff, 0.014f), brightSample},
        {"low-pass at the 8 kHz limit to 600 Hz", 0.0f, 1.0f, 8000.0f, set(kCutoff, 0.033f), brightSample},
        {"high-pass at the 22.05 kHz limit to 80 Hz", 1.0f, 1.0f, 22050.0f, set(kCutoff, 0.0f), brightSample},
    };
    for (const Jump& jump : jumps) {
        const Peaks peaks = peaksAroundJump(jump);
        std::printf("%-40s input peak %.3f, after the jump %.3f\n", jump.name, peaks.input, peaks.afterJump);
        EXPECT_LE(peaks.afterJump, 1.5f * peaks.input) << jump.name;
    }
}

// The rescaling happens only when the coefficients change: a host that sends
// the value the knob already has changes no bit of the output.
TEST(FilterJump, SettingTheSameValueChangesNothing) {
    std::vector<float> reference, touched;
    for (bool touch : {false, true}) {
        ChorusEffect effect(nullptr);
        effect.setParameter(kFilter, 0.0f);
        effect.setParameter(kCutoff, 0.0f);
        std::vector<float>& out = touch ? touched : reference;
        out.resize(44100);
        std::vector<float> in(out.size());
        for (int n = 0; n < static_cast<int>(in.size()); ++n) in[n] = bassSample(n, 44100.0f);
        for (int first = 0; first < static_cast<int>(in.size()); first += 441) {
            if (touch && first % 4410 == 0) {
                effect.setParameter(kCutoff, 0.0f);
                effect.setParameter(kFilter, 0.0f);
            }
            float* inputs[2] = {in.data() + first, in.data() + first};
            float* outputs[2] = {out.data() + first, out.data() + first};
            effect.processReplacing(inputs, outputs, 441);
        }
    }
    EXPECT_EQ(0, std::memcmp(reference.data(), touched.data(), reference.size() * sizeof(float)));
}

}  // namespace
