// What the portable effect needs from the operating system besides the
// floating-point control (see host/FloatingPointControl.h): zeroed memory for
// its delay line.  Implemented with Win32 in the DLL and with the C library
// in the native build.
#pragma once

#include <cstddef>

namespace platform {

// Zero-filled memory for count samples; null when it cannot be had.
float* allocateSamples(std::size_t count);
void freeSamples(float* samples);

}  // namespace platform
