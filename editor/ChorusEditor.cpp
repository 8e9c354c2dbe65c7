#include "editor/ChorusEditor.h"

#include <new>

#include "chorus/ChorusEffect.h"

namespace {

// The editor's size as the host asks for it.
constexpr ERect kEditorRect = {0, 0, layout::kHeight, layout::kWidth};

}  // namespace

ChorusEditor::ChorusEditor(ChorusEffect* effect, editor::EditorBackend* backend)
    : ChorusEditorBase(effect), model(*effect), backend(backend), core(model, *backend) {}

// An editor deleted with its window still shown says goodbye here; the
// effect has its editor say it earlier, while the effect is still whole
// (effectClosing).  Either way the window goes, so that no message reaches
// the editor or the effect again.
ChorusEditor::~ChorusEditor() {
    backend->sayFarewell();
    backend->close();
    delete backend;
}

VstInt32 ChorusEditor::getRect(ERect** rect) {
    *rect = const_cast<ERect*>(&kEditorRect);
    return 1;
}

VstInt32 ChorusEditor::open(void* parentWindow) { return backend->open(parentWindow, core) ? 1 : 0; }

void ChorusEditor::close() { backend->close(); }

void ChorusEditor::idle() {
    AEffEditor::idle();
    backend->idle();
}

void ChorusEditor::update() { core.programChanged(); }

void ChorusEditor::parameterChanged(VstInt32 index, float) { core.parameterChanged(index); }

void ChorusEditor::programChanged() { core.programChanged(); }

void ChorusEditor::effectClosing() {
    backend->sayFarewell();
    backend->close();
}

AudioEffect* createChorusWithEditor(audioMasterCallback audioMaster, editor::EditorBackend* (*makeBackend)()) {
    ChorusEffect* effect = new (std::nothrow) ChorusEffect(audioMaster);
    if (!effect) return nullptr;
    editor::EditorBackend* backend = effect->isUsable() ? makeBackend() : nullptr;
    ChorusEditor* editor = backend ? new (std::nothrow) ChorusEditor(effect, backend) : nullptr;
    if (!editor) {
        delete backend;
        delete effect;
        return nullptr;
    }
    effect->attachEditor(editor);
    return effect;
}
