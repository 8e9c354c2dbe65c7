// setParameter and getParameter: values are stored unconverted in
// the current program; Filter, Cutoff and Rate derive the filter
// coefficients and the oscillator's rotation.
#include "chorus/ChorusEditorBase.h"
#include "chorus/ChorusEffect.h"
#include "chorus/FilterDesign.h"
#include "chorus/OscillatorRotation.h"
#include "chorus/ParameterTable.h"

void ChorusEffect::setParameter(VstInt32 index, float value) {
    if (const chorus::ParameterInfo* info = chorus::parameterInfo(index)) {
        programs[curProgram].*(info->field) = value;
        if (info->derives != chorus::Derives::nothing) publishCoefficients();
    }
    // Every call tells the editor, an index outside 0 to 8 included.
    if (chorusEditor) chorusEditor->parameterChanged(index, value);
}

float ChorusEffect::getParameter(VstInt32 index) {
    const chorus::ParameterInfo* info = chorus::parameterInfo(index);
    return info ? (programs[curProgram].*(info->field)).load() : 0.0f;
}

float ChorusEffect::programValue(VstInt32 program, VstInt32 index) const {
    const chorus::ParameterInfo* info = chorus::parameterInfo(index);
    if (!info || program < 0 || program >= kNumPrograms) return 0.0f;
    return (programs[program].*(info->field)).load();
}

void ChorusEffect::setProgramValue(VstInt32 program, VstInt32 index, float value) {
    const chorus::ParameterInfo* info = chorus::parameterInfo(index);
    if (!info || program < 0 || program >= kNumPrograms) return;
    if (program == curProgram) {
        setParameter(index, value);
        return;
    }
    programs[program].*(info->field) = value;
}

// The filter and the rotation are derived together, each from the values
// as they are now: another thread may be setting the other one, and the set
// published last must hold both.  The ticket is taken after the value was
// stored and before the values are read (CoefficientExchange.h).  The
// filter state stays.
void ChorusEffect::publishCoefficients() {
    const std::uint32_t ticket = coefficients.takeTicket();
    const ChorusProgram& p = programs[curProgram];
    const float filter = p.filter, cutoff = p.cutoff, rate = p.rate, rateHz = sampleRate;
    const chorus::ProcessingCoefficients set = {chorus::designFilter(chorus::isLowPass(filter), cutoff, rateHz),
                                                chorus::oscillatorRotation(rate, rateHz)};
    coefficients.publish(ticket, set);
}
