#include "bridge/StateFormat.h"

#include <cstring>

#include "bridge/Vst2State.h"

namespace bridge {

namespace {

constexpr unsigned char kMagic[4] = {'V', 'L', 'R', '2'};
constexpr std::uint32_t kBypassFlag = 1;
constexpr std::size_t kVersion1HeaderSize = 12;
constexpr std::size_t kVersion2HeaderSize = 16;

void putWord(unsigned char* at, std::uint32_t word) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(word >> (8 * i));
}

std::uint32_t getWord(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// The programs as both versions store them, after the header.
StateError readPrograms(const unsigned char* at, BankState& state) {
    for (BankState::Program& program : state.programs) {
        std::memcpy(program.name, at, BankState::kNameLength);
        const void* end = std::memchr(program.name, '\0', BankState::kNameLength);
        if (!end) return StateError::corrupt;
        // What follows the terminator is no part of the name.
        const std::size_t length = static_cast<const char*>(end) - program.name;
        std::memset(program.name + length, 0, BankState::kNameLength - length);
        at += BankState::kNameLength;
        for (float& value : program.values) {
            const std::uint32_t bits = getWord(at);
            at += 4;
            std::memcpy(&value, &bits, sizeof value);
            // Also refuses NaN, which fails both comparisons.
            if (!(value >= 0.0f && value <= 1.0f)) return StateError::corrupt;
        }
    }
    return StateError::none;
}

// Ours, after its first eight bytes: the magic and the version.
StateError readOwnState(const unsigned char* first, InputBytes& stream, BankState& state) {
    const std::uint32_t version = getWord(first + 4);
    if (version > kStateVersion) return StateError::newer;
    if (version == 0) return StateError::corrupt;
    const std::size_t header = version == 1 ? kVersion1HeaderSize : kVersion2HeaderSize;
    unsigned char bytes[kStateSize];
    std::memcpy(bytes, first, 8);
    const std::size_t size = header + BankState::kPrograms * kStateProgramSize;
    if (!stream.read(bytes + 8, size - 8)) return StateError::truncated;

    BankState read{};
    const std::uint32_t current = getWord(bytes + 8);
    if (current >= static_cast<std::uint32_t>(BankState::kPrograms)) return StateError::corrupt;
    read.currentProgram = static_cast<std::int32_t>(current);
    if (version >= 2) {
        const std::uint32_t flags = getWord(bytes + 12);
        if (flags & ~kBypassFlag) return StateError::corrupt;
        read.bypassed = (flags & kBypassFlag) != 0;
    }
    const StateError programs = readPrograms(bytes + header, read);
    if (programs != StateError::none) return programs;
    state = read;
    return StateError::none;
}

}  // namespace

void encodeState(const BankState& state, unsigned char (&bytes)[kStateSize]) {
    std::memset(bytes, 0, sizeof bytes);
    std::memcpy(bytes, kMagic, sizeof kMagic);
    putWord(bytes + 4, kStateVersion);
    putWord(bytes + 8, static_cast<std::uint32_t>(state.currentProgram));
    putWord(bytes + 12, state.bypassed ? kBypassFlag : 0);
    unsigned char* at = bytes + kVersion2HeaderSize;
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

bool writeState(const BankState& state, OutputBytes& stream) {
    unsigned char bytes[kStateSize];
    encodeState(state, bytes);
    return stream.write(bytes, sizeof bytes);
}

// Eight bytes tell every format we read from the others, and how much more
// to read.
StateError readState(InputBytes& stream, BankState& state) {
    unsigned char first[8];
    if (!stream.read(first, sizeof first)) return StateError::truncated;
    if (std::memcmp(first, kMagic, sizeof kMagic) == 0) return readOwnState(first, stream, state);
    if (isVst2State(first)) return readVst2State(first, stream, state);
    return StateError::foreign;
}

}  // namespace bridge
