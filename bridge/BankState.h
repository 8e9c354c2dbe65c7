// Everything a host saves of the plug-in, as plain data: the sixteen
// program slots (each a name and the nine values from 0 to 1), which one is
// current, and whether the plug-in is bypassed.  Taken from the effect's
// programs whole (ChorusCore::snapshot) and given back whole
// (ChorusCore::loadState); the saved bytes are StateFormat's.
#pragma once

#include <cstdint>

namespace bridge {

struct BankState {
    static constexpr int kPrograms = 16;
    static constexpr int kValues = 9;
    static constexpr int kNameLength = 32;  // with the terminator
    struct Program {
        char name[kNameLength];  // NUL-terminated, zeros after the terminator
        float values[kValues];   // in the parameters' order
    };
    std::int32_t currentProgram;
    bool bypassed;
    Program programs[kPrograms];
};

}  // namespace bridge
