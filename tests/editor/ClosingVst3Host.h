// The VST 3 plug-in in a host that may remove its view from inside an
// edit: an instance whose component handler tells a closing host's driver
// of every edit, and the one view the host holds.  Removed and released
// inside a call, the view is gone for the host when the call returns; the
// plug-in lives on.
#pragma once

#include "tests/editor/ClosingHost.h"
#include "tools/Vst3Host.h"
#if defined(__linux__)
#include "tests/vst3/HostFrame.h"
#endif

namespace closing {

class Vst3Plugin {
public:
    explicit Vst3Plugin(Driver& driver) : handler(driver) {
        if (!module.loaded()) return;
        factory = module.factory();
        plugin = new vst3host::Instance(factory);
        plugin->start(44100.0);
        plugin->controller->setComponentHandler(&handler);
    }
    ~Vst3Plugin() {
        remove();
        if (plugin) {
            plugin->controller->setComponentHandler(nullptr);
            delete plugin;
        }
        if (factory) factory->release();
    }
    Vst3Plugin(const Vst3Plugin&) = delete;
    Vst3Plugin& operator=(const Vst3Plugin&) = delete;

    bool ready() const { return plugin != nullptr; }

    // A new view in the system's window `parent`; on Linux given the
    // host's frame first, whose run loop run() turns.
    void attach(void* parent) {
        view = plugin->controller->createView("editor");
        if (!view) return ADD_FAILURE() << "no view";
#if defined(__linux__)
        view->setFrame(&frame);
        EXPECT_EQ(view->attached(parent, vst3::kPlatformTypeX11EmbedWindowID), vst3::kResultOk);
#else
        EXPECT_EQ(view->attached(parent, vst3::kPlatformTypeHWND), vst3::kResultOk);
#endif
    }
    void remove() {
        if (!view) return;
        view->removed();
        view->setFrame(nullptr);
        view->release();
        view = nullptr;
    }

private:
    class Handler final : public vst3host::ComponentHandler {
    public:
        explicit Handler(Driver& driver) : driver(driver) {}
        vst3::tresult VST3_CALL beginEdit(vst3::ParamID id) override { return hear(closing::Call::begin, id); }
        vst3::tresult VST3_CALL performEdit(vst3::ParamID id, vst3::ParamValue) override {
            return hear(closing::Call::value, id);
        }
        vst3::tresult VST3_CALL endEdit(vst3::ParamID id) override { return hear(closing::Call::end, id); }

    private:
        vst3::tresult hear(closing::Call call, vst3::ParamID id) {
            driver.heard(call, static_cast<int>(id));
            return vst3::kResultOk;
        }
        Driver& driver;
    };

    vst3host::Module module;
    vst3::IPluginFactory* factory = nullptr;
    vst3host::Instance* plugin = nullptr;
    Handler handler;
    vst3::IPlugView* view = nullptr;
#if defined(__linux__)

public:
    void run(int milliseconds) { frame.run(milliseconds); }

private:
    vst3host::HostFrame frame;
#endif
};

}  // namespace closing
