// One bitmap resource of the library, ready to be copied into the editor
// window: the bitmap in a form the display can copy from, a memory device
// context to copy it through and, on a palette display, its own palette.
#pragma once

#include <windows.h>

namespace editor {

class SkinBitmap {
public:
    SkinBitmap(HINSTANCE instance, HDC windowDC, int resourceId);
    ~SkinBitmap();
    SkinBitmap(const SkinBitmap&) = delete;
    SkinBitmap& operator=(const SkinBitmap&) = delete;

    // Copies width x height pixels from (sourceX, sourceY) of the bitmap to
    // (destinationX, destinationY) of `destination`; draws nothing when the
    // resource was missing.
    void copyTo(HDC destination, int destinationX, int destinationY, int width, int height, int sourceX,
                int sourceY) const;

private:
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    HDC memoryDC = nullptr;
    HPALETTE previousPalette = nullptr;
};

// Makes a device-dependent bitmap from a bitmap resource through the screen,
// with a palette of the resource's colour table when it has one (null
// otherwise, and both null when the resource is missing).
HBITMAP loadBitmapWithPalette(HINSTANCE instance, int resourceId, HPALETTE* palette);

}  // namespace editor
