// The plug-in as the LV2 UI's editor sees it, through ports alone: the
// host reports the control ports' values (port_event) and the UI writes
// new ones (write_function), so the UI also works in hosts that run the
// plug-in in another process.  Values and texts are those the plug-in runs
// with: a port value converted as the plug-in converts it.
#pragma once

#include <lv2/ui/ui.h>

#include <cstdint>

#include "editor/EditorModel.h"
#include "lv2/Lv2Ports.h"

class Lv2UiModel final : public editor::EditorModel {
public:
    // `touch` may be null: the host then hears of gestures only through the
    // values.
    Lv2UiModel(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch);

    // A port's value from the host; the effect's parameter index whose
    // control shows it, or -1.
    int portEvent(std::uint32_t port, float value);

    float value(int parameter) override;
    void valueText(int parameter, char* text, int capacity) override;
    void beginGesture(int parameter) override;
    void gestureValue(int parameter, float value) override;
    void endGesture(int parameter) override;
    void pressValue(int parameter, float value) override;
    // Lit while the plug-in's clip port is 1, and for one tick after any
    // report of 1 between two ticks.
    bool takeClip() override;

private:
    void write(int parameter, float value);

    LV2UI_Write_Function writePort;
    LV2UI_Controller controller;
    const LV2UI_Touch* touch;
    float portValues[lv2port::kControlCount];
    float clipPort = 0.0f;
    bool clipReported = false;
};
