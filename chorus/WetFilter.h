// The wet-path filter of the frame loops: the mono mix of the inputs through
// the direct form with two state values, in exactly this order:
//   x = (inL + inR)·0.5
//   w = (x − z1·b1) − z2·b2;  y = ((z1·a1) + (z2·a2)) + (w·a0);  z2 ← z1;  z1 ← float(w)
// y goes into the ring.  The filter needs only the inputs and its own
// state, so the loops run it ahead of the frame's reads.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "chorus/BlockArithmetic.h"

namespace chorus {

struct WetFilterCoefficients {
    float a0, a1, a2, b1, b2;
};

// One frame in the block arithmetic (BlockArithmetic.h), the state held as
// doubles with float values.  The mask after × 0.5 would change nothing
// (halving a 24-bit value is exact), nor the one before the store of y.
inline float filterFrame(double inL, double inR, const WetFilterCoefficients& c, double& z1, double& z2) {
    using namespace blockmath;
    const double x = mul(add(inL, inR), 0.5);
    const double w = sub(sub(x, mul(z1, c.b1)), mul(z2, c.b2));
    const float y = toFloat(add(add(mul(z1, c.a1), mul(z2, c.a2)), mul(w, c.a0)));
    z2 = z1;
    z1 = storedAsFloat(w);
    return y;
}

// Where single precision under rounding toward zero gives the block
// arithmetic's bits.  Every operand of the filter is a float.  A float sum
// or difference is the exact result truncated to 24 bits unless it
// overflows: below 2^-126 it is a multiple of 2^-149 that a denormal holds
// exactly.  A float product is the truncated exact product unless it
// overflows or falls below 2^-126 with bits beyond the denormals' reach.
// So the single-precision filter is exact when every value that takes part
// in a product is zero or within a range that keeps its products normal
// and far from overflow:
//   the input sum s:   0 or 2^-125 ≤ |s| ≤ 2^125  (x = s·0.5 normal, |x| ≤ 2^124)
//   each w and z:      0 or lowest ≤ |w| ≤ highest,
// with every nonzero coefficient between 2^emin and 2^(emax+1) in
// magnitude (its exponent field gives emin and emax, no division):
//   lowest = 2^max(−126, −125 − emin),  highest = 2^min(127, 123 − emax).
// Then every product lies between 2^-125 and 2^124, and the sums stay
// below 2^127.  Non-finite values fail the test; a denormal or non-finite
// coefficient keeps the filter in the block arithmetic.
struct WetFilterRanges {
    explicit WetFilterRanges(const WetFilterCoefficients& c) {
        const float coefficients[5] = {c.a0, c.a1, c.a2, c.b1, c.b2};
        std::uint32_t lowestField = 0x1FF, highestField = 0;
        bool normal = true;  // no coefficient is a denormal, infinite or NaN
        for (const float coefficient : coefficients) {
            std::uint32_t magnitude;
            std::memcpy(&magnitude, &coefficient, sizeof magnitude);
            magnitude &= 0x7FFFFFFFu;
            // magnitude − 1 wraps zero to the top, and moves a power of two
            // one exponent down: the lowest exponent can only come out low.
            const std::uint32_t fieldBelow = (magnitude - 1u) >> 23;
            lowestField = fieldBelow < lowestField ? fieldBelow : lowestField;
            highestField = (magnitude >> 23) > highestField ? magnitude >> 23 : highestField;
            normal = normal && (magnitude == 0 || (magnitude >= 0x00800000u && magnitude < 0x7F800000u));
        }
        // With every coefficient zero the bounds are the widest: only
        // products with zero occur.
        const int lowestExponent = lowestField == 0x1FF ? 127 : static_cast<int>(lowestField) - 127;
        const int highestExponent = static_cast<int>(highestField) - 127;
        int low = -125 - lowestExponent, high = 123 - highestExponent;
        low = low < -126 ? -126 : low;
        high = high > 127 ? 127 : high;
        singlePrecision = normal && low <= high;
        lowest = powerOfTwo(singlePrecision ? low : 0);
        highest = powerOfTwo(singlePrecision ? high : 0);
    }
    static float powerOfTwo(int exponent) {  // normal exponents only
        const std::uint32_t bits = static_cast<std::uint32_t>(exponent + 127) << 23;
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    bool singlePrecision;  // false: the filter always runs in the block arithmetic
    float lowest, highest;
};

// Lanes that are neither zero nor within [low, high] in magnitude, NaN
// included, as a mask.
inline __m128 outsideRange(__m128 v, __m128 low, __m128 high, __m128 magnitudeMask) {
    const __m128 magnitude = _mm_and_ps(v, magnitudeMask);
    const __m128 tooSmall = _mm_and_ps(_mm_cmplt_ps(magnitude, low), _mm_cmpneq_ps(v, _mm_setzero_ps()));
    return _mm_or_ps(tooSmall, _mm_cmpnle_ps(magnitude, high));
}

// The filter four frames at a time for the pipelined loops: in single
// precision, checked against WetFilterRanges, and where the check fails
// the same four frames again in the block arithmetic.  The fast path's
// chain from one frame to the next is a multiplication and two
// subtractions (9 cycles against 18 with masks and the float round trip),
// and its feed-forward part runs on four frames at once.  A failed check
// (near silence, the tail of a decay, absurd input) costs the four frames
// twice; after one the filter stays in the block arithmetic until its state
// is back in range.
class WetFilter {
public:
    WetFilter(float z1, float z2, const WetFilterCoefficients& c, const WetFilterRanges& r)
        : a0(_mm_set1_ps(c.a0)),
          a1(_mm_set1_ps(c.a1)),
          a2(_mm_set1_ps(c.a2)),
          b1(_mm_set1_ps(c.b1)),
          b2(_mm_set1_ps(c.b2)),
          half(blockmath::opaque(_mm_set1_ps(0.5f))),
          magnitudeMask(blockmath::opaque(_mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)))),
          sumLow(blockmath::opaque(_mm_set1_ps(0x1p-125f))),
          sumHigh(blockmath::opaque(_mm_set1_ps(0x1p125f))),
          stateLow(_mm_set1_ps(r.lowest)),
          stateHigh(_mm_set1_ps(r.highest)),
          state1(_mm_set_ss(z1)),
          state2(_mm_set_ss(z2)),
          singlePrecision(r.singlePrecision) {
        exactNext = !singlePrecision || stateOutsideRange();
    }

