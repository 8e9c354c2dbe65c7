// What the chorus unit tests hand the effect in place of the editor and the
// system's memory: an editor that records the effect's notices, delay-line
// memory that counts and can be made to fail, and read access to the
// effect's processing state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chorus/ChorusEditorBase.h"
#include "chorus/ChorusEffect.h"
#include "host/Platform.h"

namespace seams {

// What the recording editor was told, in order: "parameterChanged 3" or
// "programChanged", with the indices and values of the parameter notices.
struct EditorLog {
    std::vector<std::string> entries;
    std::vector<std::int32_t> indices;
    std::vector<float> values;
};

// Hands the effect an editor that records its notices; the log lives as long
// as the effect (which owns the editor).
EditorLog& attachRecordingEditor(ChorusEffect& effect);

// Delay-line memory that counts the lines obtained and not yet given back,
// and fails while failSampleAllocation is set.
const platform::SampleMemory& countingSampleMemory();
extern bool failSampleAllocation;
extern int liveSampleBuffers;

}  // namespace seams

// Access to the effect's private state (a friend of ChorusEffect).  The
// processing state is read and written as the audio thread's next block
// would find it: a program or sample-rate change leaves its reset to that
// block, and the test's thread, standing in for the audio thread between
// blocks, makes it first.
struct ChorusEffectInspector {
    static ChorusEffect& settled(ChorusEffect& e) {
        e.makePendingResets();
        return e;
    }
    static double oscSin(ChorusEffect& e) { return settled(e).oscSin; }
    static double oscCos(ChorusEffect& e) { return settled(e).oscCos; }
    static double rotCos(const ChorusEffect& e) { return e.coefficients.newest().rotation.cosine; }
    static double rotSin(const ChorusEffect& e) { return e.coefficients.newest().rotation.sine; }
    static const float* delayLine(ChorusEffect& e) { return settled(e).delayLine; }
    static float* mutableDelayLine(ChorusEffect& e) { return settled(e).delayLine; }
    static std::int32_t writePos(ChorusEffect& e) { return settled(e).writePos; }
    static float filterZ1(ChorusEffect& e) { return settled(e).filterZ1; }
    static float filterZ2(ChorusEffect& e) { return settled(e).filterZ2; }
    static float filterA0(const ChorusEffect& e) { return e.coefficients.newest().filter.a0; }
    static float filterA1(const ChorusEffect& e) { return e.coefficients.newest().filter.a1; }
    static float filterA2(const ChorusEffect& e) { return e.coefficients.newest().filter.a2; }
    static float filterB1(const ChorusEffect& e) { return e.coefficients.newest().filter.b1; }
    static float filterB2(const ChorusEffect& e) { return e.coefficients.newest().filter.b2; }
    // What the last block ran with: the audio thread's own copy.
    static chorus::ProcessingCoefficients blockCoefficients(const ChorusEffect& e) { return e.blockCoefficients; }
    static float sampleRate(const ChorusEffect& e) { return e.sampleRate; }
    static std::int32_t currentProgram(const ChorusEffect& e) { return e.curProgram; }
    static void setFilterState(ChorusEffect& e, float z1, float z2) {
        settled(e).filterZ1 = z1;
        e.filterZ2 = z2;
    }
    static void setOscillator(ChorusEffect& e, double s, double c) {
        settled(e).oscSin = s;
        e.oscCos = c;
    }
    static void setWritePos(ChorusEffect& e, std::int32_t position) { settled(e).writePos = position; }
};
