// Parameter names, labels and value texts, for many values and at every
// threshold, and the texts of values outside the two-entry tables and of
// exact decimal ties.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "chorus/ParameterText.h"
#include "chorus/ParameterIndex.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

using namespace chorus;  // the parameter indices

std::string display(ChorusEffect& effect, int index, float value) {
    effect.setParameter(index, value);
    char text[128];
    std::memset(text, 'x', sizeof text);
    effect.getParameterDisplay(index, text);
    return text;
}

std::string name(ChorusEffect& effect, int index) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    effect.getParameterName(index, text);
    return text;
}

std::string label(ChorusEffect& effect, int index) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    effect.getParameterLabel(index, text);
    return text;
}

// The smallest float at or above which value × 1.99f (a double product)
// reaches `bound`.
float typeThreshold(double bound) {
    float v = static_cast<float>(bound / 1.99) * 0.999f;
    while (static_cast<double>(v) * static_cast<double>(1.99f) < bound) v = std::nextafter(v, 1e30f);
    return v;
}

TEST(ParameterText, NamesAndLabels) {
    ChorusEffect effect(nullptr);
    const char* names[9] = {"Filter", "Cutoff", "Rate", "Depth", "Predelay", "Phase", "Dry", "Wet", "Voices"};
    const char* labels[9] = {"Type", "Hz", "Hz", "%", "ms", "Type", "dB", "dB", ""};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(name(effect, i), names[i]);
        EXPECT_EQ(label(effect, i), labels[i]);
    }
}

// Names, labels and value texts outside 0 to 8 are empty.
TEST(ParameterText, IndicesOutsideTheTableGiveEmptyTexts) {
    ChorusEffect effect(nullptr);
    for (int index : {-1, 9, 10, 1000, -2147483647 - 1}) {
        EXPECT_EQ(name(effect, index), "");
        EXPECT_EQ(label(effect, index), "");
        char text[16];
        std::memset(text, 'x', sizeof text);
        effect.getParameterDisplay(index, text);
        EXPECT_EQ(std::string(text), "");
    }
}

TEST(ParameterText, TheDefaultProgramReadsAsSpecified) {
    ChorusEffect effect(nullptr);
    const char* expected[9] = {"High pass", "  80", "0.3", "15.0", "15", "Normal", "-6.0", "-6.0", "2"};
    for (int i = 0; i < 9; ++i) {
        char text[64];
        effect.getParameterDisplay(i, text);
        EXPECT_EQ(std::string(text), expected[i]) << i;
    }
}

TEST(ParameterText, CutoffRateAndDepth) {
    ChorusEffect effect(nullptr);
    EXPECT_EQ(display(effect, kCutoff, 1.0f), "16000");
    EXPECT_EQ(display(effect, kCutoff, 0.5f), "8040");
    EXPECT_EQ(display(effect, kRate, 0.0f), "0.1");
    EXPECT_EQ(display(effect, kRate, 1.0f), "4.0");
    EXPECT_EQ(display(effect, kDepth, 1.0f), "100.0");
    EXPECT_EQ(display(effect, kDepth, 0.0f), "0.0");
}

TEST(ParameterText, PredelayIsRoundedHalfUpToWholeMilliseconds) {
    ChorusEffect effect(nullptr);
    EXPECT_EQ(display(effect, kPredelay, 0.155f), "16");
    EXPECT_EQ(display(effect, kPredelay, 1.0f), "100");
    EXPECT_EQ(display(effect, kPredelay, 0.0f), "0");
    EXPECT_EQ(display(effect, kPredelay, 0.004f), "0");
    EXPECT_EQ(display(effect, kPredelay, 0.005f), "0");  // 0.4999999888 + 0.5 truncates to 0
    EXPECT_EQ(display(effect, kPredelay, 0.006f), "1");
    EXPECT_EQ(display(effect, kPredelay, -0.004f), "0");
    EXPECT_EQ(display(effect, kPredelay, -0.5f), "-49");
    // No int conversion of huge values (undefined in C++): the exact digits,
    // where they fit a host's buffer.
    char formatted[64];
    chorus::formatPredelayText(1e20f, formatted);
    EXPECT_STREQ(formatted, "10000000200408773427200");
    EXPECT_EQ(display(effect, kPredelay, 1e6f), "100000000");
    EXPECT_EQ(display(effect, kPredelay, std::numeric_limits<float>::quiet_NaN()), "nan");
    EXPECT_EQ(display(effect, kPredelay, -std::numeric_limits<float>::infinity()), "-inf");
}

