// The editor's geometry without a window: marker positions, the pointer
// mapping, hit tests, repaint areas and the two-way switch threshold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "chorus/ParameterTable.h"
#include "chorus/ParameterText.h"
#include "editor/EditorControls.h"

namespace {

using controls::knobAt;
using controls::markerPosition;
using controls::pointerToValue;
using layout::KnobCircle;

const KnobCircle kRateKnob = {layout::kRate, 53, 48, 15};
const KnobCircle kMarkerRing = {layout::kRate, 0, 0, 9};

TEST(MarkerPosition, FollowsTheValueClockwiseFromTheLowerLeft) {
    struct Case {
        float value;
        int x;
        int y;
    };
    const Case cases[] = {
        {0.0f, -6, 6},  {0.1f, -9, 3}, {0.25f, -8, -3}, {0.5f, 0, -9}, {0.75f, 8, -3},
        {0.9f, 9, 3},   {1.0f, 6, 6},  {1.5f, 6, 6},    {-0.1f, -3, 9},
    };
    for (const Case& c : cases) {
        const controls::Point p = markerPosition(kMarkerRing, c.value);
        EXPECT_EQ(p.x, c.x) << "value " << c.value;
        EXPECT_EQ(p.y, c.y) << "value " << c.value;
    }
}

TEST(MarkerPosition, NotANumberShowsAsFull) {
    const controls::Point p = markerPosition(kMarkerRing, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(p.x, 6);
    EXPECT_EQ(p.y, 6);
}

TEST(MarkerPosition, RunsOnTheKnobInsetBySixPixels) {
    const KnobCircle ring = controls::markerCircle(kRateKnob);
    EXPECT_EQ(ring.radius, 9);
    // The marker image is 8 x 8 and copied with its centre on the point.
    const controls::Point low = markerPosition(ring, 0.0f);
    EXPECT_EQ(low.x - 4, 43);
    EXPECT_EQ(low.y - 4, 50);
    const controls::Point middle = markerPosition(ring, 0.5f);
    EXPECT_EQ(middle.x - 4, 49);
    EXPECT_EQ(middle.y - 4, 35);
}

TEST(PointerToValue, MapsTheDirectionFromTheCentre) {
    struct Case {
        int dx;
        int dy;
        float value;
    };
    const Case cases[] = {
        {-10, 10, 0.0f},         {-10, 0, 0.16666666f}, {-10, -10, 0.33333331f}, {0, -10, 0.5f},
        {10, -10, 0.66666663f},  {10, 0, 0.83333331f},  {10, 10, 1.0f},          {1, 10, 1.0f},
        {0, 10, 0.0f},           {-1, 10, 0.0f},        {0, 0, 0.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pointerToValue(53 + c.dx, 48 + c.dy, kRateKnob), c.value) << c.dx << ", " << c.dy;
}

TEST(PointerToValue, IgnoresTheDistanceAndInvertsTheMarker) {
    // Far outside the knob, and even outside the window, only the direction counts.
    EXPECT_EQ(pointerToValue(53 - 300, 48, kRateKnob), pointerToValue(53 - 1, 48, kRateKnob));
    EXPECT_EQ(pointerToValue(53, 48 - 1000, kRateKnob), 0.5f);
    for (int step = 0; step <= 20; ++step) {
        const float value = step / 20.0f;
        const double angle = (270.0 * value + 135.0) * 3.14159265358979323846 / 180.0;
        const int x = 53 + static_cast<int>(std::lround(1000 * std::cos(angle)));
        const int y = 48 + static_cast<int>(std::lround(1000 * std::sin(angle)));
        EXPECT_NEAR(pointerToValue(x, y, kRateKnob), value, 0.001f) << "value " << value;
    }
}

TEST(KnobHitTest, FindsEachKnobInsideItsRadiusButNotOnItsCentre) {
    for (const KnobCircle& knob : layout::knobCircles) {
        EXPECT_EQ(knobAt(knob.centreX, knob.centreY), nullptr) << "centre of " << knob.parameter;
        ASSERT_NE(knobAt(knob.centreX - 1, knob.centreY), nullptr);
        EXPECT_EQ(knobAt(knob.centreX - 1, knob.centreY)->parameter, knob.parameter);
        EXPECT_EQ(knobAt(knob.centreX + 14, knob.centreY), &knob);
        EXPECT_EQ(knobAt(knob.centreX, knob.centreY - 14), &knob);
        EXPECT_EQ(knobAt(knob.centreX + 15, knob.centreY), nullptr);
        EXPECT_EQ(knobAt(knob.centreX + 11, knob.centreY + 11), nullptr);  // sqrt(242) > 15
        EXPECT_EQ(knobAt(knob.centreX + 10, knob.centreY + 10), &knob);
    }
    EXPECT_EQ(knobAt(-5, -5), nullptr);
}

TEST(KnobHitTest, LayoutHasTheSixKnobsAndNoPredelay) {
    const int expected[][3] = {{layout::kRate, 53, 48},    {layout::kDepth, 123, 48}, {layout::kCutoff, 194, 48},
                               {layout::kVoices, 53, 117}, {layout::kWet, 123, 117},  {layout::kDry, 194, 117}};
    for (const auto& e : expected) {
        const KnobCircle* knob = controls::knobFor(e[0]);
        ASSERT_NE(knob, nullptr);
        EXPECT_EQ(knob->centreX, e[1]);
        EXPECT_EQ(knob->centreY, e[2]);
        EXPECT_EQ(knob->radius, 15);
    }
    EXPECT_EQ(controls::knobFor(layout::kPredelay), nullptr);
    EXPECT_EQ(controls::knobFor(layout::kFilter), nullptr);
}

TEST(ButtonHitTest, RectanglesIncludeAllFourEdges) {
    struct Case {
        int x;
        int y;
        int parameter;
        float value;
    };
    const Case hits[] = {
        {7, 176, 0, 1.0f},   {43, 194, 0, 1.0f},   {47, 176, 0, 0.0f},   {83, 194, 0, 0.0f},
        {106, 180, 5, 0.0f}, {142, 194, 5, 0.0f},  {146, 176, 5, 1.0f},  {182, 194, 5, 1.0f},
    };
    for (const Case& c : hits) {
        const controls::PushButton* button = controls::buttonAt(c.x, c.y);
        ASSERT_NE(button, nullptr) << c.x << ", " << c.y;
        EXPECT_EQ(button->parameter, c.parameter);
        EXPECT_EQ(button->value, c.value);
    }
    const int misses[][2] = {{44, 185}, {43, 195}, {190, 185}, {6, 176}, {100, 185}, {45, 175}};
    for (const auto& m : misses) EXPECT_EQ(controls::buttonAt(m[0], m[1]), nullptr) << m[0] << ", " << m[1];
}

TEST(RepaintArea, CoversExactlyTheControlOfEachParameter) {
    const layout::Area expected[] = {
        {7, 176, 83, 194},    {179, 33, 209, 63},  {38, 33, 68, 63},    {108, 33, 138, 63}, {0, 0, 0, 0},
        {106, 176, 182, 194}, {179, 102, 209, 132}, {108, 102, 138, 132}, {38, 102, 68, 132},
    };
    for (int index = 0; index < 9; ++index) {
        const layout::Area area = controls::repaintArea(index);
        if (expected[index].empty()) {
            EXPECT_TRUE(area.empty()) << "index " << index;
        } else {
            EXPECT_EQ(area, expected[index]) << "index " << index;
        }
    }
    EXPECT_TRUE(controls::repaintArea(9).empty());
    EXPECT_TRUE(controls::repaintArea(-1).empty());
}

// The lit button of a pair names what the parameter's value text names, for
// any value a host may send; for Filter that is also the filter the
// processing runs.  A Filter value of -0.6 used to light Low pass while the
// text and the processing said high pass.
TEST(TwoWaySwitch, LightsTheSettingThatTheValueTextNames) {
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {-inf,  -2.0f,  -1.0f, -0.6f,  -0.5026f, -0.5025f, -0.5f, -0.0f,
                            0.0f,  0.25f,  0.5f,  0.5025f, 1.0f / 1.99f, std::nextafter(1.0f / 1.99f, 1.0f),
                            0.51f, 1.0f,   1.005f, 1.006f, 2.0f,     inf,      std::numeric_limits<float>::quiet_NaN()};
    for (float value : values) {
        char text[64];
        chorus::formatFilterText(value, text);
        EXPECT_EQ(controls::showsSecondSetting(chorus::kFilter, value), std::strcmp(text, "High pass") == 0)
            << "Filter " << value << " reads " << text;
        EXPECT_EQ(controls::showsSecondSetting(chorus::kFilter, value), !chorus::isLowPass(value)) << value;
        chorus::formatPhaseText(value, text);
        EXPECT_EQ(controls::showsSecondSetting(chorus::kPhase, value), std::strcmp(text, "Reverse") == 0)
            << "Phase " << value << " reads " << text;
    }
    EXPECT_FALSE(controls::showsSecondSetting(chorus::kCutoff, 1.0f));
}

}  // namespace
