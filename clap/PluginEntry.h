// What each module exports as "clap_entry": the module's entry, its one
// factory, and the plug-in the factory makes with the editor of the
// module's window system.  The module keeps no state of its own, so that
// any number of init and deinit calls, in any order, is safe.
#pragma once

#include "clap/EditorPlatform.h"
#include "clap/abi/Plugin.h"

namespace clap {

// The factory as the module hands it out: the format's table first, then
// the platform its plug-ins are made with.
struct ModuleFactory {
    PluginFactory calls;
    const EditorPlatform* platform;
};

bool CLAP_CALL initModule(const char* path);
void CLAP_CALL deinitModule();
// `factory` when `id` names the plug-in factory, else null.
const void* factoryNamed(const char* id, const ModuleFactory& factory);

std::uint32_t CLAP_CALL pluginCount(const PluginFactory* factory);
const PluginDescriptor* CLAP_CALL pluginDescriptor(const PluginFactory* factory, std::uint32_t index);
const Plugin* CLAP_CALL createPlugin(const PluginFactory* factory, const Host* host, const char* pluginId);

}  // namespace clap
