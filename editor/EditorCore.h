// The editor without a window system: what the mouse does to the controls,
// what the window shows of the effect (the skin, the knob markers, which
// button of a pair is lit, the clip indicator, the DATA text) and when it
// is shown.  A window system's backend delivers the window's events here
// and hands it canvases to draw on (EditorWindow, EditorCanvas); the effect
// is reached through an EditorModel.
//
// Every call out may be the last.  The model's edits (a gesture's begin,
// its values, its end) reach the host, and a host may close the editor
// inside any of them, or close it and open it again at once: to rebuild
// its own window, on a "close on change" setting, from a script.  So the
// window events below answer whether the window that delivered the event
// is still open.  After each call out the core looks whether the window
// was closed meanwhile, and if so stops and answers false; a backend that
// hears false returns at once, touching neither itself nor the core for
// that event.  closed() ends whatever gesture the host heard begin, so
// every begin has exactly one end and nothing follows it.  The model's
// reads (values, texts, the clip report) never call the host, so painting
// and the tick need no such answer.
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
    // The window is gone (closed, or destroyed by the host): a gesture in
    // progress ends, so that a host never holds a begun gesture that has no
    // end, and the events still on their way stop at their next call out.
    // A backend calls it last, after its window is gone, since a host may
    // open the editor again inside the gesture's end.
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
    // pointer may lie outside the window, left of or above it too.  Each
    // answers whether the window is still open (see above).
    bool mouseDown(int x, int y);
    bool mouseMove(int x, int y);
    bool mouseUp();
    // Another window took the mouse: a drag ends.
    bool captureLost();

    // The effect's notices, from any thread: a parameter's control, or the
    // whole window after a program change, is painted again.
    void parameterChanged(int parameter);
    void programChanged();

private:
    // Whether the window that an event came from, in `session`, is still
    // open.
    bool stillOpen(unsigned visit) const { return open && session == visit; }
    bool beginGesture(int parameter, unsigned visit);
    bool endGesture(unsigned visit);
    bool endDrag(unsigned visit);
    void showParameterValue(int parameter);
    void showDataText(const char* text);
    void drawDataText(const char* text);

    EditorModel& model;
    EditorWindow& window;
    controls::KnobDrag drag;
    // The parameter whose gesture the host heard begin and not yet end, or
    // -1.
    int gesture = -1;
    // Counts the window's openings and closings: an event notes it first,
    // and a different count after a call out means its window is gone.
    unsigned session = 0;
    bool open = false;
    // The DATA box was last drawn blank (a new window shows it blank).
    bool dataBlank = true;
};

}  // namespace editor
