// Planted fault: after a parameter, program or text request the x87 keeps
// the plug-in's default control word instead of the host's.  Included first
// into the plug-in record's entry points of one planted copy of the DLL
// (plugin/CMakeLists.txt).
#pragma once

#include "host/FloatingPointControl.h"

namespace fpu {
inline void plantedLeaveDefaultArithmetic(const HostEnvironment& host) {
    restoreMxcsr(host.mxcsr);
    __asm__ __volatile__("fnclex" : : : "memory");
}
}  // namespace fpu
#define leaveDefaultArithmetic plantedLeaveDefaultArithmetic
