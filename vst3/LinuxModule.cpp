// The Linux module's exports: the factory, and the module's entry and exit,
// which a Linux host calls after loading the library and before unloading
// it.  The editor runs on the X11 backend.
#include <new>

#include "editor/x11/X11EditorWindow.h"
#include "vst3/PluginFactory.h"
#include "vst3/abi/View.h"

namespace {

editor::EditorBackend* makeX11Window() { return new (std::nothrow) editor::X11EditorWindow; }

int displayDescriptor(editor::EditorBackend& backend) {
    return static_cast<editor::X11EditorWindow&>(backend).connectionNumber();
}

// The plug-in's timer runs on the host's run loop.
const vst3::EditorPlatform kX11 = {makeX11Window, vst3::kPlatformTypeX11EmbedWindowID, displayDescriptor, nullptr,
                                   nullptr};

}  // namespace

extern "C" __attribute__((visibility("default"))) vst3::IPluginFactory* GetPluginFactory() {
    return vst3::PluginFactory::create(kX11);
}

// The module keeps no state of its own: each factory is an object of its
// own, freed by its host.
extern "C" __attribute__((visibility("default"))) bool ModuleEntry(void*) { return true; }
extern "C" __attribute__((visibility("default"))) bool ModuleExit() { return true; }
