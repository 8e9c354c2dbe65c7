#include "host/AudioEffect.h"

#include "host/AEffEditor.h"
#include "host/FloatingPointControl.h"

#include <cstring>

namespace {

AudioEffect* objectOf(AEffect* effect) { return static_cast<AudioEffect*>(effect->object); }

// Truncates toward zero; a level beyond the 32-bit range (or not a number)
// answers 0 rather than an undefined conversion.
VstInt32 vuToLong(double level) {
    if (!(level > -2147483649.0 && level < 2147483648.0)) return 0;
    return static_cast<VstInt32>(level);
}

// A 64-bit host passes `value` as a 64-bit integer; where the effect takes a
// 32-bit number, a value beyond that range is no number the host can mean.
// Always true in a 32-bit process.
bool fitsInt32(VstIntPtr value) { return static_cast<VstInt32>(value) == value; }

// The host's requests run in the default floating-point environment
// (host/FloatingPointControl.h); blocks set their own.
VstIntPtr VELORIN_CALLBACK effectDispatcher(AEffect* effect, VstInt32 opCode, VstInt32 index, VstIntPtr value,
                                            void* ptr, float opt) {
    const fpu::HostEnvironment host = fpu::enterDefaultArithmetic();
    AudioEffect* object = objectOf(effect);
    VstIntPtr result = object->dispatcher(opCode, index, value, ptr, opt);
    if (opCode == effClose) {
        delete object;
        result = 1;
    }
    fpu::leaveDefaultArithmetic(host);
    return result;
}

void VELORIN_CALLBACK effectProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames) {
    objectOf(effect)->process(inputs, outputs, sampleFrames);
}

void VELORIN_CALLBACK effectProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                             VstInt32 sampleFrames) {
    objectOf(effect)->processReplacing(inputs, outputs, sampleFrames);
}

void VELORIN_CALLBACK effectSetParameter(AEffect* effect, VstInt32 index, float value) {
    const fpu::HostEnvironment host = fpu::enterDefaultArithmetic();
    objectOf(effect)->setParameter(index, value);
    fpu::leaveDefaultArithmetic(host);
}

float VELORIN_CALLBACK effectGetParameter(AEffect* effect, VstInt32 index) {
    return objectOf(effect)->getParameter(index);
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
    editor = nullptr;
    curProgram = 0;
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = effectDispatcher;
    cEffect.process = effectProcess;
    cEffect.setParameter = effectSetParameter;
    cEffect.getParameter = effectGetParameter;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = effectProcessReplacing;
    sampleRate = 44100.0f;
    blockSize = 1024;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

void AudioEffect::setFlag(VstInt32 flag, bool state) {
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opCode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    VstIntPtr result = 0;
    // Compared unsigned so that negative opcodes fall through to "unknown".
    switch (static_cast<std::uint32_t>(opCode)) {
    case effOpen: open(); break;
    case effClose: close(); break;
    case effSetProgram:
        // Compared at the full width: a 64-bit value whose low half is a
        // program number is still out of range.
        if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
        break;
    case effGetProgram: result = getProgram(); break;
    // Text requests with no buffer to write into are answered without a write.
    case effSetProgramName:
        if (ptr) setProgramName(static_cast<char*>(ptr));
        break;
    case effGetProgramName:
        if (ptr) getProgramName(static_cast<char*>(ptr));
        break;
    case effGetParamLabel:
        if (ptr) getParameterLabel(index, static_cast<char*>(ptr));
        break;
    case effGetParamDisplay:
        if (ptr) getParameterDisplay(index, static_cast<char*>(ptr));
        break;
    case effGetParamName:
        if (ptr) getParameterName(index, static_cast<char*>(ptr));
        break;
    case effGetVu: result = vuToLong(static_cast<double>(getVu()) * 32767.0); break;
    case effSetSampleRate: setSampleRate(opt); break;
    case effSetBlockSize:
        if (fitsInt32(value)) setBlockSize(static_cast<VstInt32>(value));
        break;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        break;
    case effEditGetRect:
        if (editor && ptr) result = editor->getRect(static_cast<ERect**>(ptr));
        break;
    case effEditOpen:
        if (editor) result = editor->open(ptr);
        break;
    case effEditClose:
        if (editor) editor->close();
        break;
    case effEditIdle:
        if (editor) editor->idle();
        break;
    case effIdentify: result = kEffectIdentity; break;
    default: break;  // effEditDraw, Mouse, Key, Top, Sleep and unknown opcodes
    }
    return result;
}

void AudioEffect::setParameter(VstInt32, float) {}
float AudioEffect::getParameter(VstInt32) { return 0.0f; }
void AudioEffect::processReplacing(float**, float**, VstInt32) {}
void AudioEffect::open() {}
void AudioEffect::close() {}
VstInt32 AudioEffect::getProgram() { return curProgram; }
void AudioEffect::setProgram(VstInt32 program) { curProgram = program; }
void AudioEffect::setProgramName(char* name) { name[0] = '\0'; }
void AudioEffect::getProgramName(char* name) { name[0] = '\0'; }
void AudioEffect::getParameterLabel(VstInt32, char* label) { label[0] = '\0'; }
void AudioEffect::getParameterDisplay(VstInt32, char* text) { text[0] = '\0'; }
void AudioEffect::getParameterName(VstInt32, char* text) { text[0] = '\0'; }
float AudioEffect::getVu() { return 0.0f; }
void AudioEffect::setSampleRate(float newRate) { sampleRate = newRate; }
void AudioEffect::setBlockSize(VstInt32 newSize) { blockSize = newSize; }
void AudioEffect::suspend() {}
void AudioEffect::resume() {}

void AudioEffect::setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
void AudioEffect::setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
void AudioEffect::setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
void AudioEffect::hasVu(bool state) { setFlag(effFlagsHasVu, state); }
void AudioEffect::hasClip(bool state) { setFlag(effFlagsHasClip, state); }
void AudioEffect::canMono(bool state) { setFlag(effFlagsCanMono, state); }
void AudioEffect::canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
void AudioEffect::setRealtimeQualities(VstInt32 qualities) { cEffect.realQualities = qualities; }
void AudioEffect::setOfflineQualities(VstInt32 qualities) { cEffect.offQualities = qualities; }
void AudioEffect::setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
float AudioEffect::getSampleRate() { return sampleRate; }
VstInt32 AudioEffect::getBlockSize() { return blockSize; }
