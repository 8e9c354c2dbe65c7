// The CLAP plug-in's editor as a Linux host runs it, on an X display: the
// gui embedded in a host's window, driven by the host's timer and its watch
// of the display connection, both given back at destroy, also when the host
// destroyed its window first.  Its picture is the Linux VST's editor's,
// pixel for pixel; a knob drag reaches the host as gesture and value events
// of the next block, or of a flush it asks for when no block runs; a change
// on the audio thread reaches the window.
#include <gtest/gtest.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "chorus/ParameterIndex.h"
#include "editor/EditorControls.h"
#include "host/AEffEditor.h"
#include "tests/support/LinuxVstEditorPicture.h"
#include "tests/x11/X11TestDisplay.h"
#include "tools/ClapHost.h"
#include "tools/PluginLoader.h"

namespace {

using namespace claphost;

class ClapEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.open()) << "no X display";
        ASSERT_TRUE(module.loaded());
        plugin = new Instance(module, host);
        ASSERT_TRUE(plugin->start(44100.0));
    }
    void TearDown() override {
        delete plugin;
        if (parent) x.destroy(parent);
        EXPECT_TRUE(host.timers.empty() && host.descriptors.empty()) << "the host's loop still holds the editor";
        for (const TestHost::Question& question : host.questions) EXPECT_TRUE(question.answer);
    }

    // The gui made and embedded in a new parent window; the editor's window.
    ::Window open() {
        EXPECT_TRUE(plugin->gui->isApiSupported(plugin->plugin, "x11", false));
        EXPECT_FALSE(plugin->gui->isApiSupported(plugin->plugin, "x11", true));
        EXPECT_FALSE(plugin->gui->isApiSupported(plugin->plugin, "win32", false));
        EXPECT_TRUE(plugin->gui->create(plugin->plugin, "x11", false));
        std::uint32_t width = 0, height = 0;
        EXPECT_TRUE(plugin->gui->getSize(plugin->plugin, &width, &height));
        EXPECT_TRUE(width == 300 && height == 200);
        EXPECT_FALSE(plugin->gui->canResize(plugin->plugin));
        parent = x.makeParent();
        clap::Window window{};
        window.api = "x11";
        window.x11 = parent;
        EXPECT_TRUE(plugin->gui->setParent(plugin->plugin, &window));
        EXPECT_TRUE(plugin->gui->show(plugin->plugin));
        EXPECT_EQ(host.timers.size(), 1u);
        EXPECT_EQ(host.descriptors.size(), 1u);
        run(60);
        return x.editorIn(parent);
    }
    void run(int milliseconds, bool watchDescriptors = true) {
        host.runLoop(plugin->plugin, milliseconds, watchDescriptors);
    }
    // A drag of a knob; the value it ends at.
    float drag(::Window editor, int parameter) {
        const layout::KnobCircle& knob = *controls::knobFor(parameter);
        x.mouse(editor, ButtonPress, knob.centreX - 1, knob.centreY);
        run(40);
        x.mouse(editor, MotionNotify, knob.centreX + 10, knob.centreY - 10);
        run(40);
        x.mouse(editor, ButtonRelease, knob.centreX + 10, knob.centreY - 10);
        run(40);
        return controls::pointerToValue(knob.centreX + 10, knob.centreY - 10, knob);
    }
    // A block's worth of the events the plug-in reports.
    OutputEventList block() {
        OutputEventList out;
        float samples[2][32] = {};
        plugin->process(samples[0], samples[1], samples[0], samples[1], 32, nullptr, &out);
        return out;
    }

    X11TestDisplay x;
    Module module;
    TestHost host;
    Instance* plugin = nullptr;
    ::Window parent = 0;
};

TEST_F(ClapEditor, ShowsTheLinuxVstEditorsPicture) {
    const ::Window editor = open();
    ASSERT_NE(editor, 0u);
    run(200);  // the clip indicator's first ticks

    EXPECT_EQ(pixelsDifferingFromTheLinuxVstEditor(x, editor), 0);
    plugin->gui->destroy(plugin->plugin);
    EXPECT_EQ(x.editorIn(parent), 0u);
}

