#include "vst3/StreamIo.h"

namespace vst3 {

bool StreamInput::read(void* bytes, std::size_t count) {
    return bridge::moveAll(static_cast<unsigned char*>(bytes), count, [this](unsigned char* at, std::size_t asked) {
        int32 moved = 0;
        return stream->read(at, static_cast<int32>(asked), &moved) == kResultOk ? std::int64_t{moved} : -1;
    });
}

bool StreamOutput::write(const void* bytes, std::size_t count) {
    auto* from = static_cast<unsigned char*>(const_cast<void*>(bytes));
    return bridge::moveAll(from, count, [this](unsigned char* at, std::size_t asked) {
        int32 moved = 0;
        return stream->write(at, static_cast<int32>(asked), &moved) == kResultOk ? std::int64_t{moved} : -1;
    });
}

}  // namespace vst3
