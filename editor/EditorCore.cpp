#include "editor/EditorCore.h"

namespace editor {

namespace {

constexpr layout::Area kWholeWindow = {0, 0, layout::kWidth, layout::kHeight};

// The skin shows every button and the indicator lit; the separate faces
// show them dark.
void showLit(EditorCanvas& canvas, const layout::Area& area) { canvas.copyFace(Face::skin, area, area.left, area.top); }
void showDark(EditorCanvas& canvas, Face face, const layout::Area& area) { canvas.copyFace(face, area, 0, 0); }

}  // namespace

void EditorCore::opened() {
    ++session;
    open = true;
    drag.end();
    dataBlank = true;
}

// The events on their way see the new count before the gesture's end is
// told, in case the host reopens the window inside that call.
void EditorCore::closed() {
    ++session;
    open = false;
    drag.end();
    endGesture(session);
}

void EditorCore::paintBackground(EditorCanvas& canvas) const { canvas.copyFace(Face::skin, kWholeWindow, 0, 0); }

void EditorCore::paint(EditorCanvas& canvas) {
    for (const layout::KnobCircle& knob : layout::knobCircles) {
        const controls::Point centre =
            controls::markerPosition(controls::markerCircle(knob), model.value(knob.parameter));
        canvas.drawMarker(centre.x - layout::kMarkerSize / 2, centre.y - layout::kMarkerSize / 2);
    }

    if (controls::showsSecondSetting(layout::kFilter, model.value(layout::kFilter))) {
        showLit(canvas, layout::highPassButton);
        showDark(canvas, Face::lowPassOff, layout::lowPassButton);
    } else {
        showLit(canvas, layout::lowPassButton);
        showDark(canvas, Face::highPassOff, layout::highPassButton);
    }

    if (controls::showsSecondSetting(layout::kPhase, model.value(layout::kPhase))) {
        showLit(canvas, layout::phaseMinusButton);
        showDark(canvas, Face::phasePlusOff, layout::phasePlusButton);
    } else {
        showLit(canvas, layout::phasePlusButton);
        showDark(canvas, Face::phaseMinusOff, layout::phaseMinusButton);
    }
}

// Taking the report reads and clears it in one step, so a clip the audio
// thread reports meanwhile lights the next tick.
void EditorCore::tick() {
    const bool clipped = model.takeClip();
    EditorCanvas* canvas = window.beginDrawing();
    if (!canvas) return;
    if (clipped)
        showLit(*canvas, layout::clipIndicator);
    else
        showDark(*canvas, Face::clipOff, layout::clipIndicator);
    window.endDrawing(canvas);
}

// A button press is a gesture of one value, so that hosts that record
// gestures hear it as they hear a knob's.
bool EditorCore::mouseDown(int x, int y) {
    const unsigned visit = session;
    if (!stillOpen(visit) || !endDrag(visit)) return false;
    const controls::MouseAction action = drag.press(x, y);
    if (action.kind == controls::MouseAction::kGrabKnob) {
        if (!beginGesture(action.parameter, visit)) return false;
        window.captureMouse();
        return stillOpen(visit) && mouseMove(x, y);  // the knob jumps to the pointer's direction at once
    }
    if (action.kind == controls::MouseAction::kPressButton) {
        if (!beginGesture(action.parameter, visit)) return false;
        model.pressValue(action.parameter, action.value);
        if (!stillOpen(visit) || !endGesture(visit)) return false;
        window.invalidate(action.button->pairFirst, false);
        window.invalidate(action.button->pairSecond, false);
    }
    return true;
}

bool EditorCore::mouseMove(int x, int y) {
    const unsigned visit = session;
    if (!stillOpen(visit)) return false;
    const controls::MouseAction action = drag.move(x, y);
    switch (action.kind) {
    case controls::MouseAction::kSetKnob:
        model.gestureValue(action.parameter, action.value);
        if (!stillOpen(visit)) return false;
        showParameterValue(action.parameter);
        window.invalidate(controls::knobSquare(*action.knob), true);
        break;
    case controls::MouseAction::kShowValue:
        showParameterValue(action.parameter);
        break;
    case controls::MouseAction::kBlankData:
        showDataText("");
        break;
    default:
        break;
    }
    return true;
}

// The DATA display keeps its text until the next move.
bool EditorCore::mouseUp() {
    const unsigned visit = session;
    if (!stillOpen(visit) || !endDrag(visit)) return false;
    window.releaseMouse();
    return true;
}

bool EditorCore::captureLost() {
    const unsigned visit = session;
    return stillOpen(visit) && endDrag(visit);
}

// The gesture is open before its begin is told: a host that closes the
// window inside that call hears its end from closed().
bool EditorCore::beginGesture(int parameter, unsigned visit) {
    gesture = parameter;
    model.beginGesture(parameter);
    return stillOpen(visit);
}

// The gesture is over before its end is told, so that a host closing the
// window inside that call does not hear it end twice.
bool EditorCore::endGesture(unsigned visit) {
    if (gesture < 0) return true;
    const int parameter = gesture;
    gesture = -1;
    model.endGesture(parameter);
    return stillOpen(visit);
}

bool EditorCore::endDrag(unsigned visit) {
    if (!drag.dragging()) return true;
    drag.end();
    return endGesture(visit);
}

void EditorCore::parameterChanged(int parameter) {
    const layout::Area area = controls::repaintArea(parameter);
    if (!area.empty()) window.invalidate(area, true);
}

void EditorCore::programChanged() { window.invalidate(kWholeWindow, true); }

void EditorCore::showParameterValue(int parameter) {
    char text[80] = "";
    model.valueText(parameter, text, sizeof text);
    drawDataText(text);
    dataBlank = false;
}

void EditorCore::showDataText(const char* text) {
    if (dataBlank && text[0] == '\0') return;  // blank already
    dataBlank = true;
    drawDataText(text);
}

void EditorCore::drawDataText(const char* text) {
    EditorCanvas* canvas = window.beginDrawing();
    if (!canvas) return;
    canvas->drawDataText(text);
    window.endDrawing(canvas);
}

}  // namespace editor
