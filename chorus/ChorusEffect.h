// The chorus effect: sixteen programs of nine parameters, the delay line,
// the modulation oscillator and the wet-path filter.
#pragma once

#include <atomic>
#include <cstdint>

#include "chorus/ChorusProgram.h"
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

    // The clip report for the editor's indicator: the processing only ever
    // sets it; the editor takes it, reading and clearing it in one atomic
    // step, so that a clip the audio thread reports meanwhile is not lost.
    VstInt32 takeClipFlag() { return clipFlag.exchange(0, std::memory_order_relaxed); }
    VstInt32 getClipFlag() const { return clipFlag.load(std::memory_order_relaxed); }

private:
    // The processing state and the programs, in their documented order.
    double oscSin;
    double oscCos;
    double rotCos;
    double rotSin;
    float* delayLine;
    VstInt32 writePos;
    float filterB1;
    float filterZ1;
    float filterB2;
    float filterZ2;
    float filterA0;
    float filterA1;
    float filterA2;
    std::atomic<VstInt32> clipFlag;
    ChorusProgram programs[kNumPrograms];

    // The feedback coefficients that the previous block ran with (at first,
    // those of construction): a block that finds others rescales the filter
    // state to them.
    float previousFilterB1;
    float previousFilterB2;

    const platform::SampleMemory& sampleMemory;
    ChorusEditorBase* chorusEditor = nullptr;  // the editor, owned by the base class as `editor`

    // Counts the resets of the processing state (program and sample-rate
    // changes).  A block that runs while one happens on another thread sees
    // the count change, does not write its oscillator and write position
    // back over the reset and silences the ring again.  Acquire loads and
    // release stores are plain moves on x86.
    std::atomic<std::uint32_t> resetCount{0};

    void designFilter();    // from the current program's Filter and Cutoff
    void applyRotation();   // from the current program's Rate
    void silenceDelayLine();

    template <bool Accumulate>
    void processBlock(float** inputs, float** outputs, VstInt32 sampleFrames);

    // Lets the unit tests read the processing state.
    friend struct ChorusEffectInspector;
};
