// The LV2 UI in a small host of our own, on an X display: velorin2_ui.so
// loaded from the built bundle through lv2ui_descriptor, given a parent
// window, port events and idle calls as hosts give them.  It checks what
// only a host sees: the ports the UI writes for a drag and a button, the
// DATA text and the clip indicator drawn from port events, the touch
// gestures' ends, two instances side by side, a parent destroyed under the
// UI, an opaque picture in every TrueColor visual, and twenty open/close
// cycles without growth in memory, file descriptors or windows.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/ui/ui.h>
#include <malloc.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "chorus/ParameterIndex.h"
#include "editor/EditorControls.h"
#include "editor/EditorCore.h"
#include "editor/EditorLayout.h"
#include "editor/PixelCanvas.h"
#include "lv2/Lv2Ports.h"
#include "lv2/Lv2UiModel.h"
#include "lv2/Lv2Uri.h"
#include "tests/x11/X11TestDisplay.h"

namespace {

using Writes = std::vector<std::pair<std::uint32_t, float>>;
using Touches = std::vector<std::pair<std::uint32_t, bool>>;

void recordWrite(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (format != 0 || size != sizeof(float)) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    static_cast<Writes*>(controller)->emplace_back(port, value);
}

void recordTouch(LV2UI_Feature_Handle touches, uint32_t port, bool grabbed) {
    static_cast<Touches*>(touches)->emplace_back(port, grabbed);
}

// The host's side: its display connection and the loaded library.
class UiHost : public X11TestDisplay {
public:
    UiHost() {
        library = dlopen(VELORIN_LV2_BUNDLE "/" "velorin2_ui.so", RTLD_NOW | RTLD_LOCAL);
        if (library) {
            auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2ui_descriptor"));
            descriptor = entry ? entry(0) : nullptr;
        }
    }
    ~UiHost() {
        if (library) dlclose(library);
    }
    bool ready() const { return open() && descriptor; }

    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
};

// One UI instance in a parent window of its own.
class Ui {
public:
    // In a parent of the screen's visual, or of `visual`.
    Ui(UiHost& host, int x = 0, int y = 0, Visual* visual = nullptr, int depth = 0)
        : host(host), parent(host.makeParent(x, y, visual, depth)) {
        const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
        const LV2_Feature touchFeature = {LV2_UI__touch, &touch};
        const LV2_Feature* features[] = {&parentFeature, &touchFeature, nullptr};
        handle = host.descriptor->instantiate(host.descriptor, lv2uri::kPlugin, VELORIN_LV2_BUNDLE, recordWrite,
                                              &writes, &widget, features);
        idle = static_cast<const LV2UI_Idle_Interface*>(host.descriptor->extension_data(LV2_UI__idleInterface));
    }
    ~Ui() {
        close();
        destroyParent();
    }
    // As a host that closes its window before the UI; `flushOnly` as one
    // that does not wait for the server.
    void destroyParent(bool flushOnly = false) {
        if (parent) host.destroy(parent, flushOnly);
        parent = 0;
    }
    void close() {
        if (handle) host.descriptor->cleanup(handle);
        handle = nullptr;
    }
    bool open() const { return handle && widget && idle; }
    Window window() const { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(widget)); }

    // Idle calls every 10 ms, as a host's UI timer gives them.
    int run(int milliseconds) {
        int result = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            result = idle->idle(handle);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } while (std::chrono::steady_clock::now() < end);
        return result;
    }

    void portEvent(std::uint32_t port, float value) {
        host.descriptor->port_event(handle, port, sizeof value, 0, &value);
    }

    void mouse(int type, int x, int y) {
        host.mouse(window(), type, x, y);
        run(30);
    }
    std::uint32_t pixel(int x, int y) const { return host.pixel(window(), x, y); }
    int greenPixelsInDataBox() const { return host.greenPixelsInDataBox(window()); }

    UiHost& host;
    Window parent;
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    Writes writes;
    Touches touches;
    LV2UI_Touch touch = {&touches, recordTouch};
};

