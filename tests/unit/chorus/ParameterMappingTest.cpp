// setParameter and getParameter, the filter design and the oscillator
// rotation, and the clamp of the cutoff.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "chorus/FilterDesign.h"
#include "chorus/OscillatorRotation.h"
#include "chorus/ParameterTable.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

using I = ChorusEffectInspector;
constexpr double kPi = 3.14159265358979323846;

struct Coefficients {
    float a0, a1, a2, b1, b2;
};

Coefficients coefficients(const ChorusEffect& e) {
    return {I::filterA0(e), I::filterA1(e), I::filterA2(e), I::filterB1(e), I::filterB2(e)};
}

bool operator==(const Coefficients& x, const Coefficients& y) { return std::memcmp(&x, &y, sizeof x) == 0; }

// The textbook design written out once more, without any clamp.
Coefficients textbook(bool lowPass, double fc, double fs) {
    const double theta = kPi * fc / fs;
    const double k = lowPass ? 1.0 / std::tan(theta) : std::tan(theta);
    const float a = static_cast<float>(1.0 / (1.0 + std::sqrt(2.0) * k + k * k));
    Coefficients c;
    c.a0 = a;
    c.a1 = static_cast<float>((lowPass ? 2.0 : -2.0) * a);
    c.a2 = a;
    c.b1 = static_cast<float>((lowPass ? 2.0 * (1.0 - k * k) : 2.0 * (k * k - 1.0)) * a);
    c.b2 = static_cast<float>((1.0 - std::sqrt(2.0) * k + k * k) * a);
    return c;
}

// Both poles of 1 + b1 z^-1 + b2 z^-2 inside the unit circle.
bool stable(const Coefficients& c) { return std::fabs(c.b2) < 1.0f && std::fabs(c.b1) < 1.0f + c.b2; }

TEST(ParameterMapping, GetParameterReturnsTheValueGivenBitForBit) {
    ChorusEffect effect(nullptr);
    for (float value : {0.0f, -0.0f, 0.123456789f, 1.0f, 7.5f, -3.0f, 1e-40f, 3e38f}) {
        for (int index = 0; index < 9; ++index) {
            effect.setParameter(index, value);
            const float back = effect.getParameter(index);
            EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << index << " " << value;
        }
    }
}

TEST(ParameterMapping, IndicesOutsideTheTableChangeNothingButStillNotifyTheEditor) {
    ChorusEffect effect(nullptr);
    const Coefficients before = coefficients(effect);
    const seams::EditorLog& log = seams::attachRecordingEditor(effect);
    effect.setParameter(9, 0.7f);
    effect.setParameter(-1, 0.7f);
    EXPECT_EQ(effect.getParameter(9), 0.0f);
    EXPECT_EQ(effect.getParameter(-1), 0.0f);
    EXPECT_EQ(effect.getParameter(1000), 0.0f);
    EXPECT_TRUE(coefficients(effect) == before);
    ASSERT_EQ(log.indices.size(), 2u);
    EXPECT_EQ(log.indices[0], 9);
    EXPECT_EQ(log.values[0], 0.7f);
}

TEST(ParameterMapping, EverySetParameterEndsWithTheEditorNotice) {
    ChorusEffect effect(nullptr);
    seams::EditorLog& log = seams::attachRecordingEditor(effect);
    for (int index = 0; index < 9; ++index) {
        log = {};
        effect.setParameter(index, 0.25f);
        ASSERT_EQ(log.indices.size(), 1u);
        EXPECT_EQ(log.indices[0], index);
        EXPECT_EQ(log.values[0], 0.25f);
    }
}

TEST(ParameterMapping, TheDefaultProgramIsAHighPassAtEightyHertz) {
    ChorusEffect effect(nullptr);
    const Coefficients c = coefficients(effect);
    EXPECT_TRUE(c == textbook(false, 80.0, 44100.0));
    EXPECT_EQ(c.a1, -2.0f * c.a0);
    EXPECT_EQ(c.a2, c.a0);
    EXPECT_TRUE(stable(c));
}

TEST(ParameterMapping, FilterHalfIsLowPassAndPointFiveOhThreeHighPass) {
    ChorusEffect effect(nullptr);
    effect.setParameter(chorus::kFilter, 0.5f);
    EXPECT_TRUE(coefficients(effect) == textbook(true, 80.0, 44100.0));
    EXPECT_GT(I::filterA1(effect), 0.0f);
    effect.setParameter(chorus::kFilter, 0.503f);
    EXPECT_TRUE(coefficients(effect) == textbook(false, 80.0, 44100.0));
}

