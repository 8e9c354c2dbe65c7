// The plug-in's state as the VST 3 plug-in saves it for a host: which
// program is current, and every program's name and values, in a small
// binary format of our own.
//
//   offset  size  what
//        0     4  "VLR2"
//        4     4  format version, 1 (little-endian, as every number here)
//        8     4  the current program, 0 to 15
//       12  16×68 each program: its name (32 bytes, NUL-terminated, zeros
//                 after the terminator) and its nine values as 32-bit
//                 floats in parameter order, each from 0 to 1
//
// 1100 bytes in all.  A stream that is shorter, names another format or a
// newer version, or holds anything out of place is refused whole.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst3 {

struct BankState {
    static constexpr int kPrograms = 16;
    static constexpr int kValues = 9;
    static constexpr int kNameLength = 32;
    struct Program {
        char name[kNameLength];
        float values[kValues];
    };
    std::int32_t currentProgram;
    Program programs[kPrograms];
};

constexpr std::uint32_t kStateVersion = 1;
constexpr std::size_t kStateHeaderSize = 12;
constexpr std::size_t kStateProgramSize = BankState::kNameLength + 4 * BankState::kValues;
constexpr std::size_t kStateSize = kStateHeaderSize + BankState::kPrograms * kStateProgramSize;

enum class StateError {
    none,
    foreign,      // not our format
    newer,        // a version this plug-in does not know
    corrupt,      // our format, with a value out of place
};

void writeState(const BankState& state, unsigned char (&bytes)[kStateSize]);

// The header alone, to tell a foreign or newer stream before reading on.
StateError checkStateHeader(const unsigned char* header);
// The whole state; `state` is written only when the answer is none.
StateError readState(const unsigned char (&bytes)[kStateSize], BankState& state);

}  // namespace vst3
