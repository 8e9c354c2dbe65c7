// The chorus effect: sixteen programs of nine parameters, the delay line,
// the modulation oscillator and the wet-path filter.
#pragma once

#include <atomic>
#include <cstdint>

#include "chorus/ChorusProgram.h"
#include "chorus/CoefficientExchange.h"
#include "host/AudioEffect.h"
#include "host/Platform.h"

class ChorusEditorBase;

class ChorusEffect : public AudioEffect {
public:
    static constexpr VstInt32 kNumPrograms = 16;
    static constexpr VstInt32 kNumParams = 9;
    static constexpr int kDelayLineLength = 65536;

    // The delay line comes from `memory` and goes back to it.
    explicit ChorusEffect(audioMasterCallback audioMaster,
                          const platform::SampleMemory& memory = platform::systemSampleMemory());
    ~ChorusEffect() override;

    // False when the delay line could not be had; such an effect is deleted
    // again instead of being handed to a host.
    bool isUsable() const { return delayLine != nullptr; }

    // Hands the effect its editor, which it then owns (the base class deletes
    // it) and notifies of every parameter and program change.
    void attachEditor(ChorusEditorBase* newEditor);

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    void setSampleRate(float sampleRate) override;

    // Any program's values and name, read and written without making it
    // current: the programs are the one record of the values, and a format
    // bridge reports and saves from them.  A value set in the current
    // program is set as setParameter sets it (derived and shown); in
    // another program it is only stored, and takes effect when that
    // program is chosen.  A program or index outside the ranges reads 0 or
    // the empty name and writes nothing.
    VstInt32 currentProgram() const { return curProgram; }
    float programValue(VstInt32 program, VstInt32 index) const;
    void setProgramValue(VstInt32 program, VstInt32 index, float value);
    // Names of at most 31 characters and the terminator, as setProgramName
    // stores them; a copy takes 32 bytes, zeros after the terminator.
    void copyProgramName(VstInt32 program, char* name) const;
    void renameProgram(VstInt32 program, const char* name);

    // The clip report for the editor's indicator: the processing only ever
    // sets it; the editor takes it, reading and clearing it in one atomic
    // step, so that a clip the audio thread reports meanwhile is not lost.
    VstInt32 takeClipFlag() { return clipFlag.exchange(0, std::memory_order_relaxed); }
    VstInt32 getClipFlag() const { return clipFlag.load(std::memory_order_relaxed); }

private:
    // The processing state and the programs.  The oscillator, the delay line,
    // the write position and the filter state belong to the audio thread
    // alone: a program or sample-rate change on another thread asks for
    // their reset (pendingResets), and the next block makes it.
    double oscSin;
    double oscCos;
    float* delayLine;
    VstInt32 writePos;
    float filterZ1;
    float filterZ2;
    std::atomic<VstInt32> clipFlag;
    ChorusProgram programs[kNumPrograms];

    // The filter coefficients and the rotation, derived when a value is set
    // and taken whole by each block.
    chorus::CoefficientExchange coefficients;

    // The set the previous block ran with (at first, the exchange's initial
    // one), and its name in the exchange: a block that takes one with other
    // feedback coefficients rescales the filter state to them, and one that
    // finds no whole set keeps this one.  The audio thread's own.
    chorus::ProcessingCoefficients blockCoefficients;
    std::uint32_t blockCoefficientsName = 0;

    const platform::SampleMemory& sampleMemory;
    ChorusEditorBase* chorusEditor = nullptr;  // the editor, owned by the base class as `editor`

    // The resets that program and sample-rate changes ask of the audio
    // thread, as bits: the next block makes them at its start, so that it
    // is the only thread that ever touches the processing state.  A program
    // change asks once its program is current, so the block that restarts
    // reads the new program's values; a sample-rate change asks for the
    // silent filter before it publishes the new rate's coefficients, and a
    // block takes the coefficients before the resets, so those coefficients
    // never meet the old rate's filter state.
    static constexpr std::uint32_t kRestart = 1;         // silent ring, oscillator and write position at the start
    static constexpr std::uint32_t kSilenceFilter = 2;   // the filter state too (a new sample rate)
    std::atomic<std::uint32_t> pendingResets{0};
    void requestReset(std::uint32_t resets) { pendingResets.fetch_or(resets, std::memory_order_release); }
    // The audio thread's, at the start of a block (and the constructor's,
    // before any other thread knows the effect).
    void makePendingResets();

    // Derives the coefficients from the current program and the sample
    // rate and publishes them.
    void publishCoefficients();

    template <bool Accumulate>
    void processBlock(float** inputs, float** outputs, VstInt32 sampleFrames);

    // Lets the unit tests read the processing state.
    friend struct ChorusEffectInspector;
};