    // y of frames k to k + 3 into y[0..3].
    __attribute__((always_inline)) void fourFrames(const float* inL, const float* inR, float* y) {
        if (__builtin_expect(!exactNext, 1)) {
            const __m128 sum = _mm_add_ps(_mm_loadu_ps(inL), _mm_loadu_ps(inR));
            const __m128 x = _mm_mul_ps(sum, half);
            const __m128 z1 = state1, z2 = state2;
            const __m128 w0 = _mm_sub_ss(_mm_sub_ss(x, _mm_mul_ss(z1, b1)), _mm_mul_ss(z2, b2));
            const __m128 w1 = _mm_sub_ss(_mm_sub_ss(_mm_shuffle_ps(x, x, 1), _mm_mul_ss(w0, b1)), _mm_mul_ss(z1, b2));
            const __m128 w2 = _mm_sub_ss(_mm_sub_ss(_mm_movehl_ps(x, x), _mm_mul_ss(w1, b1)), _mm_mul_ss(w0, b2));
            const __m128 w3 = _mm_sub_ss(_mm_sub_ss(_mm_shuffle_ps(x, x, 3), _mm_mul_ss(w2, b1)), _mm_mul_ss(w1, b2));
            const __m128 w01 = _mm_unpacklo_ps(w0, w1);
            const __m128 w = _mm_movelh_ps(w01, _mm_unpacklo_ps(w2, w3));
            const __m128 outside = _mm_or_ps(outsideRange(sum, sumLow, sumHigh, magnitudeMask),
                                             outsideRange(w, stateLow, stateHigh, magnitudeMask));
            if (__builtin_expect(!_mm_movemask_ps(outside), 1)) {
                // {z1, w0, w1, w2}·a1 + {z2, z1, w0, w1}·a2 + {w0, w1, w2, w3}·a0
                const __m128 previous1 = _mm_movelh_ps(_mm_unpacklo_ps(z1, w0), _mm_unpacklo_ps(w1, w2));
                const __m128 previous2 = _mm_movelh_ps(_mm_unpacklo_ps(z2, z1), w01);
                const __m128 yFour =
                    _mm_add_ps(_mm_add_ps(_mm_mul_ps(previous1, a1), _mm_mul_ps(previous2, a2)), _mm_mul_ps(w, a0));
                _mm_storeu_ps(y, yFour);
                state1 = w3;
                state2 = w2;
                return;
            }
        }
        exactFourFrames(inL, inR, y);
    }

