// The modulation oscillator of the frame loops, with the block arithmetic
// of BlockArithmetic.h (so it runs inside the block's MXCSR).
#pragma once

#include <emmintrin.h>

#include "chorus/BlockArithmetic.h"

namespace chorus {

// The oscillator as the pair {sin, cos}: a rotation, renormalised towards
// amplitude 1 in every frame.  From the values s, c before the step:
//   g   = 1.5 − (0.5·((s·s) + (c·c)))
//   sin ← ((rotCos·s) − (rotSin·c))·g,  cos ← ((rotSin·s) + (c·rotCos))·g.
// Rounding toward zero shrinks a bare rotation by about 1 % per 100,000
// frames; g is one Newton step towards 1/√(s² + c²), so the amplitude stays
// within a few units in the last place of 1 and the sweep never jumps.
// g needs only the values before the step, so it runs beside the rotation.
//
// How the step is arranged, bit for bit the same.  With v = {s, c} and its
// swap {c, s}, both lanes of {s·s, c·c} + {c·c, s·s} hold the sum of squares
// (addition commutes exactly), and
//   {hc, hc}·{s, c} + {−hs, hs}·{c, s} = {hc·s − hs·c, hc·c + hs·s}
// is the rotation with halved coefficients hc = rotCos/2, hs = rotSin/2
// (a − b is a + (−b) to the bit, and sums and products commute exactly).
// Scaling by a power of two commutes with rounding toward zero, so the
// step multiplies by 2g = 3 − (s·s + c·c) and one multiplication leaves
// the chain from one frame to the next: square, sum, 2g, product, four
// operations and one swap.  Keeping the mirrored pair {c, s} beside v
// instead saves the swap's cycle of latency but costs eight more
// instructions per frame, which the frame loops cannot afford.
struct ModulationOscillator {
    ModulationOscillator(double sine, double cosine, double rotCos, double rotSin)
        : value(_mm_set_pd(cosine, sine)),
          byValue(_mm_set1_pd(0.5 * rotCos)),
          bySwapped(_mm_set_pd(0.5 * rotSin, -0.5 * rotSin)),
          three(blockmath::opaque(_mm_set1_pd(3.0))) {}

    // One frame's step; the block's MXCSR must be in force.
    void advance() {
        using namespace blockmath;
        const __m128d squares = mul(value, value);
        const __m128d twiceG = sub(three, add(squares, swapped(squares)));
        value = mul(add(mul(byValue, value), mul(bySwapped, swapped(value))), twiceG);
    }
    double sin() const { return _mm_cvtsd_f64(value); }
    double cos() const { return _mm_cvtsd_f64(_mm_unpackhi_pd(value, value)); }

    static __m128d swapped(__m128d x) { return _mm_shuffle_pd(x, x, 1); }

    __m128d value;  // {sin, cos}
    __m128d byValue, bySwapped, three;
};

}  // namespace chorus
