// The Windows module's export: the factory.  The editor runs on the Win32
// backend, and the library's entry point keeps the module handle that the
// window classes and the skin's bitmaps need; the plug-in's timer runs on
// Windows' message loop.
#include <new>

#include "editor/win32/Win32EditorWindow.h"
#include "vst3/PluginFactory.h"
#include "vst3/Win32Timer.h"
#include "vst3/abi/View.h"

namespace {

editor::EditorBackend* makeWin32Window() { return new (std::nothrow) editor::Win32EditorWindow; }

int noDescriptor(editor::EditorBackend&) { return -1; }

const vst3::EditorPlatform kWin32 = {makeWin32Window, vst3::kPlatformTypeHWND, noDescriptor,
                                     vst3::startWin32Timer, vst3::stopWin32Timer};

}  // namespace

extern "C" vst3::IPluginFactory* VST3_CALL GetPluginFactory() { return vst3::PluginFactory::create(kWin32); }
