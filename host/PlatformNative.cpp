#include <cstdlib>

#include "host/Platform.h"

namespace platform {

float* allocateSamples(std::size_t count) { return static_cast<float*>(std::calloc(count, sizeof(float))); }

void freeSamples(float* samples) { std::free(samples); }

}  // namespace platform
