// The Linux VST's editor as a Linux host runs it, on an X display: the
// library loaded through VSTPluginMain, the editor opened with effEditOpen
// in a window the host made, driven by effEditIdle, closed with
// effEditClose.  Its picture is the LV2 UI's, pixel for pixel (both are the
// same editor core on the same X11 backend, and the LV2 UI's is the Win32
// editor's screenshot, which jalv-ui.sh checks); a knob drag reaches the
// effect and the host's automation request; parameters set on another
// thread reach the window; the pointer's events are taken in their order;
// a parent destroyed first does no harm, whatever the process's error
// handler; and forty open/close cycles leave nothing behind.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/ui/ui.h>
#include <malloc.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "chorus/ParameterIndex.h"
#include "editor/EditorControls.h"
#include "editor/EditorLayout.h"
#include "host/AEffEditor.h"
#include "lv2/Lv2Uri.h"
#include "tests/x11/X11TestDisplay.h"
#include "tools/PluginLoader.h"

namespace {

void ignoreWrites(LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {}

class LinuxVstEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.open()) << "no X display";
        ASSERT_TRUE(loader.loaded()) << loader.error();
        RecordingHost::instance() = RecordingHost{};
        plugin = PluginInstance(loader.create());
        ASSERT_NE(plugin.record(), nullptr);
    }
    void TearDown() override {
        if (plugin.record()) {
            plugin.dispatch(effEditClose);
            plugin.close();
        }
        if (parent) x.destroy(parent);
    }

    // Opens the editor in a new parent window; returns the editor's window.
    Window openEditor(int left = 0) {
        parent = x.makeParent(left, 0);
        ERect* rect = nullptr;
        EXPECT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &rect), 1);
        EXPECT_TRUE(rect && rect->right == 300 && rect->bottom == 200);
        EXPECT_EQ(plugin.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
        idle(50);
        return x.editorIn(parent);
    }

    // effEditIdle every 10 ms, as a host's GUI timer sends it.
    void idle(int milliseconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            plugin.dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } while (std::chrono::steady_clock::now() < end);
    }

    std::size_t automations() const {
        std::size_t count = 0;
        for (const HostCall& call : RecordingHost::instance().calls) count += call.opcode == audioMasterAutomate;
        return count;
    }

    X11TestDisplay x;
    PluginLoader loader{builtPluginPath()};
    PluginInstance plugin{nullptr};
    Window parent = 0;
};

