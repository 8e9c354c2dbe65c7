// The DLL's "main": the chorus effect with its Win32 editor.
#include <new>

#include "chorus/ChorusEffect.h"
#include "editor/ChorusEditor.h"
#include "host/PluginEntry.h"

namespace {

// Null when the effect or its editor cannot be made.
AudioEffect* createChorusWithEditor(audioMasterCallback audioMaster) {
    ChorusEffect* effect = new (std::nothrow) ChorusEffect(audioMaster);
    if (!effect) return nullptr;
    ChorusEditor* editor = effect->isUsable() ? new (std::nothrow) ChorusEditor(effect) : nullptr;
    if (!editor) {
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
