// What the editor draws: the skin, the knob markers and button faces, the
// clip indicator and the DATA display.  Every control's picture comes from
// the effect's current state; nothing drawn is remembered.
#include <cstring>

#include "chorus/ChorusEffect.h"
#include "editor/ChorusEditor.h"
#include "editor/SkinBitmap.h"
#include "host/FloatingPointControl.h"

void ChorusEditor::paintBackground(HDC dc) {
    if (skin) skin->copyTo(dc, 0, 0, layout::kWidth, layout::kHeight, 0, 0);
}

// The skin shows every button and the indicator lit; the separate faces
// show them dark.
void ChorusEditor::showLit(HDC dc, const layout::Area& area) {
    if (skin) skin->copyTo(dc, area.left, area.top, area.width(), area.height(), area.left, area.top);
}

void ChorusEditor::showDark(HDC dc, const SkinBitmap* face, const layout::Area& area) {
    if (face) face->copyTo(dc, area.left, area.top, area.width(), area.height(), 0, 0);
}

void ChorusEditor::paint(HDC dc) {
    for (const layout::KnobCircle& knob : layout::knobCircles)
        drawKnobMarker(dc, knob, chorus().getParameter(knob.parameter));

    if (controls::showsSecondSetting(layout::kFilter, chorus().getParameter(layout::kFilter))) {
        showLit(dc, layout::highPassButton);
        showDark(dc, lowPassOff, layout::lowPassButton);
    } else {
        showLit(dc, layout::lowPassButton);
        showDark(dc, highPassOff, layout::highPassButton);
    }

    if (controls::showsSecondSetting(layout::kPhase, chorus().getParameter(layout::kPhase))) {
        showLit(dc, layout::phaseMinusButton);
        showDark(dc, phasePlusOff, layout::phasePlusButton);
    } else {
        showLit(dc, layout::phasePlusButton);
        showDark(dc, phaseMinusOff, layout::phaseMinusButton);
    }
}

void ChorusEditor::drawKnobMarker(HDC dc, const layout::KnobCircle& knob, float value) {
    if (!markerImage || !markerMask) return;
    const controls::Point centre = controls::markerPosition(controls::markerCircle(knob), value);
    const int left = centre.x - layout::kMarkerSize / 2;
    const int top = centre.y - layout::kMarkerSize / 2;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    // A transparent copy: ((window XOR dot) AND mask) XOR dot keeps the
    // window where the mask is white and shows the dot where it is black.
    HGDIOBJ original = SelectObject(memory, markerImage);
    BitBlt(dc, left, top, layout::kMarkerSize, layout::kMarkerSize, memory, 0, 0, SRCINVERT);
    SelectObject(memory, markerMask);
    BitBlt(dc, left, top, layout::kMarkerSize, layout::kMarkerSize, memory, 0, 0, SRCAND);
    SelectObject(memory, markerImage);
    BitBlt(dc, left, top, layout::kMarkerSize, layout::kMarkerSize, memory, 0, 0, SRCINVERT);
    SelectObject(memory, original);
    DeleteDC(memory);
}

// Lit when a block has clipped since the last tick.  Reading and clearing
// the report is one step, so a clip the audio thread reports meanwhile
// lights the next tick.
void ChorusEditor::updateClipLed() {
    const bool clipped = chorus().takeClipFlag() != 0;
    HDC dc = GetDC(window);
    if (!dc) return;
    if (clipped)
        showLit(dc, layout::clipIndicator);
    else
        showDark(dc, clipOff, layout::clipIndicator);
    ReleaseDC(window, dc);
}

void ChorusEditor::showParameterValue(int index) {
    char text[64] = "";
    char unit[16] = "";
    {
        const fpu::DefaultArithmetic arithmetic;  // the texts a host would get
        chorus().getParameterDisplay(index, text);
        chorus().getParameterLabel(index, unit);
    }
    // The unit follows the value without a separator: "8040Hz", "-6.0dB".
    text[sizeof text - 1] = 0;
    unit[sizeof unit - 1] = 0;
    std::strncat(text, unit, sizeof text - 1 - std::strlen(text));
    drawDataBox(text);
    dataBlank = 0;
}

void ChorusEditor::showDataText(const char* text) {
    if (dataBlank && text[0] == 0) return;  // blank already
    dataBlank = 1;
    drawDataBox(text);
}

// One call blanks the whole box and draws the text clipped to it: where the
// skin's font is missing, the substitute is wider, and a text running past
// the box would stay on the skin after the next blanking.
void ChorusEditor::drawDataBox(const char* text) {
    HDC dc = GetDC(window);
    if (!dc) return;
    const RECT box = {layout::dataBox.left, layout::dataBox.top, layout::dataBox.right, layout::dataBox.bottom};
    HGDIOBJ previousFont = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    const COLORREF previousBackground = SetBkColor(dc, RGB(0, 0, 0));
    const COLORREF previousText = SetTextColor(dc, RGB(0, 255, 0));
    ExtTextOutA(dc, layout::kDataTextX, layout::kDataTextY, ETO_OPAQUE | ETO_CLIPPED, &box, text,
                static_cast<UINT>(std::strlen(text)), nullptr);
    SetTextColor(dc, previousText);
    SetBkColor(dc, previousBackground);
    SelectObject(dc, previousFont);
    ReleaseDC(window, dc);
}
