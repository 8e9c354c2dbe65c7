// The state's bytes on a host's stream.  Each format has its own stream
// calls, and a stream may move fewer bytes per call than asked; a bridge
// wraps its stream in these, and the state format reads and writes whole
// fields through them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bridge {

class InputBytes {
public:
    // All `count` bytes, or false when the stream ended or failed first.
    virtual bool read(void* bytes, std::size_t count) = 0;

protected:
    ~InputBytes() = default;
};

class OutputBytes {
public:
    // All `count` bytes, or false when the stream failed first.
    virtual bool write(const void* bytes, std::size_t count) = 0;

protected:
    ~OutputBytes() = default;
};

// The loop every bridge's stream needs: `step(at, asked)` moves at most
// `asked` bytes (never more than 2^30 at a time) and answers how many it
// moved, 0 or less when it moved none; moving stops at the first call that
// moves nothing, so a stream that ends or fails cannot hold us in the loop.
template <typename Step>
bool moveAll(unsigned char* at, std::size_t count, Step step) {
    constexpr std::size_t kLargestStep = std::size_t{1} << 30;
    while (count > 0) {
        const std::size_t asked = count < kLargestStep ? count : kLargestStep;
        const std::int64_t moved = step(at, asked);
        if (moved <= 0 || static_cast<std::uint64_t>(moved) > asked) return false;
        at += moved;
        count -= static_cast<std::size_t>(moved);
    }
    return true;
}

}  // namespace bridge
