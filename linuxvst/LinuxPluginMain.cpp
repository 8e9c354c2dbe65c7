// The Linux VST 2 library's entry points: the chorus effect with its editor
// on the X11 backend.  Linux hosts look up "VSTPluginMain"; older ones look
// up "main", a name C++ keeps for programs, so the same function carries it
// too, by an assembler label.
#include <new>

#include "chorus/ChorusEffect.h"
#include "editor/ChorusEditor.h"
#include "editor/x11/X11EditorWindow.h"
#include "host/PluginEntry.h"

namespace {

// Null when the effect or its editor cannot be made.
AudioEffect* createChorusWithEditor(audioMasterCallback audioMaster) {
    ChorusEffect* effect = new (std::nothrow) ChorusEffect(audioMaster);
    if (!effect) return nullptr;
    editor::X11EditorWindow* window = effect->isUsable() ? new (std::nothrow) editor::X11EditorWindow : nullptr;
    ChorusEditor* editor = window ? new (std::nothrow) ChorusEditor(effect, window) : nullptr;
    if (!editor) {
        delete window;
        delete effect;
        return nullptr;
    }
    effect->attachEditor(editor);
    return effect;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    return openEffect(audioMaster, createChorusWithEditor);
}

extern "C" __attribute__((visibility("default"), alias("VSTPluginMain"))) AEffect* legacyMain(
    audioMasterCallback audioMaster) __asm__("main");