// While blocks run, the next one carries the edits and the host is asked
// for nothing; while none runs, it is asked once for a flush, which
// carries them.
TEST_F(ClapEditor, AKnobDragReachesTheHostAsEvents) {
    const ::Window editor = open();
    const float dragged = drag(editor, chorus::kRate);
    EXPECT_EQ(host.flushRequests, 0);
    OutputEventList out = block();
    ASSERT_GE(out.events.size(), 3u);
    EXPECT_EQ(out.events.front().what, 'b');
    EXPECT_EQ(out.events.front().param, static_cast<Id>(chorus::kRate));
    EXPECT_EQ(out.events[out.events.size() - 2].what, 'v');
    EXPECT_EQ(out.events[out.events.size() - 2].value, dragged);
    EXPECT_EQ(out.events.back().what, 'e');
    EXPECT_EQ(plugin->value(chorus::kRate), dragged);
    EXPECT_TRUE(block().events.empty()) << "each edit is told once";

    {
        const Audio audio(host);
        plugin->plugin->stopProcessing(plugin->plugin);
    }
    plugin->processing = false;
    const float wet = drag(editor, chorus::kWet);
    EXPECT_EQ(host.flushRequests, 1);
    OutputEventList flushed;
    {
        const Audio audio(host);
        plugin->params->flush(plugin->plugin, nullptr, flushed.list());
    }
    ASSERT_GE(flushed.events.size(), 3u);
    EXPECT_EQ(flushed.events.front().what, 'b');
    EXPECT_EQ(flushed.events.back().what, 'e');
    EXPECT_EQ(flushed.events.back().param, static_cast<Id>(chorus::kWet));
    EXPECT_EQ(flushed.events[flushed.events.size() - 2].value, wet);
    plugin->gui->destroy(plugin->plugin);
}

// Hosts deliver automation on their audio thread; the window shows it at
// the host's next timer call.
TEST_F(ClapEditor, AChangeOnTheAudioThreadReachesTheWindow) {
    const ::Window editor = open();
    const layout::KnobCircle& wet = *controls::knobFor(chorus::kWet);
    const controls::Point atOne = controls::markerPosition(controls::markerCircle(wet), 1.0f);
    EXPECT_LT(x.pixel(editor, atOne.x, atOne.y) & 0xFF, 200u);
    std::thread audio([this] {
        InputEventList events;
        events.add(0, chorus::kWet, 1.0);
        float samples[2][32] = {};
        plugin->process(samples[0], samples[1], samples[0], samples[1], 32, &events);
    });
    audio.join();
    run(60, false);
    EXPECT_GT(x.pixel(editor, atOne.x, atOne.y) & 0xFF, 200u);
    plugin->gui->destroy(plugin->plugin);
}

// A host that closes its window before destroying the gui, not waiting for
// the server, as many do; and a hidden gui that shows again.
TEST_F(ClapEditor, TheHostsWindowGoneFirstOrTheGuiHidden) {
    ProcessErrorHandler errors;
    const ::Window editor = open();
    ASSERT_TRUE(plugin->gui->hide(plugin->plugin));
    EXPECT_TRUE(host.timers.empty() && host.descriptors.empty());
    EXPECT_EQ(x.editorIn(parent), 0u);
    ASSERT_TRUE(plugin->gui->show(plugin->plugin));
    EXPECT_EQ(host.timers.size(), 1u);
    EXPECT_NE(x.editorIn(parent), 0u);
    (void)editor;

    x.destroy(parent, true);
    parent = 0;
    run(60);
    plugin->gui->destroy(plugin->plugin);
    x.sync();
    EXPECT_EQ(errors.errors(), 0) << errors.lastError();
}

TEST_F(ClapEditor, TwentyGuisLeaveNothingBehind) {
    open();
    plugin->gui->destroy(plugin->plugin);
    const std::size_t files = openFiles();
    for (int i = 0; i < 20; ++i) {
        x.destroy(parent);
        open();
        // Destroying the plug-in with its gui still there takes it along.
        if (i == 19) {
            delete plugin;
            plugin = nullptr;
            EXPECT_EQ(x.childWindows(parent), 0u);
            break;
        }
        plugin->gui->destroy(plugin->plugin);
        EXPECT_EQ(x.childWindows(parent), 0u);
    }
    EXPECT_EQ(openFiles(), files) << "a display connection left open";
}

}  // namespace
