// What the portable effect needs from the operating system besides the
// floating-point control (see host/FloatingPointControl.h): zeroed memory for
// its delay line; and for a thread that waits on the audio thread (never
// the audio thread itself), a short pause.  The system's own comes from Win32 in the DLL and from the
// C library in the native build; tests hand an effect memory of their own.
#pragma once

#include <cstddef>

namespace platform {

struct SampleMemory {
    // Zero-filled memory for count samples; null when it cannot be had.
    float* (*allocate)(std::size_t count);
    // Gives back what allocate returned; null is ignored.
    void (*release)(float* samples);
};

const SampleMemory& systemSampleMemory();

// Gives the processor to other threads for about a millisecond.
void pauseBriefly();

}  // namespace platform
