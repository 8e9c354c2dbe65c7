#include "tests/unit/chorus/ExactArithmetic.h"

#include <cstring>
#include <limits>

namespace model {

namespace {

int bitLength64(std::uint64_t v) {
    int n = 0;
    while (v != 0) {
        ++n;
        v >>= 1;
    }
    return n;
}

bool isZero(const U128& v) { return v.hi == 0 && v.lo == 0; }

int compare(const U128& a, const U128& b) {
    if (a.hi != b.hi) return a.hi < b.hi ? -1 : 1;
    if (a.lo != b.lo) return a.lo < b.lo ? -1 : 1;
    return 0;
}

U128 add(const U128& a, const U128& b) {
    U128 r;
    r.lo = a.lo + b.lo;
    r.hi = a.hi + b.hi + (r.lo < a.lo ? 1 : 0);
    return r;
}

U128 subtract(const U128& a, const U128& b) {  // a >= b
    U128 r;
    r.lo = a.lo - b.lo;
    r.hi = a.hi - b.hi - (a.lo < b.lo ? 1 : 0);
    return r;
}

U128 shiftLeft(const U128& v, int n) {
    if (n <= 0) return v;
    if (n >= 128) return {};
    U128 r;
    if (n >= 64) {
        r.hi = v.lo << (n - 64);
        r.lo = 0;
    } else {
        r.hi = (v.hi << n) | (v.lo >> (64 - n));
        r.lo = v.lo << n;
    }
    return r;
}

// Shifts right; `lost` tells whether any 1 bit fell off.
U128 shiftRight(const U128& v, int n, bool& lost) {
    lost = false;
    if (n <= 0) return v;
    if (n >= 128) {
        lost = !isZero(v);
        return {};
    }
    U128 r;
    if (n >= 64) {
        const int m = n - 64;
        lost = v.lo != 0 || (m > 0 && (v.hi & ((std::uint64_t{1} << m) - 1)) != 0);
        r.lo = m == 0 ? v.hi : v.hi >> m;
        r.hi = 0;
    } else {
        lost = (v.lo & ((std::uint64_t{1} << n) - 1)) != 0;
        r.lo = (v.lo >> n) | (v.hi << (64 - n));
        r.hi = v.hi >> n;
    }
    return r;
}

U128 shiftRight(const U128& v, int n) {
    bool lost;
    return shiftRight(v, n, lost);
}

// Magnitude order of two finite non-zero values.
int compareMagnitude(const Exact& a, const Exact& b) {
    if (a.exponent() != b.exponent()) return a.exponent() < b.exponent() ? -1 : 1;
    if (a.significand() != b.significand()) return a.significand() < b.significand() ? -1 : 1;
    return 0;
}

Exact infinity(bool negative) {
    const double inf = std::numeric_limits<double>::infinity();
    return Exact::fromDouble(negative ? -inf : inf);
}

Exact signedZero(bool negative) { return negative ? Exact::fromDouble(-0.0) : Exact(); }

// Rounds a finite value toward zero into a binary format with `precision`
// significand bits and normal exponents from minExponent to maxExponent;
// gives the biased exponent field and the stored significand field.
void roundToFormat(const Exact& v, int precision, int minExponent, int maxExponent, std::uint64_t& exponentField,
                   std::uint64_t& fraction, bool& saturated) {
    saturated = false;
    const int msb = v.exponent() + 63;  // value in [2^msb, 2^(msb+1))
    if (msb > maxExponent) {
        saturated = true;
        exponentField = static_cast<std::uint64_t>(maxExponent - minExponent + 1);
        fraction = (std::uint64_t{1} << (precision - 1)) - 1;
        return;
    }
    if (msb >= minExponent) {
        exponentField = static_cast<std::uint64_t>(msb - minExponent + 1);
        fraction = (v.significand() >> (64 - precision)) & ((std::uint64_t{1} << (precision - 1)) - 1);
        return;
    }
    // Denormal: multiples of 2^(minExponent - precision + 1), truncated.
    exponentField = 0;
    const int shift = -(v.exponent() - (minExponent - precision + 1));
    fraction = shift >= 64 ? 0 : v.significand() >> shift;
}

}  // namespace

U128 multiply(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32;
    const std::uint64_t bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
    const std::uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo, hh = aHi * bHi;
    const std::uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    U128 r;
    r.lo = (ll & 0xFFFFFFFFu) | (middle << 32);
    r.hi = hh + (lh >> 32) + (hl >> 32) + (middle >> 32);
    return r;
}

int bitLength(const U128& v) { return v.hi != 0 ? 64 + bitLength64(v.hi) : bitLength64(v.lo); }

Exact Exact::truncated(bool negative, U128 magnitude, int exponent) {
    Exact r;
    if (isZero(magnitude)) {
        r.negative_ = negative;
        return r;
    }
    const int length = bitLength(magnitude);
    if (length > 24) {
        magnitude = shiftRight(magnitude, length - 24);  // toward zero
        exponent += length - 24;
    } else {
        magnitude = shiftLeft(magnitude, 24 - length);
        exponent -= 24 - length;
    }
    r.kind_ = Kind::finite;
    r.negative_ = negative;
    r.significand_ = magnitude.lo << 40;
    r.exponent_ = exponent - 40;
    return r;
}

Exact Exact::fromDouble(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Exact r;
    r.negative_ = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0x7FF) {
        r.kind_ = fraction != 0 ? Kind::nan : Kind::infinite;
        return r;
    }
    std::uint64_t significand = fraction;
    int exponent;
    if (biased == 0) {
        if (fraction == 0) return r;  // signed zero
        exponent = -1074;
    } else {
        significand |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    const int shift = 64 - bitLength64(significand);
    r.kind_ = Kind::finite;
    r.significand_ = significand << shift;
    r.exponent_ = exponent - shift;
    return r;
}

Exact Exact::fromFloat(float value) { return fromDouble(static_cast<double>(value)); }  // exact widening

Exact Exact::fromMagnitude(bool negative, std::uint64_t magnitude) {
    Exact r;
    r.negative_ = negative;
    if (magnitude == 0) return r;
    const int shift = 64 - bitLength64(magnitude);
    r.kind_ = Kind::finite;
    r.significand_ = magnitude << shift;
    r.exponent_ = -shift;
    return r;
}

Exact Exact::fromParts(bool negative, std::uint64_t significand, int exponent) {
    Exact r = fromMagnitude(negative, significand);
    if (r.kind_ == Kind::finite) r.exponent_ += exponent;
    return r;
}

Exact Exact::fromInteger(std::int64_t value) {
    if (value == 0) return Exact();
    const std::uint64_t magnitude =
        value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    return fromMagnitude(value < 0, magnitude);
}

Exact Exact::nan() {
    Exact r;
    r.kind_ = Kind::nan;
    return r;
}

Exact Exact::operator-() const {
    Exact r = *this;
    r.negative_ = !negative_;
    return r;
}

float Exact::toFloat() const {
    std::uint32_t bits = negative_ ? 0x80000000u : 0u;
    switch (kind_) {
        case Kind::zero: break;
        case Kind::nan: bits |= 0x7FC00000u; break;
        case Kind::infinite: bits |= 0x7F800000u; break;
        case Kind::finite: {
            std::uint64_t exponentField, fraction;
            bool saturated;
            roundToFormat(*this, 24, -126, 127, exponentField, fraction, saturated);
            bits |= static_cast<std::uint32_t>((exponentField << 23) | fraction);
            break;
        }
    }
    float result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

double Exact::toDouble() const {
    std::uint64_t bits = negative_ ? std::uint64_t{1} << 63 : 0;
    switch (kind_) {
        case Kind::zero: break;
        case Kind::nan: bits |= 0x7FF8000000000000u; break;
        case Kind::infinite: bits |= 0x7FF0000000000000u; break;
        case Kind::finite: {
            std::uint64_t exponentField, fraction;
            bool saturated;
            roundToFormat(*this, 53, -1022, 1023, exponentField, fraction, saturated);
            bits |= (exponentField << 52) | fraction;
            break;
        }
    }
    double result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

bool operator<(const Exact& a, const Exact& b) {
    if (a.isNan() || b.isNan()) return false;
    if (a.kind() == Exact::Kind::zero && b.kind() == Exact::Kind::zero) return false;
    // Order of the signs first.
    const bool aNeg = a.kind() != Exact::Kind::zero && a.negative();
    const bool bNeg = b.kind() != Exact::Kind::zero && b.negative();
    if (a.kind() == Exact::Kind::zero) return !bNeg;
    if (b.kind() == Exact::Kind::zero) return aNeg;
    if (aNeg != bNeg) return aNeg;
    // Same sign, both non-zero.
    int order;
    if (a.kind() == Exact::Kind::infinite || b.kind() == Exact::Kind::infinite) {
        if (a.kind() == b.kind()) return false;
        order = a.kind() == Exact::Kind::infinite ? 1 : -1;
    } else {
        order = compareMagnitude(a, b);
    }
    return aNeg ? order > 0 : order < 0;
}

bool operator==(const Exact& a, const Exact& b) {
    if (a.isNan() || b.isNan()) return false;
    return !(a < b) && !(b < a);
}

bool operator<=(const Exact& a, const Exact& b) { return a < b || a == b; }

Exact add(const Exact& a, const Exact& b) {
    using Kind = Exact::Kind;
    if (a.isNan() || b.isNan()) return Exact::nan();
    if (a.kind() == Kind::infinite || b.kind() == Kind::infinite) {
        if (a.kind() == Kind::infinite && b.kind() == Kind::infinite && a.negative() != b.negative())
            return Exact::nan();
        return a.kind() == Kind::infinite ? a : b;
    }
    if (a.kind() == Kind::zero && b.kind() == Kind::zero) {
        // Under rounding toward zero, -0 only from -0 + -0.
        return signedZero(a.negative() && b.negative());
    }
    if (a.kind() == Kind::zero || b.kind() == Kind::zero) {
        const Exact& v = a.kind() == Kind::zero ? b : a;
        return Exact::truncated(v.negative(), U128{0, v.significand()}, v.exponent());
    }
    const bool aLarger = compareMagnitude(a, b) >= 0;
    const Exact& big = aLarger ? a : b;
    const Exact& small = aLarger ? b : a;
    // big's significand at bits 126..63 of the field, small's aligned below;
    // bits that fall off become one sticky bit, which cannot change the
    // truncated result (both operands' fields differ by at least 2^63 from
    // any 24-bit boundary they might otherwise cross).
    const U128 bigField = shiftLeft(U128{0, big.significand()}, 63);
    const int distance = big.exponent() - small.exponent();
    bool lost;
    U128 smallField = shiftRight(shiftLeft(U128{0, small.significand()}, 63), distance, lost);
    if (lost) smallField.lo |= 1;
    const int exponent = big.exponent() - 63;
    if (big.negative() == small.negative()) {
        return Exact::truncated(big.negative(), add(bigField, smallField), exponent);
    }
    const U128 difference = subtract(bigField, smallField);
    if (isZero(difference)) return Exact();  // x - x = +0 toward zero
    return Exact::truncated(big.negative(), difference, exponent);
}

Exact subtract(const Exact& a, const Exact& b) { return add(a, -b); }

Exact multiply(const Exact& a, const Exact& b) {
    using Kind = Exact::Kind;
    if (a.isNan() || b.isNan()) return Exact::nan();
    const bool negative = a.negative() != b.negative();
    if (a.kind() == Kind::infinite || b.kind() == Kind::infinite) {
        if (a.kind() == Kind::zero || b.kind() == Kind::zero) return Exact::nan();
        return infinity(negative);
    }
    if (a.kind() == Kind::zero || b.kind() == Kind::zero) return signedZero(negative);
    return Exact::truncated(negative, multiply(a.significand(), b.significand()), a.exponent() + b.exponent());
}

Exact divide(const Exact& a, const Exact& b) {
    using Kind = Exact::Kind;
    if (a.isNan() || b.isNan()) return Exact::nan();
    const bool negative = a.negative() != b.negative();
    if (a.kind() == Kind::infinite) return b.kind() == Kind::infinite ? Exact::nan() : infinity(negative);
    if (b.kind() == Kind::infinite) return signedZero(negative);
    if (b.kind() == Kind::zero) return a.kind() == Kind::zero ? Exact::nan() : infinity(negative);
    if (a.kind() == Kind::zero) return signedZero(negative);
    // (a.significand × 2^64) / b.significand by long division: the quotient
    // has 64 or 65 bits, its floor truncates like the exact quotient.
    const U128 dividend{a.significand(), 0};
    const U128 divisor{0, b.significand()};
    U128 quotient, remainder;
    for (int bit = 127; bit >= 0; --bit) {
        remainder = shiftLeft(remainder, 1);
        const std::uint64_t next = bit >= 64 ? (dividend.hi >> (bit - 64)) & 1 : (dividend.lo >> bit) & 1;
        remainder.lo |= next;
        quotient = shiftLeft(quotient, 1);
        if (compare(remainder, divisor) >= 0) {
            remainder = subtract(remainder, divisor);
            quotient.lo |= 1;
        }
    }
    return Exact::truncated(negative, quotient, a.exponent() - 64 - b.exponent());
}

Floor floorOf(const Exact& value) {
    Floor r{Exact(), 0};
    if (!value.isFinite()) {
        r.whole = Exact::nan();
        return r;
    }
    if (value.kind() == Exact::Kind::zero) return r;
    const int msb = value.exponent() + 63;
    if (msb < 0) {  // 0 < |value| < 1
        if (value.negative()) {
            r.whole = Exact::fromInteger(-1);
            r.low16 = 0xFFFF;
        }
        return r;
    }
    if (value.exponent() >= 0) {  // an integer already
        r.whole = value;
        std::uint32_t low = 0;
        if (value.exponent() < 16) low = static_cast<std::uint32_t>((value.significand() << value.exponent()) & 0xFFFF);
        r.low16 = value.negative() ? (0x10000u - low) & 0xFFFF : low;
        return r;
    }
    const int shift = -value.exponent();
    const std::uint64_t integer = value.significand() >> shift;
    const bool fraction = (value.significand() & ((std::uint64_t{1} << shift) - 1)) != 0;
    if (!value.negative()) {
        r.whole = Exact::fromInteger(static_cast<std::int64_t>(integer));
        r.low16 = static_cast<std::uint32_t>(integer & 0xFFFF);
    } else {
        const std::uint64_t up = integer + (fraction ? 1 : 0);  // at most 2^63
        r.whole = Exact::fromMagnitude(true, up);
        r.low16 = static_cast<std::uint32_t>((0x10000u - (up & 0xFFFF)) & 0xFFFF);
    }
    return r;
}

}  // namespace model