TEST(ParameterText, DryAndWetInDecibels) {
    ChorusEffect effect(nullptr);
    for (int index : {kDry, kWet}) {
        EXPECT_EQ(display(effect, index, 1.0f), "0.0");
        EXPECT_EQ(display(effect, index, 0.5f), "-6.0");
        const float nearestMilli = 0.001f;
        EXPECT_EQ(display(effect, index, nearestMilli), "-60.0");
        EXPECT_EQ(display(effect, index, std::nextafter(nearestMilli, 0.0f)), "-oo");
        EXPECT_EQ(display(effect, index, 0.0f), "-oo");
        EXPECT_EQ(display(effect, index, -1.0f), "-oo");
        EXPECT_EQ(display(effect, index, 2.0f), "6.0");
        EXPECT_EQ(display(effect, index, std::numeric_limits<float>::quiet_NaN()), "nan");
    }
}

TEST(ParameterText, VoicesAtTheirThresholds) {
    ChorusEffect effect(nullptr);
    EXPECT_EQ(display(effect, kVoices, 0.33332f), "1");
    EXPECT_EQ(display(effect, kVoices, 0.33333f), "2");
    EXPECT_EQ(display(effect, kVoices, 0.5f), "2");
    EXPECT_EQ(display(effect, kVoices, 0.66665f), "2");
    EXPECT_EQ(display(effect, kVoices, 0.66666f), "4");
    EXPECT_EQ(display(effect, kVoices, 0.0f), "1");
    EXPECT_EQ(display(effect, kVoices, 1.0f), "4");
    // The thresholds are the doubles 0.33333 and 0.66666.
    float one = 0.33333f;
    while (static_cast<double>(one) >= 0.33333) one = std::nextafter(one, 0.0f);
    EXPECT_EQ(display(effect, kVoices, one), "1");
    EXPECT_EQ(display(effect, kVoices, std::nextafter(one, 1.0f)), "2");
}

TEST(ParameterText, FilterAndPhaseSwitchAtOneOverOnePointNineNine) {
    ChorusEffect effect(nullptr);
    EXPECT_EQ(display(effect, kFilter, 0.5f), "Low pass");
    EXPECT_EQ(display(effect, kFilter, 0.503f), "High pass");
    const float threshold = typeThreshold(1.0);
    EXPECT_EQ(display(effect, kFilter, std::nextafter(threshold, 0.0f)), "Low pass");
    EXPECT_EQ(display(effect, kFilter, threshold), "High pass");
    EXPECT_EQ(display(effect, kPhase, std::nextafter(threshold, 0.0f)), "Normal");
    EXPECT_EQ(display(effect, kPhase, threshold), "Reverse");
    // Processed reversed from 0.5, shown "Normal" up to 1/1.99 (as specified).
    EXPECT_EQ(display(effect, kPhase, 0.5f), "Normal");
    EXPECT_EQ(display(effect, kPhase, 0.0f), "Normal");
    EXPECT_EQ(display(effect, kPhase, 1.0f), "Reverse");
}

// Outside the two-entry tables the text names what the
// processing applies: high-pass for every such Filter value, and the phase
// that Phase < 0.5 selects.
TEST(ParameterText, ValuesOutsideTheTypeTablesShowWhatTheProcessingApplies) {
    ChorusEffect effect(nullptr);
    const float two = typeThreshold(2.0);  // value × 1.99 truncates to 2
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(display(effect, kFilter, two), "High pass");
    EXPECT_EQ(display(effect, kFilter, std::nextafter(two, 0.0f)), "High pass");
    EXPECT_EQ(display(effect, kFilter, 5.0f), "High pass");
    EXPECT_EQ(display(effect, kFilter, -0.5025126f), "High pass");
    EXPECT_EQ(display(effect, kFilter, -0.5f), "Low pass");
    EXPECT_EQ(display(effect, kFilter, nan), "High pass");
    EXPECT_EQ(display(effect, kPhase, two), "Reverse");
    EXPECT_EQ(display(effect, kPhase, 1e30f), "Reverse");
    EXPECT_EQ(display(effect, kPhase, -0.5025126f), "Normal");
    EXPECT_EQ(display(effect, kPhase, -1e30f), "Normal");
    EXPECT_EQ(display(effect, kPhase, nan), "Reverse");
}

