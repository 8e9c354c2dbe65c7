#include "editor/win32/Win32Canvas.h"

#include <cstring>

#include "editor/win32/SkinBitmap.h"

namespace editor {

const SkinBitmap* Win32Skin::face(Face which) const {
    switch (which) {
    case Face::skin: return skin;
    case Face::highPassOff: return highPassOff;
    case Face::lowPassOff: return lowPassOff;
    case Face::phasePlusOff: return phasePlusOff;
    case Face::phaseMinusOff: return phaseMinusOff;
    case Face::clipOff: return clipOff;
    }
    return nullptr;
}

void Win32Canvas::copyFace(Face face, const layout::Area& to, int sourceX, int sourceY) {
    if (const SkinBitmap* bitmap = pictures.face(face))
        bitmap->copyTo(dc, to.left, to.top, to.width(), to.height(), sourceX, sourceY);
}

// A transparent copy: ((window XOR dot) AND mask) XOR dot keeps the window
// where the mask is white and shows the dot where it is black.
void Win32Canvas::drawMarker(int left, int top) {
    if (!pictures.markerImage || !pictures.markerMask) return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ original = SelectObject(memory, pictures.markerImage);
    BitBlt(dc, left, top, layout::kMarkerSize, layout::kMarkerSize, memory, 0, 0, SRCINVERT);
    SelectObject(memory, pictures.markerMask);
    BitBlt(dc, left, top, layout::kMarkerSize, layout::kMarkerSize, memory, 0, 0, SRCAND);
    SelectObject(memory, pictures.markerImage);
    BitBlt(dc, left, top, layout::kMarkerSize, layout::kMarkerSize, memory, 0, 0, SRCINVERT);
    SelectObject(memory, original);
    DeleteDC(memory);
}

// One call blanks the whole box and draws the text clipped to it: where the
// skin's font is missing, the substitute is wider, and a text running past
// the box would stay on the skin after the next blanking.
void Win32Canvas::drawDataText(const char* text) {
    const RECT box = {layout::dataBox.left, layout::dataBox.top, layout::dataBox.right, layout::dataBox.bottom};
    HGDIOBJ previousFont =
        SelectObject(dc, pictures.font ? static_cast<HGDIOBJ>(pictures.font) : GetStockObject(DEFAULT_GUI_FONT));
    const COLORREF previousBackground = SetBkColor(dc, RGB(0, 0, 0));
    const COLORREF previousText = SetTextColor(dc, RGB(0, 255, 0));
    ExtTextOutA(dc, layout::kDataTextX, layout::kDataTextY, ETO_OPAQUE | ETO_CLIPPED, &box, text,
                static_cast<UINT>(std::strlen(text)), nullptr);
    SetTextColor(dc, previousText);
    SetBkColor(dc, previousBackground);
    SelectObject(dc, previousFont);
}

}  // namespace editor
