// --list: what the effect tells a host about itself, its programs and,
// with the command line's program and settings applied, its parameters.
#pragma once

#include <string>

#include "tools/renderer/Options.h"

// Prints to standard output; throws RenderError.
void listEffect(const Options& options, const std::string& pluginPath);