// Exact decimal ties round to even, whatever C runtime
// the DLL meets (Windows' own rounds them away from zero).
TEST(ParameterText, ExactTiesRoundToEven) {
    ChorusEffect effect(nullptr);
    EXPECT_EQ(display(effect, kDepth, 0.0625f), "6.2");     // 6.25
    EXPECT_EQ(display(effect, kDepth, 0.1875f), "18.8");    // 18.75
    EXPECT_EQ(display(effect, kDepth, 0.0078125f), "0.8");  // 0.78125 is above the tie
    EXPECT_EQ(display(effect, kCutoff, 0.09375f), "1572");  // 1572.5
    EXPECT_EQ(display(effect, kCutoff, 0.03125f), " 578");  // 577.5
    EXPECT_EQ(display(effect, kRate, 0.0f), "0.1");
}

TEST(ParameterText, NonFiniteAndHugeValuesFormatWithoutFailing) {
    ChorusEffect effect(nullptr);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(display(effect, kCutoff, nan), " nan");
    EXPECT_EQ(display(effect, kCutoff, inf), " inf");
    EXPECT_EQ(display(effect, kCutoff, -inf), "-inf");
    EXPECT_EQ(display(effect, kRate, -inf), "-inf");
    EXPECT_EQ(display(effect, kDepth, nan), "nan");
    EXPECT_EQ(display(effect, kVoices, nan), "4");
    // The conversion itself writes the largest float as printf would...
    char formatted[64];
    chorus::formatCutoffText(3.4028235e38f, formatted);
    EXPECT_EQ(std::strlen(formatted), 43u);
    EXPECT_EQ(std::string(formatted, 6), "541729");
}

// ...but a host's text buffer need not hold that: a text longer than "High
// pass" shows the overflow text, and no more than ten bytes are written.
TEST(ParameterText, TextsTooLongForAHostBufferShowTheOverflowText) {
    ChorusEffect effect(nullptr);
    EXPECT_EQ(display(effect, kCutoff, 3.4028235e38f), " Huge!  ");
    EXPECT_EQ(display(effect, kDepth, 1e7f), " Huge!  ");        // 1000000000.0
    EXPECT_EQ(display(effect, kCutoff, 62.0f), "987120");         // fits: unchanged
    EXPECT_EQ(display(effect, kDepth, 99999.0f), "9999900.0");    // nine characters fit
    effect.setParameter(kCutoff, -3.4028235e38f);
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    effect.getParameterDisplay(kCutoff, buffer);
    EXPECT_STREQ(buffer, " Huge!  ");
    for (std::size_t i = 10; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << i;
}

#if !defined(_WIN32)
// Many values against glibc's printf, which rounds correctly, with the
// conversions written out once more.
TEST(ParameterText, ManyValuesAgreeWithACorrectlyRoundingPrintf) {
    ChorusEffect effect(nullptr);
    std::uint32_t state = 7;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1664525u + 1013904223u;
        const float v = i < 10001 ? static_cast<float>(i) / 10000.0f
                                  : static_cast<float>(state >> 8) * (1.0f / 16777216.0f) * 1.2f - 0.1f;
        char expected[128];
        std::snprintf(expected, sizeof expected, "%4.0f", 15920.0 * static_cast<double>(v) + 80.0);
        ASSERT_EQ(display(effect, kCutoff, v), expected) << v;
        std::snprintf(expected, sizeof expected, "%3.1f", 3.9 * static_cast<double>(v) + 0.1);
        ASSERT_EQ(display(effect, kRate, v), expected) << v;
        std::snprintf(expected, sizeof expected, "%3.1f", static_cast<double>(v) * 100.0);
        ASSERT_EQ(display(effect, kDepth, v), expected) << v;
        std::snprintf(expected, sizeof expected, "%d", static_cast<int>(static_cast<double>(v) * 100.0 + 0.5));
        ASSERT_EQ(display(effect, kPredelay, v), expected) << v;
        if (v >= 0.001) {
            std::snprintf(expected, sizeof expected, "%2.1f", 20.0 * std::log10(static_cast<double>(v)));
            ASSERT_EQ(display(effect, kDry, v), expected) << v;
            ASSERT_EQ(display(effect, kWet, v), expected) << v;
        }
    }
}
#endif

}  // namespace
