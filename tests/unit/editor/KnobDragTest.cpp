// The knob drag as a state machine: what a press, a move and a release ask
// the window to do.
#include <gtest/gtest.h>

#include "editor/EditorControls.h"

namespace {

using controls::KnobDrag;
using controls::MouseAction;

TEST(KnobDrag, PressOnAKnobGrabsItAndMovesFollowTheDirection) {
    KnobDrag drag;
    const MouseAction grab = drag.press(52, 48);  // one pixel left of the Rate knob's centre
    EXPECT_EQ(grab.kind, MouseAction::kGrabKnob);
    EXPECT_EQ(grab.parameter, layout::kRate);
    EXPECT_TRUE(drag.dragging());
    EXPECT_EQ(drag.control(), layout::kRate);

    const MouseAction jump = drag.move(52, 48);
    EXPECT_EQ(jump.kind, MouseAction::kSetKnob);
    EXPECT_EQ(jump.parameter, layout::kRate);
    EXPECT_EQ(jump.value, 0.16666666f);

    // Leaving the knob, even the window, keeps dragging by direction.
    EXPECT_EQ(drag.move(53, -40).value, 0.5f);
    EXPECT_EQ(drag.move(290, 48).value, 0.83333331f);
    const MouseAction onCentre = drag.move(53, 48);
    EXPECT_EQ(onCentre.kind, MouseAction::kSetKnob);
    EXPECT_EQ(onCentre.value, 0.0f);
    EXPECT_EQ(controls::knobSquare(*onCentre.knob), (layout::Area{38, 33, 68, 63}));
}

TEST(KnobDrag, EndsOnReleaseAndAPressStartsFromIdle) {
    KnobDrag drag;
    drag.press(194, 40);
    EXPECT_EQ(drag.control(), layout::kCutoff);
    drag.end();
    EXPECT_FALSE(drag.dragging());
    EXPECT_EQ(drag.move(194, 40).kind, MouseAction::kShowValue);

    drag.press(123, 110);
    EXPECT_EQ(drag.control(), layout::kWet);
    // A press elsewhere drops any drag still recorded (a lost release).
    EXPECT_EQ(drag.press(150, 150).kind, MouseAction::kNothing);
    EXPECT_FALSE(drag.dragging());
}

TEST(KnobDrag, PressOnTheCentreOrOffTheControlsDoesNothing) {
    KnobDrag drag;
    EXPECT_EQ(drag.press(53, 48).kind, MouseAction::kNothing);
    EXPECT_FALSE(drag.dragging());
    EXPECT_EQ(drag.press(44, 185).kind, MouseAction::kNothing);
    EXPECT_EQ(drag.press(250, 150).kind, MouseAction::kNothing);
}

TEST(KnobDrag, PressOnAButtonSetsItsValueWithoutDragging) {
    KnobDrag drag;
    const MouseAction press = drag.press(10, 180);
    EXPECT_EQ(press.kind, MouseAction::kPressButton);
    EXPECT_EQ(press.parameter, layout::kFilter);
    EXPECT_EQ(press.value, 1.0f);
    EXPECT_EQ(press.button->pairFirst, layout::highPassButton);
    EXPECT_EQ(press.button->pairSecond, layout::lowPassButton);
    EXPECT_FALSE(drag.dragging());
    EXPECT_EQ(drag.press(150, 180).value, 1.0f);
    EXPECT_EQ(drag.press(150, 180).parameter, layout::kPhase);
}

TEST(KnobDrag, HoverShowsTheKnobUnderThePointerOrBlanks) {
    KnobDrag drag;
    const MouseAction over = drag.move(200, 120);
    EXPECT_EQ(over.kind, MouseAction::kShowValue);
    EXPECT_EQ(over.parameter, layout::kDry);
    EXPECT_EQ(drag.move(194, 117).kind, MouseAction::kBlankData);  // the centre pixel is no knob
    EXPECT_EQ(drag.move(5, 5).kind, MouseAction::kBlankData);
}

}  // namespace
