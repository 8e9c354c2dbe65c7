// The DATA display: the hovered or dragged knob's value in green on black,
// blanked once the pointer leaves the knobs, and never a pixel outside its
// box, whatever font the system substitutes for the skin's.
#include <algorithm>
#include <string>

#include "tests/wine/editor/EditorFixture.h"

namespace {

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

constexpr layout::Area kBox = layout::dataBox;

bool insideBox(int x, int y) { return x >= kBox.left && x < kBox.right && y >= kBox.top && y < kBox.bottom; }

bool strongGreen(const Pixels& shot, int x, int y) {
    return shot.green(x, y) > 120 && shot.red(x, y) < 100 && shot.blue(x, y) < 100;
}

// The box's pixels: strong green (the text's strokes), black, the text's
// smoothed edges (dim green), and anything else.
struct DataBox {
    int green = 0;
    int black = 0;
    int dimGreen = 0;
    int other = 0;
    int leftmostGreen = 1000;
    int rightmostGreen = -1;
};

DataBox readDataBox(const Pixels& shot) {
    DataBox box;
    for (int y = kBox.top; y < kBox.bottom; ++y)
        for (int x = kBox.left; x < kBox.right; ++x) {
            if (strongGreen(shot, x, y)) {
                ++box.green;
                box.leftmostGreen = std::min(box.leftmostGreen, x);
                box.rightmostGreen = std::max(box.rightmostGreen, x);
            } else if (shot.at(x, y) == 0) {
                ++box.black;
            } else if (shot.green(x, y) > shot.red(x, y) + 20 && shot.green(x, y) > shot.blue(x, y) + 20) {
                ++box.dimGreen;
            } else {
                ++box.other;
            }
        }
    return box;
}

DataBox readDataBox(HWND editor) { return readDataBox(capture(editor)); }

// The box with a margin around it, to the window's right edge: where text
// that overflowed the box, or its remains after blanking, would show.
struct Surroundings {
    int changedOutside = 0;  // pixels outside the box that differ from the skin
    int greenOutside = 0;
    int greenAnywhere = 0;
};

Surroundings compareSurroundings(const Pixels& skin, const Pixels& shot) {
    Surroundings result;
    for (int y = kBox.top - 8; y < std::min(kBox.bottom + 8, shot.height); ++y)
        for (int x = kBox.left - 12; x < shot.width; ++x) {
            const bool green = strongGreen(shot, x, y);
            result.greenAnywhere += green;
            if (insideBox(x, y)) continue;
            result.greenOutside += green;
            result.changedOutside += shot.at(x, y) != skin.at(x, y);
        }
    return result;
}

std::string valueText(const PluginInstance& plugin, int parameter) {
    return plugin.text(effGetParamDisplay, parameter) + plugin.text(effGetParamLabel, parameter);
}

TEST_F(EditorTest, DataDisplayShowsTheHoveredKnobThenBlanksOnce) {
    openEditor();
    pumpMessages(20);

    SendMessageA(editor, WM_MOUSEMOVE, 0, at(200, 120));  // over Dry
    DataBox box = readDataBox(editor);
    EXPECT_GT(box.green, 10) << "green text in the box";
    EXPECT_GE(box.leftmostGreen, kBox.left);
    EXPECT_GT(box.rightmostGreen - box.leftmostGreen, 20) << "a legible width for \"-6.0dB\"";
    EXPECT_EQ(box.other, 0) << "only green text on black";

    SendMessageA(editor, WM_MOUSEMOVE, 0, at(5, 5));
    box = readDataBox(editor);
    EXPECT_EQ(box.green, 0);
    EXPECT_EQ(box.black, kBox.width() * kBox.height());

    // A blank box is not drawn again: paint over it and move off the knobs again.
    HDC dc = GetDC(editor);
    const RECT inside = {kBox.left, kBox.top, kBox.right, kBox.bottom};
    FillRect(dc, &inside, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(editor, dc);
    SendMessageA(editor, WM_MOUSEMOVE, 0, at(6, 6));
    SendMessageA(editor, WM_MOUSEMOVE, 0, at(7, 150));
    box = readDataBox(editor);
    EXPECT_EQ(box.black, 0) << "the blank box was redrawn";

    // Dragging Cutoff straight up shows its middle value while moving.
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(194, 40));
    box = readDataBox(editor);
    EXPECT_EQ(box.other, 0);
    EXPECT_GT(box.green, 10);
    EXPECT_EQ(valueText(plugin(), layout::kCutoff), "8040Hz");
    SendMessageA(editor, WM_LBUTTONUP, 0, at(194, 40));
    // The value stays until the pointer moves off the knobs.
    EXPECT_EQ(readDataBox(editor).green, box.green);
    SendMessageA(editor, WM_MOUSEMOVE, 0, at(150, 150));
    EXPECT_EQ(readDataBox(editor).green, 0);
}

TEST_F(EditorTest, LongValueTextsStayInTheDataBoxAndBlankWithoutATrace) {
    struct Case {
        int parameter;
        float value;
        const char* text;
    };
    // The widest texts the knobs show.
    const Case cases[] = {
        {layout::kCutoff, 0.66f, "10587Hz"},
        {layout::kDry, 0.035f, "-29.1dB"},
        {layout::kWet, 0.035f, "-29.1dB"},
    };
    openEditor();
    for (const Case& c : cases) {
        const layout::KnobCircle* knob =
            std::find_if(std::begin(layout::knobCircles), std::end(layout::knobCircles),
                         [&](const layout::KnobCircle& k) { return k.parameter == c.parameter; });
        ASSERT_NE(knob, std::end(layout::knobCircles));
        plugin().setParameter(c.parameter, c.value);
        ASSERT_EQ(valueText(plugin(), c.parameter), c.text);
        const Pixels skin = repaintAndCapture();

        // Beside the centre, which has no direction and so is not on the knob.
        SendMessageA(editor, WM_MOUSEMOVE, 0, at(knob->centreX + 4, knob->centreY + 4));
        const Pixels shown = capture(editor);
        EXPECT_GT(readDataBox(shown).green, 10) << c.text << " is shown";
        const Surroundings whileShown = compareSurroundings(skin, shown);
        EXPECT_EQ(whileShown.greenOutside, 0) << c.text << " runs out of the box";
        EXPECT_EQ(whileShown.changedOutside, 0) << c.text << " draws outside the box";

        SendMessageA(editor, WM_MOUSEMOVE, 0, at(5, 5));
        const Surroundings blanked = compareSurroundings(skin, capture(editor));
        EXPECT_EQ(blanked.greenAnywhere, 0) << c.text << " leaves green behind";
        EXPECT_EQ(blanked.changedOutside, 0) << c.text << " leaves a trace beside the box";
    }
}

}  // namespace
