// The chorus effect: sixteen programs of nine parameters, the delay line,
// the modulation oscillator and the wet-path filter.
#pragma once

#include <atomic>
#include <cstdint>

#include "chorus/ChorusProgram.h"
#include "host/AudioEffect.h"

class ChorusEditorBase;

class ChorusEffect : public AudioEffect {
public:
    static constexpr VstInt32 kNumPrograms = 16;
    static constexpr VstInt32 kNumParams = 9;
    static constexpr int kDelayLineLength = 65536;

    explicit ChorusEffect(audioMasterCallback audioMaster);
    ~ChorusEffect() override;

    // False when the delay line or the editor could not be made; such an
    // effect is deleted again instead of being handed to the host.
    bool isUsable() const;

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
    // sets it, the editor reads it and clears it.
    VstInt32 getClipFlag() const { return clipFlag; }
    void clearClipFlag() { clipFlag = 0; }

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
    VstInt32 clipFlag;
    ChorusProgram programs[kNumPrograms];

    // The feedback coefficients that the previous block ran with (at first,
    // those of construction): a block that finds others rescales the filter
    // state to them.
    float previousFilterB1;
    float previousFilterB2;

    // Counts the resets of the processing state (program and sample-rate
    // changes).  A block that runs while one happens on another thread sees
    // the count change, does not write its oscillator and write position
    // back over the reset and silences the ring again.  Acquire loads and
    // release stores are plain moves on x86.
    std::atomic<std::uint32_t> resetCount{0};

    ChorusEditorBase* chorusEditor() const;
    void designFilter();    // from the current program's Filter and Cutoff
    void applyRotation();   // from the current program's Rate
    void silenceDelayLine();

    template <bool Accumulate>
    void processBlock(float** inputs, float** outputs, VstInt32 sampleFrames);

    // Lets the unit tests read the processing state.
    friend struct ChorusEffectInspector;
};
