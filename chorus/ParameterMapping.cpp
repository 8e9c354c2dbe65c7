// setParameter and getParameter: values are stored unconverted in
// the current program; Filter and Cutoff design the filter, Rate sets the
// oscillator's rotation.
#include "chorus/ChorusEditorBase.h"
#include "chorus/ChorusEffect.h"
#include "chorus/FilterDesign.h"
#include "chorus/OscillatorRotation.h"
#include "chorus/ParameterTable.h"

void ChorusEffect::setParameter(VstInt32 index, float value) {
    if (const chorus::ParameterInfo* info = chorus::parameterInfo(index)) {
        programs[curProgram].*(info->field) = value;
        switch (info->derives) {
            case chorus::Derives::filterCoefficients: designFilter(); break;
            case chorus::Derives::oscillatorRotation: applyRotation(); break;
            case chorus::Derives::nothing: break;
        }
    }
    // Every call tells the editor, an index outside 0 to 8 included.
    if (chorusEditor) chorusEditor->parameterChanged(index, value);
}

float ChorusEffect::getParameter(VstInt32 index) {
    const chorus::ParameterInfo* info = chorus::parameterInfo(index);
    return info ? programs[curProgram].*(info->field) : 0.0f;
}

// All five coefficients are replaced together; the filter state stays.
void ChorusEffect::designFilter() {
    const ChorusProgram& p = programs[curProgram];
    const chorus::FilterCoefficients c = chorus::designFilter(chorus::isLowPass(p.filter), p.cutoff, sampleRate);
    filterA0 = c.a0;
    filterA1 = c.a1;
    filterA2 = c.a2;
    filterB1 = c.b1;
    filterB2 = c.b2;
}

void ChorusEffect::applyRotation() {
    const chorus::OscillatorRotation r = chorus::oscillatorRotation(programs[curProgram].rate, sampleRate);
    rotCos = r.cosine;
    rotSin = r.sine;
}
