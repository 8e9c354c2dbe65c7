#include "tools/renderer/EffectHost.h"

#include <windows.h>

#include "tools/renderer/RenderError.h"

namespace {

// The renderer runs offline, so the host has nothing to do with automation
// notices or idle requests; it accepts them and reports every pin connected.
VstInt32 VELORIN_CALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstInt32, void*, float) {
    return opcode == audioMasterVersion ? EffectHost::kHostVersion : 0;
}

}  // namespace

EffectHost::EffectHost(const std::string& dllPath) {
    // A bare name would make LoadLibrary search the system folders.
    std::string path = dllPath;
    if (path.find_first_of("\\/:") == std::string::npos) path = ".\\" + path;

    HMODULE handle = LoadLibraryA(path.c_str());
    if (!handle)
        throw RenderError("cannot load plug-in '" + dllPath + "': " + systemMessage(GetLastError(), dllPath));
    module = handle;
    using MainProc = AEffect*(VELORIN_CALLBACK*)(audioMasterCallback);
    auto mainEntry = reinterpret_cast<MainProc>(reinterpret_cast<void*>(GetProcAddress(handle, "main")));
    if (!mainEntry) {
        FreeLibrary(handle);
        throw RenderError("plug-in '" + dllPath + "' exports no \"main\": not a VST 2 effect");
    }
    AEffect* effect = mainEntry(hostCallback);
    if (!effect) {
        FreeLibrary(handle);
        throw RenderError("plug-in '" + dllPath + "' refused to start: its \"main\" returned no effect");
    }
    if (effect->magic != kEffectMagic) {
        // Not a record we can close safely; leave the library loaded.
        throw RenderError("plug-in '" + dllPath + "' returned a record without the VST 2 magic number");
    }
    instance = PluginInstance(effect);
}

void EffectHost::resume() {
    instance.dispatch(effMainsChanged, 0, 1);
    running = true;
}

void EffectHost::suspend() {
    instance.dispatch(effMainsChanged, 0, 0);
    running = false;
}

EffectHost::~EffectHost() {
    if (running) suspend();
    if (instance.record()) instance.close();
    if (module) FreeLibrary(static_cast<HMODULE>(module));
}
