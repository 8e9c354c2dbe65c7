// What the VST 3 plug-in knows of the effect's sixteen programs: each one's
// name and values, and which is current.  The effect itself answers only
// for its current program, and switching programs would reset its sound,
// so the bridge keeps this copy beside it and writes it wherever it changes
// the effect.  Values are written on the audio thread (a host's changes
// during processing) and read on others (state, the host's controls), so
// each is one atomic word.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

#include "vst3/StateFormat.h"

namespace vst3 {

class ProgramBank {
public:
    static constexpr int kPrograms = BankState::kPrograms;
    static constexpr int kValues = BankState::kValues;

    int current() const { return currentProgram.load(std::memory_order_relaxed); }
    void setCurrent(int program) { currentProgram.store(program, std::memory_order_relaxed); }

    float value(int program, int index) const {
        const std::uint32_t bits = programs[program].values[index].load(std::memory_order_relaxed);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void setValue(int program, int index, float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        programs[program].values[index].store(bits, std::memory_order_relaxed);
    }

    // Names change only with a whole new state, on the host's UI thread.
    const char* name(int program) const { return programs[program].name; }
    void setName(int program, const char* name) {
        std::memcpy(programs[program].name, name, sizeof programs[program].name);
        programs[program].name[sizeof programs[program].name - 1] = '\0';
    }

    BankState snapshot() const {
        BankState state{};
        state.currentProgram = current();
        for (int p = 0; p < kPrograms; ++p) {
            std::memcpy(state.programs[p].name, name(p), sizeof state.programs[p].name);
            for (int i = 0; i < kValues; ++i) state.programs[p].values[i] = value(p, i);
        }
        return state;
    }

private:
    struct Program {
        char name[BankState::kNameLength] = {};
        std::atomic<std::uint32_t> values[BankState::kValues] = {};
    };
    Program programs[kPrograms];
    std::atomic<int> currentProgram{0};
};

}  // namespace vst3
