// What the chorus unit tests put in place of the editor and the platform:
// an editor that records the effect's notices, delay-line memory that can be
// made to fail, and read access to the effect's processing state.  The test
// executable links these instead of the editor library and the platform
// seam (the linker takes the test's definitions and leaves the archives'
// alone).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chorus/ChorusEditorBase.h"
#include "chorus/ChorusEffect.h"

namespace seams {

// What the recording editor was told, in order: "parameterChanged 3 0.25"
// or "programChanged".
struct EditorLog {
    std::vector<std::string> entries;
    std::vector<std::int32_t> indices;
    std::vector<float> values;
};

// The log of the most recently made editor.
EditorLog& editorLog();

// Make the next creations fail (the editor, the delay-line memory).
extern bool failEditorCreation;
extern bool failSampleAllocation;

// How many delay lines are obtained and not yet freed.
extern int liveSampleBuffers;

}  // namespace seams

// Read access to the effect's private state (a friend of ChorusEffect).
struct ChorusEffectInspector {
    static double oscSin(const ChorusEffect& e) { return e.oscSin; }
    static double oscCos(const ChorusEffect& e) { return e.oscCos; }
    static double rotCos(const ChorusEffect& e) { return e.rotCos; }
    static double rotSin(const ChorusEffect& e) { return e.rotSin; }
    static const float* delayLine(const ChorusEffect& e) { return e.delayLine; }
    static float* mutableDelayLine(ChorusEffect& e) { return e.delayLine; }
    static std::int32_t writePos(const ChorusEffect& e) { return e.writePos; }
    static float filterZ1(const ChorusEffect& e) { return e.filterZ1; }
    static float filterZ2(const ChorusEffect& e) { return e.filterZ2; }
    static float filterA0(const ChorusEffect& e) { return e.filterA0; }
    static float filterA1(const ChorusEffect& e) { return e.filterA1; }
    static float filterA2(const ChorusEffect& e) { return e.filterA2; }
    static float filterB1(const ChorusEffect& e) { return e.filterB1; }
    static float filterB2(const ChorusEffect& e) { return e.filterB2; }
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
