// The x87 control word and the MXCSR around an audio block.  The
// processing is single-precision arithmetic rounding toward zero, which the
// x87 gives directly when its precision control is 24 bits and its rounding
// control is "chop" (`long double` expressions run on the x87 in 32- and
// 64-bit builds alike); SSE2 double operations round toward zero under the
// block's MXCSR and are then cut to 24 bits (chorus/BlockArithmetic.h).
// Inline so that the audio thread calls no function for it.
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

// The MXCSR: rounding control (bits 13-14), flush-to-zero (bit 15) and
// denormals-are-zero (bit 6).  Some hosts and plug-ins leave the last two
// set on the audio thread; they would change results.
constexpr std::uint32_t kMxcsrRoundTowardZero = 0x6000;
constexpr std::uint32_t kMxcsrFlushToZero = 0x8000;
constexpr std::uint32_t kMxcsrDenormalsAreZero = 0x0040;

inline std::uint32_t mxcsr() {
    std::uint32_t value;
    __asm__ __volatile__("stmxcsr %0" : "=m"(value));
    return value;
}

// As for the control word, the memory clobber keeps the arithmetic between
// loads and stores on its side of the switch.
inline void restoreMxcsr(std::uint32_t value) { __asm__ __volatile__("ldmxcsr %0" : : "m"(value) : "memory"); }

// Rounding toward zero, no flush-to-zero, no denormals-are-zero; exception
// masks and flags stay as the host left them.  Returns the host's MXCSR for
// restoreMxcsr at the end of the block.
inline std::uint32_t enterBlockMxcsr() {
    const std::uint32_t host = mxcsr();
    restoreMxcsr((host & ~(kMxcsrFlushToZero | kMxcsrDenormalsAreZero)) | kMxcsrRoundTowardZero);
    return host;
}

}  // namespace fpu
