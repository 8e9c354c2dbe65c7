// The building blocks of the frame loops: the block's arithmetic (every
// +, −, ×, ÷ rounds its exact result to a 24-bit significand toward zero)
// in SSE2 double registers, one value or a pair of values at a time.
//
// Why this is exact.  Floats and doubles convert to double exactly, so the
// operands are the exact values.  Under an MXCSR that rounds toward zero
// (fpu::enterBlockMxcsr) an SSE2 double operation gives its exact result
// truncated to 53 bits; clearing the low 29 significand bits then truncates
// that to 24 bits.  Truncations compose (cutting 53 bits to 24 is the same
// as cutting the exact result to 24 directly), and both act on the
// magnitude, so the sign does not matter.  This holds as long as results
// are normal doubles, which the values of a block always are: every value
// is a float, a double field or constant of the effect, or the result of a
// short chain of operations on them.  Float inputs, gains, coefficients and
// ring samples lie between 2^-149 and 2^128, the per-block sweep values
// between about 2^-440 and 2^280 (SweepValues.h), the oscillator stays near
// amplitude 1 (its smallest values, near a zero crossing, are above about
// 2^-160 even at a huge sample rate), and the longest chain from these to a
// store or a comparison (position, fraction, interpolation, mix, gain) has
// four factors.  So nonzero magnitudes stay between about 2^-900 and 2^600
// even with extreme parameters, and far closer to 1 with sane ones; nothing
// reaches 2^-1022 or 2^1024.  Filter state decaying through the float
// denormal range is therefore an ordinary normal double here (no denormal
// slowdown either), and huge host parameter values give huge but finite
// doubles.  Infinities pass the mask unchanged;
// a NaN stays a NaN, since every NaN here carries its quiet bit (the top
// significand bit), which the mask keeps.
//
// The store to float (cvtsd2ss / cvtpd2ps) rounds toward zero under the same
// MXCSR, with denormals below FLT_MIN and saturation at ±FLT_MAX, because
// flush-to-zero is off.  Denormals-are-zero is off too, so a denormal float
// input enters with its value.
//
// Truncation to an integer (cvttsd2si / cvttpd2dq) ignores the rounding
// mode and gives INT32_MIN for NaN and for values outside the int32 range,
// which stays a harmless index after the ring's mask.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace blockmath {

// Clears the low 29 of the 52 stored significand bits.
inline __m128d truncatedMask() {
    return _mm_castsi128_pd(_mm_set1_epi64x(static_cast<long long>(0xFFFFFFFFE0000000ull)));
}

#if defined(__i386__)
// With eight SSE registers a mask held in one for a whole loop costs more
// spills than the mask costs as a memory operand of each use.
alignas(16) inline const std::uint64_t kTruncatedMaskPair[2] = {0xFFFFFFFFE0000000ull, 0xFFFFFFFFE0000000ull};
inline __m128d truncated(__m128d x) {
    __asm__("andpd %1, %0" : "+x"(x) : "m"(kTruncatedMaskPair));
    return x;
}
#else
inline __m128d truncated(__m128d x) { return _mm_and_pd(x, truncatedMask()); }
#endif

// The scalar form keeps the value where it is: an intrinsic on a double
// would first clear the register's upper lane.
inline double truncated(double x) {
    __asm__("andpd %1, %0" : "+x"(x) : "x"(truncatedMask()));
    return x;
}

inline double add(double a, double b) { return truncated(a + b); }
inline double sub(double a, double b) { return truncated(a - b); }
inline double mul(double a, double b) { return truncated(a * b); }
inline double div(double a, double b) { return truncated(a / b); }

inline __m128d add(__m128d a, __m128d b) { return truncated(_mm_add_pd(a, b)); }
inline __m128d sub(__m128d a, __m128d b) { return truncated(_mm_sub_pd(a, b)); }
inline __m128d mul(__m128d a, __m128d b) { return truncated(_mm_mul_pd(a, b)); }
inline __m128d div(__m128d a, __m128d b) { return truncated(_mm_div_pd(a, b)); }

// The store to float, written as the instruction so that the compiler
// cannot merge it with the operation before it into a float operation.
inline float toFloat(double x) {
    float result;
    __asm__("cvtsd2ss %1, %0" : "=x"(result) : "x"(x));
    return result;
}

// The same, with the float back as a double (for state that is stored to
// float and used again), in one register throughout.
inline double storedAsFloat(double x) {
    double result;
    __asm__("cvtsd2ss %1, %0\n\tcvtss2sd %0, %0" : "=&x"(result) : "x"(x));
    return result;
}

