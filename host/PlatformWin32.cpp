#include <windows.h>

#include "host/Platform.h"

namespace platform {

float* allocateSamples(std::size_t count) {
    return static_cast<float*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, count * sizeof(float)));
}

void freeSamples(float* samples) {
    if (samples) GlobalFree(samples);
}

}  // namespace platform
