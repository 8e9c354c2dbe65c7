#include "clap/EditorLink.h"

#include "chorus/ChorusEffect.h"
#include "clap/ClapChorus.h"
#include "editor/ChorusEffectModel.h"

namespace clap {

EditorLink::EditorLink(ClapChorus& plugin, editor::EditorBackend* backend)
    : ChorusEditorBase(&plugin.chorus()),
      plugin(plugin),
      effect(plugin.chorus()),
      backend(backend),
      core(*this, *backend) {}

EditorLink::~EditorLink() {
    backend->close();
    delete backend;
}

void EditorLink::parameterChanged(VstInt32 index, float) { core.parameterChanged(index); }

void EditorLink::programChanged() { core.programChanged(); }

float EditorLink::value(int parameter) { return effect.getParameter(parameter); }

void EditorLink::valueText(int parameter, char* text, int capacity) {
    editor::effectValueText(effect, parameter, text, capacity);
}

void EditorLink::beginGesture(int parameter) { plugin.editBegin(parameter); }

void EditorLink::gestureValue(int parameter, float value) { plugin.editValue(parameter, value); }

void EditorLink::endGesture(int parameter) { plugin.editEnd(parameter); }

// The core wraps a button's press in a gesture of its own where it has
// one; the value alone is what the host hears of it otherwise.
void EditorLink::pressValue(int parameter, float value) { plugin.editValue(parameter, value); }

bool EditorLink::takeClip() { return effect.takeClipFlag() != 0; }

}  // namespace clap
