// The audio processing, at the edges that catch real faults: in-place
// buffers, empty blocks, recovery from non-finite values and the
// ring's wrap.  Checks against closed forms where one exists; the
// bit-exact comparison with the reference model is GoldenScenarioTest.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "chorus/SweepValues.h"
#include "host/FloatingPointControl.h"
#include "chorus/ParameterIndex.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

using I = ChorusEffectInspector;
using namespace chorus;  // the parameter indices

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

template <typename T>
bool sameBits(T a, T b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Stereo buffers and a way to run them through an effect.
struct Block {
    explicit Block(int frames, float fill = 0.0f) : inL(frames), inR(frames), outL(frames, fill), outR(frames, fill) {}
    int frames() const { return static_cast<int>(inL.size()); }
    void noise(std::uint32_t seed, float peak = 0.5f) {
        for (int k = 0; k < frames(); ++k) {
            seed = seed * 1664525u + 1013904223u;
            inL[k] = peak * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
            seed = seed * 1664525u + 1013904223u;
            inR[k] = peak * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
        }
    }
    void replace(ChorusEffect& effect, int first = 0, int count = -1) {
        float* in[2] = {inL.data() + first, inR.data() + first};
        float* out[2] = {outL.data() + first, outR.data() + first};
        effect.processReplacing(in, out, count < 0 ? frames() - first : count);
    }
    void add(ChorusEffect& effect, int first = 0, int count = -1) {
        float* in[2] = {inL.data() + first, inR.data() + first};
        float* out[2] = {outL.data() + first, outR.data() + first};
        effect.process(in, out, count < 0 ? frames() - first : count);
    }
    std::vector<float> inL, inR, outL, outR;
};

double amplitude(ChorusEffect& e) { return std::hypot(I::oscSin(e), I::oscCos(e)); }

// A double truncated to a 24-bit significand (toward zero).
double truncated24(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits &= ~((std::uint64_t{1} << 29) - 1);
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// The per-block values under the block's arithmetic.  Volatile arguments
// and results: the compiler can neither fold the expression at its own
// rounding nor move it across the control-word switches.
chorus::SweepValues sweepAtRuntime(float rate, float depth, float predelay, float sampleRate) {
    volatile float r = rate, d = depth, p = predelay, fs = sampleRate;
    volatile double modDepth, centerDelay;
    const std::uint32_t host = fpu::enterBlockMxcsr();
    const chorus::SweepValues sweep = chorus::sweepValues(r, d, p, fs);
    modDepth = sweep.modDepth;
    centerDelay = sweep.centerDelay;
    fpu::restoreMxcsr(host);
    return {modDepth, centerDelay};
}

TEST(ChorusProcessing, TheDefaultProgramsPerBlockValuesAt44100) {
    const chorus::SweepValues sweep = sweepAtRuntime(0.05f, 0.15f, 0.15f, 44100.0f);
    EXPECT_EQ(sweep.modDepth, 336.3559265136719);
    EXPECT_EQ(sweep.centerDelay, 1007.8558959960938);
}

TEST(ChorusProcessing, TheFirstFrameAfterAResetUsesTheRotationShortenedTowardZero) {
    ChorusEffect effect(nullptr);
    for (int reset = 0; reset < 2; ++reset) {
        Block block(1);
        block.replace(effect);
        EXPECT_EQ(I::oscSin(effect), -truncated24(I::rotSin(effect)));
        EXPECT_EQ(I::oscCos(effect), truncated24(I::rotCos(effect)));
        effect.setProgram(0);
    }
}

TEST(ChorusProcessing, TheOscillatorTurnsAsMinusSineAndCosine) {
    ChorusEffect effect(nullptr);
    effect.setParameter(kRate, 0.7f);
    const double omega = 2.0 * 3.14159265358979323846 * (3.9 * static_cast<double>(0.7f) + 0.1) / 44100.0;
    Block block(1000);
    for (int n = 1; n <= 1000; ++n) {
        block.replace(effect, n - 1, 1);
        if (n % 100 == 0) {
            EXPECT_NEAR(I::oscSin(effect), -std::sin(n * omega), 2e-4) << n;
            EXPECT_NEAR(I::oscCos(effect), std::cos(n * omega), 2e-4) << n;
        }
    }
}

TEST(ChorusProcessing, OnlyTheDryPartIsHeardUntilTheShortestDelayHasPassed) {
    ChorusEffect effect(nullptr);
    effect.setParameter(kDepth, 0.0f);
    effect.setParameter(kPredelay, 0.2f);  // 10 + 882 frames at 44100 Hz
    Block block(2000);
    block.noise(3);
    block.replace(effect);
    for (int k = 0; k < 892; ++k) {
        ASSERT_EQ(block.outL[k], block.inL[k] * 0.5f) << k;
        ASSERT_EQ(block.outR[k], block.inR[k] * 0.5f) << k;
    }
    EXPECT_NE(block.outL[893], block.inL[893] * 0.5f);
}

TEST(ChorusProcessing, WithoutDepthAndPredelayEveryVoiceReadsTenFramesBack) {
    // An impulse in both inputs: x = 1, so the filter's first output is a0.
    for (float voices : {0.1f, 0.9f}) {
        ChorusEffect effect(nullptr);
        effect.setParameter(kDepth, 0.0f);
        effect.setParameter(kPredelay, 0.0f);
        effect.setParameter(kDry, 0.0f);
        effect.setParameter(kWet, 1.0f);
        effect.setParameter(kVoices, voices);
        Block block(40);
        block.inL[0] = block.inR[0] = 1.0f;
        block.replace(effect);
        for (int k = 0; k < 10; ++k) EXPECT_EQ(block.outL[k], 0.0f) << k;
        const float y0 = I::filterA0(effect);
        if (voices < 0.5f) {
            EXPECT_EQ(block.outL[10], y0);
            EXPECT_EQ(block.outR[10], y0);
        } else {
            // y + (0.25 y + 0.75 y): twice one voice, up to the truncations.
            EXPECT_NEAR(block.outL[10], 2.0f * y0, 4e-7 * y0);
            EXPECT_NEAR(block.outR[10], 2.0f * y0, 4e-7 * y0);
        }
    }
}

// A linear ramp in the ring: a fractional read must give the value at the
// write position minus the delay times the slope.  Sample rate 40960 Hz and
// Predelay 2^-13 give a centre delay of exactly 10.5 frames.
TEST(ChorusProcessing, AFractionalReadOfARampIsTheRampAtTheDelay) {
    ChorusEffect effect(nullptr);
    effect.setSampleRate(40960.0f);
    effect.setParameter(kDepth, 0.0f);
    effect.setParameter(kPredelay, std::ldexp(1.0f, -13));
    effect.setParameter(kDry, 0.0f);
    effect.setParameter(kWet, 1.0f);
    effect.setParameter(kVoices, 0.1f);
    const chorus::SweepValues sweep = sweepAtRuntime(0.05f, 0.0f, std::ldexp(1.0f, -13), 40960.0f);
    ASSERT_EQ(sweep.centerDelay, 10.5);

    float* ring = I::mutableDelayLine(effect);
    for (int i = 0; i < ChorusEffect::kDelayLineLength; ++i) ring[i] = static_cast<float>(i);
    for (int position : {1000, 65535, 11}) {
        I::setWritePos(effect, position);
        Block block(1);
        block.replace(effect);
        EXPECT_EQ(block.outL[0], static_cast<float>(position) - 10.5f) << position;
        ring[position] = static_cast<float>(position);  // undo the frame's own write
    }
    // Across the wrap: position −0.5 reads slots 65535 and 0.
    I::setWritePos(effect, 10);
    Block block(1);
    block.replace(effect);
    EXPECT_EQ(block.outL[0], 32767.5f);
}

TEST(ChorusProcessing, VoiceCountsAtTheirThresholds) {
    auto run = [](float voices) {
        ChorusEffect effect(nullptr);
        effect.setParameter(kVoices, voices);
        effect.setParameter(kDepth, 0.8f);
        effect.setParameter(kPredelay, 0.0f);
        Block block(3000);
        block.noise(11);
        block.replace(effect);
        std::vector<float> both = block.outL;
        both.insert(both.end(), block.outR.begin(), block.outR.end());
        return both;
    };
    const std::vector<float> one = run(0.1f), two = run(0.5f), four = run(0.9f);
    EXPECT_NE(one, two);
    EXPECT_NE(two, four);
    EXPECT_EQ(run(0.33332f), one);
    EXPECT_EQ(run(0.33333f), two);
    EXPECT_EQ(run(0.66665f), two);
    EXPECT_EQ(run(0.66666f), four);
}

TEST(ChorusProcessing, PhaseFromHalfReversesTheWetSignalInBothChannels) {
    auto run = [](float phase, float dry) {
        ChorusEffect effect(nullptr);
        effect.setParameter(kPhase, phase);
        effect.setParameter(kDry, dry);
        effect.setParameter(kVoices, 0.9f);
        Block block(3000);
        block.noise(5);
        block.replace(effect);
        return block;
    };
    const Block normal = run(0.0f, 0.0f), reversed = run(0.5f, 0.0f), below = run(0.49f, 0.0f);
    for (int k = 0; k < 3000; ++k) {
        ASSERT_EQ(reversed.outL[k], -normal.outL[k]) << k;
        ASSERT_EQ(reversed.outR[k], -normal.outR[k]) << k;
    }
    EXPECT_EQ(below.outL, normal.outL);
    EXPECT_EQ(run(0.502f, 0.0f).outL, reversed.outL);  // shown "Normal", processed reversed
    // The dry part is unchanged: normal + reversed is twice the dry signal.
    const Block dryNormal = run(0.0f, 0.5f), dryReversed = run(1.0f, 0.5f);
    for (int k = 0; k < 3000; ++k)
        ASSERT_NEAR(dryNormal.outL[k] + dryReversed.outL[k], 2.0f * 0.5f * dryNormal.inL[k], 1e-6f) << k;
}

TEST(ChorusProcessing, WithoutWetEachOutputIsItsInputTimesDryAndTheStateStillAdvances) {
    ChorusEffect effect(nullptr);
    effect.setParameter(kWet, 0.0f);
    Block block(2000);
    block.noise(9);
    block.replace(effect);
    for (int k = 0; k < 2000; ++k) {
        ASSERT_EQ(block.outL[k], block.inL[k] * 0.5f);
        ASSERT_EQ(block.outR[k], block.inR[k] * 0.5f);
    }
    EXPECT_EQ(I::writePos(effect), 2000);
    EXPECT_NE(I::filterZ1(effect), 0.0f);
    EXPECT_NE(I::delayLine(effect)[1999], 0.0f);
    // In process, plus the buffers' earlier content.
    Block added(100, 0.25f);
    added.noise(10);
    added.add(effect);
    for (int k = 0; k < 100; ++k) ASSERT_EQ(added.outL[k], 0.25f + added.inL[k] * 0.5f);
}

TEST(ChorusProcessing, OnlyExcursionsAboveOneSetTheClipFlag) {
    auto clips = [](float input, bool accumulate, float before) {
        ChorusEffect effect(nullptr);
        effect.setParameter(kDry, 1.0f);
        effect.setParameter(kWet, 0.0f);
        Block block(1, before);
        block.inL[0] = input;
        block.inR[0] = 0.0f;
        if (accumulate)
            block.add(effect);
        else
            block.replace(effect);
        return effect.getClipFlag();
    };
    EXPECT_EQ(clips(1.0f, false, 0.0f), 0);
    EXPECT_EQ(clips(1.01f, false, 0.0f), 1);
    EXPECT_EQ(clips(-3.0f, false, 0.0f), 0);
    EXPECT_EQ(clips(kNan, false, 0.0f), 1);
    // In process the test is on the computed value, not on the sum.
    EXPECT_EQ(clips(0.2f, true, 0.9f), 0);
    EXPECT_EQ(clips(0.5f, true, 5.0f), 0);
    EXPECT_EQ(clips(1.5f, true, -5.0f), 1);
    // The processing never clears it; the editor takes it.
    ChorusEffect effect(nullptr);
    effect.setParameter(kDry, 3.0f);
    Block loud(100);
    loud.noise(1, 1.0f);
    loud.replace(effect);
    ASSERT_EQ(effect.getClipFlag(), 1);
    Block quiet(100);
    quiet.replace(effect);
    EXPECT_EQ(effect.getClipFlag(), 1);
    EXPECT_EQ(effect.takeClipFlag(), 1);
    EXPECT_EQ(effect.getClipFlag(), 0);
    EXPECT_EQ(effect.takeClipFlag(), 0);
}

TEST(ChorusProcessing, ProcessOnSilentBuffersGivesTheValuesOfProcessReplacing) {
    ChorusEffect a(nullptr), b(nullptr);
    for (ChorusEffect* e : {&a, &b}) e->setParameter(kVoices, 0.9f);
    Block replaced(5000), added(5000);
    replaced.noise(21);
    added.noise(21);
    replaced.replace(a);
    added.add(b);
    for (int k = 0; k < 5000; ++k) {
        ASSERT_EQ(replaced.outL[k], added.outL[k]) << k;  // as values: -0 and +0 agree
        ASSERT_EQ(replaced.outR[k], added.outR[k]) << k;
    }
}

// Hosts often pass the same buffers as inputs and outputs: the wet path
// must still hear the input.
TEST(ChorusProcessing, InPlaceBuffersGiveWhatSeparateBuffersGive) {
    for (bool accumulate : {false, true}) {
        ChorusEffect separate(nullptr), inPlace(nullptr);
        Block reference(4000);
        reference.noise(17);
        if (accumulate) reference.outL = reference.inL, reference.outR = reference.inR;
        std::vector<float> left = reference.inL, right = reference.inR;
        if (accumulate)
            reference.add(separate);
        else
            reference.replace(separate);
        float* buffers[2] = {left.data(), right.data()};
        if (accumulate)
            inPlace.process(buffers, buffers, 4000);
        else
            inPlace.processReplacing(buffers, buffers, 4000);
        for (int k = 0; k < 4000; ++k) {
            ASSERT_TRUE(sameBits(left[k], reference.outL[k])) << k;
            ASSERT_TRUE(sameBits(right[k], reference.outR[k])) << k;
        }
        EXPECT_TRUE(sameBits(I::filterZ1(inPlace), I::filterZ1(separate)));
    }
}

TEST(ChorusProcessing, OneOutputBufferPassedTwiceReceivesLeftThenRight) {
    ChorusEffect a(nullptr), b(nullptr);
    Block separate(1000);
    separate.noise(4);
    separate.replace(a);
    std::vector<float> shared(1000, 0.0f);
    float* in[2] = {separate.inL.data(), separate.inR.data()};
    float* out[2] = {shared.data(), shared.data()};
    b.process(in, out, 1000);
    for (int k = 0; k < 1000; ++k) ASSERT_NEAR(shared[k], separate.outL[k] + separate.outR[k], 1e-6f) << k;
}

// A block of no frames must leave buffers and state alone.
TEST(ChorusProcessing, EmptyBlocksTouchNothingNotEvenTheControlWord) {
    ChorusEffect effect(nullptr);
    Block warmup(777);
    warmup.noise(2);
    warmup.replace(effect);
    const std::vector<float> ring(I::delayLine(effect), I::delayLine(effect) + ChorusEffect::kDelayLineLength);
    const double s = I::oscSin(effect);
    const std::uint16_t hostWord = 0x0E7F;  // a host's unusual setting: 24-bit, round up
    fpu::setControlWord(hostWord);
    for (VstInt32 frames : {0, -1, -65536, -2147483647 - 1}) {
        Block block(4, 3.0f);
        float* in[2] = {block.inL.data(), block.inR.data()};
        float* out[2] = {block.outL.data(), block.outR.data()};
        effect.processReplacing(in, out, frames);
        effect.process(in, out, frames);
        EXPECT_EQ(fpu::controlWord(), hostWord);
        EXPECT_EQ(block.outL, std::vector<float>(4, 3.0f));
    }
    fpu::setControlWord(fpu::kPlatformDefault);
    EXPECT_EQ(I::writePos(effect), 777);
    EXPECT_EQ(I::oscSin(effect), s);
    EXPECT_EQ(0, std::memcmp(ring.data(), I::delayLine(effect), ring.size() * sizeof(float)));
}

// A host's x87 and SSE settings come back after every block, however odd:
// other precisions and roundings, exceptions unmasked (as some hosts built
// with other compilers run), flush-to-zero.  The block's own arithmetic
// masks everything, so NaN and infinite parameters raise nothing, and the
// output is what it is under the usual settings.  A block used to leave the
// platform's default control word behind, with the host's unmasked
// exceptions unmasked during the block.
TEST(ChorusProcessing, ABlockLeavesTheHostsFloatingPointSettingsAsTheyWere) {
    const std::uint16_t usual = fpu::controlWord();
    const std::uint32_t usualMxcsr = fpu::mxcsr();
    Block reference(600), block(600), wild(64);
    reference.noise(11);
    block.noise(11);
    wild.noise(3);
    {
        ChorusEffect effect(nullptr);
        effect.setParameter(kVoices, 0.9f);
        reference.replace(effect);
    }
    struct Host {
        std::uint16_t x87;
        std::uint32_t mxcsr;
    };
    // 0x1372: 64-bit precision, rounding to nearest, invalid, zero-divide
    // and overflow unmasked; 0x0E7F: 24-bit, rounding up; 0x037F: 64-bit.
    for (const Host host : {Host{0x1372, 0x1F80}, Host{0x0E7F, 0x9FC0 | 0x4000}, Host{0x037F, 0x1D80},
                            Host{0x027F, 0x1F80 | 0x8000}}) {
        ChorusEffect effect(nullptr);
        effect.setParameter(kVoices, 0.9f);
        // A host that unmasks exceptions has none pending (it would have
        // trapped): the flags earlier tests left go first.
        __asm__ __volatile__("fnclex" : : : "memory");
        fpu::setControlWord(host.x87);
        fpu::restoreMxcsr(host.mxcsr);
        const std::uint16_t statusBefore = fpu::statusWord();
        block.replace(effect);
        const std::uint16_t x87After = fpu::controlWord();
        const std::uint16_t statusAfter = fpu::statusWord();
        const std::uint32_t mxcsrAfter = fpu::mxcsr();
        // Parameters a host should never send, in a block of their own.
        effect.setParameter(kRate, std::numeric_limits<float>::quiet_NaN());
        effect.setParameter(kDepth, std::numeric_limits<float>::infinity());
        effect.setParameter(kCutoff, -std::numeric_limits<float>::infinity());
        const std::uint32_t mxcsrBeforeWild = fpu::mxcsr();
        wild.replace(effect);
        const std::uint16_t x87AfterWild = fpu::controlWord();
        const std::uint32_t mxcsrAfterWild = fpu::mxcsr();
        fpu::setControlWord(usual);
        fpu::restoreMxcsr(usualMxcsr);
        EXPECT_EQ(x87After, host.x87);
        EXPECT_EQ(statusAfter & 0x3F, statusBefore & 0x3F) << "the block's exception flags left for the host";
        EXPECT_EQ(mxcsrAfter, host.mxcsr);
        EXPECT_EQ(x87AfterWild, host.x87);
        EXPECT_EQ(mxcsrAfterWild, mxcsrBeforeWild);
        EXPECT_EQ(0, std::memcmp(block.outL.data(), reference.outL.data(), 600 * sizeof(float))) << host.x87;
        EXPECT_EQ(0, std::memcmp(block.outR.data(), reference.outR.data(), 600 * sizeof(float))) << host.x87;
    }
}

TEST(ChorusProcessing, TheWritePositionWrapsToTheStartOfTheRing) {
    ChorusEffect effect(nullptr);
    I::setWritePos(effect, 65530);
    Block block(20);
    block.noise(8);
    block.replace(effect);
    EXPECT_EQ(I::writePos(effect), 14);
    EXPECT_NE(I::delayLine(effect)[65535], 0.0f);
    EXPECT_NE(I::delayLine(effect)[13], 0.0f);
    EXPECT_EQ(I::delayLine(effect)[14], 0.0f);
}

TEST(ChorusProcessing, ABlockThatEndsAtTheWrapEndsLikeOneThatRunsOn) {
    ChorusEffect whole(nullptr), split(nullptr);
    Block a(65536), b(65536);
    a.noise(6);
    b.noise(6);
    a.replace(whole);
    b.replace(split, 0, 40000);
    b.replace(split, 40000, 25536);
    EXPECT_EQ(I::writePos(whole), 0);
    EXPECT_TRUE(sameBits(I::oscSin(whole), I::oscSin(split)));
    EXPECT_TRUE(sameBits(I::oscCos(whole), I::oscCos(split)));
    EXPECT_NEAR(amplitude(whole), 1.0, 1e-6);
}

TEST(ChorusProcessing, OutputAndFinalStateDoNotDependOnTheBlockSizes) {
    for (float voices : {0.1f, 0.5f, 0.9f}) {
        for (bool accumulate : {false, true}) {
            ChorusEffect one(nullptr), many(nullptr);
            for (ChorusEffect* e : {&one, &many}) {
                e->setParameter(kVoices, voices);
                e->setParameter(kRate, 0.4f);
                e->setParameter(kDepth, 0.5f);
            }
            const int frames = 70000;  // across the wrap
            Block a(frames, 0.125f), b(frames, 0.125f);
            a.noise(31);
            b.noise(31);
            accumulate ? a.add(one) : a.replace(one);
            std::uint32_t seed = 77;
            for (int first = 0; first < frames;) {
                seed = seed * 1664525u + 1013904223u;
                const int count = std::min<int>(1 + static_cast<int>(seed >> 20) % 3000, frames - first);
                accumulate ? b.add(many, first, count) : b.replace(many, first, count);
                first += count;
            }
            ASSERT_EQ(0, std::memcmp(a.outL.data(), b.outL.data(), frames * sizeof(float)));
            ASSERT_EQ(0, std::memcmp(a.outR.data(), b.outR.data(), frames * sizeof(float)));
            EXPECT_TRUE(sameBits(I::oscSin(one), I::oscSin(many)));
            EXPECT_TRUE(sameBits(I::oscCos(one), I::oscCos(many)));
            EXPECT_EQ(I::writePos(one), I::writePos(many));
            EXPECT_TRUE(sameBits(I::filterZ1(one), I::filterZ1(many)));
            EXPECT_TRUE(sameBits(I::filterZ2(one), I::filterZ2(many)));
            EXPECT_EQ(one.getClipFlag(), many.getClipFlag());
            EXPECT_EQ(0, std::memcmp(I::delayLine(one), I::delayLine(many), 65536 * sizeof(float)));
        }
    }
}

bool allFinite(const Block& block) {
    for (int k = 0; k < block.frames(); ++k)
        if (!std::isfinite(block.outL[k]) || !std::isfinite(block.outR[k])) return false;
    return true;
}

// NaN or infinite input may spoil its own block's output, but never the
// effect: the next block recovers.
TEST(ChorusProcessing, NonFiniteInputSpoilsOnlyItsOwnBlock) {
    for (float bad : {kNan, kInf, -kInf}) {
        ChorusEffect effect(nullptr);
        effect.setParameter(kVoices, 0.9f);
        Block spoiled(500);
        spoiled.noise(12);
        spoiled.inL[100] = bad;
        spoiled.replace(effect);
        EXPECT_FALSE(std::isfinite(I::filterZ1(effect)));
        // From the next block on, every output is finite, also a delay later.
        Block next(20000);
        next.noise(13);
        next.replace(effect);
        EXPECT_TRUE(allFinite(next)) << bad;
        EXPECT_TRUE(std::isfinite(I::filterZ1(effect)));
    }
}

TEST(ChorusProcessing, RecoveryClearsOnlyTheNonFiniteSamplesOfTheRing) {
    ChorusEffect effect(nullptr);
    float* ring = I::mutableDelayLine(effect);
    ring[100] = kNan;
    ring[200] = 0.5f;
    ring[300] = -kInf;
    I::setFilterState(effect, kNan, 0.25f);
    Block block(1);
    block.replace(effect);
    EXPECT_EQ(ring[100], 0.0f);
    EXPECT_EQ(ring[200], 0.5f);
    EXPECT_EQ(ring[300], 0.0f);
    EXPECT_TRUE(std::isfinite(I::filterZ1(effect)));
}

TEST(ChorusProcessing, ANonFiniteOscillatorRestartsAtSineZeroCosineOne) {
    ChorusEffect effect(nullptr);
    effect.setParameter(kRate, kNan);  // the rotation becomes NaN
    Block spoiled(100);
    spoiled.noise(14);
    spoiled.replace(effect);
    EXPECT_TRUE(std::isnan(I::oscSin(effect)));
    effect.setParameter(kRate, 0.5f);
    Block next(1);
    next.replace(effect);
    EXPECT_EQ(I::oscSin(effect), -truncated24(I::rotSin(effect)));
    EXPECT_EQ(I::oscCos(effect), truncated24(I::rotCos(effect)));
}

// Huge and non-finite parameter values from a host: read positions far out
// of range or NaN.  Every ring read stays in bounds without undefined
// behaviour (the sanitizer build runs this), and once the host sends sane
// values again the next block is clean.
TEST(ChorusProcessing, HugeAndNonFiniteParametersStayInBoundsAndRecover) {
    const float values[] = {kNan, kInf, -kInf, 1e30f, -1e30f, 3.4e38f, -3.4e38f, 1e-40f, 2.1e9f, -2.1e9f};
    for (int index : {kRate, kDepth, kPredelay, kCutoff, kFilter, kDry, kWet, kPhase, kVoices}) {
        for (float value : values) {
            ChorusEffect effect(nullptr);
            effect.setParameter(kVoices, 0.9f);
            effect.setParameter(kDepth, 0.6f);
            const float sane = effect.getParameter(index);
            effect.setParameter(index, value);
            Block spoiled(300);
            spoiled.noise(15);
            spoiled.replace(effect);
            spoiled.add(effect);
            effect.setParameter(index, sane);
            Block next(3000);
            next.noise(16);
            next.replace(effect);
            EXPECT_TRUE(allFinite(next)) << index << " " << value;
        }
    }
    // A huge sample rate (a positive finite number, so accepted).
    ChorusEffect effect(nullptr);
    effect.setSampleRate(3e38f);
    Block block(300);
    block.noise(17);
    block.replace(effect);
    effect.setSampleRate(44100.0f);
    block.replace(effect);
    EXPECT_TRUE(allFinite(block));
}

}  // namespace
