#include "editor/win32/SkinBitmap.h"

namespace editor {

namespace {

bool isPaletteDisplay(HDC dc) { return GetDeviceCaps(dc, BITSPIXEL) == 8; }

HPALETTE createPaletteFromColourTable(const BITMAPINFOHEADER* header, int colourCount) {
    // LOGPALETTE carries one entry itself; the rest follow it.
    const SIZE_T bytes = sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * colourCount;
    HGLOBAL block = GlobalAlloc(GHND, bytes);
    if (!block) return nullptr;
    HPALETTE palette = nullptr;
    if (LOGPALETTE* logical = static_cast<LOGPALETTE*>(GlobalLock(block))) {
        logical->palVersion = 0x300;
        logical->palNumEntries = static_cast<WORD>(colourCount);
        const RGBQUAD* colours =
            reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(header) + header->biSize);
        for (int i = 0; i < colourCount; ++i) {
            logical->palPalEntry[i].peRed = colours[i].rgbRed;
            logical->palPalEntry[i].peGreen = colours[i].rgbGreen;
            logical->palPalEntry[i].peBlue = colours[i].rgbBlue;
            logical->palPalEntry[i].peFlags = 0;
        }
        palette = CreatePalette(logical);
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return palette;
}

}  // namespace

HBITMAP loadBitmapWithPalette(HINSTANCE instance, int resourceId, HPALETTE* palette) {
    *palette = nullptr;
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(resourceId), RT_BITMAP);
    if (!resource) return nullptr;
    HGLOBAL loaded = LoadResource(instance, resource);
    const BITMAPINFOHEADER* header = loaded ? static_cast<const BITMAPINFOHEADER*>(LockResource(loaded)) : nullptr;
    if (!header) return nullptr;

    HDC screen = GetDC(nullptr);
    const int colourCount = header->biBitCount <= 8 ? 1 << header->biBitCount : 0;
    if (colourCount > 0) *palette = createPaletteFromColourTable(header, colourCount);
    HPALETTE previous = nullptr;
    if (*palette) {
        previous = SelectPalette(screen, *palette, FALSE);
        RealizePalette(screen);
    }
    const BYTE* bits = reinterpret_cast<const BYTE*>(header) + header->biSize + 4 * colourCount;
    HBITMAP bitmap = CreateDIBitmap(screen, header, CBM_INIT, bits, reinterpret_cast<const BITMAPINFO*>(header),
                                    DIB_RGB_COLORS);
    if (*palette) SelectPalette(screen, previous, FALSE);
    ReleaseDC(nullptr, screen);
    FreeResource(loaded);
    return bitmap;
}

SkinBitmap::SkinBitmap(HINSTANCE instance, HDC windowDC, int resourceId) {
    const bool paletteDisplay = isPaletteDisplay(windowDC);
    if (paletteDisplay)
        bitmap = loadBitmapWithPalette(instance, resourceId, &palette);
    else
        bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(resourceId));
    memoryDC = CreateCompatibleDC(windowDC);
    if (paletteDisplay && palette && memoryDC) {
        previousPalette = SelectPalette(memoryDC, palette, FALSE);
        RealizePalette(memoryDC);
    }
}

SkinBitmap::~SkinBitmap() {
    if (palette && memoryDC) SelectPalette(memoryDC, previousPalette, FALSE);
    if (memoryDC) DeleteDC(memoryDC);
    if (palette) DeleteObject(palette);
    if (bitmap) DeleteObject(bitmap);
}

void SkinBitmap::copyTo(HDC destination, int destinationX, int destinationY, int width, int height, int sourceX,
                        int sourceY) const {
    if (!bitmap || !memoryDC) return;
    HGDIOBJ heldObject = SelectObject(memoryDC, bitmap);
    HPALETTE destinationPalette = nullptr;
    if (palette) {
        destinationPalette = SelectPalette(destination, palette, TRUE);
        RealizePalette(destination);
    }
    BitBlt(destination, destinationX, destinationY, width, height, memoryDC, sourceX, sourceY, SRCCOPY);
    if (palette) SelectPalette(destination, destinationPalette, TRUE);
    SelectObject(memoryDC, heldObject);
}

}  // namespace editor