bool clipLit(const Ui& ui) { return ui.host.clipLit(ui.window()); }

class Lv2UiHost : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.ready()) << "no display, or no " VELORIN_LV2_BUNDLE "/velorin2_ui.so"; }
    UiHost host;
};

TEST_F(Lv2UiHost, ADragAndAButtonWriteThePortsTheEffectRunsThemWith) {
    Ui ui(host);
    ASSERT_TRUE(ui.open());
    ui.run(50);
    // Cutoff: pressed one pixel left of its centre, then dragged up and right.
    const layout::KnobCircle& cutoff = *controls::knobFor(chorus::kCutoff);
    ui.mouse(ButtonPress, cutoff.centreX - 1, cutoff.centreY);
    ui.mouse(MotionNotify, cutoff.centreX + 10, cutoff.centreY - 10);
    ui.mouse(ButtonRelease, cutoff.centreX + 10, cutoff.centreY - 10);
    ASSERT_FALSE(ui.writes.empty());
    const std::uint32_t cutoffPort = lv2port::kFirstControl + chorus::kCutoff;
    EXPECT_EQ(ui.writes.back().first, cutoffPort);
    const float dragged = controls::pointerToValue(cutoff.centreX + 10, cutoff.centreY - 10, cutoff);
    EXPECT_EQ(lv2port::cutoffValue(ui.writes.back().second), dragged) << ui.writes.back().second << " Hz";
    EXPECT_GT(ui.greenPixelsInDataBox(), 20) << "the DATA display shows the value";

    // The low-pass button writes the Filter port's choice.
    ui.mouse(ButtonPress, 60, 185);
    ui.mouse(ButtonRelease, 60, 185);
    EXPECT_EQ(ui.writes.back(), std::make_pair(lv2port::kFirstControl + chorus::kFilter, 0.0f));
    // Moving off the knobs blanks the DATA display.
    ui.mouse(MotionNotify, 280, 100);
    EXPECT_EQ(ui.greenPixelsInDataBox(), 0);
}

TEST_F(Lv2UiHost, PortEventsMoveTheControlsAndLightTheClipIndicator) {
    Ui ui(host);
    ASSERT_TRUE(ui.open());
    ui.run(200);
    const layout::KnobCircle& rate = *controls::knobFor(chorus::kRate);
    const controls::Point atZero = controls::markerPosition(controls::markerCircle(rate), 0.0f);
    const controls::Point atOne = controls::markerPosition(controls::markerCircle(rate), 1.0f);
    ui.portEvent(lv2port::kFirstControl + chorus::kRate, 0.1f);
    ui.run(30);
    EXPECT_GT(ui.pixel(atZero.x, atZero.y) & 0xFF, 200u) << "the marker at 0.1 Hz";
    ui.portEvent(lv2port::kFirstControl + chorus::kRate, 4.0f);
    ui.run(30);
    EXPECT_GT(ui.pixel(atOne.x, atOne.y) & 0xFF, 200u) << "the marker at 4 Hz";
    EXPECT_LT(ui.pixel(atZero.x, atZero.y) & 0xFF, 200u);

    EXPECT_FALSE(clipLit(ui));
    ui.portEvent(lv2port::kClip, 1.0f);
    ui.run(150);
    EXPECT_TRUE(clipLit(ui));
    ui.portEvent(lv2port::kClip, 0.0f);
    ui.run(300);
    EXPECT_FALSE(clipLit(ui));
}

