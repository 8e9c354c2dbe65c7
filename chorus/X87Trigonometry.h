// Sine, cosine and tangent for the quantities Rate and Cutoff derive, from
// the x87's own instructions.  The C libraries of the builds differ in the
// last bit now and then (glibc's sine and cosine, which the LV2 plug-in
// would get, differ from the Windows runtimes' in about one angle in 4,000
// of the rotation's; the runtimes' tangents differ from each other), and
// the rotation is kept as doubles, so such a bit would change the sound
// after a while.  The instructions are the same in every build: the 32- and
// 64-bit DLLs' runtimes compute sine and cosine with exactly these, and
// their tangents round to the same float coefficients (checked over more
// than a million filter designs), so the DLLs sound as they did.
//
// Each result is the instruction's, rounded to double under the current
// rounding mode; callers run under the platform default (round to nearest).
// The instructions need |x| < 2^63; beyond that, which only absurd
// parameter values reach, the C library answers.
#pragma once

#include <cmath>

namespace chorus {

constexpr double kLargestX87Angle = 9223372036854775808.0;  // 2^63

struct SineAndCosine {
    double sine;
    double cosine;
};

inline SineAndCosine sineAndCosine(double x) {
    if (!(std::fabs(x) < kLargestX87Angle)) return {std::sin(x), std::cos(x)};
    long double sine, cosine;
    __asm__("fsincos" : "=t"(cosine), "=u"(sine) : "0"(static_cast<long double>(x)));
    return {static_cast<double>(sine), static_cast<double>(cosine)};
}

inline double tangent(double x) {
    if (!(std::fabs(x) < kLargestX87Angle)) return std::tan(x);
    long double result, one;
    __asm__("fptan" : "=t"(one), "=u"(result) : "0"(static_cast<long double>(x)));
    static_cast<void>(one);  // fptan pushes 1 after the tangent
    return static_cast<double>(result);
}

}  // namespace chorus
