// What hosts saved of our VST 2 plug-in, read into the program slots, for
// hosts that put the VST 3 plug-in in its place and hand it that data.
// The VST 2 plug-in keeps its programs as parameters, not as an opaque
// chunk, so hosts saved them in the format's own bank and program files,
// big-endian throughout:
//
//   bank     "CcnK", size, "FxBk", version (1 or 2), id 'Vlr2', plug-in
//            version, number of programs (16), 128 bytes (version 2: the
//            current program, then 124 zero bytes), then every program as
//            below
//   program  "CcnK", size, "FxCk", version, id 'Vlr2', plug-in version,
//            number of values (9), name (28 bytes, NUL-terminated when
//            shorter), the values as 32-bit floats
//
// either one behind the header that hosts swapping a VST 2 plug-in for its
// VST 3 successor add: "VstW", size (8), version (1), bypass (0 or 1).
// The sizes are not checked; a bank or a program of another plug-in, of
// another shape, kept as a chunk ("FBCh", "FPCh") or holding a value
// outside 0 to 1 is refused.
#pragma once

#include "bridge/BankState.h"
#include "bridge/StateBytes.h"
#include "bridge/StateFormat.h"

namespace bridge {

// True when the eight bytes a state starts with are one of these.
bool isVst2State(const unsigned char (&first)[8]);

// The rest of it, after `first`.  A bank replaces every slot and, from
// version 2 on, the current program; a program replaces the current slot;
// the header's bypass sets the bypass.  `state` is written only when the
// answer is none.
StateError readVst2State(const unsigned char (&first)[8], InputBytes& stream, BankState& state);

}  // namespace bridge
