#include "lv2/Lv2UiModel.h"

#include "chorus/ParameterTable.h"
#include "chorus/ParameterText.h"
#include "host/FloatingPointControl.h"

Lv2UiModel::Lv2UiModel(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch)
    : writePort(write), controller(controller), touch(touch) {
    for (int i = 0; i < lv2port::kControlCount; ++i) portValues[i] = lv2port::controlPorts()[i].defaultValue;
}

int Lv2UiModel::portEvent(std::uint32_t port, float value) {
    if (port == lv2port::kClip) {
        clipPort = value;
        if (value > 0.5f) clipReported = true;
        return -1;
    }
    if (port < lv2port::kFirstControl || port >= lv2port::kFirstControl + lv2port::kControlCount) return -1;
    const int parameter = static_cast<int>(port - lv2port::kFirstControl);
    portValues[parameter] = value;
    return parameter;
}

// Conversions and texts are derived in the default floating-point
// environment, as the plug-in derives them, whatever rounding or
// flush-to-zero the host's UI thread runs with: otherwise the UI would show
// and write values one step off what the plug-in runs.
float Lv2UiModel::value(int parameter) {
    if (parameter < 0 || parameter >= lv2port::kControlCount) return 0.0f;
    const fpu::DefaultArithmetic arithmetic;
    return lv2port::controlPorts()[parameter].toEffectValue(portValues[parameter]);
}

// The effect's own text and unit, as the VST editor shows them.
void Lv2UiModel::valueText(int parameter, char* text, int capacity) {
    const fpu::DefaultArithmetic arithmetic;
    char value[64] = "";
    chorus::formatParameterDisplay(parameter, this->value(parameter), value);
    const chorus::ParameterInfo* info = chorus::parameterInfo(parameter);
    editor::joinValueAndUnit(value, info ? info->label : "", text, capacity);
}

void Lv2UiModel::beginGesture(int parameter) {
    if (touch && parameter >= 0 && parameter < lv2port::kControlCount)
        touch->touch(touch->handle, lv2port::kFirstControl + static_cast<std::uint32_t>(parameter), true);
}

void Lv2UiModel::gestureValue(int parameter, float value) { write(parameter, value); }

void Lv2UiModel::endGesture(int parameter) {
    if (touch && parameter >= 0 && parameter < lv2port::kControlCount)
        touch->touch(touch->handle, lv2port::kFirstControl + static_cast<std::uint32_t>(parameter), false);
}

void Lv2UiModel::pressValue(int parameter, float value) { write(parameter, value); }

// The port value whose conversion gives the control's value; the UI shows
// it at once, before the host reports it back.
void Lv2UiModel::write(int parameter, float value) {
    if (parameter < 0 || parameter >= lv2port::kControlCount) return;
    float portValue;
    {
        const fpu::DefaultArithmetic arithmetic;
        portValue = lv2port::portValueFor(parameter, value);
    }
    portValues[parameter] = portValue;
    writePort(controller, lv2port::kFirstControl + static_cast<std::uint32_t>(parameter), sizeof portValue, 0,
              &portValue);
}

bool Lv2UiModel::takeClip() {
    const bool clipped = clipReported || clipPort > 0.5f;
    clipReported = false;
    return clipped;
}
