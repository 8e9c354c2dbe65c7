#include "chorus/ParameterTable.h"

#include "chorus/ParameterText.h"

namespace chorus {

namespace {

// In index order; the program record stores phase before predelay.
const ParameterInfo kParameters[kParameterCount] = {
    {"Filter", "Type", &ChorusProgram::filter, Derives::filterCoefficients, formatFilterText},
    {"Cutoff", "Hz", &ChorusProgram::cutoff, Derives::filterCoefficients, formatCutoffText},
    {"Rate", "Hz", &ChorusProgram::rate, Derives::oscillatorRotation, formatRateText},
    {"Depth", "%", &ChorusProgram::depth, Derives::nothing, formatDepthText},
    {"Predelay", "ms", &ChorusProgram::predelay, Derives::nothing, formatPredelayText},
    {"Phase", "Type", &ChorusProgram::phase, Derives::nothing, formatPhaseText},
    {"Dry", "dB", &ChorusProgram::dry, Derives::nothing, formatLevelText},
    {"Wet", "dB", &ChorusProgram::wet, Derives::nothing, formatLevelText},
    {"Voices", "", &ChorusProgram::voices, Derives::nothing, formatVoicesText},
};

}  // namespace

const ParameterInfo* parameterInfo(VstInt32 index) {
    if (index < 0 || index >= kParameterCount) return nullptr;
    return &kParameters[index];
}

}  // namespace chorus
