// The floating-point settings around the host's calls.  An audio block's
// arithmetic is single precision rounding toward zero, which SSE2 double
// operations give under the block's MXCSR (rounding toward zero) and a mask
// that cuts them to 24 bits (chorus/BlockArithmetic.h); a block touches
// nothing of the x87.  The host's other calls run in the platform's default
// environment.
//
// Every call leaves both units as the host had them: a host's own
// arithmetic must not change behind its back, whatever precision, rounding
// or exception masks it runs with.  During a call every exception is
// masked, so a NaN or an infinity from a host's parameter never traps, and
// the exception flags the call raises are discarded with the rest of its
// state.  Inline so that the audio thread calls no function for it.
#pragma once

#include <cstdint>

namespace fpu {

// What the platform's C runtime starts threads with: all exceptions masked,
// rounding to nearest; 53-bit precision on Windows, 64-bit on Linux.
#if defined(_WIN32)
constexpr std::uint16_t kPlatformDefault = 0x027F;
#else
constexpr std::uint16_t kPlatformDefault = 0x037F;
#endif

inline std::uint16_t controlWord() {
    std::uint16_t word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word) : : "memory");
    return word;
}

// The memory clobber keeps loads and stores, and with them the arithmetic
// between them, on their side of the switch.
inline void setControlWord(std::uint16_t word) { __asm__ __volatile__("fldcw %0" : : "m"(word) : "memory"); }

inline std::uint16_t statusWord() {
    std::uint16_t word;
    __asm__ __volatile__("fnstsw %0" : "=m"(word) : : "memory");
    return word;
}

// The x87 environment as fnstenv stores it: control word, status word (with
// the exception flags), tags and the last instruction's pointers; 28 bytes
// in 32- and 64-bit code alike.
struct X87Environment {
    std::uint32_t words[7];
};

// The MXCSR: exception masks (bits 7-12), rounding control (bits 13-14),
// flush-to-zero (bit 15) and denormals-are-zero (bit 6).  Some hosts and
// plug-ins leave the last two set on the audio thread; they would change
// results.
constexpr std::uint32_t kMxcsrAllExceptionsMasked = 0x1F80;
constexpr std::uint32_t kMxcsrRoundTowardZero = 0x6000;
constexpr std::uint32_t kMxcsrFlushToZero = 0x8000;
constexpr std::uint32_t kMxcsrDenormalsAreZero = 0x0040;

inline std::uint32_t mxcsr() {
    std::uint32_t value;
    __asm__ __volatile__("stmxcsr %0" : "=m"(value) : : "memory");
    return value;
}

// As for the control word, the memory clobber keeps the arithmetic between
// loads and stores on its side of the switch.
inline void restoreMxcsr(std::uint32_t value) { __asm__ __volatile__("ldmxcsr %0" : : "m"(value) : "memory"); }

// Rounding toward zero, no flush-to-zero, no denormals-are-zero, every
// exception masked.  Returns the host's MXCSR (its flags included) for
// restoreMxcsr at the end of the block.
inline std::uint32_t enterBlockMxcsr() {
    const std::uint32_t host = mxcsr();
    restoreMxcsr((host & ~(kMxcsrFlushToZero | kMxcsrDenormalsAreZero)) | kMxcsrRoundTowardZero |
                 kMxcsrAllExceptionsMasked);
    return host;
}

// The host's other calls (parameters, programs, sample rate, texts) work
// in the platform's default environment with every exception masked, and
// give the host its own back afterwards, exactly, as a block does.  What
// they compute (filter coefficients, the oscillator's rotation, value
// texts) then depends on the values alone, not on the host's precision,
// rounding or flush-to-zero; and an infinite Rate, whose sine is an invalid
// operation, cannot trap in a host that unmasks that exception.
struct HostEnvironment {
    X87Environment x87;
    std::uint32_t mxcsr;
};

inline HostEnvironment enterDefaultArithmetic() {
    HostEnvironment host;
    __asm__ __volatile__("fnstenv %0" : "=m"(host.x87) : : "memory");
    setControlWord(kPlatformDefault);
    host.mxcsr = mxcsr();
    restoreMxcsr(kMxcsrAllExceptionsMasked);
    return host;
}

// The host's MXCSR, x87 control word and status word back, exactly: the
// flags the call raised go, the host's own stay, and an exception the host
// unmasked cannot fire on its next instruction because of the call.
inline void leaveDefaultArithmetic(const HostEnvironment& host) {
    restoreMxcsr(host.mxcsr);
    __asm__ __volatile__("fldenv %0" : : "m"(host.x87) : "memory");
}

// The default environment for as long as it lives, for calls that reach the
// effect other than through the plug-in record: the editor's own, on the
// host's UI thread; the effect's first program, on whatever thread makes
// it; an LV2 host's activation.
class DefaultArithmetic {
public:
    DefaultArithmetic() : host(enterDefaultArithmetic()) {}
    ~DefaultArithmetic() { leaveDefaultArithmetic(host); }
    DefaultArithmetic(const DefaultArithmetic&) = delete;
    DefaultArithmetic& operator=(const DefaultArithmetic&) = delete;

private:
    HostEnvironment host;
};

}  // namespace fpu
