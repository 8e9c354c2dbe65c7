// The VST effect as the editor sees it.  Every call runs in the platform's
// default floating-point environment, as the host's own calls through the
// plug-in record do: the host's UI thread may run with any rounding and
// precision, and a knob drag must derive what a host's setParameter
// derives.  The host's settings come back after each call.
#pragma once

#include "chorus/ChorusEffect.h"
#include "editor/EditorModel.h"

namespace editor {

class ChorusEffectModel final : public EditorModel {
public:
    explicit ChorusEffectModel(ChorusEffect& effect) : effect(effect) {}

    float value(int parameter) override;
    void valueText(int parameter, char* text, int capacity) override;
    // The basic plug-in interface has no gesture requests: the host hears
    // of each value through the automation request alone.
    void beginGesture(int) override {}
    void gestureValue(int parameter, float value) override;
    void endGesture(int) override {}
    void pressValue(int parameter, float value) override;
    bool takeClip() override { return effect.takeClipFlag() != 0; }

private:
    ChorusEffect& effect;
};

// The DATA display's text of one of the effect's parameters, in the
// platform's default floating-point environment; every editor on the
// effect itself shows this.
void effectValueText(ChorusEffect& effect, int parameter, char* text, int capacity);

}  // namespace editor
