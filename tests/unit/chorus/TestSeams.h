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

// Read access to the effect's private state (a friend of ChorusEffect).
struct ChorusEffectInspector {
    static double oscSin(const ChorusEffect& e) { return e.oscSin; }
    static double oscCos(const ChorusEffect& e) { return e.oscCos; }
    static double rotCos(const ChorusEffect& e) { return e.coefficients.newest().rotation.cosine; }
    static double rotSin(const ChorusEffect& e) { return e.coefficients.newest().rotation.sine; }
    static const float* delayLine(const ChorusEffect& e) { return e.delayLine; }
    static float* mutableDelayLine(ChorusEffect& e) { return e.delayLine; }
    static std::int32_t writePos(const ChorusEffect& e) { return e.writePos; }
    static float filterZ1(const ChorusEffect& e) { return e.filterZ1; }
    static float filterZ2(const ChorusEffect& e) { return e.filterZ2; }
    static float filterA0(const ChorusEffect& e) { return e.coefficients.newest().filter.a0; }
    static float filterA1(const ChorusEffect& e) { return e.coefficients.newest().filter.a1; }
    static float filterA2(const ChorusEffect& e) { return e.coefficients.newest().filter.a2; }
    static float filterB1(const ChorusEffect& e) { return e.coefficients.newest().filter.b1; }
    static float filterB2(const ChorusEffect& e) { return e.coefficients.newest().filter.b2; }
    static chorus::ProcessingCoefficients blockCoefficients(const ChorusEffect& e) { return e.blockCoefficients; }
    static float sampleRate(const ChorusEffect& e) { return e.sampleRate; }
    static std::int32_t currentProgram(const ChorusEffect& e) { return e.curProgram; }
    static void setFilterState(ChorusEffect& e, float z1, float z2) {
        e.filterZ1 = z1;
        e.filterZ2 = z2;
    }
    static void setOscillator(ChorusEffect& e, double s, double c) {
        e.oscSin = s;
        e.oscCos = c;
    }
    static void setWritePos(ChorusEffect& e, std::int32_t position) { e.writePos = position; }
};
