// The nine parameters' indices, as hosts number them.  Everything that
// names a parameter by its index uses these: the effect, its editor, the
// tests and the tools.
#pragma once

#include <cstdint>

namespace chorus {

enum ParameterIndex : std::int32_t {
    kFilter = 0,
    kCutoff = 1,
    kRate = 2,
    kDepth = 3,
    kPredelay = 4,
    kPhase = 5,
    kDry = 6,
    kWet = 7,
    kVoices = 8,
};

constexpr std::int32_t kParameterCount = 9;

}  // namespace chorus
