// The VST 3 plug-in's editor as a Linux host runs it, on an X display: the
// view attached to a host's window, driven by the host's run loop (a timer
// and a handler for the display connection's events) taken from the frame,
// both given back when the view is removed, also when a host removes the
// view from inside the timer's own call.  Its picture is the Linux VST's
// editor's, pixel for pixel; a knob drag reaches the host as begin,
// perform and end; a change on the audio thread reaches the window.
#include <gtest/gtest.h>
#include <poll.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "chorus/ParameterIndex.h"
#include "editor/EditorControls.h"
#include "host/AEffEditor.h"
#include "tests/vst3/HostFrame.h"
#include "tools/Vst3Host.h"
#include "tests/support/LinuxVstEditorPicture.h"
#include "tests/x11/X11TestDisplay.h"
#include "tools/PluginLoader.h"

namespace {

using namespace vst3host;

class Vst3Editor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.open()) << "no X display";
        ASSERT_TRUE(module.loaded());
        factory = module.factory();
        plugin = new Instance(factory);
        plugin->start(44100.0);
        plugin->controller->setComponentHandler(&handler);
    }
    void TearDown() override {
        if (plugin) {
            plugin->controller->setComponentHandler(nullptr);
            delete plugin;
        }
        if (factory) factory->release();
        if (parent) x.destroy(parent);
        EXPECT_EQ(handler.references, 1);
    }

    // A view attached in a new parent window, given its frame before or (as
    // some hosts do) after; returns the editor's window.
    Window attach(bool frameFirst = true) {
        view = plugin->controller->createView("editor");
        EXPECT_NE(view, nullptr);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
        ViewRect size{};
        EXPECT_EQ(view->getSize(&size), kResultOk);
        EXPECT_TRUE(size.right == 300 && size.bottom == 200);
        EXPECT_EQ(view->canResize(), kResultFalse);
        if (frameFirst) view->setFrame(&frame);
        parent = x.makeParent();
        EXPECT_EQ(view->attached(reinterpret_cast<void*>(parent), kPlatformTypeX11EmbedWindowID), kResultOk);
        if (!frameFirst) view->setFrame(&frame);
        EXPECT_EQ(frame.timers.size(), 1u);
        EXPECT_EQ(frame.handlers.size(), 1u);
        frame.run(60);
        return x.editorIn(parent);
    }

    void detach() {
        EXPECT_EQ(view->removed(), kResultOk);
        EXPECT_TRUE(frame.timers.empty() && frame.handlers.empty());
        view->setFrame(nullptr);
        EXPECT_EQ(view->release(), 0u);
        view = nullptr;
        EXPECT_EQ(frame.references, 1);
    }

    X11TestDisplay x;
    Module module;
    IPluginFactory* factory = nullptr;
    Instance* plugin = nullptr;
    ComponentHandler handler;
    HostFrame frame;
    IPlugView* view = nullptr;
    Window parent = 0;
};

TEST_F(Vst3Editor, ShowsTheLinuxVstEditorsPicture) {
    const Window editor = attach();
    ASSERT_NE(editor, 0u);
    frame.run(200);  // the clip indicator's first ticks

    EXPECT_EQ(pixelsDifferingFromTheLinuxVstEditor(x, editor), 0);
    detach();
}

TEST_F(Vst3Editor, AKnobDragIsAnEditTheHostHears) {
    const Window editor = attach();
    const layout::KnobCircle& rate = *controls::knobFor(chorus::kRate);
    x.mouse(editor, ButtonPress, rate.centreX - 1, rate.centreY);
    frame.run(40);
    x.mouse(editor, MotionNotify, rate.centreX + 10, rate.centreY - 10);
    frame.run(40);
    x.mouse(editor, ButtonRelease, rate.centreX + 10, rate.centreY - 10);
    frame.run(40);
    const float dragged = controls::pointerToValue(rate.centreX + 10, rate.centreY - 10, rate);
    ASSERT_GE(handler.calls.size(), 3u);
    EXPECT_EQ(handler.calls.front().what, 'b');
    EXPECT_EQ(handler.calls.front().id, static_cast<ParamID>(chorus::kRate));
    EXPECT_EQ(handler.calls[handler.calls.size() - 2].what, 'p');
    EXPECT_EQ(handler.calls[handler.calls.size() - 2].value, dragged);
    EXPECT_EQ(handler.calls.back().what, 'e');
    EXPECT_EQ(plugin->controller->getParamNormalized(chorus::kRate), dragged);
    detach();
}

