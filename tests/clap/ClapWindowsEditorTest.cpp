// The CLAP plug-in's editor in a Windows host's window, under Wine: the gui
// embedded in an HWND shows the DLL's editor pixel for pixel, a knob drag
// reaches the host as gesture and value events of the next block, and
// destroying the gui takes its window down, also after the host's window
// is gone.
#include <gtest/gtest.h>
#include <windows.h>

#include "chorus/ParameterIndex.h"
#include "editor/EditorControls.h"
#include "host/AEffEditor.h"
#include "tools/ClapHost.h"
#include "tools/PluginLoader.h"
#include "tools/skin/EditorHost.h"
#include "tests/support/DllEditorPicture.h"

namespace {

using namespace claphost;

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

bool embed(Instance& plugin, HWND parent) {
    clap::Window window{};
    window.api = "win32";
    window.win32 = parent;
    return plugin.gui->create(plugin.plugin, "win32", false) && plugin.gui->setParent(plugin.plugin, &window) &&
           plugin.gui->show(plugin.plugin);
}

TEST(ClapWindowsEditor, ShowsTheDllsEditorAndTellsTheHostOfEdits) {
    Module module;
    ASSERT_TRUE(module.loaded());
    TestHost host;
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.start(44100.0));
    EXPECT_TRUE(plugin.gui->isApiSupported(plugin.plugin, "win32", false));
    EXPECT_FALSE(plugin.gui->isApiSupported(plugin.plugin, "x11", false));
    ParentWindow parent;
    ASSERT_TRUE(embed(plugin, parent.handle()));
    EXPECT_TRUE(host.timers.empty()) << "the window runs on the host's message loop";
    pumpMessages(300);
    const HWND editor = findEditorWindow(parent.handle());
    ASSERT_NE(editor, nullptr);

    const Pixels theirs = dllEditorPicture();
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    pumpMessages(10);
    const Pixels mine = capture(editor);
    ASSERT_EQ(mine.width, 300);
    ASSERT_EQ(mine.height, 200);
    EXPECT_TRUE(mine.data == theirs.data) << "the CLAP editor's pixels differ from the DLL's";

    const layout::KnobCircle& rate = *controls::knobFor(chorus::kRate);
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(rate.centreX - 1, rate.centreY));
    SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, at(rate.centreX + 10, rate.centreY - 10));
    SendMessageA(editor, WM_LBUTTONUP, 0, at(rate.centreX + 10, rate.centreY - 10));
    pumpMessages(20);
    const float dragged = controls::pointerToValue(rate.centreX + 10, rate.centreY - 10, rate);
    OutputEventList out;
    float samples[2][32] = {};
    plugin.process(samples[0], samples[1], samples[0], samples[1], 32, nullptr, &out);
    ASSERT_GE(out.events.size(), 3u);
    EXPECT_EQ(out.events.front().what, 'b');
    EXPECT_EQ(out.events[out.events.size() - 2].value, dragged);
    EXPECT_EQ(out.events.back().what, 'e');
    EXPECT_EQ(plugin.value(chorus::kRate), dragged);

    plugin.gui->destroy(plugin.plugin);
    EXPECT_EQ(findEditorWindow(parent.handle()), nullptr);

    // The host's window gone first: destroying the gui then is no harm.
    ParentWindow early;
    ASSERT_TRUE(embed(plugin, early.handle()));
    pumpMessages(50);
    early.destroy();
    plugin.gui->destroy(plugin.plugin);
    pumpMessages(50);
    for (const TestHost::Question& question : host.questions) EXPECT_TRUE(question.answer);
}

}  // namespace
