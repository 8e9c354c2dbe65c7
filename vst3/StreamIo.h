// Whole reads and writes on a host's stream, which may move fewer bytes per
// call than asked.
#pragma once

#include <cstddef>

#include "vst3/abi/Base.h"

namespace vst3 {

// True when all `size` bytes moved; false when the stream ended, failed or
// stopped moving bytes first.
bool readFully(IBStream* stream, void* buffer, std::size_t size);
bool writeFully(IBStream* stream, const void* buffer, std::size_t size);

}  // namespace vst3
