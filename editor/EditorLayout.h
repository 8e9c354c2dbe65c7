// Geometry of the editor window, shared by painting, hit tests and the
// artwork generator.  The numbers themselves live in editor/EditorLayout.toml,
// which the artwork is drawn from too; EditorLayoutValues.inc is their C++
// form, written from that file by tools/skin/make_layout_values.py.
// Window pixels, origin top left, y downwards.
#pragma once

#include "chorus/ParameterIndex.h"

namespace layout {

// A knob: the parameter it shows, its centre and its radius.
struct KnobCircle {
    int parameter;
    int centreX;
    int centreY;
    int radius;
};

// A rectangle as the window system takes it: right and bottom exclusive.
struct Area {
    int left;
    int top;
    int right;
    int bottom;

    bool empty() const { return right <= left || bottom <= top; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

constexpr bool operator==(const Area& a, const Area& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Parameter indices, as the effect numbers them.
using chorus::kCutoff;
using chorus::kDepth;
using chorus::kDry;
using chorus::kFilter;
using chorus::kParameterCount;
using chorus::kPhase;
using chorus::kPredelay;
using chorus::kRate;
using chorus::kVoices;
using chorus::kWet;

// kWidth and kHeight; the knobCircles (kKnobCount of them) in drawing and
// hit-test order; the buttons highPassButton, lowPassButton,
// phasePlusButton and phaseMinusButton, the clipIndicator and the DATA
// display's dataBox with its text origin kDataTextX, kDataTextY; the
// marker dot's size kMarkerSize, its inset kMarkerInset from the knob's
// rim, and its markerMaskRows ('B' where the dot shows, 'W' where the knob
// stays, top row first).
#include "editor/EditorLayoutValues.inc"

}  // namespace layout
