#include "editor/EditorControls.h"

#include <cmath>

#include "chorus/ParameterTable.h"

namespace controls {

namespace {

constexpr double kPi = 3.14159265358979323846;

// 1/270 as the float the value mapping has always used.
constexpr float kValuePerDegree = 0.0037037036f;

bool contains(const layout::Area& area, int x, int y) {
    // The buttons' rectangles count their right and bottom edges too.
    return x >= area.left && x <= area.right && y >= area.top && y <= area.bottom;
}

const PushButton pushButtons[] = {
    {layout::highPassButton, layout::kFilter, 1.0f, layout::highPassButton, layout::lowPassButton},
    {layout::lowPassButton, layout::kFilter, 0.0f, layout::highPassButton, layout::lowPassButton},
    {layout::phasePlusButton, layout::kPhase, 0.0f, layout::phasePlusButton, layout::phaseMinusButton},
    {layout::phaseMinusButton, layout::kPhase, 1.0f, layout::phasePlusButton, layout::phaseMinusButton},
};

}  // namespace

Point markerPosition(const layout::KnobCircle& circle, float value) {
    if (!(value <= 1.0f)) value = 1.0f;  // NaN included
    double degrees = 270.0 * value + 135.0;
    while (degrees >= 360.0) degrees -= 360.0;
    const double radians = degrees * kPi / 180.0;
    // std::lround rounds halves away from zero.
    return {circle.centreX + static_cast<int>(std::lround(circle.radius * std::cos(radians))),
            circle.centreY + static_cast<int>(std::lround(circle.radius * std::sin(radians)))};
}

layout::KnobCircle markerCircle(const layout::KnobCircle& knob) {
    layout::KnobCircle reduced = knob;
    reduced.radius -= layout::kMarkerInset;
    return reduced;
}

float pointerToValue(int x, int y, const layout::KnobCircle& knob) {
    const int dx = knob.centreX - x;
    const int dy = knob.centreY - y;
    if (dx == 0 && dy == 0) return 0.0f;
    // The direction from the pointer to the centre, turned so that the
    // lower-left diagonal is 0 degrees and the angle grows clockwise.
    double degrees = std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * 180.0 / kPi + 45.0;
    while (degrees >= 360.0) degrees -= 360.0;
    while (degrees < 0.0) degrees += 360.0;
    // The 90-degree gap below the knob: its right half is the end of the
    // range, its left half the start.
    if (degrees > 270.0) degrees = degrees < 315.0 ? 270.0 : 0.0;
    float value = static_cast<float>(degrees) * kValuePerDegree;
    if (value > 1.0f) value = 1.0f;
    if (value < 0.0f) value = 0.0f;
    return value;
}

const layout::KnobCircle* knobAt(int x, int y) {
    const layout::KnobCircle* hit = nullptr;
    for (const layout::KnobCircle& knob : layout::knobCircles) {
        const int dx = x - knob.centreX;
        const int dy = y - knob.centreY;
        const int distanceSquared = dy * dy + dx * dx;
        if (distanceSquared != 0 && std::sqrt(static_cast<double>(distanceSquared)) < knob.radius) hit = &knob;
    }
    return hit;
}

const layout::KnobCircle* knobFor(int parameter) {
    for (const layout::KnobCircle& knob : layout::knobCircles)
        if (knob.parameter == parameter) return &knob;
    return nullptr;
}

layout::Area knobSquare(const layout::KnobCircle& knob) {
    return {knob.centreX - knob.radius, knob.centreY - knob.radius, knob.centreX + knob.radius,
            knob.centreY + knob.radius};
}

const PushButton* buttonAt(int x, int y) {
    for (const PushButton& button : pushButtons)
        if (contains(button.area, x, y)) return &button;
    return nullptr;
}

layout::Area repaintArea(int parameter) {
    if (parameter == layout::kFilter) return {layout::highPassButton.left, layout::highPassButton.top,
                                              layout::lowPassButton.right, layout::lowPassButton.bottom};
    if (parameter == layout::kPhase) return {layout::phasePlusButton.left, layout::phasePlusButton.top,
                                             layout::phaseMinusButton.right, layout::phaseMinusButton.bottom};
    if (const layout::KnobCircle* knob = knobFor(parameter)) return knobSquare(*knob);
    return {0, 0, 0, 0};
}

bool showsSecondSetting(int parameter, float value) {
    if (parameter == layout::kFilter) return !chorus::isLowPass(value);
    if (parameter == layout::kPhase) return chorus::showsPhaseReversed(value);
    return false;
}

MouseAction KnobDrag::press(int x, int y) {
    dragControl = -1;
    MouseAction action;
    if (const layout::KnobCircle* knob = knobAt(x, y)) {
        dragControl = knob->parameter;
        action.kind = MouseAction::kGrabKnob;
        action.parameter = knob->parameter;
        action.knob = knob;
    } else if (const PushButton* button = buttonAt(x, y)) {
        action.kind = MouseAction::kPressButton;
        action.parameter = button->parameter;
        action.value = button->value;
        action.button = button;
    }
    return action;
}

MouseAction KnobDrag::move(int x, int y) const {
    MouseAction action;
    if (const layout::KnobCircle* knob = knobFor(dragControl)) {
        action.kind = MouseAction::kSetKnob;
        action.parameter = dragControl;
        action.value = pointerToValue(x, y, *knob);
        action.knob = knob;
    } else if (const layout::KnobCircle* hovered = knobAt(x, y)) {
        action.kind = MouseAction::kShowValue;
        action.parameter = hovered->parameter;
        action.knob = hovered;
    } else {
        action.kind = MouseAction::kBlankData;
    }
    return action;
}

}  // namespace controls
