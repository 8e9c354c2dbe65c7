// The editor operated with the mouse: knob drags by angle with automation at
// every move (through messages and through the real pointer), buttons that
// set values silently, presses that do nothing, and drags on a UI thread
// with its own floating-point settings.
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/FloatingPointControl.h"
#include "tests/wine/editor/EditorFixture.h"

namespace {

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

std::vector<HostCall> automationCalls() {
    std::vector<HostCall> calls;
    for (const HostCall& call : RecordingHost::instance().calls)
        if (call.opcode == audioMasterAutomate) calls.push_back(call);
    return calls;
}

RECT updateBox(HWND window) {
    RECT box = {0, 0, 0, 0};
    GetUpdateRect(window, &box, FALSE);
    return box;
}

struct Move {
    int x, y;
    float value;
};

// From a press one pixel left of the Rate knob's centre: the direction of
// the pointer from the centre, whatever its distance, even off the window.
const Move kRateDrag[] = {
    {53, 20, 0.5f}, {81, 48, 0.83333331f}, {81, 76, 1.0f}, {53, 48, 0.0f}, {-20, 48, 0.16666666f}, {25, 20, 0.33333331f},
};

TEST_F(EditorTest, KnobDragSetsTheAngleAndAutomatesEveryMove) {
    openEditor();
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(52, 48));
    EXPECT_EQ(GetCapture(), editor);
    std::vector<HostCall> calls = automationCalls();
    ASSERT_EQ(calls.size(), 1u) << "the press jumps the knob to the pointer";
    EXPECT_EQ(calls[0].index, 2);
    EXPECT_EQ(calls[0].opt, 0.16666666f);
    EXPECT_EQ(calls[0].effect, record);

    for (const Move& move : kRateDrag) {
        pumpMessages(0);
        ValidateRect(editor, nullptr);
        SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, at(move.x, move.y));
        calls = automationCalls();
        EXPECT_EQ(calls.back().index, 2);
        EXPECT_EQ(calls.back().opt, move.value) << move.x << ", " << move.y;
        const RECT box = updateBox(editor);
        EXPECT_EQ(box.left, 38);
        EXPECT_EQ(box.top, 33);
        EXPECT_EQ(box.right, 68);
        EXPECT_EQ(box.bottom, 63);
        EXPECT_EQ(plugin().getParameter(2), move.value);
    }
    EXPECT_EQ(automationCalls().size(), 1u + std::size(kRateDrag));

    SendMessageA(editor, WM_LBUTTONUP, 0, at(25, 20));
    EXPECT_NE(GetCapture(), editor);
    SendMessageA(editor, WM_MOUSEMOVE, 0, at(53, 20));
    EXPECT_EQ(automationCalls().size(), 1u + std::size(kRateDrag)) << "no drag after the release";
}

// Pumps messages until the condition holds, at most a second: real input
// reaches the window through the display server, later on a busy machine.
template <typename Condition>
bool pumpUntil(Condition condition) {
    for (int waited = 0; waited < 1000; waited += 10) {
        if (condition()) return true;
        pumpMessages(10);
    }
    return condition();
}

TEST_F(EditorTest, KnobDragFollowsTheRealPointer) {
    openEditor();
    pumpMessages(50);
    auto placePointer = [this](int x, int y) {
        POINT p = {x, y};
        ClientToScreen(editor, &p);
        SetCursorPos(p.x, p.y);
    };
    auto press = [] {
        mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        pumpMessages(40);
    };
    auto release = [this] {
        mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        EXPECT_TRUE(pumpUntil([this] { return GetCapture() != editor; }));
    };

    placePointer(194, 25);  // above the Cutoff knob, outside it
    pumpMessages(40);
    press();
    EXPECT_TRUE(automationCalls().empty()) << "a press off the knobs does nothing";
    EXPECT_NE(GetCapture(), editor);
    release();

    placePointer(184, 48);  // ten pixels left of the Cutoff knob's centre
    pumpMessages(40);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    EXPECT_TRUE(pumpUntil([this] { return GetCapture() == editor && automationCount() == 1; }));
    const POINT path[] = {{194, 20}, {230, 48}, {260, 114}};  // up, right, lower right outside the knob
    for (const POINT& point : path) {
        const size_t before = automationCount();
        placePointer(point.x, point.y);
        EXPECT_TRUE(pumpUntil([&] { return automationCount() > before; })) << point.x << ", " << point.y;
    }
    release();

    // Each pointer move was an automation of Cutoff with the value of its
    // direction; the system may repeat a move, never skip one.
    std::vector<float> values;
    for (const HostCall& call : automationCalls()) {
        EXPECT_EQ(call.index, 1);
        if (values.empty() || values.back() != call.opt) values.push_back(call.opt);
    }
    const std::vector<float> expected = {0.16666666f, 0.5f, 0.83333331f, 1.0f};
    EXPECT_EQ(values, expected);
    EXPECT_EQ(plugin().getParameter(1), 1.0f);
    const size_t count = automationCount();
    placePointer(150, 150);
    pumpMessages(60);
    EXPECT_EQ(automationCount(), count) << "the drag ended with the release";
}

TEST_F(EditorTest, LosingTheCaptureEndsTheDrag) {
    openEditor();
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(122, 117));
    ASSERT_EQ(automationCalls().size(), 1u);
    SetCapture(parent.handle());
    SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, at(123, 90));
    EXPECT_EQ(automationCalls().size(), 1u);
    ReleaseCapture();
}

