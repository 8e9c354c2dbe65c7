// The base class's number-to-text tools: exact texts, the eight-character
// limit and the overflow text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tests/unit/host/RecordingEffect.h"

namespace {

const std::string kOverflow = " Huge!  ";
const std::string kMinusInfinity = "   -\xB0   ";

class NumberToText : public ::testing::Test {
protected:
    // Writes into a buffer of exactly nine bytes surrounded by guards, so
    // that a text longer than eight characters is caught.
    template <typename Tool, typename Value>
    std::string write(Tool tool, Value value) {
        char buffer[9 + 8];
        std::memset(buffer, '#', sizeof buffer);
        (effect.*tool)(value, buffer + 4);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(buffer[i], '#') << "wrote before the buffer";
        EXPECT_EQ(buffer[sizeof buffer - 4], '#') << "wrote past nine bytes";
        std::string text(buffer + 4);
        EXPECT_LE(text.size(), 8u);
        return text;
    }
    std::string f(float v) { return write(&AudioEffect::float2string, v); }
    std::string l(VstInt32 v) { return write(&AudioEffect::long2string, v); }
    std::string dB(float v) { return write(&AudioEffect::dB2string, v); }
    std::string Hz(float v) { return write(&AudioEffect::Hz2string, v); }
    std::string ms(float v) { return write(&AudioEffect::ms2string, v); }

    RecordingEffect effect;
};

TEST_F(NumberToText, FloatShowsTruncatedDigitsOfTheWidenedFloat) {
    EXPECT_EQ(f(0.0f), "0.000000");
    EXPECT_EQ(f(1.0f), "1.000000");
    EXPECT_EQ(f(-1.0f), "-1.00000");
    EXPECT_EQ(f(3.25f), "3.250000");
    EXPECT_EQ(f(-3.25f), "-3.25000");
    EXPECT_EQ(f(123.456f), "123.4560");
    EXPECT_EQ(f(-123.456f), "-123.456");
    EXPECT_EQ(f(2.675f), "2.674999");
    EXPECT_EQ(f(0.7f), "0.699999");
    EXPECT_EQ(f(0.000000001f), "0.000000");
    EXPECT_EQ(f(1234567.0f), "1234567.");
    EXPECT_EQ(f(-123456.0f), "-123456.");
    // Every count of fraction digits, one to six, scales by its own power of ten.
    EXPECT_EQ(f(123456.7f), "123456.7");
    EXPECT_EQ(f(-12345.67f), "-12345.6");
    EXPECT_EQ(f(12345.67f), "12345.66");
    EXPECT_EQ(f(1234.567f), "1234.567");
}

TEST_F(NumberToText, FloatTooWideForEightCharactersShowsTheOverflowText) {
    EXPECT_EQ(f(100000000.0f), kOverflow);
    EXPECT_EQ(f(-10000000.0f), kOverflow);
    // Eight integer digits, or seven with a sign, would lose the leading digit.
    EXPECT_EQ(f(10000000.0f), kOverflow);
    EXPECT_EQ(f(99999992.0f), kOverflow);
    EXPECT_EQ(f(-1000000.0f), kOverflow);
    EXPECT_EQ(f(-9999999.0f), kOverflow);
    EXPECT_EQ(f(9999999.0f), "9999999.");
    EXPECT_EQ(f(-999999.0f), "-999999.");
    EXPECT_EQ(f(INFINITY), kOverflow);
    EXPECT_EQ(f(-INFINITY), kOverflow);
    EXPECT_EQ(f(NAN), kOverflow);
}

TEST_F(NumberToText, LongIsRightAlignedInSevenColumns) {
    EXPECT_EQ(l(0), "      0");
    EXPECT_EQ(l(1234), "   1234");
    EXPECT_EQ(l(-1234), "  -1234");
    EXPECT_EQ(l(99999999), "99999999");
    EXPECT_EQ(l(-9999999), "-9999999");
    EXPECT_EQ(l(100000000), kOverflow);
    // Below -9999999 the text would be cut: overflow instead.
    EXPECT_EQ(l(-10000000), kOverflow);
    EXPECT_EQ(l(INT32_MIN), kOverflow);
    EXPECT_EQ(l(INT32_MAX), kOverflow);
}

TEST_F(NumberToText, DecibelsOfLinearGains) {
    EXPECT_EQ(dB(1.0f), "0.000000");
    EXPECT_EQ(dB(0.5f), "-6.02059");
    EXPECT_EQ(dB(2.0f), "6.020599");
    EXPECT_EQ(dB(0.0f), kMinusInfinity);
    EXPECT_EQ(dB(-1.0f), kMinusInfinity);
}

TEST_F(NumberToText, HertzAndMillisecondsFollowTheSampleRate) {
    EXPECT_EQ(Hz(100.0f), "441.0000");
    EXPECT_EQ(ms(44100.0f), "1000.000");
    EXPECT_EQ(Hz(0.0f), "0.000000");
    effect.setSampleRate(48000.0f);
    EXPECT_EQ(Hz(100.0f), "480.0000");
    EXPECT_EQ(ms(48.0f), "1.000000");
}

// The float tools end in float2string as a virtual operation.
class ScaledText : public RecordingEffect {
public:
    void float2string(float, char* text) override { std::strcpy(text, "custom"); }
};

TEST(NumberToTextOverride, OverridingFloat2stringChangesTheOtherFloatTools) {
    ScaledText effect;
    char text[9];
    effect.dB2string(0.5f, text);
    EXPECT_STREQ(text, "custom");
    effect.Hz2string(10.0f, text);
    EXPECT_STREQ(text, "custom");
    effect.ms2string(10.0f, text);
    EXPECT_STREQ(text, "custom");
}

}  // namespace
