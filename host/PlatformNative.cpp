#include <time.h>

#include <cstdlib>

#include "host/Platform.h"

namespace platform {

namespace {

float* allocate(std::size_t count) { return static_cast<float*>(std::calloc(count, sizeof(float))); }

void release(float* samples) { std::free(samples); }

}  // namespace

const SampleMemory& systemSampleMemory() {
    static constexpr SampleMemory memory = {allocate, release};
    return memory;
}

void pauseBriefly() {
    const timespec millisecond = {0, 1000000};
    nanosleep(&millisecond, nullptr);
}

}  // namespace platform
