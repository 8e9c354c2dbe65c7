// The wet-path filter of the pipelined loops (chorus/WetFilter.h) against the
// filter one frame at a time in the block arithmetic: four frames at a time,
// in single precision where its ranges allow and again in the block
// arithmetic where they do not, it must give the same y and the same state
// to the bit, on signals that keep it in single precision and on signals
// that drive it to the float range's ends (a decay through the denormals,
// denormal and near-overflow inputs, absurd coefficients).
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "chorus/FilterDesign.h"
#include "chorus/WetFilter.h"
#include "host/FloatingPointControl.h"
#include "tests/unit/chorus/ExactArithmetic.h"

namespace {

std::uint32_t bitsOf(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// NaNs need not agree in sign or payload: which of two NaN operands an
// operation passes on depends on the compiler's operand order.
bool sameFloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || bitsOf(a) == bitsOf(b); }

// The block's MXCSR for the scope.
class BlockMxcsr {
public:
    BlockMxcsr() : host(fpu::enterBlockMxcsr()) {}
    ~BlockMxcsr() { fpu::restoreMxcsr(host); }

private:
    std::uint32_t host;
};

class Random {
public:
    explicit Random(std::uint32_t seed) : state(seed * 2654435761u + 7u) {}
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state ^ (state >> 13);
    }
    float uniform() { return std::ldexp(static_cast<float>(static_cast<std::int32_t>(next() >> 8) - (1 << 23)), -23); }

private:
    std::uint32_t state;
};

enum class Signal { noise, loud, nearOverflow, denormal, burstThenSilence, everyMagnitude, nonFinite };

std::vector<float> signal(Signal kind, int frames, std::uint32_t seed) {
    Random random(seed);
    std::vector<float> samples(static_cast<std::size_t>(frames));
    for (int k = 0; k < frames; ++k) {
        float v = random.uniform();
        switch (kind) {
            case Signal::noise: v *= 0.4f; break;
            case Signal::loud: v *= 4.0f; break;
            case Signal::nearOverflow: v *= 3.0e38f; break;
            case Signal::denormal: v = std::ldexp(v, -128); break;
            case Signal::burstThenSilence: v = k < 64 ? v : 0.0f; break;
            case Signal::everyMagnitude: v = std::ldexp(v, static_cast<int>(random.next() % 280) - 150); break;
            case Signal::nonFinite:
                if (k % 97 == 13) v = (k % 2) ? std::numeric_limits<float>::infinity() : std::nanf("");
                break;
        }
        samples[static_cast<std::size_t>(k)] = v;
    }
    return samples;
}

struct FilterRun {
    std::string firstDifference;  // empty when every y and the final state agree
    int singlePrecisionGroups = 0;
    int groups = 0;
};

// frames, a multiple of four, through WetFilter and through filterFrame.
FilterRun compare(const chorus::WetFilterCoefficients& c, const std::vector<float>& inL, const std::vector<float>& inR,
            float z1, float z2) {
    BlockMxcsr block;
    const chorus::WetFilterRanges ranges(c);
    chorus::WetFilter filter(z1, z2, c, ranges);
    double d1 = z1, d2 = z2;
    FilterRun run;
    for (std::size_t k = 0; k + 4 <= inL.size(); k += 4) {
        ++run.groups;
        run.singlePrecisionGroups += filter.triesSinglePrecision();
        float y[4];
        filter.fourFrames(inL.data() + k, inR.data() + k, y);
        for (std::size_t i = 0; i < 4; ++i) {
            const float expected = chorus::filterFrame(inL[k + i], inR[k + i], c, d1, d2);
            if (!sameFloat(y[i], expected) && run.firstDifference.empty())
                run.firstDifference = "y of frame " + std::to_string(k + i) + ": " + std::to_string(y[i]) +
                                      " against " + std::to_string(expected);
        }
    }
    if (run.firstDifference.empty() &&
        (!sameFloat(filter.z1(), static_cast<float>(d1)) || !sameFloat(filter.z2(), static_cast<float>(d2))))
        run.firstDifference = "the final state";
    return run;
}

chorus::WetFilterCoefficients designed(bool lowPass, float cutoff, float sampleRate) {
    const chorus::FilterCoefficients f = chorus::designFilter(lowPass, cutoff, sampleRate);
    return {f.a0, f.a1, f.a2, f.b1, f.b2};
}

