// A thin VST 2 host for one effect: loads the DLL through the shared plug-in
// loader, calls "main" with the renderer's host callback, and closes the
// effect and frees the library at the end.  Failures throw RenderError with
// a one-line message.
#pragma once

#include <string>

#include "tools/PluginLoader.h"

class EffectHost {
public:
    explicit EffectHost(const std::string& dllPath);
    ~EffectHost();
    EffectHost(const EffectHost&) = delete;
    EffectHost& operator=(const EffectHost&) = delete;

    PluginInstance& plugin() { return instance; }
    AEffect* record() const { return instance.record(); }

    // effMainsChanged on and off; an effect left on is switched off before
    // it is closed.
    void resume();
    void suspend();

    // The host's answer to audioMasterVersion.
    static constexpr VstInt32 kHostVersion = 2400;

private:
    PluginLoader loader;  // declared first: it frees the library after the effect is closed
    PluginInstance instance{nullptr};
    bool running = false;
};
