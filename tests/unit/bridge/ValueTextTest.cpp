// Typed values and the texts hosts show, independent of the process's
// locale: the parser against the C library's own in the C locale, where
// that one rounds correctly, and the texts with their units.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bridge/ValueText.h"
#include "host/FloatingPointControl.h"

namespace {

TEST(TypedNumbers, AreTheNearestDoubleAsTheCLocaleReadsThem) {
    std::setlocale(LC_NUMERIC, "C");
    const fpu::DefaultArithmetic arithmetic;
    std::uint32_t state = 1;
    auto next = [&] { return state = state * 1664525u + 1013904223u; };
    for (int n = 0; n < 20000; ++n) {
        // Up to 15 digits, some of them after a point, and an exponent now
        // and then: a power of ten of the digits' integer up to 22 either way.
        char text[64];
        const unsigned long long digits = (static_cast<unsigned long long>(next()) << 20 ^ next()) % 1000000000000000ull;
        int length = std::snprintf(text, sizeof text, "%llu", digits);
        const int fraction = static_cast<int>(next() % static_cast<unsigned>(length));
        std::memmove(text + length - fraction + 1, text + length - fraction, static_cast<std::size_t>(fraction + 1));
        text[length - fraction] = '.';
        ++length;
        if (next() % 3 == 0) {
            const int exponent = fraction - 22 + static_cast<int>(next() % 45);
            std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), "e%d", exponent);
        }
        double ours = 0.0;
        const char* end = nullptr;
        ASSERT_TRUE(bridge::parseDecimal(text, ours, end)) << text;
        const double theirs = std::strtod(text, nullptr);
        ASSERT_EQ(std::memcmp(&ours, &theirs, sizeof ours), 0) << text;
        EXPECT_EQ(*end, '\0') << text;
    }
}

TEST(TypedNumbers, TakeACommaAndStopAtTheUnit) {
    const fpu::DefaultArithmetic arithmetic;
    const struct {
        const char* text;
        double value;
        const char* rest;
    } cases[] = {{"1,3", 1.3, ""},    {" -6,5 dB", -6.5, " dB"}, {"+.5", 0.5, ""},   {"7.", 7.0, ""},
                 {"1e3Hz", 1000.0, "Hz"}, {"2e", 2.0, "e"},    {"0,0001", 0.0001, ""}, {"12,5%", 12.5, "%"}};
    for (const auto& c : cases) {
        double value = 0.0;
        const char* end = nullptr;
        ASSERT_TRUE(bridge::parseDecimal(c.text, value, end)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_STREQ(end, c.rest) << c.text;
    }
    for (const char* text : {"", "-", ".", "-,e5", "dB", "1e999", "inf", "nan"}) {
        double value = 0.0;
        const char* end = nullptr;
        EXPECT_FALSE(bridge::parseDecimal(text, value, end)) << text;
    }
}

TEST(ValueTexts, CarryTheirUnitWhereTheFormatShowsNone) {
    const fpu::DefaultArithmetic arithmetic;
    const struct {
        int index;
        float value;
        const char* bare;
        const char* withUnit;
    } cases[] = {{0, 0.0f, "Low pass", "Low pass"}, {1, 0.5687f, "9134", "9134 Hz"}, {2, 0.05f, "0.3", "0.3 Hz"},
                 {3, 0.15f, "15.0", "15.0 %"},     {4, 0.15f, "15", "15 ms"},       {5, 1.0f, "Reverse", "Reverse"},
                 {6, 0.5f, "-6.0", "-6.0 dB"},     {7, 0.0f, "-oo", "-oo dB"},     {8, 1.0f, "4", "4"},
                 {9, 0.5f, "", ""}};
    for (const auto& c : cases) {
        char text[bridge::kValueTextCapacity];
        bridge::formatValue(c.index, c.value, text);
        EXPECT_STREQ(text, c.bare) << c.index;
        bridge::formatValueWithUnit(c.index, c.value, text);
        EXPECT_STREQ(text, c.withUnit) << c.index;
    }
}

}  // namespace
