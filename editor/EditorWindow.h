// What the editor core asks of its window: repaints, the mouse capture and
// drawing at once.  Each window system implements it (EditorBackend.h).
#pragma once

#include "editor/EditorCanvas.h"
#include "editor/EditorLayout.h"

namespace editor {

class EditorWindow {
public:
    // Asks for `area` to be painted again, later, on the window's thread:
    // the skin (when `erase`), then the controls (EditorCore::paint).  Safe
    // to call from any thread; another thread than the window's, the host's
    // audio thread among them, only marks the area, without a call into the
    // window system, and the window repaints at its next tick or idle call.
    virtual void invalidate(const layout::Area& area, bool erase) = 0;

    // While a knob is dragged the pointer's moves reach the window even
    // outside it.
    virtual void captureMouse() = 0;
    virtual void releaseMouse() = 0;

    // A canvas for drawing at once, outside a repaint (the DATA text, the
    // clip indicator), or null when there is none; given back with
    // endDrawing, which shows what was drawn.
    virtual EditorCanvas* beginDrawing() = 0;
    virtual void endDrawing(EditorCanvas* canvas) = 0;

protected:
    ~EditorWindow() = default;
};

}  // namespace editor