TEST_F(LinuxVstEditor, ShowsTheLv2UisPicture) {
    const Window editor = openEditor();
    ASSERT_NE(editor, 0u);
    idle(200);  // the clip indicator's first ticks

    void* library = dlopen(VELORIN_LV2_BUNDLE "/velorin2_ui.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    const auto* ui = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2ui_descriptor"))(0);
    const Window uiParent = x.makeParent(400, 0);
    const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(uiParent)};
    const LV2_Feature* features[] = {&parentFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle handle =
        ui->instantiate(ui, lv2uri::kPlugin, VELORIN_LV2_BUNDLE, ignoreWrites, nullptr, &widget, features);
    ASSERT_NE(handle, nullptr);
    const auto* uiIdle = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
    for (int i = 0; i < 20; ++i) {
        uiIdle->idle(handle);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const Window uiWindow = static_cast<Window>(reinterpret_cast<std::uintptr_t>(widget));
    EXPECT_EQ(x.differingPixels(editor, uiWindow), 0);
    ui->cleanup(handle);
    x.destroy(uiParent);
    dlclose(library);
}

TEST_F(LinuxVstEditor, AKnobDragReachesTheEffectAndTheHost) {
    const Window editor = openEditor();
    const layout::KnobCircle& rate = *controls::knobFor(chorus::kRate);
    x.mouse(editor, ButtonPress, rate.centreX - 1, rate.centreY);
    idle(30);
    x.mouse(editor, MotionNotify, rate.centreX + 10, rate.centreY - 10);
    idle(30);
    x.mouse(editor, ButtonRelease, rate.centreX + 10, rate.centreY - 10);
    idle(30);
    const float dragged = controls::pointerToValue(rate.centreX + 10, rate.centreY - 10, rate);
    EXPECT_EQ(plugin.getParameter(chorus::kRate), dragged);
    ASSERT_GE(automations(), 2u) << "the press and the move";
    const HostCall& last = RecordingHost::instance().calls.back();
    EXPECT_EQ(last.opcode, audioMasterAutomate);
    EXPECT_EQ(last.index, chorus::kRate);
    EXPECT_EQ(last.opt, dragged);
    EXPECT_GT(x.greenPixelsInDataBox(editor), 20) << "the DATA display shows the rate";
}

// Hosts play automation on their audio thread: the window shows it at the
// next idle call on the GUI thread.
TEST_F(LinuxVstEditor, ParametersSetOnAnotherThreadReachTheWindow) {
    const Window editor = openEditor();
    const layout::KnobCircle& wet = *controls::knobFor(chorus::kWet);
    const controls::Point atOne = controls::markerPosition(controls::markerCircle(wet), 1.0f);
    EXPECT_LT(x.pixel(editor, atOne.x, atOne.y) & 0xFF, 200u);
    std::thread automation([this] { plugin.setParameter(chorus::kWet, 1.0f); });
    automation.join();
    idle(30);
    EXPECT_GT(x.pixel(editor, atOne.x, atOne.y) & 0xFF, 200u);
}

// A host that destroys its window and only flushes, while the editor still
// has a repaint or a tick to send: the errors its requests then cause are
// the editor's connection's, never the process's handler's (Xlib's default
// one would end the host).
TEST_F(LinuxVstEditor, AParentDestroyedFirstDoesNoHarm) {
    const ProcessErrorHandler handler;
    const std::size_t files = openFiles();
    for (int i = 0; i < 20; ++i) {
        const Window editor = openEditor();
        ASSERT_NE(editor, 0u);
        plugin.setParameter(chorus::kRate, 0.05f * i);
        x.destroy(parent, true);
        parent = 0;
        idle(250);
        plugin.dispatch(effEditClose);
        EXPECT_FALSE(x.exists(editor));
    }
    EXPECT_EQ(handler.errors(), 0) << "the last: " << handler.lastError();
    EXPECT_EQ(openFiles(), files) << "the editor's display connection left open";
}

// Events queued before one idle call are taken in their order: the moves
// after a release are no longer the drag's.  A move with no button held
// ends a drag whose release went elsewhere.
TEST_F(LinuxVstEditor, ThePointerIsFollowedAsTheUserMovedIt) {
    const Window editor = openEditor();
    const layout::KnobCircle& rate = *controls::knobFor(chorus::kRate);
    x.mouse(editor, ButtonPress, rate.centreX - 1, rate.centreY);
    x.mouse(editor, MotionNotify, rate.centreX + 10, rate.centreY - 10);
    x.mouse(editor, ButtonRelease, rate.centreX + 10, rate.centreY - 10);
    x.mouse(editor, MotionNotify, rate.centreX - 10, rate.centreY + 10);
    x.sync();
    plugin.dispatch(effEditIdle);
    EXPECT_EQ(plugin.getParameter(chorus::kRate), controls::pointerToValue(rate.centreX + 10, rate.centreY - 10, rate));

    x.mouse(editor, ButtonPress, rate.centreX - 1, rate.centreY);
    x.mouse(editor, MotionNotify, rate.centreX, rate.centreY - 10);
    idle(30);
    const std::size_t drag = automations();
    x.moveWithoutButton(editor, rate.centreX + 10, rate.centreY);
    idle(30);
    x.moveWithoutButton(editor, rate.centreX + 10, rate.centreY + 10);
    idle(30);
    EXPECT_EQ(automations(), drag) << "hovering after a lost release";
    EXPECT_EQ(plugin.getParameter(chorus::kRate), 0.5f);
}

TEST_F(LinuxVstEditor, FortyOpenCloseCyclesLeaveNothingBehind) {
    auto cycle = [this] {
        const Window editor = openEditor();
        x.mouse(editor, ButtonPress, 122, 117);
        x.mouse(editor, MotionNotify, 140, 100);
        x.mouse(editor, ButtonRelease, 140, 100);
        idle(140);
        plugin.dispatch(effEditClose);
        EXPECT_EQ(x.childWindows(parent), 0u);
        x.destroy(parent);
        parent = 0;
        RecordingHost::instance().calls.clear();  // the host's own record of the drags
    };
    RecordingHost::instance().calls.reserve(256);
    cycle();
    const std::size_t files = openFiles();
    const std::size_t memory = bytesInUse();
    for (int i = 0; i < 40; ++i) cycle();
    EXPECT_EQ(openFiles(), files) << "a display connection left open";
    const std::size_t grown = bytesInUse() - memory;
    EXPECT_LT(grown, 4096u) << "bytes in use grew by " << grown;
    std::printf("40 cycles: open files %zu before and after, heap bytes in use grew by %zd\n", files,
                static_cast<std::ptrdiff_t>(grown));
}

}  // namespace
