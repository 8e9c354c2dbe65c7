// The DLL's "main": the chorus effect with its editor on the Win32 backend.
#include <new>

#include "editor/ChorusEditor.h"
#include "editor/win32/Win32EditorWindow.h"
#include "host/PluginEntry.h"

namespace {

AudioEffect* createChorus(audioMasterCallback audioMaster) {
    return createChorusWithEditor(audioMaster,
                                  []() -> editor::EditorBackend* { return new (std::nothrow) editor::Win32EditorWindow; });
}

}  // namespace

extern "C" AEffect* VELORIN_CALLBACK pluginMain(audioMasterCallback audioMaster) {
    return openEffect(audioMaster, createChorus);
}
