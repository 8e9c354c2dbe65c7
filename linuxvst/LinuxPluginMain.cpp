// The Linux VST 2 library's entry points: the chorus effect with its editor
// on the X11 backend.  Linux hosts look up "VSTPluginMain"; older ones look
// up "main", a name C++ keeps for programs, so the same function carries it
// too, by an assembler label.
#include <new>

#include "editor/ChorusEditor.h"
#include "editor/x11/X11EditorWindow.h"
#include "host/PluginEntry.h"

namespace {

AudioEffect* createChorus(audioMasterCallback audioMaster) {
    return createChorusWithEditor(audioMaster,
                                  []() -> editor::EditorBackend* { return new (std::nothrow) editor::X11EditorWindow; });
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    return openEffect(audioMaster, createChorus);
}

extern "C" __attribute__((visibility("default"), alias("VSTPluginMain"))) AEffect* legacyMain(
    audioMasterCallback audioMaster) __asm__("main");
