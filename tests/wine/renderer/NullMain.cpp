// A plug-in whose "main" refuses to create an effect, as one does when the
// host is too old or memory runs out.
#include "host/AEffect.h"

extern "C" AEffect* VELORIN_CALLBACK nullMain(audioMasterCallback) { return nullptr; }