    float z1() const { return _mm_cvtss_f32(state1); }
    float z2() const { return _mm_cvtss_f32(state2); }
    // Whether the next four frames try single precision first.
    bool triesSinglePrecision() const { return !exactNext; }

private:
    bool stateOutsideRange() const {
        return (_mm_movemask_ps(outsideRange(_mm_unpacklo_ps(state1, state2), stateLow, stateHigh, magnitudeMask)) &
                3) != 0;
    }

    // The same four frames in the block arithmetic, two at a time: the chain
    // as in filterFrame on broadcast pairs, y of both frames at once:
    //   {y0, y1} = (({z1, w0}·a1) + ({z2, z1}·a2)) + ({w0, w1}·a0)
    // with w unshortened there and stored as float in the state.
    __attribute__((always_inline)) void exactFourFrames(const float* inL, const float* inR, float* y) {
        using namespace blockmath;
        // The coefficients as double pairs here only: this path is rare.
        const __m128d a0Pair = _mm_cvtps_pd(a0), a1Pair = _mm_cvtps_pd(a1), a2Pair = _mm_cvtps_pd(a2);
        const __m128d b1Pair = _mm_cvtps_pd(b1), b2Pair = _mm_cvtps_pd(b2), halfPair = _mm_cvtps_pd(half);
        __m128d z1 = _mm_cvtps_pd(_mm_shuffle_ps(state1, state1, 0));
        __m128d z2 = _mm_cvtps_pd(_mm_shuffle_ps(state2, state2, 0));
        for (int pair = 0; pair < 4; pair += 2) {
            const __m128d x = _mm_mul_pd(add(pairOfFloats(inL + pair), pairOfFloats(inR + pair)), halfPair);
            const __m128d w0 = sub(sub(_mm_unpacklo_pd(x, x), mul(z1, b1Pair)), mul(z2, b2Pair));
            const __m128d z0 = _mm_cvtps_pd(_mm_cvtpd_ps(w0));
            const __m128d w1 = sub(sub(_mm_unpackhi_pd(x, x), mul(z0, b1Pair)), mul(z1, b2Pair));
            const __m128d yPair = _mm_add_pd(add(mul(_mm_move_sd(z0, z1), a1Pair), mul(_mm_move_sd(z1, z2), a2Pair)),
                                             mul(_mm_move_sd(w1, w0), a0Pair));
            storeAsFloats(y + pair, yPair);
            z2 = z0;
            z1 = _mm_cvtps_pd(_mm_cvtpd_ps(w1));
        }
        state1 = _mm_cvtpd_ps(z1);
        state2 = _mm_cvtpd_ps(z2);
        exactNext = !singlePrecision || stateOutsideRange();
    }

    __m128 a0, a1, a2, b1, b2;
    __m128 half, magnitudeMask, sumLow, sumHigh, stateLow, stateHigh;
    __m128 state1, state2;  // z1 and z2 in the low lane
    bool singlePrecision;
    bool exactNext;  // the state is out of range: the next four frames run exactly
};

}  // namespace chorus
