#include "host/PluginEntry.h"

#include "host/AudioEffect.h"

AEffect* openEffect(audioMasterCallback audioMaster, AudioEffect* (*create)(audioMasterCallback audioMaster)) {
    // Without a callback there is nobody to ask for a version or to talk to.
    if (!audioMaster) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = create(audioMaster);
    return effect ? effect->getAeffect() : nullptr;
}
