// The Linux module's one export, clap_entry.  The editor runs on the X11
// backend, driven by the host's timer and its watch of the display
// connection.
#include <new>

#include "clap/PluginEntry.h"
#include "clap/abi/Gui.h"
#include "editor/x11/X11EditorWindow.h"

namespace {

editor::EditorBackend* makeX11Window() { return new (std::nothrow) editor::X11EditorWindow; }

int displayDescriptor(editor::EditorBackend& backend) {
    return static_cast<editor::X11EditorWindow&>(backend).connectionNumber();
}

const clap::EditorPlatform kX11 = {makeX11Window, clap::kWindowApiX11, true, displayDescriptor};
const clap::ModuleFactory kFactory = {{clap::pluginCount, clap::pluginDescriptor, clap::createPlugin}, &kX11};

const void* CLAP_CALL factory(const char* id) { return clap::factoryNamed(id, kFactory); }

}  // namespace

extern "C" __attribute__((visibility("default"))) const clap::PluginEntry clap_entry;
const clap::PluginEntry clap_entry = {clap::kVersion, clap::initModule, clap::deinitModule, factory};
