// The CLAP plug-in in a host that may destroy its gui from inside an edit.
// The editor's edits reach a CLAP host as events of a flush, which this
// host, as Qtractor does, runs at once inside the plug-in's request for it
// (the plug-in is inactive, so no block carries them); every event is told
// to the closing host's driver as the plug-in pushes it, and the driver may
// destroy the gui right there.  The plug-in lives on.
#pragma once

#include <cstdint>

#include "tests/editor/ClosingHost.h"
#include "tools/ClapHost.h"

namespace closing {

class ClapPlugin {
public:
    explicit ClapPlugin(Driver& driver) {
        if (!module.loaded()) return;
        plugin = new claphost::Instance(module, host);
        host.onFlushRequest = [this] { plugin->params->flush(plugin->plugin, nullptr, heard.list()); };
        heard.onPush = [&driver](const claphost::OutputEventList::Event& event) {
            driver.heard(event.what == 'b' ? Call::begin : event.what == 'v' ? Call::value : Call::end,
                         static_cast<int>(event.param));
        };
    }
    ~ClapPlugin() {
        remove();
        delete plugin;
    }
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    bool ready() const { return plugin && plugin->plugin; }

    // The gui made and embedded in the system's window `parent`.
    void attach(void* parent) {
        clap::Window window{};
#if defined(_WIN32)
        window.api = clap::kWindowApiWin32;
        window.win32 = parent;
#else
        window.api = clap::kWindowApiX11;
        window.x11 = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(parent));
#endif
        EXPECT_TRUE(plugin->gui->create(plugin->plugin, window.api, false));
        EXPECT_TRUE(plugin->gui->setParent(plugin->plugin, &window));
        shown = true;
    }
    void remove() {
        if (shown) plugin->gui->destroy(plugin->plugin);
        shown = false;
    }
    // The host's timers and watched descriptors, for that long.
    void run(int milliseconds) { host.runLoop(plugin->plugin, milliseconds); }

private:
    claphost::Module module;
    claphost::TestHost host;
    claphost::Instance* plugin = nullptr;
    claphost::OutputEventList heard;
    bool shown = false;
};

}  // namespace closing