// Hosts deliver automation on their audio thread; the window shows it at
// the run loop's next call.
TEST_F(Vst3Editor, AChangeOnTheAudioThreadReachesTheWindow) {
    const Window editor = attach();
    const layout::KnobCircle& wet = *controls::knobFor(chorus::kWet);
    const controls::Point atOne = controls::markerPosition(controls::markerCircle(wet), 1.0f);
    EXPECT_LT(x.pixel(editor, atOne.x, atOne.y) & 0xFF, 200u);
    std::thread audio([this] {
        ParameterChanges changes;
        changes.add(chorus::kWet, 0, 1.0);
        plugin->process(nullptr, nullptr, nullptr, nullptr, 0, &changes);
    });
    audio.join();
    frame.run(60);
    EXPECT_GT(x.pixel(editor, atOne.x, atOne.y) & 0xFF, 200u);
    detach();
}

// A host that closes the editor when an edit ends, from inside the call
// that delivered it: here the timer's, with the display's events left to
// the timer alone.
class ClosingHandler final : public ComponentHandler {
public:
    tresult VST3_CALL endEdit(ParamID id) override {
        ComponentHandler::endEdit(id);
        if (view) {
            view->removed();
            view->setFrame(nullptr);
            lastCount = view->release();
            view = nullptr;
        }
        return kResultOk;
    }
    IPlugView* view = nullptr;
    uint32 lastCount = 99;
};

TEST_F(Vst3Editor, AViewRemovedInsideItsOwnTimerCallIsGoneSafely) {
    ClosingHandler closing;
    plugin->controller->setComponentHandler(&closing);
    const Window editor = attach();
    closing.view = view;
    x.mouse(editor, ButtonPress, 122, 117);
    x.mouse(editor, ButtonRelease, 122, 117);
    frame.run(100, false);
    EXPECT_EQ(closing.view, nullptr) << "the edit never ended";
    EXPECT_EQ(closing.lastCount, 1u) << "the view keeps itself through the call";
    EXPECT_TRUE(frame.timers.empty() && frame.handlers.empty());
    EXPECT_EQ(frame.references, 1);
    EXPECT_EQ(x.editorIn(parent), 0u);
    frame.run(60, false);
    view = nullptr;
    plugin->controller->setComponentHandler(&handler);
    EXPECT_EQ(closing.references, 1);
}

TEST_F(Vst3Editor, TwentyViewsLeaveNothingBehind) {
    attach();
    IPlugView* second = plugin->controller->createView("editor");
    ASSERT_NE(second, nullptr);
    const Window otherParent = x.makeParent(400, 0);
    EXPECT_EQ(second->attached(reinterpret_cast<void*>(otherParent), kPlatformTypeX11EmbedWindowID), kResultFalse)
        << "one window shows the editor at a time";
    EXPECT_EQ(x.childWindows(otherParent), 0u);
    detach();
    EXPECT_EQ(second->attached(reinterpret_cast<void*>(otherParent), kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_EQ(second->removed(), kResultOk);
    EXPECT_EQ(second->release(), 0u);
    x.destroy(otherParent);
    const std::size_t files = openFiles();
    for (int i = 0; i < 20; ++i) {
        attach(i % 2 == 0);
        detach();
        EXPECT_EQ(x.childWindows(parent), 0u);
        x.destroy(parent);
        parent = 0;
    }
    EXPECT_EQ(openFiles(), files) << "a display connection left open";
}

}  // namespace
