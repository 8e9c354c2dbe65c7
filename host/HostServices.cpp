// AudioEffect's requests to the host.  Without a host callback nothing is
// sent and each inquiry gives its neutral answer.
#include "host/AudioEffect.h"

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    if (audioMaster) callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getMasterVersion() {
    VstInt32 version = 1;
    if (audioMaster) {
        version = static_cast<VstInt32>(callHost(audioMasterVersion, 0, 0, nullptr, 0.0f));
        if (version == 0) version = 1;  // hosts from before the version request answer 0
    }
    return version;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    // Ids are 32-bit four-character codes at any width of the answer.
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterCurrentId, 0, 0, nullptr, 0.0f)) : 0;
}

void AudioEffect::masterIdle() {
    if (audioMaster) callHost(audioMasterIdle, 0, 0, nullptr, 0.0f);
}

// The host answers 0 for a connected pin.
bool AudioEffect::isInputConnected(VstInt32 input) {
    return audioMaster ? callHost(audioMasterPinConnected, input, 0, nullptr, 0.0f) == 0 : true;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return audioMaster ? callHost(audioMasterPinConnected, output, 1, nullptr, 0.0f) == 0 : true;
}
