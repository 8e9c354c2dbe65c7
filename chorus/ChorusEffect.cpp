// Placeholder until the chorus lands: describes itself and passes nothing.
#include "chorus/ChorusEffect.h"

#include <cstring>
#include <new>

#include "chorus/ChorusEditorBase.h"
#include "host/PluginMain.h"

ChorusEffect::ChorusEffect(audioMasterCallback audioMaster) : AudioEffect(audioMaster, kNumPrograms, kNumParams) {
    std::memset(programs, 0, sizeof programs);
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('V', 'l', 'r', '2'));
    canMono(true);
    canProcessReplacing(true);
    delayLine = nullptr;
    createChorusEditor(this);
}

ChorusEffect::~ChorusEffect() {}
bool ChorusEffect::isUsable() const { return editor != nullptr; }
void ChorusEffect::setParameter(VstInt32, float) {}
float ChorusEffect::getParameter(VstInt32) { return 0.0f; }
void ChorusEffect::process(float**, float**, VstInt32) {}
void ChorusEffect::processReplacing(float**, float**, VstInt32) {}
void ChorusEffect::setProgram(VstInt32 program) { curProgram = program; }
void ChorusEffect::setProgramName(char*) {}
void ChorusEffect::getProgramName(char* name) { name[0] = 0; }
void ChorusEffect::getParameterLabel(VstInt32, char* label) { label[0] = 0; }
void ChorusEffect::getParameterDisplay(VstInt32, char* text) { text[0] = 0; }
void ChorusEffect::getParameterName(VstInt32, char* text) { text[0] = 0; }
void ChorusEffect::setSampleRate(float rate) { sampleRate = rate; }

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    ChorusEffect* effect = new (std::nothrow) ChorusEffect(audioMaster);
    if (effect && !effect->isUsable()) {
        delete effect;
        effect = nullptr;
    }
    return effect;
}
