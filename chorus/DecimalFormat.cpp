#include "chorus/DecimalFormat.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace chorus {

namespace {

// A non-negative integer of up to 1088 bits: enough for the largest double
// times 100.  Little-endian 32-bit limbs.
class BigInteger {
public:
    explicit BigInteger(std::uint64_t value) {
        limbs[0] = static_cast<std::uint32_t>(value);
        limbs[1] = static_cast<std::uint32_t>(value >> 32);
        used = 2;
        trim();
    }

    void shiftLeft(int bits) {
        const int whole = bits / 32;
        const int part = bits % 32;
        if (whole > 0) {
            for (int i = used - 1; i >= 0; --i) limbs[i + whole] = limbs[i];
            for (int i = 0; i < whole; ++i) limbs[i] = 0;
            used += whole;
        }
        if (part > 0) {
            limbs[used] = 0;
            for (int i = used; i > 0; --i) limbs[i] = (limbs[i] << part) | (limbs[i - 1] >> (32 - part));
            limbs[0] <<= part;
            ++used;
        }
        trim();
    }

    // Divides by divisor in place and returns the remainder.
    std::uint32_t divide(std::uint32_t divisor) {
        std::uint64_t remainder = 0;
        for (int i = used - 1; i >= 0; --i) {
            const std::uint64_t current = (remainder << 32) | limbs[i];
            limbs[i] = static_cast<std::uint32_t>(current / divisor);
            remainder = current % divisor;
        }
        trim();
        return static_cast<std::uint32_t>(remainder);
    }

    bool isZero() const { return used == 0; }

private:
    void trim() {
        while (used > 0 && limbs[used - 1] == 0) --used;
    }

    static constexpr int kLimbs = 36;
    std::uint32_t limbs[kLimbs] = {};
    int used = 0;
};

// Writes the decimal digits of value into the end of a work area and
// returns where they start.  At least one digit.
char* writeDigits(char* end, BigInteger value) {
    char* p = end;
    do {
        std::uint32_t chunk = value.divide(1000000000u);
        for (int i = 0; i < 9; ++i) {
            *--p = static_cast<char>('0' + chunk % 10);
            chunk /= 10;
            if (value.isZero() && chunk == 0) break;
        }
    } while (!value.isZero());
    return p;
}

char* writeDigits(char* end, std::uint64_t value) {
    char* p = end;
    do {
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return p;
}

// Copies body right-aligned in width characters into text.
int emit(char* text, const char* body, int length, int width) {
    const int padding = width > length ? width - length : 0;
    for (int i = 0; i < padding; ++i) text[i] = ' ';
    std::memcpy(text + padding, body, static_cast<std::size_t>(length));
    text[padding + length] = '\0';
    return padding + length;
}

// "nan", "inf" or "-inf" for a value that is not finite.
int emitNonFinite(char* text, double value, int width) {
    if (std::isnan(value)) return emit(text, "nan", 3, width);
    return std::signbit(value) ? emit(text, "-inf", 4, width) : emit(text, "inf", 3, width);
}

// The double as significand × 2^exponent with an integer significand.
void decompose(double value, std::uint64_t& significand, int& exponent) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    significand = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0) {
        exponent = -1074;  // zero or subnormal
    } else {
        significand |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
}

}  // namespace

int formatFixed(char* text, double value, int width, int precision) {
    if (!std::isfinite(value)) return emitNonFinite(text, value, width);
    if (precision < 0) precision = 0;
    if (precision > 2) precision = 2;

    std::uint64_t significand;
    int exponent;
    decompose(value, significand, exponent);
    std::uint64_t scale = 1;
    for (int i = 0; i < precision; ++i) scale *= 10;
    // |value| × 10^precision = scaled × 2^exponent exactly; scaled < 2^60.
    const std::uint64_t scaled = significand * scale;

    char work[kMaxFormattedLength];
    char* const end = work + sizeof work;
    char* digits;
    if (exponent >= 0) {
        BigInteger whole(scaled);
        whole.shiftLeft(exponent);
        digits = writeDigits(end, whole);
    } else {
        // Round scaled / 2^shift to an integer, half to even.
        const int shift = -exponent;
        std::uint64_t quotient = 0;
        if (shift < 64) {
            quotient = scaled >> shift;
            const std::uint64_t remainder = scaled & ((std::uint64_t{1} << shift) - 1);
            const std::uint64_t half = std::uint64_t{1} << (shift - 1);
            if (remainder > half || (remainder == half && (quotient & 1) != 0)) ++quotient;
        }
        // shift >= 64: scaled < 2^60 is below half of 2^shift, so 0.
        digits = writeDigits(end, quotient);
    }
    // At least one digit before the point.
    while (end - digits < precision + 1) *--digits = '0';

    char body[kMaxFormattedLength + 2];
    int length = 0;
    if (std::signbit(value)) body[length++] = '-';
    const int count = static_cast<int>(end - digits);
    const int integerDigits = count - precision;
    std::memcpy(body + length, digits, static_cast<std::size_t>(integerDigits));
    length += integerDigits;
    if (precision > 0) {
        body[length++] = '.';
        std::memcpy(body + length, digits + integerDigits, static_cast<std::size_t>(precision));
        length += precision;
    }
    return emit(text, body, length, width);
}

int formatTruncated(char* text, double value) {
    if (!std::isfinite(value)) return emitNonFinite(text, value, 0);
    const double whole = std::trunc(value);
    if (whole == 0.0) return emit(text, "0", 1, 0);  // no "-0" for an int
    return formatFixed(text, whole, 0, 0);
}

}  // namespace chorus
