#include "tools/renderer/EffectSettings.h"

#include <cctype>
#include <string>

#include "tools/renderer/RenderError.h"

namespace {

std::string lowerTrimmed(std::string text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A parameter by index, or by name in any case.
VstInt32 findParameter(PluginInstance& plugin, const std::string& key) {
    const VstInt32 count = plugin.record()->numParams;
    if (!key.empty() && key.find_first_not_of("0123456789") == std::string::npos) {
        long index = key.size() > 9 ? count : std::stol(key);
        if (index >= count)
            throw RenderError("--set: parameter index " + key + " is out of range (the plug-in has " +
                              std::to_string(count) + " parameters, 0 to " + std::to_string(count - 1) + ")");
        return static_cast<VstInt32>(index);
    }
    std::string known;
    for (VstInt32 i = 0; i < count; ++i) {
        const std::string name = plugin.text(effGetParamName, i);
        if (lowerTrimmed(name) == lowerTrimmed(key)) return i;
        known += (i ? ", " : "") + name;
    }
    throw RenderError("--set: unknown parameter '" + key + "' (the plug-in has: " + known + ")");
}

}  // namespace

std::vector<VstInt32> resolveSettings(PluginInstance& plugin, const Options& options) {
    const VstInt32 programs = plugin.record()->numPrograms;
    if (options.program >= programs)
        throw RenderError("--program " + std::to_string(options.program) + " is out of range (the plug-in has " +
                          std::to_string(programs) + " programs, 0 to " + std::to_string(programs - 1) + ")");
    std::vector<VstInt32> indices;
    for (const ParameterSetting& setting : options.settings) indices.push_back(findParameter(plugin, setting.key));
    return indices;
}

void selectProgram(PluginInstance& plugin, const Options& options) {
    if (options.program >= 0) plugin.dispatch(effSetProgram, 0, options.program);
}

void applySettings(PluginInstance& plugin, const Options& options, const std::vector<VstInt32>& indices) {
    for (size_t i = 0; i < indices.size(); ++i) plugin.setParameter(indices[i], options.settings[i].value);
}
