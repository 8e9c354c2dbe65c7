// The VST 3 plug-in's editor in a Windows host's window, under Wine: the
// view attached to an HWND shows the DLL's editor pixel for pixel, a knob
// drag reaches the host as begin, perform and end, and removing the view
// takes its window down.
#include <gtest/gtest.h>
#include <windows.h>

#include "chorus/ParameterIndex.h"
#include "editor/EditorControls.h"
#include "host/AEffEditor.h"
#include "tools/PluginLoader.h"
#include "tools/Vst3Host.h"
#include "tools/skin/EditorHost.h"
#include "tests/support/DllEditorPicture.h"

namespace {

using namespace vst3host;

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

TEST(Vst3WindowsEditor, ShowsTheDllsEditorAndTellsTheHostOfEdits) {
    Module module;
    ASSERT_TRUE(module.loaded());
    IPluginFactory* factory = module.factory();
    ComponentHandler handler;
    {
        Instance plugin(factory);
        plugin.controller->setComponentHandler(&handler);
        IPlugView* view = plugin.controller->createView("editor");
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
        ParentWindow parent;
        ASSERT_EQ(view->attached(parent.handle(), kPlatformTypeHWND), kResultOk);
        pumpMessages(300);
        const HWND editor = findEditorWindow(parent.handle());
        ASSERT_NE(editor, nullptr);

        const Pixels theirs = dllEditorPicture();
        RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        pumpMessages(10);
        const Pixels mine = capture(editor);
        ASSERT_EQ(mine.width, 300);
        ASSERT_EQ(mine.height, 200);
        EXPECT_TRUE(mine.data == theirs.data) << "the VST 3 editor's pixels differ from the DLL's";

        const layout::KnobCircle& rate = *controls::knobFor(chorus::kRate);
        SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(rate.centreX - 1, rate.centreY));
        SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, at(rate.centreX + 10, rate.centreY - 10));
        SendMessageA(editor, WM_LBUTTONUP, 0, at(rate.centreX + 10, rate.centreY - 10));
        pumpMessages(20);
        const float dragged = controls::pointerToValue(rate.centreX + 10, rate.centreY - 10, rate);
        ASSERT_GE(handler.calls.size(), 3u);
        EXPECT_EQ(handler.calls.front().what, 'b');
        EXPECT_EQ(handler.calls[handler.calls.size() - 2].value, dragged);
        EXPECT_EQ(handler.calls.back().what, 'e');
        EXPECT_EQ(plugin.controller->getParamNormalized(chorus::kRate), dragged);

        EXPECT_EQ(view->removed(), kResultOk);
        EXPECT_EQ(findEditorWindow(parent.handle()), nullptr);
        EXPECT_EQ(view->release(), 0u);
        plugin.controller->setComponentHandler(nullptr);
    }
    EXPECT_EQ(handler.references, 1);
    EXPECT_EQ(factory->release(), 0u);
}

}  // namespace
