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
// How the steps are arranged, bit for bit the same.  The pair {s, c} is
// kept together with its mirror {c, s}, so that both lanes of
// {s·s, c·c} + {c·c, s·s} hold the sum of squares without a shuffle on the
// chain from one frame to the next (addition commutes exactly).  Scaling by
// a power of two commutes with rounding toward zero, so the chain carries
// 2g = 3 − (s·s + c·c) and the rotation runs with the halved coefficients
// rotCos/2 and rotSin/2: ((rotCos/2)·s − (rotSin/2)·c)·2g is the rule's
// ((rotCos·s) − (rotSin·c))·g to the bit, and one multiplication leaves the
// chain.  a − b is a + (−b) to the bit, and a product's operands commute
// exactly.
struct ModulationOscillator {
    ModulationOscillator(double sine, double cosine, double rotCos, double rotSin)
        : value(_mm_set_pd(cosine, sine)),
          mirror(_mm_set_pd(sine, cosine)),
          // {sin, cos} ← {hc·s, hs·s} + {−hs·c, hc·c};  {cos, sin} ← {hs·s, hc·s} + {hc·c, −hs·c}
          bySin(_mm_set_pd(0.5 * rotSin, 0.5 * rotCos)),
          byCos(_mm_set_pd(0.5 * rotCos, -0.5 * rotSin)),
          mirrorBySin(_mm_set_pd(0.5 * rotCos, 0.5 * rotSin)),
          mirrorByCos(_mm_set_pd(-0.5 * rotSin, 0.5 * rotCos)) {}

    // One frame's step; the block's MXCSR must be in force.
    void advance() {
        using namespace blockmath;
        const __m128d s = _mm_unpacklo_pd(value, value);
        const __m128d c = _mm_unpackhi_pd(value, value);
        const __m128d twiceG = sub(_mm_set1_pd(3.0), add(mul(value, value), mul(mirror, mirror)));
        value = mul(add(mul(bySin, s), mul(byCos, c)), twiceG);
        mirror = mul(add(mul(mirrorBySin, s), mul(mirrorByCos, c)), twiceG);
    }
    double sin() const { return _mm_cvtsd_f64(value); }
    double cos() const { return _mm_cvtsd_f64(mirror); }

    __m128d value;   // {sin, cos}
    __m128d mirror;  // {cos, sin}
    __m128d bySin, byCos, mirrorBySin, mirrorByCos;
};

}  // namespace chorus
