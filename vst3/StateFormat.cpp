#include "vst3/StateFormat.h"

#include <cstring>

namespace vst3 {

namespace {

constexpr unsigned char kMagic[4] = {'V', 'L', 'R', '2'};

void putWord(unsigned char* at, std::uint32_t word) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(word >> (8 * i));
}

std::uint32_t getWord(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

}  // namespace

void writeState(const BankState& state, unsigned char (&bytes)[kStateSize]) {
    std::memset(bytes, 0, sizeof bytes);
    std::memcpy(bytes, kMagic, sizeof kMagic);
    putWord(bytes + 4, kStateVersion);
    putWord(bytes + 8, static_cast<std::uint32_t>(state.currentProgram));
    unsigned char* at = bytes + kStateHeaderSize;
    for (const BankState::Program& program : state.programs) {
        // Up to the terminator only, so that nothing beyond it leaks into
        // the bytes, and the same state always gives the same bytes.
        const std::size_t length = strnlen(program.name, BankState::kNameLength - 1);
        std::memcpy(at, program.name, length);
        at += BankState::kNameLength;
        for (float value : program.values) {
            std::uint32_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            putWord(at, bits);
            at += 4;
        }
    }
}

StateError checkStateHeader(const unsigned char* header) {
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0) return StateError::foreign;
    const std::uint32_t version = getWord(header + 4);
    if (version > kStateVersion) return StateError::newer;
    if (version != kStateVersion) return StateError::corrupt;
    return StateError::none;
}

StateError readState(const unsigned char (&bytes)[kStateSize], BankState& state) {
    const StateError header = checkStateHeader(bytes);
    if (header != StateError::none) return header;
    BankState read{};
    const std::uint32_t current = getWord(bytes + 8);
    if (current >= static_cast<std::uint32_t>(BankState::kPrograms)) return StateError::corrupt;
    read.currentProgram = static_cast<std::int32_t>(current);
    const unsigned char* at = bytes + kStateHeaderSize;
    for (BankState::Program& program : read.programs) {
        std::memcpy(program.name, at, BankState::kNameLength);
        if (std::memchr(program.name, '\0', BankState::kNameLength) == nullptr) return StateError::corrupt;
        at += BankState::kNameLength;
        for (float& value : program.values) {
            const std::uint32_t bits = getWord(at);
            at += 4;
            std::memcpy(&value, &bits, sizeof value);
            // Also refuses NaN, which fails both comparisons.
            if (!(value >= 0.0f && value <= 1.0f)) return StateError::corrupt;
        }
    }
    state = read;
    return StateError::none;
}

}  // namespace vst3
