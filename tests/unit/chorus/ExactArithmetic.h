// The block arithmetic of the chorus emulated with integers alone: every
// value is a sign, an integer significand and a power of two; every +, −,
// ×, ÷ forms its exact result with integer arithmetic and truncates it to a
// 24-bit significand (rounding toward zero) with an unbounded exponent,
// which is what the effect's SSE2 double operations and their 24-bit mask
// give for every value a block can hold (chorus/BlockArithmetic.h).  Stores
// to float and double round toward zero into their formats, denormals and
// saturation at the largest finite value included.
//
// Slow and plain on purpose: an independent model to check the effect's
// frame loops against, sharing none of their arithmetic.  Portable: the 128-bit work uses two 64-bit halves,
// since the 32-bit MinGW build has no __int128.
#pragma once

#include <cstdint>

namespace model {

// A 128-bit unsigned integer.
struct U128 {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

U128 multiply(std::uint64_t a, std::uint64_t b);
int bitLength(const U128& v);  // 0 for zero

// A value of the block arithmetic.
class Exact {
public:
    enum class Kind : std::uint8_t { zero, finite, infinite, nan };

    Exact() = default;  // +0
    static Exact fromFloat(float value);
    static Exact fromDouble(double value);
    static Exact fromInteger(std::int64_t value);
    static Exact fromMagnitude(bool negative, std::uint64_t magnitude);  // exact
    // ± significand × 2^exponent, exactly.
    static Exact fromParts(bool negative, std::uint64_t significand, int exponent);
    static Exact nan();

    Kind kind() const { return kind_; }
    bool negative() const { return negative_; }
    bool isNan() const { return kind_ == Kind::nan; }
    bool isFinite() const { return kind_ == Kind::zero || kind_ == Kind::finite; }
    // Finite non-zero values: significand in [2^63, 2^64), value =
    // significand × 2^exponent.
    std::uint64_t significand() const { return significand_; }
    int exponent() const { return exponent_; }

    Exact operator-() const;

    // The stores of the block: rounding toward zero into the format.
    float toFloat() const;
    double toDouble() const;

    // Exact comparisons; false whenever a NaN takes part.
    friend bool operator<(const Exact& a, const Exact& b);
    friend bool operator<=(const Exact& a, const Exact& b);
    friend bool operator==(const Exact& a, const Exact& b);

    // An exact magnitude (significand × 2^exponent, significand of up to
    // 128 bits) truncated to 24 bits.
    static Exact truncated(bool negative, U128 magnitude, int exponent);

private:
    Kind kind_ = Kind::zero;
    bool negative_ = false;
    std::uint64_t significand_ = 0;
    int exponent_ = 0;
};

// The four operations of the block: exact result, truncated to 24 bits.
Exact add(const Exact& a, const Exact& b);
Exact subtract(const Exact& a, const Exact& b);
Exact multiply(const Exact& a, const Exact& b);
Exact divide(const Exact& a, const Exact& b);

// The largest integer not above a finite value, exactly, and its low 16
// bits (its remainder modulo 65536, non-negative).
struct Floor {
    Exact whole;
    std::uint32_t low16;
};
Floor floorOf(const Exact& value);

}  // namespace model
