// The format's tables of functions for the plug-in and its extensions: each
// function finds its ClapChorus through the plug-in struct and calls it.
#pragma once

#include "clap/abi/Plugin.h"

namespace clap {

class ClapChorus;

// Who the plug-in is to a host: its one descriptor.
extern const PluginDescriptor kDescriptor;

// The plug-in struct of `chorus`: the descriptor, the object as its data,
// its calls.
Plugin pluginCalls(ClapChorus* chorus);

// The table of the extension `id`, or null for one the plug-in lacks; the
// host's loop only where the editor needs it.
const void* extensionCalls(const char* id, bool withHostLoop);

}  // namespace clap
