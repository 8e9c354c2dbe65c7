// The DATA display's font where no system font can be relied on (X11): a
// 5 x 7 dot-matrix face with descenders, drawn here once for every
// printable ASCII character, green on the black box like an instrument's
// readout.  Every text the display shows fits the box in it.
#pragma once

#include <cstdint>

#include "editor/EditorLayout.h"
#include "editor/SkinPictures.h"

namespace editor {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 9;  // 7 above the baseline, 2 below
constexpr int kGlyphAdvance = kGlyphWidth + 1;

// Draws `text` with its first cell's top left at (x, y) in `colour`,
// clipped to `clip` (and to the picture); characters outside printable
// ASCII leave their cell empty.
void drawDataFontText(Picture& picture, int x, int y, const char* text, std::uint32_t colour,
                      const layout::Area& clip);

}  // namespace editor
