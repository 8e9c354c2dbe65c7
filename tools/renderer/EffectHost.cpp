#include "tools/renderer/EffectHost.h"

#include "tools/renderer/RenderError.h"

namespace {

// The renderer runs offline, so the host has nothing to do with automation
// notices or idle requests; it accepts them and reports every pin connected.
VstIntPtr VELORIN_CALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? EffectHost::kHostVersion : 0;
}

}  // namespace

EffectHost::EffectHost(const std::string& dllPath) : loader(dllPath) {
    if (!loader.libraryFound())
        throw RenderError("cannot load plug-in '" + dllPath + "': " + systemMessage(loader.systemError(), dllPath));
    if (!loader.loaded()) throw RenderError("plug-in '" + dllPath + "' exports no \"main\": not a VST 2 effect");
    AEffect* effect = loader.create(hostCallback);
    if (!effect) throw RenderError("plug-in '" + dllPath + "' refused to start: its \"main\" returned no effect");
    if (effect->magic != kEffectMagic) {
        // Not a record we can close safely; leave the library loaded.
        loader.keepLoaded();
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
}
