#include "vst3/EditorLink.h"

#include "chorus/ChorusEffect.h"
#include "editor/ChorusEffectModel.h"
#include "vst3/Vst3Chorus.h"

namespace vst3 {

EditorLink::EditorLink(Vst3Chorus& plugin, editor::EditorBackend* backend)
    : ChorusEditorBase(&plugin.chorus()),
      plugin(plugin),
      effect(plugin.chorus()),
      backend(backend),
      core(*this, *backend) {}

EditorLink::~EditorLink() {
    backend->close();
    delete backend;
}

bool EditorLink::openWindow(void* parent) { return backend->open(parent, core); }

void EditorLink::closeWindow() { backend->close(); }

void EditorLink::parameterChanged(VstInt32 index, float) { core.parameterChanged(index); }

void EditorLink::programChanged() { core.programChanged(); }

float EditorLink::value(int parameter) { return effect.getParameter(parameter); }

void EditorLink::valueText(int parameter, char* text, int capacity) {
    editor::effectValueText(effect, parameter, text, capacity);
}

void EditorLink::beginGesture(int parameter) { plugin.editBegin(parameter); }

void EditorLink::gestureValue(int parameter, float value) { plugin.editValue(parameter, value); }

void EditorLink::endGesture(int parameter) { plugin.editEnd(parameter); }

// A button's value reaches the host too, as an edit of its own: a VST 3
// host keeps its own record of every value, and one it never heard of would
// be set back by it.
void EditorLink::pressValue(int parameter, float value) { plugin.editValue(parameter, value); }

bool EditorLink::takeClip() { return effect.takeClipFlag() != 0; }

}  // namespace vst3
