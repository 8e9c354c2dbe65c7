// What the editor window shows: its place in the host's window, the button
// faces and knob markers for the effect's values, the clip indicator, and
// which areas a parameter or program change repaints.
#include <thread>
#include <vector>

#include "tests/wine/editor/EditorFixture.h"

namespace {

struct KnobSpot {
    int parameter, x, y;
};
const KnobSpot kKnobs[] = {{2, 53, 48}, {3, 123, 48}, {1, 194, 48}, {8, 53, 117}, {7, 123, 117}, {6, 194, 117}};

// Marker offsets from the knob centre on the 9-pixel ring.
struct MarkerSpot {
    float value;
    int dx, dy;
};
const MarkerSpot kMarkerSpots[] = {{0.0f, -6, 6}, {0.25f, -8, -3}, {0.5f, 0, -9}, {0.75f, 8, -3}, {1.0f, 6, 6}};

bool hasUpdateArea(HWND window, RECT* box) { return GetUpdateRect(window, box, FALSE) != 0; }

TEST_F(EditorTest, OpensAsAChildAtTheOriginOfTheHostsWindow) {
    ERect* rect = nullptr;
    EXPECT_EQ(plugin().dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 200);
    EXPECT_EQ(rect->right, 300);

    openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(GetParent(editor), parent.handle());
    char title[64] = "";
    GetWindowTextA(editor, title, sizeof title);
    EXPECT_STREQ(title, "Velorin 2 VST");
    EXPECT_TRUE(IsWindowVisible(editor));
    RECT client;
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    POINT origin = {0, 0};
    MapWindowPoints(editor, parent.handle(), &origin, 1);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_NE(GetWindowLongPtrA(editor, GWLP_USERDATA), 0);
    EXPECT_TRUE(editorClassRegistered());
    // getRect answers the same with the window open.
    EXPECT_EQ(plugin().dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 300);
}

TEST_F(EditorTest, ButtonFacesFollowFilterAndPhase) {
    openEditor();
    Pixels shot = repaintAndCapture();
    // Whatever the values, exactly one button of each pair is lit.
    EXPECT_NE(litOrange(shot, 11, 185), litOrange(shot, 51, 185));
    EXPECT_NE(darkOrange(shot, 11, 185), darkOrange(shot, 51, 185));
    EXPECT_NE(litOrange(shot, 110, 185), litOrange(shot, 150, 185));

    struct Case {
        float filter, phase;
        bool highPassLit, minusLit;
    };
    const Case cases[] = {
        {1.0f, 0.0f, true, false}, {0.0f, 1.0f, false, true}, {0.5f, 0.0f, false, false}, {0.51f, 0.51f, true, true},
    };
    for (const Case& c : cases) {
        plugin().setParameter(0, c.filter);
        plugin().setParameter(5, c.phase);
        shot = repaintAndCapture();
        EXPECT_EQ(litOrange(shot, 11, 185), c.highPassLit) << "filter " << c.filter;
        EXPECT_EQ(darkOrange(shot, 51, 185), c.highPassLit) << "filter " << c.filter;
        EXPECT_EQ(darkOrange(shot, 11, 185), !c.highPassLit) << "filter " << c.filter;
        EXPECT_EQ(litOrange(shot, 51, 185), !c.highPassLit) << "filter " << c.filter;
        EXPECT_EQ(litOrange(shot, 150, 185), c.minusLit) << "phase " << c.phase;
        EXPECT_EQ(darkOrange(shot, 110, 185), c.minusLit) << "phase " << c.phase;
        EXPECT_EQ(litOrange(shot, 110, 185), !c.minusLit) << "phase " << c.phase;
        EXPECT_EQ(darkOrange(shot, 150, 185), !c.minusLit) << "phase " << c.phase;
    }
}

TEST_F(EditorTest, EachKnobMarkerSitsAtItsValue) {
    openEditor();
    for (const MarkerSpot& spot : kMarkerSpots) {
        for (const KnobSpot& knob : kKnobs) plugin().setParameter(knob.parameter, spot.value);
        const Pixels shot = repaintAndCapture();
        for (const KnobSpot& knob : kKnobs) {
            EXPECT_TRUE(markerDot(shot, knob.x + spot.dx, knob.y + spot.dy))
                << "knob " << knob.parameter << " at " << spot.value;
            for (const MarkerSpot& other : kMarkerSpots) {
                if (other.value == spot.value) continue;
                EXPECT_FALSE(markerDot(shot, knob.x + other.dx, knob.y + other.dy))
                    << "knob " << knob.parameter << " at " << spot.value << " also shows " << other.value;
            }
        }
    }
}

TEST_F(EditorTest, ClipIndicatorLightsAfterAClippingBlockForOneTick) {
    openEditor();
    // The skin shows the indicator lit; the first tick darkens it.
    EXPECT_TRUE(waitForClipIndicator(editor, false)) << "dark without clipping";

    // A loud block: every output sample far above full scale.
    std::vector<float> left(256, 8.0f), right(256, 8.0f), outLeft(256), outRight(256);
    float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    plugin().processReplacing(inputs, outputs, 256);
    EXPECT_TRUE(waitForClipIndicator(editor, true)) << "lit at the next tick";
    EXPECT_TRUE(waitForClipIndicator(editor, false)) << "dark again once the report was shown";
    // Without a new clip it stays dark.
    pumpMessages(300);
    EXPECT_LT(capture(editor).red(254, 20), 120);
}

TEST_F(EditorTest, TimerOfAnotherIdentifierDrawsNothing) {
    openEditor();
    pumpMessages(200);
    const Pixels before = capture(editor);
    EXPECT_EQ(SendMessageA(editor, WM_TIMER, 7, 0), 0);
    EXPECT_EQ(capture(editor).data, before.data);
}

TEST_F(EditorTest, HostParameterChangeRepaintsOnlyThatControl) {
    openEditor();
    struct Case {
        int index;
        RECT area;
    };
    const Case cases[] = {
        {0, {7, 176, 83, 194}},     {1, {179, 33, 209, 63}},    {2, {38, 33, 68, 63}},
        {3, {108, 33, 138, 63}},    {5, {106, 176, 182, 194}},  {6, {179, 102, 209, 132}},
        {7, {108, 102, 138, 132}},  {8, {38, 102, 68, 132}},
    };
    for (const Case& c : cases) {
        pumpMessages(0);
        ValidateRect(editor, nullptr);
        plugin().setParameter(c.index, 0.7f);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        ASSERT_EQ(GetUpdateRgn(editor, region, FALSE), SIMPLEREGION) << "index " << c.index;
        RECT box;
        GetRgnBox(region, &box);
        DeleteObject(region);
        EXPECT_TRUE(EqualRect(&box, &c.area)) << "index " << c.index << ": " << box.left << "," << box.top << ","
                                              << box.right << "," << box.bottom;
    }
    for (int index : {4, 9}) {
        ValidateRect(editor, nullptr);
        plugin().setParameter(index, 0.7f);
        RECT box;
        EXPECT_FALSE(hasUpdateArea(editor, &box)) << "index " << index;
    }
    // The repaint moves the marker: Rate at 0.5 shows its dot straight up.
    plugin().setParameter(2, 0.5f);
    pumpMessages(20);
    EXPECT_TRUE(markerDot(capture(editor), 53, 39));

    // Hidden or closed, nothing is repainted and nothing fails.
    ShowWindow(editor, SW_HIDE);
    ValidateRect(editor, nullptr);
    plugin().setParameter(2, 0.3f);
    RECT box;
    EXPECT_FALSE(hasUpdateArea(editor, &box));
    ShowWindow(editor, SW_SHOW);
    closeEditor();
    plugin().setParameter(2, 0.2f);
    EXPECT_EQ(plugin().getParameter(2), 0.2f);
}

// A host that automates on its audio thread: that thread only marks the
// control, and the window asks for its repaint at its next idle call or
// timer tick, on its own thread.
TEST_F(EditorTest, AParameterSetOnAnotherThreadRepaintsAtTheWindowsNextIdleCallOrTick) {
    openEditor();
    pumpMessages(0);
    ValidateRect(editor, nullptr);
    std::thread([this] { plugin().setParameter(2, 0.7f); }).join();
    RECT box;
    EXPECT_FALSE(hasUpdateArea(editor, &box)) << "the window system was asked on the setting thread";
    plugin().dispatch(effEditIdle);
    ASSERT_TRUE(hasUpdateArea(editor, &box));
    const RECT rateSquare = {38, 33, 68, 63};
    EXPECT_TRUE(EqualRect(&box, &rateSquare)) << box.left << "," << box.top << "," << box.right << "," << box.bottom;

    // Without idle calls the clip indicator's tick asks for it.
    std::thread([this] { plugin().setParameter(2, 0.5f); }).join();
    pumpMessages(300);
    EXPECT_TRUE(markerDot(capture(editor), 53, 39));
}

TEST_F(EditorTest, ProgramChangeRepaintsTheWholeWindow) {
    openEditor();
    pumpMessages(0);
    ValidateRect(editor, nullptr);
    plugin().dispatch(effSetProgram, 0, 3);
    RECT box;
    ASSERT_TRUE(hasUpdateArea(editor, &box));
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 300);
    EXPECT_EQ(box.bottom, 200);
}

TEST_F(EditorTest, IdleRepaintsNothingUnasked) {
    openEditor();
    pumpMessages(0);
    ValidateRect(editor, nullptr);
    plugin().dispatch(effEditIdle);
    RECT box;
    EXPECT_FALSE(hasUpdateArea(editor, &box));
}

}  // namespace
