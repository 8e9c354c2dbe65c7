// Hosts that close the editor from inside any call it makes to them, in a
// Windows host's window under Wine: the DLL through its automation
// requests, the VST 3 view through its component handler, the CLAP gui
// through the events of the flush it asks for.  The window's
// messages are sent as the system sends them (the mouse capture taken by
// another window, the clip indicator's timer), and each plays the script of
// ClosingHost.h once for every {call, occurrence, way of closing}.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "host/AEffEditor.h"
#include "tests/editor/ClosingClapHost.h"
#include "tests/editor/ClosingHost.h"
#include "tests/editor/ClosingVst3Host.h"
#include "tools/PluginLoader.h"
#include "tools/skin/EditorHost.h"

namespace {

using closing::Action;
using closing::Call;
using closing::How;

class Win32Driver : public closing::Driver {
public:
    using closing::Driver::Driver;

    void act(const Action& action) override {
        const LPARAM at = MAKELPARAM(action.x, action.y);
        switch (action.kind) {
        case Action::press: SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at); break;
        case Action::move: SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, at); break;
        case Action::release: SendMessageA(editor, WM_LBUTTONUP, 0, at); break;
        case Action::moveWithoutButton: SendMessageA(editor, WM_MOUSEMOVE, 0, at); break;
        case Action::captureLost:  // another window of the host's takes the mouse
            SetCapture(parent->handle());
            ReleaseCapture();
            break;
        case Action::tick: pumpMessages(140); return;
        }
        pumpMessages(0);
    }
    void settle() override { pumpMessages(30); }

protected:
    // One parent for every entry, unless the host destroyed it.
    void newParent() {
        if (!parent || !parent->handle()) parent.reset(new ParentWindow);
    }

    std::unique_ptr<ParentWindow> parent;
    HWND editor = nullptr;
};

class DllDriver final : public Win32Driver {
public:
    DllDriver() : Win32Driver(false) {
        RecordingHost::instance() = RecordingHost{};
        RecordingHost::instance().listener = [this](const HostCall& call) {
            if (call.opcode == audioMasterAutomate) heard(Call::value, call.index);
        };
        plugin = PluginInstance(loader.create());
    }
    ~DllDriver() override {
        RecordingHost::instance().listener = nullptr;
        if (plugin.record()) plugin.close();
    }
    bool ready() const { return plugin.record() != nullptr; }

    void open() override {
        newParent();
        plugin.dispatch(effEditOpen, 0, 0, parent->handle());
        pumpMessages(20);
        editor = findEditorWindow(parent->handle());
    }
    void closeInside(How how) override {
        if (how == How::destroyParent) parent->destroy();
        plugin.dispatch(effEditClose);
        if (how == How::closeAndReopen) plugin.dispatch(effEditOpen, 0, 0, parent->handle());
    }
    void finish() override { plugin.dispatch(effEditClose); }

private:
    PluginLoader loader{builtPluginPath()};
    PluginInstance plugin{nullptr};
};

// A VST 3 view or a CLAP gui (ClosingVst3Host.h, ClosingClapHost.h):
// removed and released, or destroyed, it is gone for the host when the
// call returns; the plug-in lives on.
template <typename Plugin>
class ViewDriver final : public Win32Driver {
public:
    ViewDriver() : Win32Driver(true) {}
    bool ready() const { return plugin.ready(); }

    void open() override {
        newParent();
        attach();
    }
    void closeInside(How how) override {
        if (how == How::destroyParent) parent->destroy();
        plugin.remove();
        if (how == How::closeAndReopen) attach();
    }
    void finish() override { plugin.remove(); }

private:
    void attach() {
        plugin.attach(parent->handle());
        pumpMessages(20);
        editor = findEditorWindow(parent->handle());
    }

    Plugin plugin{*this};
};

TEST(Win32ClosingHost, TheDllsEditorSurvivesACloseInsideAnyAutomationRequest) {
    DllDriver driver;
    ASSERT_TRUE(driver.ready());
    closing::playTable(driver);
}

TEST(Win32ClosingHost, TheVst3ViewSurvivesARemovalInsideAnyEdit) {
    ViewDriver<closing::Vst3Plugin> driver;
    ASSERT_TRUE(driver.ready());
    closing::playTable(driver);
}

TEST(Win32ClosingHost, TheClapGuiSurvivesADestroyInsideAnyEditsFlush) {
    ViewDriver<closing::ClapPlugin> driver;
    ASSERT_TRUE(driver.ready());
    closing::playTable(driver);
}

}  // namespace
