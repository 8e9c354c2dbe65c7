// The reference model's arithmetic, checked against closed forms and against
// the x87 itself under the block's control word (24-bit precision, rounding
// toward zero): the model must be right before it can judge the effect.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "host/FloatingPointControl.h"
#include "tests/unit/chorus/ExactArithmetic.h"

namespace {

using model::Exact;
using x87 = long double;

std::uint32_t bitsOf(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

std::uint64_t bitsOf(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// The x87's 80-bit value as the model represents it.
Exact fromExtended(x87 value) {
    unsigned char bytes[sizeof(x87)];
    std::memcpy(bytes, &value, sizeof bytes);
    std::uint64_t mantissa;
    std::memcpy(&mantissa, bytes, 8);
    const int signAndExponent = bytes[8] | (bytes[9] << 8);
    const bool negative = (signAndExponent & 0x8000) != 0;
    const int exponent = signAndExponent & 0x7FFF;
    if (exponent == 0x7FFF) {
        if ((mantissa << 1) != 0) return Exact::nan();
        return Exact::fromDouble(negative ? -HUGE_VAL : HUGE_VAL);
    }
    if (mantissa == 0) return Exact::fromDouble(negative ? -0.0 : 0.0);
    // x87 values of this arithmetic are never denormal in the 80-bit format.
    return Exact::fromParts(negative, mantissa, exponent - 16383 - 63);
}

bool same(const Exact& a, const Exact& b) {
    if (a.isNan() || b.isNan()) return a.isNan() && b.isNan();
    if (a.kind() != b.kind() || a.negative() != b.negative()) return false;
    if (a.kind() != Exact::Kind::finite) return true;
    return a.significand() == b.significand() && a.exponent() == b.exponent();
}

// Operands of every kind the block meets: floats of all magnitudes
// (denormals included), doubles of full precision, x87 results, zeros,
// infinities.
class Operands {
public:
    explicit Operands(std::uint32_t seed) : state(seed) {}
    x87 next() {
        const std::uint32_t kind = step() % 10;
        const std::uint32_t a = step(), b = step();
        switch (kind) {
            case 0: {  // any float bit pattern that is finite
                float f;
                std::uint32_t bits = a;
                if ((bits & 0x7F800000u) == 0x7F800000u) bits &= 0xBFFFFFFFu;
                std::memcpy(&f, &bits, sizeof f);
                return f;
            }
            case 1: {  // a float in the audio range
                return std::ldexp(static_cast<float>(static_cast<std::int32_t>(a) >> 8), -23 - static_cast<int>(b % 8));
            }
            case 2: {  // a double of full precision near 1 (like rotCos)
                const std::uint64_t bits = (std::uint64_t{0x3FE} << 52) | ((std::uint64_t{a} << 20) ^ b);
                double d;
                std::memcpy(&d, &bits, sizeof d);
                return (b & 1) ? -d : d;
            }
            case 3: {  // a double of any finite magnitude
                std::uint64_t bits = (std::uint64_t{a} << 32) | b;
                if (((bits >> 52) & 0x7FF) == 0x7FF) bits &= ~(std::uint64_t{1} << 62);
                double d;
                std::memcpy(&d, &bits, sizeof d);
                return d;
            }
            case 4: return static_cast<x87>(static_cast<std::int32_t>(a % 140000) - 70000);  // positions
            case 5: return (a & 1) ? -0.0f : 0.0f;
            case 6: return std::ldexp(static_cast<float>(a >> 9), -149 + static_cast<int>(b % 30));  // denormals
            default: {  // a 24-bit value with a wide exponent, as an x87 result
                return std::ldexp(static_cast<x87>((a >> 8) | 0x800000u), static_cast<int>(b % 400) - 200) *
                       ((b & 0x10000) ? -1 : 1);
            }
        }
    }

private:
    std::uint32_t step() {
        state = state * 1664525u + 1013904223u;
        return state ^ (state >> 15);
    }
    std::uint32_t state;
};

struct Case {
    x87 a, b;
    x87 sum, difference, product, quotient;
    float productAsFloat, sumAsFloat;
    double productAsDouble;
    bool less, lessEqual;
};

// A float store under the block's control word: the x87 store.
float storeFloat(x87 v) {
    float f;
    __asm__("fsts %0" : "=m"(f) : "t"(v));
    return f;
}

double storeDouble(x87 v) {
    double d;
    __asm__("fstl %0" : "=m"(d) : "t"(v));
    return d;
}

std::vector<Case> runOnTheX87(std::uint32_t seed, int count) {
    std::vector<Case> cases(static_cast<std::size_t>(count));
    Operands operands(seed);
    for (Case& c : cases) {
        c.a = operands.next();
        c.b = operands.next();
    }
    // 24-bit precision, rounding toward zero, every exception masked: the
    // arithmetic the model emulates, straight from the x87.
    const std::uint16_t host = fpu::controlWord();
    fpu::setControlWord(0x0C7F);
    for (Case& c : cases) {
        volatile x87 a = c.a, b = c.b;  // no folding, no narrowing
        c.sum = a + b;
        c.difference = a - b;
        c.product = a * b;
        c.quotient = a / b;
        c.productAsFloat = storeFloat(c.product);
        c.sumAsFloat = storeFloat(c.sum);
        c.productAsDouble = storeDouble(c.product);
        c.less = a < b;
        c.lessEqual = a <= b;
    }
    // The cases raise every flag there is; a later test that unmasks an
    // exception must not find one pending.
    __asm__ __volatile__("fnclex" : : : "memory");
    fpu::setControlWord(host);
    return cases;
}

TEST(ExactArithmetic, AgreesWithTheX87At24BitsRoundingTowardZero) {
    const std::vector<Case> cases = runOnTheX87(12345, 200000);
    int failures = 0;
    for (const Case& c : cases) {
        const Exact a = fromExtended(c.a), b = fromExtended(c.b);
        const bool ok = same(model::add(a, b), fromExtended(c.sum)) &&
                        same(model::subtract(a, b), fromExtended(c.difference)) &&
                        same(model::multiply(a, b), fromExtended(c.product)) &&
                        same(model::divide(a, b), fromExtended(c.quotient)) &&
                        (std::isnan(c.productAsFloat)
                             ? std::isnan(model::multiply(a, b).toFloat())
                             : bitsOf(model::multiply(a, b).toFloat()) == bitsOf(c.productAsFloat)) &&
                        (std::isnan(c.sumAsFloat) ? std::isnan(model::add(a, b).toFloat())
                                                  : bitsOf(model::add(a, b).toFloat()) == bitsOf(c.sumAsFloat)) &&
                        (std::isnan(c.productAsDouble)
                             ? std::isnan(model::multiply(a, b).toDouble())
                             : bitsOf(model::multiply(a, b).toDouble()) == bitsOf(c.productAsDouble)) &&
                        (a < b) == c.less && (a <= b) == c.lessEqual;
        if (!ok && ++failures <= 5) {
            ADD_FAILURE() << "operands " << static_cast<double>(c.a) << " and " << static_cast<double>(c.b) << ": "
                          << same(model::add(a, b), fromExtended(c.sum))
                          << same(model::subtract(a, b), fromExtended(c.difference))
                          << same(model::multiply(a, b), fromExtended(c.product))
                          << same(model::divide(a, b), fromExtended(c.quotient)) << " "
                          << model::add(a, b).toDouble() << " vs " << static_cast<double>(c.sum);
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(ExactArithmetic, TruncatesToTwentyFourBitsTowardZero) {
    // 1 + 2^-30 and 1 - 2^-30: the first truncates to 1, the second to the
    // largest 24-bit value below 1.
    const Exact one = Exact::fromInteger(1);
    const Exact tiny = Exact::fromDouble(std::ldexp(1.0, -30));
    EXPECT_EQ(model::add(one, tiny).toDouble(), 1.0);
    EXPECT_EQ(model::subtract(one, tiny).toDouble(), 1.0 - std::ldexp(1.0, -24));
    EXPECT_EQ(model::subtract(tiny, one).toDouble(), -(1.0 - std::ldexp(1.0, -24)));
    // A double operand is not shortened before the operation, only the result.
    EXPECT_EQ(model::add(Exact::fromDouble(0.1), Exact()).toDouble(), static_cast<double>(0.099999994f));
    // 1/3 truncated: 0x3EAAAAAA, not the nearest 0x3EAAAAAB.
    EXPECT_EQ(bitsOf(model::divide(one, Exact::fromInteger(3)).toFloat()), 0x3EAAAAAAu);
    // x − x is +0 under rounding toward zero; −0 only from −0 + −0.
    EXPECT_FALSE(model::subtract(one, one).negative());
    EXPECT_TRUE(model::add(Exact::fromDouble(-0.0), Exact::fromDouble(-0.0)).negative());
}

TEST(ExactArithmetic, FloatStoresRoundTowardZeroWithDenormalsAndSaturation) {
    // Below FLT_MIN the store keeps multiples of 2^-149, truncated.
    const Exact denormal = Exact::fromDouble(std::ldexp(1.75, -148));  // 3.5 × 2^-149
    EXPECT_EQ(denormal.toFloat(), std::ldexp(1.5f, -148));
    EXPECT_EQ(Exact::fromDouble(std::ldexp(1.0, -150)).toFloat(), 0.0f);
    EXPECT_TRUE(std::signbit(Exact::fromDouble(-std::ldexp(1.0, -151)).toFloat()));
    // Above FLT_MAX it saturates instead of becoming infinite.
    EXPECT_EQ(Exact::fromDouble(1e39).toFloat(), FLT_MAX);
    EXPECT_EQ(Exact::fromDouble(-1e300).toFloat(), -FLT_MAX);
    EXPECT_TRUE(std::isinf(Exact::fromDouble(HUGE_VAL).toFloat()));
    EXPECT_EQ(Exact::fromDouble(1e-320).toDouble(), 1e-320);
}

TEST(ExactArithmetic, FloorGivesTheExactIntegerAndItsLowSixteenBits) {
    const model::Floor a = model::floorOf(Exact::fromDouble(-0.5));
    EXPECT_EQ(a.whole.toDouble(), -1.0);
    EXPECT_EQ(a.low16, 0xFFFFu);
    const model::Floor b = model::floorOf(Exact::fromDouble(65536.75));
    EXPECT_EQ(b.whole.toDouble(), 65536.0);
    EXPECT_EQ(b.low16, 0u);
    const model::Floor c = model::floorOf(Exact::fromDouble(-65537.25));
    EXPECT_EQ(c.whole.toDouble(), -65538.0);
    EXPECT_EQ(c.low16, 65534u);
    const model::Floor d = model::floorOf(Exact::fromDouble(3.0));
    EXPECT_EQ(d.whole.toDouble(), 3.0);
    EXPECT_EQ(d.low16, 3u);
    const model::Floor e = model::floorOf(Exact::fromDouble(std::ldexp(1.0, 40) + 5.0));
    EXPECT_EQ(e.low16, 5u);
}

TEST(ExactArithmetic, WideMultiplicationIsExact) {
    const model::U128 p = model::multiply(0xFFFFFFFFFFFFFFFFu, 0xFFFFFFFFFFFFFFFFu);
    EXPECT_EQ(p.hi, 0xFFFFFFFFFFFFFFFEu);
    EXPECT_EQ(p.lo, 1u);
    EXPECT_EQ(model::bitLength(p), 128);
}

}  // namespace