TEST(WetFilter, FourFramesAtATimeGiveTheFrameByFrameBits) {
    const chorus::WetFilterCoefficients coefficientSets[] = {
        designed(false, 0.0f, 44100.0f),   // the default program: high-pass at 80 Hz
        designed(true, 0.0f, 44100.0f),    // low-pass at 80 Hz: a large state
        designed(true, 1.0f, 22050.0f),    // the cutoff clamped to 0.49 fs
        designed(true, -1.0f, 384000.0f),  // 20 Hz at 384 kHz: a0 near 2^-28
        designed(false, 0.5f, 96000.0f),
        {1.0f, 0.0f, 0.0f, 0.0f, 0.0f},                // all-pass, no feedback
        {std::ldexp(1.0f, -140), 2.0f, 1.0f, -1.5f, 0.5625f},  // a denormal coefficient
        {1.0e30f, -2.0f, 1.0f, -1.0f, 0.25f},          // a huge one
    };
    const Signal signals[] = {Signal::noise,          Signal::loud,           Signal::nearOverflow, Signal::denormal,
                              Signal::burstThenSilence, Signal::everyMagnitude, Signal::nonFinite};
    int set = 0;
    for (const chorus::WetFilterCoefficients& c : coefficientSets) {
        for (Signal kind : signals) {
            const int frames = kind == Signal::burstThenSilence ? 24000 : 4000;
            const std::vector<float> inL = signal(kind, frames, 3 + set), inR = signal(kind, frames, 101 + set);
            for (const float start : {0.0f, 0.3f, 1.0e-40f, -2.0e36f}) {
                const FilterRun run = compare(c, inL, inR, start, -0.5f * start);
                EXPECT_EQ(run.firstDifference, "") << "coefficients " << set << ", signal " << static_cast<int>(kind)
                                                   << ", state " << start;
            }
        }
        ++set;
    }
}

// The ranges must let the signals of real use run in single precision (or
// the pipelined loops lose their reason), and must stop it near the
// denormals.
TEST(WetFilter, NoiseRunsInSinglePrecisionAndTheDecayTailDoesNot) {
    const chorus::WetFilterCoefficients c = designed(false, 0.0f, 44100.0f);
    const std::vector<float> noiseL = signal(Signal::noise, 4000, 1), noiseR = signal(Signal::noise, 4000, 2);
    const FilterRun noise = compare(c, noiseL, noiseR, 0.0f, 0.0f);
    EXPECT_EQ(noise.singlePrecisionGroups, noise.groups);

    const std::vector<float> burstL = signal(Signal::burstThenSilence, 40000, 3);
    const std::vector<float> burstR = signal(Signal::burstThenSilence, 40000, 4);
    const FilterRun burst = compare(c, burstL, burstR, 0.0f, 0.0f);
    EXPECT_EQ(burst.firstDifference, "");
    EXPECT_LT(burst.singlePrecisionGroups, burst.groups) << "the decay must pass through the denormals";
    EXPECT_GT(burst.singlePrecisionGroups, burst.groups / 2);
}

// The claim behind WetFilterRanges: with a state at or within its bounds,
// every product with a coefficient is the same in single precision under
// rounding toward zero as in the block arithmetic (the exact product cut to
// 24 bits), for coefficients across the exponent range.
TEST(WetFilter, ProductsWithinTheRangesAreExactInSinglePrecision) {
    BlockMxcsr block;
    Random random(5);
    for (int trial = 0; trial < 3000; ++trial) {
        chorus::WetFilterCoefficients c;
        float* fields[] = {&c.a0, &c.a1, &c.a2, &c.b1, &c.b2};
        for (float* f : fields) *f = std::ldexp(random.uniform(), static_cast<int>(random.next() % 200) - 100);
        const chorus::WetFilterRanges ranges(c);
        ASSERT_TRUE(ranges.singlePrecision);
        for (float z : {ranges.lowest, ranges.highest, std::nextafter(ranges.lowest, FLT_MAX),
                        std::nextafter(ranges.highest, 0.0f), -ranges.lowest, -ranges.highest}) {
            for (float* f : fields) {
                volatile float a = z, b = *f;
                const float single = a * b;
                const model::Exact exact =
                    model::multiply(model::Exact::fromFloat(z), model::Exact::fromFloat(*f));
                ASSERT_EQ(static_cast<double>(single), exact.toDouble()) << z << " × " << *f;
                ASSERT_GE(std::fabs(single), std::ldexp(1.0f, -126)) << z << " × " << *f;
            }
        }
    }
}

}  // namespace
