// The program and parameter values of the command line, applied to an
// effect as a host applies a user's choices.
#pragma once

#include <vector>

#include "tools/PluginLoader.h"
#include "tools/renderer/Options.h"

// Checks the program number and finds each setting's parameter before
// anything is changed or printed, so that a mistake stops the run at once.
// Throws RenderError; gives the parameter index of each setting.
std::vector<VstInt32> resolveSettings(PluginInstance& plugin, const Options& options);

// Switches to the chosen program, if one was chosen.
void selectProgram(PluginInstance& plugin, const Options& options);

// The settings edit the program that is current by then, in the order given.
void applySettings(PluginInstance& plugin, const Options& options, const std::vector<VstInt32>& indices);
