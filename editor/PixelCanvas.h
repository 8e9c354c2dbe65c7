// The editor's canvas on a picture in memory, for window systems that show
// a picture the plug-in draws itself (X11).  It draws what the GDI canvas
// draws, pixel for pixel: copies of the skin's bitmaps, the marker through
// its mask with the same raster operations, and the DATA text, here in the
// built-in dot-matrix font.  Drawing stays inside a clip area, and the
// canvas remembers the area it drew on, which the window then shows.
#pragma once

#include "editor/EditorCanvas.h"
#include "editor/SkinPictures.h"

namespace editor {

class PixelCanvas final : public EditorCanvas {
public:
    // Draws on `target`, a kWidth x kHeight picture, from `skin`.
    PixelCanvas(const SkinPictures& skin, Picture& target) : skin(skin), target(target) {}

    // Drawing from now on stays inside `area` (within the picture).
    void clipTo(const layout::Area& area);
    // The area drawn on since the last call, empty if none; starts afresh.
    layout::Area takeDrawnArea();

    void copyFace(Face face, const layout::Area& to, int sourceX, int sourceY) override;
    void drawMarker(int left, int top) override;
    void drawDataText(const char* text) override;

private:
    void drew(const layout::Area& area);

    const SkinPictures& skin;
    Picture& target;
    layout::Area clip = {0, 0, layout::kWidth, layout::kHeight};
    layout::Area drawn = {0, 0, 0, 0};
};

// The smallest area that holds both; an empty area holds nothing.
layout::Area unite(const layout::Area& a, const layout::Area& b);
layout::Area intersect(const layout::Area& a, const layout::Area& b);

}  // namespace editor
