// The renderer's command line.
#pragma once

#include <string>
#include <vector>

#include "tools/renderer/WaveFile.h"

struct ParameterSetting {
    std::string key;  // a parameter name or index, as typed
    float value;
};

struct Options {
    enum class Mode { Auto, Process, Replacing };

    std::string input;
    std::string output;
    std::string plugin;  // empty: Velorin2.dll next to the renderer
    int program = -1;    // -1: leave the plug-in's current program
    std::vector<ParameterSetting> settings;
    Mode mode = Mode::Auto;
    int blockSize = 512;
    OutputEncoding encoding = OutputEncoding::Float32;
    bool list = false;
    bool quiet = false;
    bool help = false;
};

// Throws RenderError for anything it cannot take.
Options parseOptions(int argc, char** argv);

extern const char* const kUsage;
