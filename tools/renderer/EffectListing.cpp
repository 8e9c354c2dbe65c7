#include "tools/renderer/EffectListing.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tools/renderer/EffectHost.h"
#include "tools/renderer/EffectSettings.h"

namespace {

std::string padded(const std::string& text, size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

std::string fourCharText(VstInt32 code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((code >> shift) & 0xFF);
        text += c >= 32 && c < 127 ? c : '?';
    }
    return text;
}

void printRecord(PluginInstance& plugin, const std::string& pluginPath) {
    const AEffect* e = plugin.record();
    std::printf("Plug-in  %s\n", pluginPath.c_str());
    std::printf("Effect   '%s' version %d, %d inputs, %d outputs, %s%s\n", fourCharText(e->uniqueID).c_str(),
                static_cast<int>(e->version), static_cast<int>(e->numInputs), static_cast<int>(e->numOutputs),
                (e->flags & effFlagsCanReplacing) ? "process and processReplacing" : "process only",
                (e->flags & effFlagsHasEditor) ? ", editor" : "");
    std::printf("Record   magic '%s', uniqueID 0x%08X, flags %d, %d programs, %d parameters, initial delay %d, "
                "ioRatio %g, identifies as '%s'\n",
                fourCharText(e->magic).c_str(), static_cast<unsigned>(e->uniqueID), static_cast<int>(e->flags),
                static_cast<int>(e->numPrograms), static_cast<int>(e->numParams), static_cast<int>(e->initialDelay),
                static_cast<double>(e->ioRatio), fourCharText(plugin.dispatch(effIdentify)).c_str());
}

// Program names can only be read from the current program: visits each and
// comes back to the current one, which it gives.
VstInt32 printPrograms(PluginInstance& plugin) {
    const VstInt32 current = plugin.dispatch(effGetProgram);
    std::printf("\nPrograms (* current)\n");
    for (VstInt32 p = 0; p < plugin.record()->numPrograms; ++p) {
        plugin.dispatch(effSetProgram, 0, p);
        std::printf("  %c %2d  %s\n", p == current ? '*' : ' ', static_cast<int>(p),
                    plugin.text(effGetProgramName).c_str());
    }
    plugin.dispatch(effSetProgram, 0, current);
    return current;
}

struct ParameterRow {
    std::string index, name, value, text, label;
};

std::vector<ParameterRow> parameterRows(PluginInstance& plugin) {
    std::vector<ParameterRow> rows = {{"index", "name", "value", "text", "label"}};
    for (VstInt32 i = 0; i < plugin.record()->numParams; ++i) {
        char value[32];
        std::snprintf(value, sizeof value, "%.6f", static_cast<double>(plugin.getParameter(i)));
        rows.push_back({std::to_string(i), plugin.text(effGetParamName, i), value, plugin.text(effGetParamDisplay, i),
                        plugin.text(effGetParamLabel, i)});
    }
    return rows;
}

// A table with the columns as wide as their widest entry; the index right-aligned.
void printParameters(PluginInstance& plugin, VstInt32 program) {
    const std::vector<ParameterRow> rows = parameterRows(plugin);
    size_t widths[4] = {};
    for (const ParameterRow& row : rows) {
        widths[0] = std::max(widths[0], row.index.size());
        widths[1] = std::max(widths[1], row.name.size());
        widths[2] = std::max(widths[2], row.value.size());
        widths[3] = std::max(widths[3], row.text.size());
    }
    std::printf("\nParameters of program %d\n", static_cast<int>(program));
    for (const ParameterRow& row : rows) {
        std::string line = "  " + std::string(widths[0] - row.index.size(), ' ') + row.index + "  " +
                           padded(row.name, widths[1]) + "  " + padded(row.value, widths[2]) + "  " +
                           padded(row.text, widths[3]) + "  " + row.label;
        line.erase(line.find_last_not_of(' ') + 1);
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace

void listEffect(const Options& options, const std::string& pluginPath) {
    EffectHost host(pluginPath);
    PluginInstance& plugin = host.plugin();
    plugin.dispatch(effOpen);
    const std::vector<VstInt32> indices = resolveSettings(plugin, options);

    printRecord(plugin, pluginPath);
    selectProgram(plugin, options);
    const VstInt32 current = printPrograms(plugin);
    applySettings(plugin, options, indices);
    printParameters(plugin, current);
}
