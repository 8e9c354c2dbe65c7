// The editor's controls without a window: where each knob's marker sits,
// which control a pointer position hits, what value a pointer direction
// means, what to repaint for a parameter, and the state of a knob drag.
// The Win32 editor turns the answers into window-system calls.
#pragma once

#include "editor/EditorLayout.h"

namespace controls {

struct Point {
    int x;
    int y;
};

// Where the centre of a knob's marker dot sits on `circle` for a value:
// clockwise through 270 degrees from the lower left (0) over the top (0.5)
// to the lower right (1).  Values above 1 show as 1; below 0 are not raised.
Point markerPosition(const layout::KnobCircle& circle, float value);

// The circle the marker dot runs on for a knob.
layout::KnobCircle markerCircle(const layout::KnobCircle& knob);

// The knob value that the pointer's direction from the knob's centre means,
// the inverse of markerPosition; the gap below the knob snaps to 0 or 1.
float pointerToValue(int x, int y, const layout::KnobCircle& knob);

// The knob under the pointer, or null.  The centre pixel itself is no hit.
const layout::KnobCircle* knobAt(int x, int y);

// The knob that shows a parameter, or null.
const layout::KnobCircle* knobFor(int parameter);

// A knob's bounding square, the area a drag repaints.
layout::Area knobSquare(const layout::KnobCircle& knob);

// A push button: the value it gives its parameter, and the two buttons of
// its pair (itself included), which are repainted together.
struct PushButton {
    layout::Area area;
    int parameter;
    float value;
    layout::Area pairFirst;
    layout::Area pairSecond;
};

// The button under the pointer (rectangles inclusive on all sides), or null.
const PushButton* buttonAt(int x, int y);

// The area to repaint when a parameter changes; empty for one without a
// control.
layout::Area repaintArea(int parameter);

// Whether a button pair (Filter, Phase) lights its second button, high pass
// or reversed phase, for a value.  The effect decides: the lit button always
// names what the parameter's value text names.
bool showsSecondSetting(int parameter, float value);

// What the window should do in answer to a mouse event.
struct MouseAction {
    enum Kind {
        kNothing,
        kGrabKnob,     // capture the mouse and jump the knob to the pointer
        kPressButton,  // set `button`'s value and repaint its pair
        kSetKnob,      // set `parameter` to `value`, tell the host, show it
        kShowValue,    // show `parameter`'s value in the DATA display
        kBlankData     // blank the DATA display
    };
    Kind kind = kNothing;
    int parameter = -1;
    float value = 0.0f;
    const layout::KnobCircle* knob = nullptr;
    const PushButton* button = nullptr;
};

// The knob drag: idle, or dragging one knob from a press until the release
// or the loss of the mouse capture.
class KnobDrag {
public:
    MouseAction press(int x, int y);
    MouseAction move(int x, int y) const;
    void end() { dragControl = -1; }

    bool dragging() const { return dragControl >= 0; }
    int control() const { return dragControl; }

private:
    int dragControl = -1;
};

}  // namespace controls