// Both lanes stored to float: {lo, hi} in the low two float lanes.
inline __m128 toFloats(__m128d x) { return _mm_cvtpd_ps(x); }

// A constant as the compiler must not see it.  GCC rebuilds a known pair
// from its eight-byte half in every iteration of a loop that runs short of
// registers (two instructions); an opaque value is kept in a register or
// reloaded from its stack slot as an operand, which costs nothing extra.
inline __m128d opaque(__m128d x) {
    __asm__("" : "+x"(x));
    return x;
}

inline __m128 opaque(__m128 x) {
    __asm__("" : "+x"(x));
    return x;
}

// Two adjacent floats as a pair of doubles {p[0], p[1]}: one instruction,
// the load folded into the conversion, which the intrinsics do not give.
// The memory operand has a type that may alias anything, so the compiler
// keeps the load in its place among the stores to the same buffers.
inline __m128d pairOfFloats(const float* p) {
    __m128d pair;
    __asm__("cvtps2pd %1, %0" : "=x"(pair) : "m"(*reinterpret_cast<const __m64*>(p)));
    return pair;
}

// The pair stored to two adjacent floats (the conversion truncates to
// float under the block's MXCSR).
inline void storeAsFloats(float* p, __m128d pair) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(_mm_cvtpd_ps(pair)));
}

// The floor of a read position, for the interpolation: the truncation,
// moved down by one for negative non-integers.  Positions are block results
// with 24-bit significands, so one below its truncation is no integer,
// |whole| < 2^23 and whole − 1 is exact.  Below −2^31 the truncation is
// INT32_MIN and the step down is a block operation like any other (it
// leaves −2^31); the position is then spoiled anyway, but the index stays
// in the ring.  The index is the floor modulo 2^32; callers mask it.
inline double floorOf(double pos, std::uint32_t& index) {
    const std::int32_t t = _mm_cvttsd_si32(_mm_set_sd(pos));
    double whole = t;
    std::uint32_t i = static_cast<std::uint32_t>(t);
    if (pos < whole) {
        whole = sub(whole, 1.0);
        i -= 1;
    }
    index = i;
    return whole;
}

// The same for a pair of positions; the indices are the low two int32
// lanes of `index`.
inline __m128d floorOf(__m128d pos, __m128i& index) {
    const __m128i t = _mm_cvttpd_epi32(pos);
    const __m128d whole = _mm_cvtepi32_pd(t);
    const __m128d below = _mm_cmplt_pd(pos, whole);  // all ones where the floor is one less
    // The low 32 bits of each all-ones lane are −1 as an int32.
    index = _mm_add_epi32(t, _mm_shuffle_epi32(_mm_castpd_si128(below), _MM_SHUFFLE(3, 3, 2, 0)));
    return sub(whole, _mm_and_pd(below, _mm_set1_pd(1.0)));
}

// The floor of two read positions by way of 1.5 · 2^52, for positions below
// 2^51 in magnitude.  p + 1.5 · 2^52 lies between 2^52 and 2^53, where
// doubles are the integers, and the sum is positive, so the block's
// rounding toward zero rounds it down: the sum is 1.5 · 2^52 + floor(p)
// exactly, its significand field is 2^51 + floor(p), and so its lowest 16
// bits are the ring index floor(p) mod 65536, for negative positions too.
// Subtracting the constant again gives floor(p) as a double, exactly.  No
// conversion to an integer register and back, no correction for negative
// positions.  The fraction p − floor(p) is a block operation (for negative
// positions it can need more than 24 bits).
constexpr double kFloorShift = 6755399441055744.0;  // 1.5 · 2^52

// The indices stay in memory, each loaded where its read needs it: two
// registers less over the reads, which the 32-bit build with its seven
// general registers feels, and one instruction each like an extraction.
struct SplitPositions {
    __m128d fraction;
    alignas(16) std::uint16_t words[8];  // the sum's bits; the indices are words 0 and 4
    std::uint32_t index0() const { return words[0]; }
    std::uint32_t index1() const { return words[4]; }
};

// floorShift holds kFloorShift in both lanes.
inline void splitPositions(__m128d pos, __m128d floorShift, SplitPositions& split) {
    const __m128d shifted = _mm_add_pd(pos, floorShift);
    split.fraction = sub(pos, _mm_sub_pd(shifted, floorShift));
    _mm_store_si128(reinterpret_cast<__m128i*>(split.words), _mm_castpd_si128(shifted));
}

}  // namespace blockmath
