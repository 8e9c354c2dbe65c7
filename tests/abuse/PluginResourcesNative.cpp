#include "tests/abuse/PluginResources.h"

namespace abuse {

void watchPlugin(void*) {}

bool pluginResourcesCounted() { return false; }

PluginResourceTotals pluginResourceTotals() { return {}; }

std::string pluginResourcesHeld() { return {}; }

}  // namespace abuse
