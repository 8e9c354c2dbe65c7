#include <windows.h>

#include "host/Platform.h"

namespace platform {

namespace {

float* allocate(std::size_t count) {
    return static_cast<float*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, count * sizeof(float)));
}

void release(float* samples) {
    if (samples) GlobalFree(samples);
}

}  // namespace

const SampleMemory& systemSampleMemory() {
    static constexpr SampleMemory memory = {allocate, release};
    return memory;
}

void pauseBriefly() { Sleep(1); }

}  // namespace platform
