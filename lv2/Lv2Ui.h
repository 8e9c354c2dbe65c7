// One instance of the LV2 UI: the editor core on the X11 backend, showing
// the plug-in through its ports (Lv2UiModel).  Its window is a child of
// the host's (ui:parent); the host's regular idle call (ui:idleInterface)
// runs its events, repaints and clip indicator.  Everything lives in the
// instance, so a host may show several.
#pragma once

#include <lv2/ui/ui.h>

#include "editor/EditorCore.h"
#include "editor/x11/X11EditorWindow.h"
#include "lv2/Lv2UiModel.h"

class Lv2Ui {
public:
    Lv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch)
        : model(write, controller, touch), core(model, window) {}
    Lv2Ui(const Lv2Ui&) = delete;
    Lv2Ui& operator=(const Lv2Ui&) = delete;

    // The host's cleanup.  It may come from inside a port write or a touch
    // that the UI's own idle call made: the window closes at once, and the
    // instance goes when that idle call returns.
    void destroy();

    // Opens the window inside `parent`; false when it cannot.
    bool open(void* parent) { return window.open(parent, core); }
    // The widget a host embeds: the window's X11 id.
    LV2UI_Widget widget() const;

    void portEvent(std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format, const void* buffer);
    // 0 while the window is up, 1 once the host has destroyed it.
    int idle();

private:
    // The window goes first, while the core and the model it ends a drag
    // through are still there.
    ~Lv2Ui() { window.close(); }

    int idleCalls = 0;  // in progress, nested ones included
    bool destroyed = false;
    Lv2UiModel model;
    editor::X11EditorWindow window;
    editor::EditorCore core;
};
