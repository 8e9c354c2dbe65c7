// The skin's bitmaps as pixels, for window systems that draw from memory
// (X11): the same BMP files that the DLL carries as resources, built into
// the library and decoded when a window opens.
#pragma once

#include <cstdint>
#include <vector>

#include "editor/EditorCanvas.h"

namespace editor {

// 0x00RRGGBB pixels, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A BMP file (uncompressed, 4, 8 or 24 bits per pixel) as a picture; an
// empty picture when it is none.
Picture decodeBmp(const unsigned char* file, std::size_t size);

struct SkinPictures {
    Picture faces[6];  // by Face
    Picture marker;
    Picture markerMask;

    const Picture& face(Face which) const { return faces[static_cast<int>(which)]; }
};

// Decodes the built-in bitmaps.
SkinPictures loadSkinPictures();

}  // namespace editor
