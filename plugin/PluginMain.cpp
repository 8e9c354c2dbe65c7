// The DLL's "main": the chorus effect with its editor on the Win32 backend.
#include <new>

#include "chorus/ChorusEffect.h"
#include "editor/ChorusEditor.h"
#include "editor/win32/Win32EditorWindow.h"
#include "host/PluginEntry.h"

namespace {

// Null when the effect or its editor cannot be made.
AudioEffect* createChorusWithEditor(audioMasterCallback audioMaster) {
    ChorusEffect* effect = new (std::nothrow) ChorusEffect(audioMaster);
    if (!effect) return nullptr;
    editor::Win32EditorWindow* window = effect->isUsable() ? new (std::nothrow) editor::Win32EditorWindow : nullptr;
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

extern "C" AEffect* VELORIN_CALLBACK pluginMain(audioMasterCallback audioMaster) {
    return openEffect(audioMaster, createChorusWithEditor);
}
