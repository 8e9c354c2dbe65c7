// Where the editor core draws: the skin's pictures, the knob marker and the
// DATA text.  A window system implements it on its own drawing surface
// (GDI device contexts; a pixel buffer that X11 shows).
#pragma once

#include "editor/EditorLayout.h"

namespace editor {

// The bitmaps the editor draws from: the skin (every button and the clip
// indicator lit) and the dark faces.
enum class Face { skin, highPassOff, lowPassOff, phasePlusOff, phaseMinusOff, clipOff };

class EditorCanvas {
public:
    // Copies `to`'s size of `face`, from (sourceX, sourceY), to `to`.
    virtual void copyFace(Face face, const layout::Area& to, int sourceX, int sourceY) = 0;

    // The marker dot, kMarkerSize square with its top left at (left, top),
    // through its mask: the window shows where the mask is white.
    virtual void drawMarker(int left, int top) = 0;

    // The DATA box filled black and `text` drawn in green from the text
    // origin, clipped to the box.
    virtual void drawDataText(const char* text) = 0;

protected:
    ~EditorCanvas() = default;
};

}  // namespace editor
