// The effect object: construction, programs and their names, the sample
// rate.
#include "chorus/ChorusEffect.h"

#include <cfloat>
#include <cstring>

#include "chorus/ChorusEditorBase.h"
#include "chorus/ParameterTable.h"
#include "host/FloatingPointControl.h"

namespace {

// The values that every program holds after construction: a
// high-pass wet filter at 80 Hz, 0.295 Hz modulation, two voices.
constexpr ChorusProgram kDefaultProgram = {
    "Default ",
    /* filter */ 1.0f,
    /* cutoff */ 0.0f,
    /* rate */ 0.05f,
    /* depth */ 0.15f,
    /* phase */ 0.0f,
    /* predelay */ 0.15f,
    /* dry */ 0.5f,
    /* wet */ 0.5f,
    /* voices */ 0.5f,
};

constexpr std::size_t kNameCapacity = sizeof(ChorusProgram::name);

}  // namespace

ChorusEffect::ChorusEffect(audioMasterCallback audioMaster, const platform::SampleMemory& memory)
    : AudioEffect(audioMaster, kNumPrograms, kNumParams),
      oscSin(0.0),
      oscCos(1.0),
      delayLine(nullptr),
      writePos(0),
      filterZ1(0.0f),
      filterZ2(0.0f),
      clipFlag(0),
      programs(),
      // The wet-path filter starts as a pass-through.
      coefficients(chorus::kPassThroughCoefficients),
      blockCoefficients(chorus::kPassThroughCoefficients),
      sampleMemory(memory) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('V', 'l', 'r', '2'));
    canMono(true);
    canProcessReplacing(true);

    for (ChorusProgram& program : programs) program = kDefaultProgram;

    // Without its delay line the effect is deleted again (isUsable), so it
    // applies no program.
    delayLine = sampleMemory.allocate(kDelayLineLength);
    if (!delayLine) return;
    {
        // The host's thread may run with any rounding and precision; the
        // coefficients must not depend on them.
        const fpu::DefaultArithmetic arithmetic;
        setProgram(0);
    }
    makePendingResets();
    coefficients.takeNewest(blockCoefficients, blockCoefficientsName);
}

// The editor says goodbye while the effect is still whole: its window may
// still paint the effect's values, and nothing may reach it afterwards.
ChorusEffect::~ChorusEffect() {
    if (chorusEditor) chorusEditor->effectClosing();
    sampleMemory.release(delayLine);
}

void ChorusEffect::attachEditor(ChorusEditorBase* newEditor) {
    chorusEditor = newEditor;
    setEditor(newEditor);
}

// Applies a program: a silent delay line, the oscillator at phase zero and
// the write position at the start; the filter state and the clip flag stay.
// The program's values are already stored where the processing reads them,
// so only what a value derives has to be redone: the filter coefficients
// (Filter, Cutoff) and the rotation (Rate).  Depth and Phase pass through
// setParameter as well, which stores them unchanged and tells the editor;
// the other four are read by the processing at the start of each block, and
// the editor repaints its whole window after the change anyway.  The reset
// itself is the next block's to make, after everything else is in place.
void ChorusEffect::setProgram(VstInt32 program) {
    // The dispatcher passes only 0 to 15; a direct call with another index
    // is not applied.
    if (program < 0 || program >= kNumPrograms) return;
    curProgram = program;
    const ChorusProgram& values = programs[program];
    setParameter(chorus::kFilter, values.filter);
    setParameter(chorus::kCutoff, values.cutoff);
    setParameter(chorus::kRate, values.rate);
    setParameter(chorus::kDepth, values.depth);
    setParameter(chorus::kPhase, values.phase);
    requestReset(kRestart);

    if (chorusEditor) chorusEditor->programChanged();
}

// Stores at most 31 characters and the terminator; a null text is ignored.
void ChorusEffect::setProgramName(char* name) { renameProgram(curProgram, name); }

void ChorusEffect::renameProgram(VstInt32 program, const char* name) {
    if (!name || program < 0 || program >= kNumPrograms) return;
    char* field = programs[program].name;
    std::size_t length = 0;
    while (length < kNameCapacity - 1 && name[length] != '\0') ++length;
    std::memcpy(field, name, length);
    field[length] = '\0';
}

void ChorusEffect::copyProgramName(VstInt32 program, char* name) const {
    if (!name) return;
    if (program < 0 || program >= kNumPrograms) {
        name[0] = '\0';
        return;
    }
    const char* field = programs[program].name;
    std::size_t length = 0;
    while (length < kNameCapacity - 1 && field[length] != '\0') ++length;
    std::memcpy(name, field, length);
    std::memset(name + length, 0, kNameCapacity - length);
}

// Copies up to and including the terminator, no more: hosts often give a
// smaller buffer than the 32-byte field.
void ChorusEffect::getProgramName(char* name) {
    if (!name) return;
    const char* field = programs[curProgram].name;
    std::size_t length = 0;
    while (length < kNameCapacity - 1 && field[length] != '\0') ++length;
    std::memcpy(name, field, length);
    name[length] = '\0';
}

// A rate that is not a positive finite number is ignored; otherwise the
// program is applied again for the new rate, which silences the delay line
// and restarts the oscillator.  The wet filter starts from silence too: a
// state built up by the filter of another rate, run through this rate's
// filter, can ring out at many times the input's level.
void ChorusEffect::setSampleRate(float rate) {
    if (!(rate > 0.0f && rate <= FLT_MAX)) return;  // NaN and infinity fail too
    sampleRate = rate;
    requestReset(kSilenceFilter);
    setProgram(curProgram);
}
