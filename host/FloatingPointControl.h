// The x87 control word around an audio block.  The processing is specified
// as single-precision arithmetic rounding toward zero, which the x87 gives
// directly when its precision control is 24 bits and its rounding control is
// "chop"; `long double` expressions then run on the x87 in 32- and 64-bit
// builds alike.  Inline so that the audio thread calls no function for it.
#pragma once

#include <cstdint>

namespace fpu {

// Precision control (bits 8-9) and rounding control (bits 10-11).
constexpr std::uint16_t kPrecisionMask = 0x0300;
constexpr std::uint16_t kRoundingMask = 0x0C00;
constexpr std::uint16_t kRoundTowardZero = 0x0C00;

// What the platform's C runtime starts threads with: all exceptions masked,
// rounding to nearest; 53-bit precision on Windows, 64-bit on Linux.
#if defined(_WIN32)
constexpr std::uint16_t kPlatformDefault = 0x027F;
#else
constexpr std::uint16_t kPlatformDefault = 0x037F;
#endif

inline std::uint16_t controlWord() {
    std::uint16_t word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

// The memory clobber keeps loads and stores, and with them the arithmetic
// between them, on their side of the switch.
inline void setControlWord(std::uint16_t word) { __asm__ __volatile__("fldcw %0" : : "m"(word) : "memory"); }

// 24-bit precision, rounding toward zero; the exception masks stay as the
// host left them.
inline void enterBlockArithmetic() {
    setControlWord(static_cast<std::uint16_t>((controlWord() & ~(kPrecisionMask | kRoundingMask)) | kRoundTowardZero));
}

inline void leaveBlockArithmetic() { setControlWord(kPlatformDefault); }

// Converts with the x87's current rounding, which inside a block is toward
// zero: a truncation without the control-word switch that a C++ cast costs.
// Out-of-range values and NaN give INT32_MIN (the x87's "integer
// indefinite") instead of undefined behaviour.
inline std::int32_t truncateInBlock(long double value) {
    std::int32_t result;
    __asm__("fistpl %0" : "=m"(result) : "t"(value) : "st");
    return result;
}

}  // namespace fpu