TEST(ParameterMapping, TheFilterTypeSwitchesWhereValueTimesOnePointNineNineReachesOne) {
    // The smallest float whose product with 1.99f (in double) is 1 or more.
    float threshold = 0.5f;
    while (static_cast<double>(threshold) * static_cast<double>(1.99f) < 1.0)
        threshold = std::nextafter(threshold, 1.0f);
    EXPECT_TRUE(chorus::isLowPass(std::nextafter(threshold, 0.0f)));
    EXPECT_FALSE(chorus::isLowPass(threshold));
    EXPECT_NEAR(threshold, 1.0 / 1.99, 1e-7);
    // Outside the two-entry table, and NaN: high-pass.
    EXPECT_FALSE(chorus::isLowPass(1.0050251f));
    EXPECT_FALSE(chorus::isLowPass(-0.5025126f));
    EXPECT_FALSE(chorus::isLowPass(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_TRUE(chorus::isLowPass(-0.5f));
    EXPECT_TRUE(chorus::isLowPass(0.0f));
}

TEST(ParameterMapping, CutoffZeroIsEightyHertzAndOneSixteenKilohertz) {
    EXPECT_EQ(chorus::cutoffFrequency(0.0f), 80.0);
    EXPECT_EQ(chorus::cutoffFrequency(1.0f), 16000.0);
    ChorusEffect effect(nullptr);
    effect.setParameter(chorus::kCutoff, 1.0f);
    EXPECT_TRUE(coefficients(effect) == textbook(false, 16000.0, 44100.0));
}

TEST(ParameterMapping, TheCoefficientsDoNotDependOnTheOrderOfFilterAndCutoff) {
    ChorusEffect a(nullptr), b(nullptr);
    a.setParameter(chorus::kFilter, 0.2f);
    a.setParameter(chorus::kCutoff, 0.6f);
    b.setParameter(chorus::kCutoff, 0.6f);
    b.setParameter(chorus::kFilter, 0.2f);
    EXPECT_TRUE(coefficients(a) == coefficients(b));
    EXPECT_TRUE(coefficients(a) == textbook(true, 15920.0 * static_cast<double>(0.6f) + 80.0, 44100.0));
}

TEST(ParameterMapping, RateSetsTheRotationOfTheOscillator) {
    ChorusEffect effect(nullptr);
    effect.setParameter(chorus::kRate, 1.0f);
    EXPECT_EQ(I::rotCos(effect), std::cos(2.0 * kPi * 4.0 / 44100.0));
    EXPECT_EQ(I::rotSin(effect), std::sin(2.0 * kPi * 4.0 / 44100.0));
    EXPECT_EQ(chorus::modulationFrequency(0.0f), 0.1);
    EXPECT_EQ(chorus::modulationFrequency(1.0f), 4.0);
}

TEST(ParameterMapping, TheOtherSixParametersChangeNoCoefficientAndNoState) {
    ChorusEffect effect(nullptr);
    const Coefficients before = coefficients(effect);
    const double rotCos = I::rotCos(effect), rotSin = I::rotSin(effect);
    for (int index : {3, 4, 5, 6, 7, 8}) effect.setParameter(index, 0.77f);
    EXPECT_TRUE(coefficients(effect) == before);
    EXPECT_EQ(I::rotCos(effect), rotCos);
    EXPECT_EQ(I::rotSin(effect), rotSin);
    EXPECT_EQ(I::oscCos(effect), 1.0);
    EXPECT_EQ(I::writePos(effect), 0);
}

TEST(ParameterMapping, AChangeOfTypeOrCutoffKeepsTheFilterState) {
    ChorusEffect effect(nullptr);
    I::setFilterState(effect, 0.25f, -0.5f);
    effect.setParameter(chorus::kFilter, 0.0f);
    effect.setParameter(chorus::kCutoff, 0.9f);
    EXPECT_EQ(I::filterZ1(effect), 0.25f);
    EXPECT_EQ(I::filterZ2(effect), -0.5f);
}

// At and above half the sample rate the design has no
// finite or no stable answer, and a negative cutoff gives an unstable
// low-pass.  The cutoff is clamped into [20 Hz, 0.49 × sampleRate].
TEST(ParameterMapping, CutoffNearOneAtLowSampleRatesGivesAStableFilter) {
    for (float rate : {8000.0f, 22050.0f, 32000.0f}) {
        for (float filter : {0.0f, 1.0f}) {
            ChorusEffect effect(nullptr);
            effect.setSampleRate(rate);
            effect.setParameter(chorus::kFilter, filter);
            effect.setParameter(chorus::kCutoff, 1.0f);
            const Coefficients c = coefficients(effect);
            EXPECT_TRUE(std::isfinite(c.a0) && std::isfinite(c.b1) && std::isfinite(c.b2));
            EXPECT_TRUE(stable(c)) << rate << " " << filter;
            EXPECT_TRUE(c == textbook(filter < 0.5f, 0.49 * rate, rate));
        }
    }
}

TEST(ParameterMapping, NegativeAndNonFiniteCutoffsAreClampedToTwentyHertz) {
    for (float cutoff : {-1.0f, -0.004f, -1e30f, std::numeric_limits<float>::quiet_NaN(),
                         -std::numeric_limits<float>::infinity()}) {
        for (float filter : {0.0f, 1.0f}) {
            ChorusEffect effect(nullptr);
            effect.setParameter(chorus::kFilter, filter);
            effect.setParameter(chorus::kCutoff, cutoff);
            EXPECT_TRUE(coefficients(effect) == textbook(filter < 0.5f, 20.0, 44100.0)) << cutoff;
            EXPECT_TRUE(stable(coefficients(effect)));
        }
    }
    ChorusEffect effect(nullptr);
    effect.setParameter(chorus::kCutoff, std::numeric_limits<float>::infinity());
    EXPECT_TRUE(coefficients(effect) == textbook(false, 0.49 * 44100.0, 44100.0));
}

TEST(ParameterMapping, WhereTheSpecifiedCutoffIsInRangeTheClampChangesNothing) {
    // Every Cutoff from 0 to 1 at sample rates from 32654 Hz up.
    for (float rate : {32654.0f, 44100.0f, 48000.0f, 96000.0f}) {
        for (int step = 0; step <= 100; ++step) {
            const float cutoff = static_cast<float>(step) / 100.0f;
            for (float filter : {0.0f, 1.0f}) {
                const chorus::FilterCoefficients c = chorus::designFilter(filter < 0.5f, cutoff, rate);
                const Coefficients expected = textbook(filter < 0.5f, chorus::cutoffFrequency(cutoff), rate);
                EXPECT_EQ(std::memcmp(&c, &expected, sizeof c), 0) << rate << " " << cutoff;
            }
        }
    }
}

}  // namespace
