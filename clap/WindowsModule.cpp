// The Windows module's one export, clap_entry.  The editor runs on the
// Win32 backend, and the library's entry point keeps the module handle
// that the window class and the skin's bitmaps need.
#include <new>

#include "clap/PluginEntry.h"
#include "clap/abi/Gui.h"
#include "editor/win32/Win32EditorWindow.h"

namespace {

editor::EditorBackend* makeWin32Window() { return new (std::nothrow) editor::Win32EditorWindow; }

int noDescriptor(editor::EditorBackend&) { return -1; }

const clap::EditorPlatform kWin32 = {makeWin32Window, clap::kWindowApiWin32, false, noDescriptor};
const clap::ModuleFactory kFactory = {{clap::pluginCount, clap::pluginDescriptor, clap::createPlugin}, &kWin32};

const void* CLAP_CALL factory(const char* id) { return clap::factoryNamed(id, kFactory); }

}  // namespace

extern "C" const clap::PluginEntry clap_entry;
const clap::PluginEntry clap_entry = {clap::kVersion, clap::initModule, clap::deinitModule, factory};
