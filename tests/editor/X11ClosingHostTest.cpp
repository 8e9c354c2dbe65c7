// Hosts that close the editor from inside any call it makes to them, on an
// X display: the Linux VST through its automation requests, the LV2 UI
// through its port writes and touch gestures, the VST 3 view through its
// component handler, the CLAP gui through the events of the flush it asks
// for.  Each plays the script of ClosingHost.h once for every
// {call, occurrence, way of closing}; built in the sanitizer tree too, where
// a touch of anything the close destroyed ends the run.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "host/AEffEditor.h"
#include "lv2/Lv2Ports.h"
#include "lv2/Lv2Uri.h"
#include "tests/editor/ClosingClapHost.h"
#include "tests/editor/ClosingHost.h"
#include "tests/editor/ClosingVst3Host.h"
#include "tests/x11/X11TestDisplay.h"
#include "tools/PluginLoader.h"

namespace {

using closing::Action;
using closing::Call;
using closing::How;

// The pointer and the window as an X server delivers them; `run` is the
// host's loop for that long.
class X11Driver : public closing::Driver {
public:
    using closing::Driver::Driver;

    void act(const Action& action) override {
        switch (action.kind) {
        case Action::press: x.mouse(editor, ButtonPress, action.x, action.y); break;
        case Action::move: x.mouse(editor, MotionNotify, action.x, action.y); break;
        case Action::release: x.mouse(editor, ButtonRelease, action.x, action.y); break;
        case Action::moveWithoutButton: x.moveWithoutButton(editor, action.x, action.y); break;
        case Action::captureLost:  // the host hides its window for a moment
            x.unmap(parent);
            XMapWindow(x.connection(), parent);
            break;
        case Action::tick: run(140); return;
        }
        x.sync();  // the events are on the editor's connection: one pass of the host's loop takes them
        run(1);
    }
    void settle() override { run(30); }

protected:
    ~X11Driver() override { dropParent(false); }
    virtual void run(int milliseconds) = 0;
    // One parent for every entry, unless the host destroyed it.
    void newParent() {
        if (!parent) parent = x.makeParent();
    }
    void dropParent(bool flushOnly) {
        if (parent) x.destroy(parent, flushOnly);
        parent = 0;
    }

    X11TestDisplay x;
    Window parent = 0;
    Window editor = 0;
};

class LinuxVstDriver final : public X11Driver {
public:
    LinuxVstDriver() : X11Driver(false) {
        RecordingHost::instance() = RecordingHost{};
        RecordingHost::instance().listener = [this](const HostCall& call) {
            if (call.opcode == audioMasterAutomate) heard(Call::value, call.index);
        };
        plugin = PluginInstance(loader.create());
    }
    ~LinuxVstDriver() override {
        RecordingHost::instance().listener = nullptr;
        if (plugin.record()) plugin.close();
    }
    bool ready() { return x.open() && plugin.record(); }

    void open() override {
        newParent();
        plugin.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
        run(30);
        editor = x.editorIn(parent);
    }
    void closeInside(How how) override {
        if (how == How::destroyParent) dropParent(true);
        plugin.dispatch(effEditClose);
        if (how == How::closeAndReopen) plugin.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
    }
    void finish() override { plugin.dispatch(effEditClose); }

private:
    void run(int milliseconds) override {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            plugin.dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } while (std::chrono::steady_clock::now() < end);
    }

    PluginLoader loader{builtPluginPath()};
    PluginInstance plugin{nullptr};
};

// The host's close of an LV2 UI is its cleanup: inside a port write the
// instance is gone when the call returns.
class Lv2UiDriver final : public X11Driver {
public:
    Lv2UiDriver() : X11Driver(true) {
        library = dlopen(VELORIN_LV2_BUNDLE "/velorin2_ui.so", RTLD_NOW | RTLD_LOCAL);
        auto entry = library ? reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(
                                   dlsym(library, "lv2ui_descriptor"))
                             : nullptr;
        descriptor = entry ? entry(0) : nullptr;
        if (descriptor)
            idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    }
    ~Lv2UiDriver() override {
        if (library) dlclose(library);
    }
    bool ready() const { return x.open() && idleInterface; }

    void open() override {
        newParent();
        instantiate();
    }
    void closeInside(How how) override {
        if (how == How::destroyParent) dropParent(true);
        cleanup();
        if (how == How::closeAndReopen) instantiate();
    }
    void finish() override { cleanup(); }

private:
    static void write(LV2UI_Controller self, uint32_t port, uint32_t, uint32_t, const void*) {
        static_cast<Lv2UiDriver*>(self)->heard(Call::value, static_cast<int>(port - lv2port::kFirstControl));
    }
    static void touch(LV2UI_Feature_Handle self, uint32_t port, bool grabbed) {
        static_cast<Lv2UiDriver*>(self)->heard(grabbed ? Call::begin : Call::end,
                                               static_cast<int>(port - lv2port::kFirstControl));
    }

    void instantiate() {
        const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
        const LV2_Feature touchFeature = {LV2_UI__touch, &touchHandler};
        const LV2_Feature* features[] = {&parentFeature, &touchFeature, nullptr};
        LV2UI_Widget widget = nullptr;
        handle = descriptor->instantiate(descriptor, lv2uri::kPlugin, VELORIN_LV2_BUNDLE, write, this, &widget,
                                         features);
        editor = static_cast<Window>(reinterpret_cast<std::uintptr_t>(widget));
    }
    void cleanup() {
        if (handle) descriptor->cleanup(handle);
        handle = nullptr;
    }
    void run(int milliseconds) override {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            if (handle) idleInterface->idle(handle);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } while (std::chrono::steady_clock::now() < end);
    }

    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    LV2UI_Touch touchHandler{this, touch};
    LV2UI_Handle handle = nullptr;
};

// A VST 3 view or a CLAP gui (ClosingVst3Host.h, ClosingClapHost.h):
// removed and released, or destroyed, it is gone for the host when the
// call returns; the plug-in lives on.
template <typename Plugin>
class ViewDriver final : public X11Driver {
public:
    ViewDriver() : X11Driver(true) {}
    bool ready() const { return x.open() && plugin.ready(); }

    void open() override {
        newParent();
        attach();
    }
    void closeInside(How how) override {
        if (how == How::destroyParent) dropParent(true);
        plugin.remove();
        if (how == How::closeAndReopen) attach();
    }
    void finish() override { plugin.remove(); }

private:
    void attach() {
        plugin.attach(reinterpret_cast<void*>(parent));
        plugin.run(30);
        editor = x.editorIn(parent);
    }
    void run(int milliseconds) override { plugin.run(milliseconds); }

    Plugin plugin{*this};
};

TEST(X11ClosingHost, TheLinuxVstsEditorSurvivesACloseInsideAnyAutomationRequest) {
    LinuxVstDriver driver;
    ASSERT_TRUE(driver.ready());
    closing::playTable(driver);
}

TEST(X11ClosingHost, TheLv2UiSurvivesACleanupInsideAnyWriteOrTouch) {
    Lv2UiDriver driver;
    ASSERT_TRUE(driver.ready());
    closing::playTable(driver);
}

TEST(X11ClosingHost, TheVst3ViewSurvivesARemovalInsideAnyEdit) {
    ViewDriver<closing::Vst3Plugin> driver;
    ASSERT_TRUE(driver.ready());
    closing::playTable(driver);
}

TEST(X11ClosingHost, TheClapGuiSurvivesADestroyInsideAnyEditsFlush) {
    ViewDriver<closing::ClapPlugin> driver;
    ASSERT_TRUE(driver.ready());
    closing::playTable(driver);
}

}  // namespace
