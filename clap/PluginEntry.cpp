#include "clap/PluginEntry.h"

#include <cstring>

#include "clap/ClapChorus.h"
#include "clap/PluginCalls.h"

namespace clap {

bool CLAP_CALL initModule(const char*) { return true; }

void CLAP_CALL deinitModule() {}

const void* factoryNamed(const char* id, const ModuleFactory& factory) {
    return id && std::strcmp(id, kPluginFactoryId) == 0 ? &factory.calls : nullptr;
}

std::uint32_t CLAP_CALL pluginCount(const PluginFactory*) { return 1; }

const PluginDescriptor* CLAP_CALL pluginDescriptor(const PluginFactory*, std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

const Plugin* CLAP_CALL createPlugin(const PluginFactory* factory, const Host* host, const char* pluginId) {
    if (!factory || !pluginId || std::strcmp(pluginId, kDescriptor.id) != 0) return nullptr;
    return ClapChorus::create(host, *reinterpret_cast<const ModuleFactory*>(factory)->platform);
}

}  // namespace clap
