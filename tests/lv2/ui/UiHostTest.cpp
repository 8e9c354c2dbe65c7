// The LV2 UI in a small host of our own, on an X display: velorin2_ui.so
// loaded from the built bundle through lv2ui_descriptor, given a parent
// window, port events and idle calls as hosts give them.  It checks what
// only a host sees: the ports the UI writes for a drag and a button, the
// DATA text and the clip indicator drawn from port events, two instances
// side by side, a parent destroyed under the UI, and twenty open/close
// cycles without growth in memory, file descriptors or windows.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/ui/ui.h>
#include <malloc.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "chorus/ParameterIndex.h"
#include "editor/EditorControls.h"
#include "editor/EditorLayout.h"
#include "lv2/Lv2Ports.h"
#include "lv2/Lv2Uri.h"
#include "tests/x11/X11TestDisplay.h"

namespace {

using Writes = std::vector<std::pair<std::uint32_t, float>>;

void recordWrite(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (format != 0 || size != sizeof(float)) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    static_cast<Writes*>(controller)->emplace_back(port, value);
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
    Ui(UiHost& host, int x = 0, int y = 0) : host(host), parent(host.makeParent(x, y)) {
        const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
        const LV2_Feature* features[] = {&parentFeature, nullptr};
        handle = host.descriptor->instantiate(host.descriptor, lv2uri::kPlugin, VELORIN_LV2_BUNDLE, recordWrite,
                                              &writes, &widget, features);
        idle = static_cast<const LV2UI_Idle_Interface*>(host.descriptor->extension_data(LV2_UI__idleInterface));
    }
    ~Ui() {
        close();
        destroyParent();
    }
    // As a host that closes its window before the UI.
    void destroyParent() {
        if (parent) host.destroy(parent);
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

TEST_F(Lv2UiHost, TwoInstancesAndAParentDestroyedUnderTheUi) {
    Ui first(host, 0, 0), second(host, 320, 0);
    ASSERT_TRUE(first.open());
    ASSERT_TRUE(second.open());
    first.run(50);
    second.run(50);
    // The knob bodies and the lit high-pass button of the default program.
    for (const Ui* ui : {&first, &second}) {
        EXPECT_EQ(ui->pixel(123, 117) >> 16, (ui->pixel(123, 117) >> 8) & 0xFF) << "a grey knob";
        EXPECT_GT(ui->pixel(11, 185) >> 16, 200u) << "the high-pass button lit";
    }
    second.destroyParent();
    EXPECT_EQ(second.run(50), 1) << "the UI reports its window gone";
    second.close();
    EXPECT_EQ(first.run(30), 0);
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