TEST_F(EditorTest, ButtonsSetValuesWithoutAutomation) {
    openEditor();
    struct Press {
        int x, y, parameter;
        float value;
        RECT pair;
    };
    const Press presses[] = {
        {10, 180, 0, 1.0f, {7, 176, 83, 194}},   {83, 194, 0, 0.0f, {7, 176, 83, 194}},
        {7, 176, 0, 1.0f, {7, 176, 83, 194}},    {146, 194, 5, 1.0f, {106, 176, 182, 194}},
        {142, 176, 5, 0.0f, {106, 176, 182, 194}}, {182, 185, 5, 1.0f, {106, 176, 182, 194}},
    };
    for (const Press& press : presses) {
        pumpMessages(0);
        ValidateRect(editor, nullptr);
        SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(press.x, press.y));
        SendMessageA(editor, WM_LBUTTONUP, 0, at(press.x, press.y));
        const RECT box = updateBox(editor);
        EXPECT_TRUE(EqualRect(&box, &press.pair)) << press.x << ", " << press.y;
        EXPECT_NE(GetCapture(), editor);
        EXPECT_EQ(plugin().getParameter(press.parameter), press.value) << press.x << ", " << press.y;
    }
    EXPECT_TRUE(automationCalls().empty());
    // The repaint shows the pressed buttons lit: high pass, reversed phase.
    const Pixels shot = repaintAndCapture();
    EXPECT_TRUE(litOrange(shot, 11, 185));
    EXPECT_TRUE(litOrange(shot, 150, 185));
}

TEST_F(EditorTest, PressesBesideTheControlsDoNothing) {
    openEditor();
    const float filter = plugin().getParameter(0);
    const float phase = plugin().getParameter(5);
    const float rate = plugin().getParameter(2);
    for (const POINT p : {POINT{44, 185}, POINT{43, 195}, POINT{190, 185}, POINT{53, 48}, POINT{250, 120}}) {
        pumpMessages(0);
        ValidateRect(editor, nullptr);
        SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(p.x, p.y));
        RECT box;
        EXPECT_FALSE(GetUpdateRect(editor, &box, FALSE)) << p.x << ", " << p.y;
        EXPECT_NE(GetCapture(), editor) << p.x << ", " << p.y;
        SendMessageA(editor, WM_LBUTTONUP, 0, at(p.x, p.y));
    }
    EXPECT_TRUE(automationCalls().empty());
    EXPECT_EQ(plugin().getParameter(0), filter);
    EXPECT_EQ(plugin().getParameter(5), phase);
    EXPECT_EQ(plugin().getParameter(2), rate);
}

// A block of noise through an effect, as a host renders it.
std::vector<float> render(const PluginInstance& effect) {
    constexpr int kFrames = 4096;
    std::vector<float> in(2 * kFrames), out(2 * kFrames);
    for (int i = 0; i < 2 * kFrames; ++i) in[i] = static_cast<float>((i * 7919) % 1000 - 500) / 1000.0f;
    float* inputs[2] = {in.data(), in.data() + kFrames};
    float* outputs[2] = {out.data(), out.data() + kFrames};
    effect.processReplacing(inputs, outputs, kFrames);
    return out;
}

// A host's UI thread may round upward, in 24-bit x87 precision, with
// denormals flushed: dragging Cutoff and Rate and pressing a button there
// derives what a host's own setParameter derives, and the thread's
// settings are its own again after every message.
TEST_F(EditorTest, ControlsOnAUiThreadWithOddArithmeticSoundAsAHostsOwnValues) {
    openEditor();
    const std::uint32_t oddMxcsr = fpu::kMxcsrAllExceptionsMasked | 0x4000 | fpu::kMxcsrFlushToZero |
                                   fpu::kMxcsrDenormalsAreZero;
    const std::uint16_t oddControlWord = 0x087F;
    const std::uint32_t savedMxcsr = fpu::mxcsr();
    const std::uint16_t savedControlWord = fpu::controlWord();
    const struct {
        UINT message;
        int x, y;
    } input[] = {
        {WM_LBUTTONDOWN, 185, 47}, {WM_MOUSEMOVE, 203, 41}, {WM_LBUTTONUP, 203, 41},  // Cutoff
        {WM_LBUTTONDOWN, 44, 43},  {WM_MOUSEMOVE, 61, 31},  {WM_LBUTTONUP, 61, 31},   // Rate
        {WM_LBUTTONDOWN, 60, 185}, {WM_LBUTTONUP, 60, 185},                          // low pass
    };
    int changedSettings = 0;
    for (const auto& event : input) {
        fpu::restoreMxcsr(oddMxcsr);
        fpu::setControlWord(oddControlWord);
        SendMessageA(editor, event.message, event.message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at(event.x, event.y));
        if ((fpu::mxcsr() & 0xFFC0) != oddMxcsr || fpu::controlWord() != oddControlWord) ++changedSettings;
        fpu::restoreMxcsr(savedMxcsr);
        fpu::setControlWord(savedControlWord);
    }
    EXPECT_EQ(changedSettings, 0);
    ASSERT_EQ(plugin().getParameter(0), 0.0f);

    AEffect* reference = createEffect();
    ASSERT_NE(reference, nullptr);
    for (int index : {0, 1, 2}) PluginInstance(reference).setParameter(index, plugin().getParameter(index));
    const std::vector<float> dragged = render(plugin());
    const std::vector<float> set = render(PluginInstance(reference));
    EXPECT_EQ(std::memcmp(dragged.data(), set.data(), dragged.size() * sizeof(float)), 0);
    PluginInstance(reference).close();
}

}  // namespace