// Twenty times the host destroys the second of two instances' parents and
// only flushes, with a repaint and the clip ticks still to come: the UI
// reports its window gone, the errors its requests caused never reach the
// process's handler, its connection closes, and the first carries on.
TEST_F(Lv2UiHost, TwoInstancesAndAParentDestroyedUnderTheUi) {
    const ProcessErrorHandler handler;
    Ui first(host, 0, 0);
    ASSERT_TRUE(first.open());
    const std::size_t files = openFiles();
    for (int i = 0; i < 20; ++i) {
        Ui second(host, 320, 0);
        ASSERT_TRUE(second.open());
        first.run(20);
        second.run(50);
        // The knob bodies and the lit high-pass button of the default program.
        for (const Ui* ui : {&first, &second}) {
            EXPECT_EQ(ui->pixel(123, 117) >> 16, (ui->pixel(123, 117) >> 8) & 0xFF) << "a grey knob";
            EXPECT_GT(ui->pixel(11, 185) >> 16, 200u) << "the high-pass button lit";
        }
        const Window window = second.window();
        second.portEvent(lv2port::kFirstControl + chorus::kRate, 0.1f + 0.1f * i);
        second.destroyParent(true);
        EXPECT_EQ(second.run(250), 1) << "the UI reports its window gone";
        second.close();
        EXPECT_FALSE(host.exists(window));
    }
    EXPECT_EQ(first.run(30), 0);
    EXPECT_EQ(handler.errors(), 0) << "the last: " << handler.lastError();
    EXPECT_EQ(openFiles(), files) << "a display connection left open";
}

// A drag's touch gesture ends however the drag does: with the parent
// unmapped or destroyed under it (the server ends the pointer grab), or
// with the UI closed during it; and none of these writes a value.
TEST_F(Lv2UiHost, EveryTouchBeginHasItsEnd) {
    const layout::KnobCircle& wet = *controls::knobFor(chorus::kWet);
    const std::uint32_t wetPort = lv2port::kFirstControl + chorus::kWet;
    auto dragUntil = [&](const char* what, auto end) {
        SCOPED_TRACE(what);
        Ui ui(host);
        ASSERT_TRUE(ui.open());
        ui.mouse(ButtonPress, wet.centreX - 1, wet.centreY);
        ui.mouse(MotionNotify, wet.centreX, wet.centreY - 10);
        const std::size_t writes = ui.writes.size();
        end(ui);
        EXPECT_EQ(ui.touches, (Touches{{wetPort, true}, {wetPort, false}}));
        EXPECT_EQ(ui.writes.size(), writes);
    };
    dragUntil("the parent unmapped", [this](Ui& ui) {
        host.unmap(ui.parent);
        ui.run(30);
    });
    dragUntil("the parent destroyed", [](Ui& ui) {
        ui.destroyParent(true);
        ui.run(30);
    });
    dragUntil("the UI closed", [](Ui& ui) { ui.close(); });
}

// The picture every visual must show: the UI's at the default program, drawn
// in memory by the same editor core, in 24-bit colour.
class PictureInMemory final : public editor::EditorWindow {
public:
    PictureInMemory() {
        picture.width = layout::kWidth;
        picture.height = layout::kHeight;
        picture.pixels.assign(static_cast<std::size_t>(layout::kWidth) * layout::kHeight, 0);
        Lv2UiModel model(recordWrite, nullptr, nullptr);
        editor::EditorCore core(model, *this);
        core.opened();
        core.paintBackground(canvas);
        core.paint(canvas);
        core.tick();  // the clip indicator dark
    }
    std::uint32_t at(int x, int y) const { return picture.at(x, y); }

    void invalidate(const layout::Area&, bool) override {}
    void captureMouse() override {}
    void releaseMouse() override {}
    editor::EditorCanvas* beginDrawing() override { return &canvas; }
    void endDrawing(editor::EditorCanvas*) override {}

private:
    editor::SkinPictures skin = editor::loadSkinPictures();
    editor::Picture picture;
    editor::PixelCanvas canvas{skin, picture};
};

// An 8-bit channel at the nearest level of a visual's channel.
unsigned long level(std::uint32_t value8, unsigned long mask) {
    int shift = 0;
    while (!(mask >> shift & 1)) ++shift;
    const unsigned long top = mask >> shift;
    return static_cast<unsigned long>(std::lround(value8 * static_cast<double>(top) / 255.0)) << shift;
}

