#include "vst3/StreamIo.h"

namespace vst3 {

bool readFully(IBStream* stream, void* buffer, std::size_t size) {
    auto* at = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const int32 asked = size < 0x40000000u ? static_cast<int32>(size) : 0x40000000;
        int32 moved = 0;
        if (stream->read(at, asked, &moved) != kResultOk || moved <= 0 || moved > asked) return false;
        at += moved;
        size -= static_cast<std::size_t>(moved);
    }
    return true;
}

bool writeFully(IBStream* stream, const void* buffer, std::size_t size) {
    auto* at = static_cast<unsigned char*>(const_cast<void*>(buffer));
    while (size > 0) {
        const int32 asked = size < 0x40000000u ? static_cast<int32>(size) : 0x40000000;
        int32 moved = 0;
        if (stream->write(at, asked, &moved) != kResultOk || moved <= 0 || moved > asked) return false;
        at += moved;
        size -= static_cast<std::size_t>(moved);
    }
    return true;
}

}  // namespace vst3
