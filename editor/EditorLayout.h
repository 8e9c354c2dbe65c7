// Geometry of the editor window, shared by painting, hit tests and the
// artwork generator.  Window pixels, origin top left, y downwards.
#pragma once

#include "editor/AEffEditor.h"

namespace layout {

constexpr int kWidth = 300;
constexpr int kHeight = 200;

inline constexpr ERect editorRect = {0, 0, kHeight, kWidth};

}  // namespace layout
