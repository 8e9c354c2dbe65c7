// The correctly rounded formatter behind the parameter texts: exact decimal
// expansion of the double, ties to even, printf's padding and signs, and
// "nan"/"inf" for values that are not finite.  Natively it must agree with
// glibc's printf, which rounds correctly, for many values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "chorus/DecimalFormat.h"

namespace {

std::string fixed(double value, int width, int precision) {
    char text[chorus::kMaxFormattedLength];
    const int length = chorus::formatFixed(text, value, width, precision);
    EXPECT_EQ(length, static_cast<int>(std::strlen(text)));
    return text;
}

std::string truncated(double value) {
    char text[chorus::kMaxFormattedLength];
    chorus::formatTruncated(text, value);
    return text;
}

// The bug this guards: the system C runtime of Windows rounds exact decimal
// ties away from zero.
TEST(DecimalFormat, RoundsExactTiesToEven) {
    EXPECT_EQ(fixed(6.25, 3, 1), "6.2");
    EXPECT_EQ(fixed(6.35, 3, 1), "6.3");  // 6.35 is 6.3499999... as a double
    EXPECT_EQ(fixed(18.75, 3, 1), "18.8");
    EXPECT_EQ(fixed(0.25, 3, 1), "0.2");
    EXPECT_EQ(fixed(0.75, 3, 1), "0.8");
    EXPECT_EQ(fixed(577.5, 4, 0), " 578");
    EXPECT_EQ(fixed(1572.5, 4, 0), "1572");
    EXPECT_EQ(fixed(2.5, 4, 0), "   2");
    EXPECT_EQ(fixed(-2.5, 4, 0), "  -2");
    EXPECT_EQ(fixed(0.5, 1, 0), "0");
    EXPECT_EQ(fixed(1.5, 1, 0), "2");
}

TEST(DecimalFormat, PadsToTheWidthAndWidensForLongerNumbers) {
    EXPECT_EQ(fixed(80.0, 4, 0), "  80");
    EXPECT_EQ(fixed(16000.0, 4, 0), "16000");
    EXPECT_EQ(fixed(0.295, 3, 1), "0.3");
    EXPECT_EQ(fixed(-6.0205999, 2, 1), "-6.0");
    EXPECT_EQ(fixed(0.0, 2, 1), "0.0");
    EXPECT_EQ(fixed(123456789.0, 3, 1), "123456789.0");
}

TEST(DecimalFormat, ShowsTheSignOfNegativeValuesThatRoundToZero) {
    EXPECT_EQ(fixed(-0.04, 2, 1), "-0.0");
    EXPECT_EQ(fixed(-0.0, 2, 1), "-0.0");
    EXPECT_EQ(fixed(-0.4, 4, 0), "  -0");
}

TEST(DecimalFormat, WritesNanAndInfinityLikePrintf) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(fixed(nan, 4, 0), " nan");
    EXPECT_EQ(fixed(-nan, 4, 0), " nan");
    EXPECT_EQ(fixed(inf, 4, 0), " inf");
    EXPECT_EQ(fixed(-inf, 3, 1), "-inf");
    EXPECT_EQ(truncated(nan), "nan");
    EXPECT_EQ(truncated(-inf), "-inf");
}

TEST(DecimalFormat, PrintsTheExactDigitsOfHugeAndTinyValues) {
    EXPECT_EQ(fixed(1e22, 0, 0), "10000000000000000000000");
    EXPECT_EQ(fixed(1e23, 0, 0), "99999999999999991611392");
    EXPECT_EQ(fixed(std::ldexp(1.0, 100), 0, 1), "1267650600228229401496703205376.0");
    EXPECT_EQ(fixed(std::numeric_limits<double>::max(), 0, 0).size(), 309u);
    EXPECT_EQ(fixed(std::numeric_limits<double>::denorm_min(), 3, 1), "0.0");
    EXPECT_EQ(fixed(-std::numeric_limits<double>::denorm_min(), 3, 1), "-0.0");
    EXPECT_EQ(fixed(0.05, 3, 1), "0.1");  // 0.05000000000000000277 is above the tie
    EXPECT_EQ(fixed(0.15, 3, 1), "0.1");  // 0.1499999999999999944 is below it
}

TEST(DecimalFormat, TruncatedIntegersHaveNoLimitAndNoNegativeZero) {
    EXPECT_EQ(truncated(15.5), "15");
    EXPECT_EQ(truncated(100.49), "100");
    EXPECT_EQ(truncated(-0.7), "0");
    EXPECT_EQ(truncated(-2.7), "-2");
    EXPECT_EQ(truncated(4294967296.5), "4294967296");
    EXPECT_EQ(truncated(1e20), "100000000000000000000");
}

#if !defined(_WIN32)
// glibc's printf is correctly rounded; this build can compare with it.
std::string printfFixed(double value, int width, int precision) {
    char text[400];
    std::snprintf(text, sizeof text, "%*.*f", width, precision, value);
    return text;
}

TEST(DecimalFormat, AgreesWithACorrectlyRoundingPrintfForManyValues) {
    std::uint64_t state = 0x1234567;
    int checked = 0;
    for (int i = 0; i < 200000; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        double value;
        switch (i % 4) {
            case 0: value = static_cast<double>(state >> 11) * std::ldexp(1.0, -53) * 20000.0; break;
            case 1: value = std::ldexp(static_cast<double>(state >> 40), -static_cast<int>(state % 16)); break;  // ties
            case 2: {
                std::memcpy(&value, &state, sizeof value);
                if (!std::isfinite(value)) continue;
                break;
            }
            default: value = -static_cast<double>(static_cast<float>(static_cast<double>(state >> 20) * 1e-9)); break;
        }
        for (int precision = 0; precision <= 2; ++precision) {
            ASSERT_EQ(fixed(value, 4, precision), printfFixed(value, 4, precision)) << value;
            ++checked;
        }
    }
    EXPECT_GT(checked, 500000);
}
#endif

}  // namespace
