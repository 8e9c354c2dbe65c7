// setParameter and getParameter, the filter design and the oscillator
// rotation, and the clamp of the cutoff.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <complex>
#include <string>
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

Coefficients designed(bool lowPass, float cutoff, float sampleRate) {
    const chorus::FilterCoefficients c = chorus::designFilter(lowPass, cutoff, sampleRate);
    return {c.a0, c.a1, c.a2, c.b1, c.b2};
}

// |H(e^jω)| of the direct form with the stored coefficients, in double:
// H(z) = (a0 + a1 z^-1 + a2 z^-2) / (1 + b1 z^-1 + b2 z^-2).
double gainAt(const Coefficients& c, double omega) {
    const std::complex<double> z1 = std::polar(1.0, -omega), z2 = z1 * z1;
    const std::complex<double> numerator = static_cast<double>(c.a0) + static_cast<double>(c.a1) * z1 +
                                           static_cast<double>(c.a2) * z2;
    const std::complex<double> denominator = 1.0 + static_cast<double>(c.b1) * z1 + static_cast<double>(c.b2) * z2;
    return std::abs(numerator / denominator);
}

// What a second-order Butterworth filter is, whatever the formulas: unit
// gain in its pass band's centre (DC for a low-pass, Nyquist for a
// high-pass), nothing at the other end, -3 dB at the cutoff, and no peak
// anywhere.  The coefficients are floats, which at a low cutoff and a high
// sample rate moves the gain by up to about 1 %.
void expectButterworth(const Coefficients& c, bool lowPass, double cutoffHz, double sampleRate,
                       const std::string& what) {
    const double pass = lowPass ? 0.0 : kPi, stop = lowPass ? kPi : 0.0;
    EXPECT_NEAR(gainAt(c, pass), 1.0, 0.01) << what;
    EXPECT_NEAR(gainAt(c, stop), 0.0, 1e-9) << what;
    EXPECT_NEAR(gainAt(c, 2.0 * kPi * cutoffHz / sampleRate), std::sqrt(0.5), 0.01) << what;
    for (int step = 0; step <= 64; ++step) EXPECT_LT(gainAt(c, kPi * step / 64.0), 1.01) << what;
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
    expectButterworth(c, false, 80.0, 44100.0, "the default program");
    EXPECT_EQ(c.a1, -2.0f * c.a0);
    EXPECT_EQ(c.a2, c.a0);
    EXPECT_TRUE(stable(c));
}

TEST(ParameterMapping, FilterHalfIsLowPassAndPointFiveOhThreeHighPass) {
    ChorusEffect effect(nullptr);
    effect.setParameter(chorus::kFilter, 0.5f);
    EXPECT_TRUE(coefficients(effect) == designed(true, 0.0f, 44100.0f));
    EXPECT_GT(I::filterA1(effect), 0.0f);
    effect.setParameter(chorus::kFilter, 0.503f);
    EXPECT_TRUE(coefficients(effect) == designed(false, 0.0f, 44100.0f));
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
    expectButterworth(coefficients(effect), false, 16000.0, 44100.0, "high-pass at 16 kHz");
}

TEST(ParameterMapping, TheCoefficientsDoNotDependOnTheOrderOfFilterAndCutoff) {
    ChorusEffect a(nullptr), b(nullptr);
    a.setParameter(chorus::kFilter, 0.2f);
    a.setParameter(chorus::kCutoff, 0.6f);
    b.setParameter(chorus::kCutoff, 0.6f);
    b.setParameter(chorus::kFilter, 0.2f);
    EXPECT_TRUE(coefficients(a) == coefficients(b));
    EXPECT_TRUE(coefficients(a) == designed(true, 0.6f, 44100.0f));
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
            expectButterworth(c, filter < 0.5f, 0.49 * rate, rate, "clamped at " + std::to_string(rate));
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
            expectButterworth(coefficients(effect), filter < 0.5f, 20.0, 44100.0, std::to_string(cutoff));
            EXPECT_TRUE(stable(coefficients(effect)));
        }
    }
    ChorusEffect effect(nullptr);
    effect.setParameter(chorus::kCutoff, std::numeric_limits<float>::infinity());
    expectButterworth(coefficients(effect), false, 0.49 * 44100.0, 44100.0, "infinite cutoff");
}

// The design against the closed form of a Butterworth filter, for both
// types over the whole Cutoff range at several sample rates.  Up from
// 32654 Hz every cutoff lies inside the clamp, so the -3 dB point is the
// Cutoff's own frequency.
TEST(ParameterMapping, EveryCutoffGivesAButterworthFilterWithItsMinusThreeDecibelPointThere) {
    for (float rate : {32654.0f, 44100.0f, 48000.0f, 96000.0f}) {
        for (int step = 0; step <= 20; ++step) {
            const float cutoff = static_cast<float>(step) / 20.0f;
            for (bool lowPass : {true, false}) {
                const Coefficients c = designed(lowPass, cutoff, rate);
                expectButterworth(c, lowPass, chorus::cutoffFrequency(cutoff), rate,
                                  std::string(lowPass ? "low" : "high") + "-pass, cutoff " + std::to_string(cutoff) +
                                      " at " + std::to_string(rate) + " Hz");
                EXPECT_EQ(c.a1, (lowPass ? 2.0f : -2.0f) * c.a0);
                EXPECT_EQ(c.a2, c.a0);
                EXPECT_TRUE(stable(c));
            }
        }
    }
}

// The rotation per frame: a unit vector at the angle 2π f / fs.
TEST(ParameterMapping, TheRotationTurnsByTheModulationFrequencysAngle) {
    for (float rate : {22050.0f, 44100.0f, 96000.0f, 384000.0f}) {
        for (float value : {0.0f, 0.05f, 0.5f, 1.0f}) {
            const chorus::OscillatorRotation r = chorus::oscillatorRotation(value, rate);
            EXPECT_NEAR(r.cosine * r.cosine + r.sine * r.sine, 1.0, 1e-15);
            EXPECT_NEAR(std::atan2(r.sine, r.cosine), 2.0 * kPi * (3.9 * value + 0.1) / rate, 1e-15);
        }
    }
}

}  // namespace

namespace {

// FNV-1a over the bytes of everything Cutoff, Filter and Rate derive on a
// grid of values at the common sample rates.
std::uint64_t derivationsFingerprint() {
    std::uint64_t hash = 14695981039346656037ull;
    auto add = [&hash](const void* data, std::size_t size) {
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    for (float rate : {22050.0f, 32000.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f, 384000.0f}) {
        for (int step = 0; step <= 4096; ++step) {
            const float value = static_cast<float>(step) / 4096.0f;
            const chorus::OscillatorRotation r = chorus::oscillatorRotation(value, rate);
            add(&r.cosine, sizeof r.cosine);
            add(&r.sine, sizeof r.sine);
            for (bool lowPass : {true, false}) {
                const chorus::FilterCoefficients c = chorus::designFilter(lowPass, value, rate);
                add(&c, sizeof c);
            }
        }
    }
    return hash;
}

// The rotation and the coefficients are the same bits in the native build
// (the LV2 plug-in) and in both DLLs: this fingerprint is checked in all
// three.  With the C libraries' sine and cosine, glibc's differed from the
// Windows runtimes' for one angle in about 4,000, and the LV2 plug-in then
// drifted away from the DLL after a while at those rates.
TEST(ParameterMapping, TheDerivedQuantitiesAreTheSameBitsInEveryBuild) {
    EXPECT_EQ(derivationsFingerprint(), 0xe610ff7a6586b43full);
}

}  // namespace
