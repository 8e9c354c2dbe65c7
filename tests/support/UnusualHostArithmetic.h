// A host's floating-point settings as unusual as they come, set for as long
// as this lives: rounding upward, flush-to-zero and denormals-are-zero in
// the MXCSR, and an x87 of 24-bit precision.  check() demands that a call
// of the plug-in's gave them back; the test's own settings return at the
// end.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "host/FloatingPointControl.h"

class UnusualHostArithmetic {
public:
    static constexpr std::uint32_t kMxcsr =
        fpu::kMxcsrAllExceptionsMasked | 0x4000 | fpu::kMxcsrFlushToZero | fpu::kMxcsrDenormalsAreZero;
    static constexpr std::uint16_t kControlWord = 0x087F;

    UnusualHostArithmetic() {
        fpu::setControlWord(kControlWord);
        fpu::restoreMxcsr(kMxcsr);
    }
    ~UnusualHostArithmetic() {
        fpu::restoreMxcsr(savedMxcsr);
        fpu::setControlWord(savedControl);
    }
    UnusualHostArithmetic(const UnusualHostArithmetic&) = delete;
    UnusualHostArithmetic& operator=(const UnusualHostArithmetic&) = delete;

    // The exception flags are the host's to collect, not part of its settings.
    void check(const char* call) const {
        EXPECT_EQ(fpu::mxcsr() & ~0x3Fu, kMxcsr) << call;
        EXPECT_EQ(fpu::controlWord(), kControlWord) << call;
    }

private:
    const std::uint16_t savedControl = fpu::controlWord();
    const std::uint32_t savedMxcsr = fpu::mxcsr();
};
