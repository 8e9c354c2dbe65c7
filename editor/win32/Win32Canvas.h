// The editor's canvas on a GDI device context: the skin's pictures copied
// from their bitmaps, the marker through its mask, the DATA text in the
// editor's font.
#pragma once

#include <windows.h>

#include "editor/EditorCanvas.h"

namespace editor {

class SkinBitmap;

// What the window draws with; created with the window, released with it.
// A picture that could not be had is null and draws nothing.
struct Win32Skin {
    SkinBitmap* skin = nullptr;
    SkinBitmap* highPassOff = nullptr;
    SkinBitmap* lowPassOff = nullptr;
    SkinBitmap* phasePlusOff = nullptr;
    SkinBitmap* phaseMinusOff = nullptr;
    SkinBitmap* clipOff = nullptr;
    HBITMAP markerImage = nullptr;
    HBITMAP markerMask = nullptr;
    HFONT font = nullptr;

    const SkinBitmap* face(Face which) const;
};

class Win32Canvas final : public EditorCanvas {
public:
    Win32Canvas(const Win32Skin& skin, HDC dc) : pictures(skin), dc(dc) {}
    // Draws on another device context from now on.
    void retarget(HDC newDC) { dc = newDC; }

    void copyFace(Face face, const layout::Area& to, int sourceX, int sourceY) override;
    void drawMarker(int left, int top) override;
    void drawDataText(const char* text) override;

private:
    const Win32Skin& pictures;
    HDC dc;
};

}  // namespace editor
