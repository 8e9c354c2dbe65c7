#include "editor/GestureEditor.h"

#include <new>

#include "chorus/ChorusEffect.h"
#include "editor/ChorusEffectModel.h"

namespace editor {

GestureEditor* GestureEditor::attach(ChorusEffect& effect, GestureHost& host, EditorBackend* (*makeBackend)()) {
    EditorBackend* backend = makeBackend();
    GestureEditor* editor = backend ? new (std::nothrow) GestureEditor(effect, host, backend) : nullptr;
    if (!editor) {
        delete backend;
        return nullptr;
    }
    effect.attachEditor(editor);
    return editor;
}

GestureEditor::GestureEditor(ChorusEffect& effect, GestureHost& host, EditorBackend* backend)
    : ChorusEditorBase(&effect), effect(effect), host(host), backend(backend), core(*this, *backend) {}

GestureEditor::~GestureEditor() {
    backend->close();
    delete backend;
}

void GestureEditor::parameterChanged(VstInt32 index, float) { core.parameterChanged(index); }

void GestureEditor::programChanged() { core.programChanged(); }

float GestureEditor::value(int parameter) { return effect.getParameter(parameter); }

void GestureEditor::valueText(int parameter, char* text, int capacity) {
    effectValueText(effect, parameter, text, capacity);
}

void GestureEditor::beginGesture(int parameter) { host.editBegin(parameter); }

void GestureEditor::gestureValue(int parameter, float value) { host.editValue(parameter, value); }

void GestureEditor::endGesture(int parameter) { host.editEnd(parameter); }

// A button's value reaches the host too, within the gesture the core wraps
// around it: these hosts keep their own record of every value, and one they
// never heard of would be set back by them.
void GestureEditor::pressValue(int parameter, float value) { host.editValue(parameter, value); }

bool GestureEditor::takeClip() { return effect.takeClipFlag() != 0; }

}  // namespace editor