// The UI in the screen's own visual, whatever its depth (16, 24 and 30 bits
// in the tests' screens), and in a 32-bit ARGB visual, which compositors
// blend by its alpha: the picture read back is opaque and is the 24-bit
// picture at the visual's nearest levels.
TEST_F(Lv2UiHost, ThePictureIsOpaqueAndTheSameInEveryTrueColorVisual) {
    const PictureInMemory expected;
    Display* display = host.connection();
    XVisualInfo screen = {}, argb = {};
    screen.visual = DefaultVisual(display, DefaultScreen(display));
    screen.depth = DefaultDepth(display, DefaultScreen(display));
    ASSERT_TRUE(XMatchVisualInfo(display, DefaultScreen(display), 32, TrueColor, &argb)) << "no ARGB visual";
    for (const XVisualInfo* v : {&screen, &argb}) {
        Ui ui(host, 0, 0, v == &argb ? argb.visual : nullptr, v->depth);
        ASSERT_TRUE(ui.open());
        ui.run(200);
        XImage* image = XGetImage(display, ui.window(), 0, 0, layout::kWidth, layout::kHeight, AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        const unsigned long depthBits = v->depth >= 32 ? 0xFFFFFFFFul : (1ul << v->depth) - 1;
        const Visual& visual = *v->visual;
        const unsigned long alpha = depthBits & ~(visual.red_mask | visual.green_mask | visual.blue_mask);
        int translucent = 0, differing = 0;
        for (int y = 0; y < layout::kHeight; ++y)
            for (int x = 0; x < layout::kWidth; ++x) {
                const unsigned long shown = XGetPixel(image, x, y);
                const std::uint32_t rgb = expected.at(x, y);
                translucent += (shown & alpha) != alpha;
                differing += (shown & ~alpha) != (level(rgb >> 16 & 255, visual.red_mask) |
                                                  level(rgb >> 8 & 255, visual.green_mask) |
                                                  level(rgb & 255, visual.blue_mask));
            }
        XDestroyImage(image);
        EXPECT_EQ(translucent, 0) << "depth " << v->depth;
        EXPECT_EQ(differing, 0) << "depth " << v->depth;
        std::printf("depth %d, red %lx green %lx blue %lx alpha %lx: %d pixels not opaque, %d not the picture\n",
                    v->depth, visual.red_mask, visual.green_mask, visual.blue_mask, alpha, translucent,
                    differing);
    }
}

// Each cycle opens two UIs at once, as a host showing two instances does.
TEST_F(Lv2UiHost, TwentyOpenCloseCyclesLeaveNothingBehind) {
    auto cycle = [this] {
        Ui first(host, 0, 0), second(host, 320, 0);
        ASSERT_TRUE(first.open() && second.open());
        for (Ui* ui : {&first, &second}) {
            ui->run(20);
            for (int i = 0; i < 2; ++i) {
                ui->mouse(ButtonPress, 122, 117);
                ui->mouse(MotionNotify, 140, 100 + i);
                ui->mouse(ButtonRelease, 140, 100 + i);
            }
            ui->portEvent(lv2port::kClip, 1.0f);
            ui->run(140);
        }
        for (Ui* ui : {&first, &second}) {
            ui->close();
            EXPECT_EQ(host.childWindows(ui->parent), 0u);
            ui->destroyParent();
        }
    };
    cycle();  // the first brings in what a process keeps once (the locale, Xlib's tables)
    const std::size_t files = openFiles();
    const std::size_t memory = bytesInUse();
    for (int i = 0; i < 20; ++i) cycle();
    EXPECT_EQ(openFiles(), files) << "a display connection left open";
    // Every block comes back (valgrind finds none lost or left, and the count
    // of blocks in use stays put); buffers that Xlib keeps for the process
    // may still be reallocated a little larger now and then.
    const std::size_t grown = bytesInUse() - memory;
    EXPECT_LT(grown, 4096u) << "bytes in use grew by " << grown;
    std::printf("20 cycles of two UIs: open files %zu before and after, heap bytes in use grew by %zd\n", files,
                static_cast<std::ptrdiff_t>(grown));
}

}  // namespace
