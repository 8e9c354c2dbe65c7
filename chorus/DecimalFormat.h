// Correctly rounded fixed-point text for doubles, independent of the C
// runtime: the system C runtime that a Windows DLL meets rounds exact
// decimal ties away from zero (6.25 to "6.3"), a correctly rounding one
// gives "6.2".  These functions take the exact binary value of the double,
// round its decimal expansion half to even, and pad like printf.
#pragma once

namespace chorus {

// The longest text these functions write, terminator included: the digits
// of the largest double, a sign, a point and the fraction digits.
constexpr int kMaxFormattedLength = 320;

// What printf("%*.*f", width, precision, value) writes with a correctly
// rounding C library: the sign when the value's sign bit is set ("-0.0"),
// and "nan", "inf" or "-inf" (never "-nan") for values that are not finite,
// right-aligned in at least `width` characters.  precision is 0 to 2.
// Returns the length written, terminator excluded.
int formatFixed(char* text, double value, int width, int precision);

// What printf("%d") writes for value truncated toward zero, without the
// range limit of an int: the exact integer however large, "0" for every
// value between -1 and 1 exclusive, and "nan", "inf" or "-inf" for values
// that are not finite.  Returns the length written, terminator excluded.
int formatTruncated(char* text, double value);

}  // namespace chorus
