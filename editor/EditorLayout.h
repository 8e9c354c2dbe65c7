// Geometry of the editor window, shared by painting, hit tests and the
// artwork generator (tools/skin reads the constants of this file, so keep
// each one a single `constexpr Type name = {...};` line or a table row).
// Window pixels, origin top left, y downwards.
#pragma once

#include "chorus/ParameterTable.h"
#include "host/AEffEditor.h"

namespace layout {

constexpr int kWidth = 300;
constexpr int kHeight = 200;

// The window as hosts and tests find it.
constexpr char kWindowClassName[] = "Velorin2WndClass_____";  // five underscores
constexpr char kWindowTitle[] = "Velorin 2 VST";

inline constexpr ERect editorRect = {0, 0, kHeight, kWidth};

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

// Parameter indices, as the effect's parameter table numbers them.
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

constexpr int kKnobCount = 6;

// In drawing and hit-test order.
inline constexpr KnobCircle knobCircles[kKnobCount] = {
    {kRate, 53, 48, 15},
    {kVoices, 53, 117, 15},
    {kWet, 123, 117, 15},
    {kDry, 194, 117, 15},
    {kCutoff, 194, 48, 15},
    {kDepth, 123, 48, 15},
};

// The marker dot runs on a circle this much smaller than the knob.
constexpr int kMarkerInset = 6;
constexpr int kMarkerSize = 8;

// Push buttons and the clip indicator.
constexpr Area highPassButton = {7, 176, 43, 194};
constexpr Area lowPassButton = {47, 176, 83, 194};
constexpr Area phasePlusButton = {106, 176, 142, 194};
constexpr Area phaseMinusButton = {146, 176, 182, 194};
constexpr Area clipIndicator = {243, 9, 265, 31};

// The DATA display: the box (right and bottom exclusive) and where its text starts.
constexpr Area dataBox = {204, 177, 287, 189};
constexpr int kDataTextX = 205;
constexpr int kDataTextY = 178;

// Bitmap resources of the library.
enum BitmapId : int {
    kSkinBitmap = 100,
    kHighPassOffBitmap = 105,
    kLowPassOffBitmap = 106,
    kPhasePlusOffBitmap = 107,
    kPhaseMinusOffBitmap = 108,
    kClipOffBitmap = 109,
    kMarkerBitmap = 200,
    kMarkerMaskBitmap = 201
};

// The mask of the marker dot, top row first: 'B' black where the dot shows,
// 'W' white where the knob stays.
inline constexpr const char* markerMaskRows[kMarkerSize] = {
    "WWBBBBWW", "WBBBBBBW", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "WBBBBBBW", "WWBBBBWW",
};

}  // namespace layout
