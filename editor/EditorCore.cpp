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
    drag.end();
    dataBlank = true;
}

void EditorCore::closed() { endDrag(); }

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

void EditorCore::mouseDown(int x, int y) {
    endDrag();
    const controls::MouseAction action = drag.press(x, y);
    if (action.kind == controls::MouseAction::kGrabKnob) {
        model.beginGesture(action.parameter);
        window.captureMouse();
        mouseMove(x, y);  // the knob jumps to the pointer's direction at once
    } else if (action.kind == controls::MouseAction::kPressButton) {
        model.pressValue(action.parameter, action.value);
        window.invalidate(action.button->pairFirst, false);
        window.invalidate(action.button->pairSecond, false);
    }
}

void EditorCore::mouseMove(int x, int y) {
    const controls::MouseAction action = drag.move(x, y);
    switch (action.kind) {
    case controls::MouseAction::kSetKnob:
        model.gestureValue(action.parameter, action.value);
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
}

// The DATA display keeps its text until the next move.
void EditorCore::mouseUp() {
    endDrag();
    window.releaseMouse();
}

void EditorCore::captureLost() { endDrag(); }

// The drag is over before the gesture's end is told: a host may close the
// window from inside that call, which ends the drag again.
void EditorCore::endDrag() {
    if (!drag.dragging()) return;
    const int control = drag.control();
    drag.end();
    model.endGesture(control);
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
