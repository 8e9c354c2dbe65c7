// The plug-in's one export.  The DLL publishes pluginMain under the name
// "main" (see resources/Velorin2.def); C++ reserves that name for programs.
#pragma once

#include "host/AEffect.h"

class AudioEffect;

extern "C" AEffect* VELORIN_CALLBACK pluginMain(audioMasterCallback audioMaster);

// Creates the effect that pluginMain hands to the host; null when it cannot
// be made.  Defined by the effect's own library.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
