// The editor without a window system: what the mouse does to the controls,
// what the window shows of the effect (the skin, the knob markers, which
// button of a pair is lit, the clip indicator, the DATA text) and when it
// is shown.  A window system's backend delivers the window's events here
// and hands it canvases to draw on (EditorWindow, EditorCanvas); the effect
// is reached through an EditorModel.
#pragma once

#include "editor/EditorCanvas.h"
#include "editor/EditorControls.h"
#include "editor/EditorModel.h"
#include "editor/EditorWindow.h"

namespace editor {

class EditorCore {
public:
    // The clip indicator's period: it shows whether a block clipped since
    // the last tick.
    static constexpr int kClipTickMilliseconds = 125;

    EditorCore(EditorModel& model, EditorWindow& window) : model(model), window(window) {}
    EditorCore(const EditorCore&) = delete;
    EditorCore& operator=(const EditorCore&) = delete;

    // A new window: no drag, and the DATA box blank as the skin shows it.
    void opened();
    // The window is going: a drag in progress ends, and its gesture with
    // it, so that a host never holds a begun gesture that has no end.
    void closed();

    // A repaint, on the window's thread: first the skin where the area is
    // erased, then the knob markers and the button faces from the effect's
    // values.  Neither draws the clip indicator nor the DATA text: where a
    // repaint erased them the skin's own look shows until the next tick or
    // mouse move.
    void paintBackground(EditorCanvas& canvas) const;
    void paint(EditorCanvas& canvas);

    // Every kClipTickMilliseconds: the indicator lit if a block clipped
    // since the last tick, dark otherwise.
    void tick();

    // The left button and the pointer, in window pixels; during a drag the
    // pointer may lie outside the window, left of or above it too.
    void mouseDown(int x, int y);
    void mouseMove(int x, int y);
    void mouseUp();
    // Another window took the mouse: a drag ends.
    void captureLost();

    // The effect's notices, from any thread: a parameter's control, or the
    // whole window after a program change, is painted again.
    void parameterChanged(int parameter);
    void programChanged();

private:
    void showParameterValue(int parameter);
    void showDataText(const char* text);
    void drawDataText(const char* text);
    void endDrag();

    EditorModel& model;
    EditorWindow& window;
    controls::KnobDrag drag;
    // The DATA box was last drawn blank (a new window shows it blank).
    bool dataBlank = true;
};

}  // namespace editor
