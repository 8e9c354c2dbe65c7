#include "editor/ChorusEffectModel.h"

#include "host/FloatingPointControl.h"

namespace editor {

float ChorusEffectModel::value(int parameter) { return effect.getParameter(parameter); }

void ChorusEffectModel::valueText(int parameter, char* text, int capacity) {
    effectValueText(effect, parameter, text, capacity);
}

// The effect's texts fit buffers of 64 and 16 bytes.
void effectValueText(ChorusEffect& effect, int parameter, char* text, int capacity) {
    char value[64] = "";
    char unit[16] = "";
    {
        const fpu::DefaultArithmetic arithmetic;
        effect.getParameterDisplay(parameter, value);
        effect.getParameterLabel(parameter, unit);
    }
    value[sizeof value - 1] = '\0';
    unit[sizeof unit - 1] = '\0';
    joinValueAndUnit(value, unit, text, capacity);
}

// A knob sets its value as every control of the editor does (the buttons do
// only this), then hands it to the base class's automation service, which
// sets it again and tells the host so that it can record the move.  The
// repeat stores the same value and derives the same coefficients.
void ChorusEffectModel::gestureValue(int parameter, float value) {
    const fpu::DefaultArithmetic arithmetic;
    effect.setParameter(parameter, value);
    effect.setParameterAutomated(parameter, value);
}

// A button press changes the value without telling the host.
void ChorusEffectModel::pressValue(int parameter, float value) {
    const fpu::DefaultArithmetic arithmetic;
    effect.setParameter(parameter, value);
}

}  // namespace editor
