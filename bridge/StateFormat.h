// The plug-in's saved state, the same bytes in every format: which program
// is current, whether the plug-in is bypassed, and every program's name and
// values, in a small binary format of our own.
//
//   offset  size  what
//        0     4  "VLR2"
//        4     4  format version, 2 (little-endian, as every number here)
//        8     4  the current program, 0 to 15
//       12     4  flags: bit 0 set while bypassed, the other bits 0
//       16  16×68 each program: its name (32 bytes, NUL-terminated, zeros
//                 after the terminator) and its nine values as 32-bit
//                 floats in parameter order, each from 0 to 1
//
// 1104 bytes in all.  Version 1 (1100 bytes) had no flags word, and reads
// as not bypassed.  A format without a bypass of its own writes the flag
// clear and ignores it when reading, so that nothing it cannot show or
// undo stays switched on.
//
// A stream that is shorter, names another format or a newer version, or
// holds anything out of place is refused whole.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bridge/BankState.h"
#include "bridge/StateBytes.h"

namespace bridge {

constexpr std::uint32_t kStateVersion = 2;
constexpr std::size_t kStateProgramSize = BankState::kNameLength + 4 * BankState::kValues;
constexpr std::size_t kStateSize = 16 + BankState::kPrograms * kStateProgramSize;

enum class StateError {
    none,
    foreign,    // not a format we read
    newer,      // our format, a version this plug-in does not know
    corrupt,    // a format we read, with something out of place
    truncated,  // the stream ended (or failed) first
};

// The bytes of `state` in the current version.
void encodeState(const BankState& state, unsigned char (&bytes)[kStateSize]);
bool writeState(const BankState& state, OutputBytes& stream);

// Reads a saved state, ours or what hosts saved of our VST 2 plug-in
// (Vst2State.h), reading no further than its last byte.  On entry `state`
// holds the plug-in's own (a format that saves a single program replaces
// the current slot alone); it is written only when the answer is none.
StateError readState(InputBytes& stream, BankState& state);

}  // namespace bridge
