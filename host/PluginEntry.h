// The plug-in's one export, and what it does for any effect.  A host calls
// "main" first; the DLL publishes pluginMain under that name (see
// resources/Velorin2.def), since C++ reserves the name main.  pluginMain is
// defined where the plug-in is assembled (plugin/PluginMain.cpp for the
// DLL); openEffect is the part every effect shares.
#pragma once

#include "host/AEffect.h"

class AudioEffect;

extern "C" AEffect* VELORIN_CALLBACK pluginMain(audioMasterCallback audioMaster);

// A host that gives no callback, or answers the version request with 0,
// gets nothing; otherwise the record of the effect that `create` makes, or
// null when that cannot be made.
AEffect* openEffect(audioMasterCallback audioMaster, AudioEffect* (*create)(audioMasterCallback audioMaster));
