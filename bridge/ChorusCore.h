// What every format bridge makes of the effect: the effect itself, whose
// sixteen programs are the one record of the values (a bridge reports and
// saves from them and keeps no copy), the bypass, whole states loaded
// without mixing into the audio thread's changes (StateHandover), and the
// audio rendered through the effect or, while bypassed, the input itself.
//
// Threads.  Values, the current program and the bypass are relaxed atomics
// that any thread may read.  The audio thread runs a process call inside an
// AudioBlock and calls nothing; program names are written only by the
// threads that load states or rename programs, never by the audio thread.
// Changes that derive something (values, programs) must run in the
// platform's default floating-point environment (fpu::DefaultArithmetic;
// runBlock enters it for the changes it applies).
#pragma once

#include <cstdint>

#include "bridge/BankState.h"
#include "bridge/StateHandover.h"
#include "chorus/ChorusEffect.h"
#include "host/RelaxedAtomic.h"

namespace bridge {

class ChorusCore {
public:
    static constexpr int kPrograms = BankState::kPrograms;
    static constexpr int kValues = BankState::kValues;

    ChorusCore() : chorus(nullptr) {}
    ChorusCore(const ChorusCore&) = delete;
    ChorusCore& operator=(const ChorusCore&) = delete;

    // False when the effect could not get its delay line.
    bool isUsable() const { return chorus.isUsable(); }
    ChorusEffect& effect() { return chorus; }

    // --- the record, from any thread
    int currentProgram() const { return chorus.currentProgram(); }
    float value(int index) const { return chorus.programValue(chorus.currentProgram(), index); }
    float programValue(int program, int index) const { return chorus.programValue(program, index); }
    // 32 bytes, zeros after the terminator.
    void programName(int program, char* name) const { chorus.copyProgramName(program, name); }
    bool bypassed() const { return bypass.load(); }
    BankState snapshot() const;

    // --- changes from a host or an editor, on any thread but the audio
    // thread unless said; in the default floating-point environment
    // A normalized value from a host: taken to 0 to 1, NaN refused (false).
    bool setValue(int index, double normalized);
    // Applies program `program` (0 to 15) unless it is current already:
    // false when nothing changed.
    bool selectProgram(int program);
    void setBypassed(bool on) { bypass.store(on); }
    // The whole state, applied as StateHandover says; `blocksExpected`
    // when the host may be running process calls now.  Returns once it
    // has been applied.
    void loadState(const BankState& state, bool blocksExpected);

    // --- the audio thread: one AudioBlock around each process call.  It
    // applies a state handed over, first; then the block may apply the
    // host's changes unless mayChange() says a loader holds the record.
    class AudioBlock {
    public:
        explicit AudioBlock(ChorusCore& core);
        ~AudioBlock();
        AudioBlock(const AudioBlock&) = delete;
        AudioBlock& operator=(const AudioBlock&) = delete;
        bool mayChange() const { return changesAllowed; }
        bool loadedState() const { return appliedState; }

    private:
        ChorusCore& core;
        bool changesAllowed = true;
        bool appliedState = false;
    };

    // How long the output rings on after the input falls silent, in
    // frames at the current sample rate; in the default floating-point
    // environment.
    std::uint32_t tailFrames();

    // Frames through the effect, or while bypassed the input itself, bit
    // for bit, with the effect running on underneath so that leaving the
    // bypass finds the sweep and the delay line where they would have been.
    // Input and output may be the same buffers.
    void render(float* const* inputs, float* const* outputs, std::int32_t frames);

private:
    void applyValues(const BankState& state);

    ChorusEffect chorus;
    RelaxedAtomic<bool> bypass{false};
    StateHandover handover;
    // The effect's output while bypassed, which nobody hears; the audio
    // thread's own.
    static constexpr int kScratchFrames = 256;
    float scratch[2][kScratchFrames];
};

}  // namespace bridge
