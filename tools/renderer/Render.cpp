// velorin-render: renders a WAV file through a VST 2 effect DLL (the
// Velorin 2 chorus by default), the way a host does it offline.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/renderer/EffectHost.h"
#include "tools/renderer/Options.h"
#include "tools/renderer/WaveFile.h"

namespace {

volatile LONG interrupted = 0;

BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    // Stop at the next block, so that the unfinished output is removed.
    InterlockedExchange(&interrupted, 1);
    return TRUE;
}

std::string fileName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

std::string lowerTrimmed(std::string text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

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

// Checks the program number and finds the parameters before anything is
// changed or printed, so that a mistake stops the run at once.
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

// The settings edit the program that is current by then, in the order given.
void applySettings(PluginInstance& plugin, const Options& options, const std::vector<VstInt32>& indices) {
    for (size_t i = 0; i < indices.size(); ++i) plugin.setParameter(indices[i], options.settings[i].value);
}

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

void list(const Options& options, const std::string& pluginPath) {
    EffectHost host(pluginPath);
    PluginInstance& plugin = host.plugin();
    const AEffect* e = host.record();
    plugin.dispatch(effOpen);
    const std::vector<VstInt32> indices = resolveSettings(plugin, options);

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

    // Program names can only be read from the current program: visit each
    // and come back to the one chosen.
    selectProgram(plugin, options);
    const VstInt32 current = plugin.dispatch(effGetProgram);
    std::printf("\nPrograms (* current)\n");
    for (VstInt32 p = 0; p < e->numPrograms; ++p) {
        plugin.dispatch(effSetProgram, 0, p);
        std::printf("  %c %2d  %s\n", p == current ? '*' : ' ', static_cast<int>(p),
                    plugin.text(effGetProgramName).c_str());
    }
    plugin.dispatch(effSetProgram, 0, current);
    applySettings(plugin, options, indices);

    struct Row {
        std::string index, name, value, text, label;
    };
    std::vector<Row> rows = {{"index", "name", "value", "text", "label"}};
    for (VstInt32 i = 0; i < e->numParams; ++i) {
        char value[32];
        std::snprintf(value, sizeof value, "%.6f", static_cast<double>(plugin.getParameter(i)));
        rows.push_back({std::to_string(i), plugin.text(effGetParamName, i), value, plugin.text(effGetParamDisplay, i),
                        plugin.text(effGetParamLabel, i)});
    }
    size_t widths[4] = {};
    for (const Row& row : rows) {
        widths[0] = std::max(widths[0], row.index.size());
        widths[1] = std::max(widths[1], row.name.size());
        widths[2] = std::max(widths[2], row.value.size());
        widths[3] = std::max(widths[3], row.text.size());
    }
    std::printf("\nParameters of program %d\n", static_cast<int>(current));
    for (const Row& row : rows) {
        std::string line = "  " + std::string(widths[0] - row.index.size(), ' ') + row.index + "  " +
                           padded(row.name, widths[1]) + "  " + padded(row.value, widths[2]) + "  " +
                           padded(row.text, widths[3]) + "  " + row.label;
        line.erase(line.find_last_not_of(' ') + 1);
        std::printf("%s\n", line.c_str());
    }
}

// Removes a file when it goes out of scope, unless told to keep it.
struct TemporaryFile {
    std::string path;
    bool keep = false;
    ~TemporaryFile() {
        if (!keep) DeleteFileA(path.c_str());
    }
};

struct ChannelStats {
    float peak = 0.0f;
    unsigned long long aboveOne = 0;  // like the effect's own test: anything not at or below +1.0
};

double seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string peakText(float peak) {
    char text[64];
    if (peak > 0.0f)
        std::snprintf(text, sizeof text, "%.4f (%.1f dBFS)", static_cast<double>(peak),
                      20.0 * std::log10(static_cast<double>(peak)));
    else
        std::snprintf(text, sizeof text, "0 (silent)");
    return text;
}

void render(const Options& options, const std::string& pluginPath) {
    WaveReader reader(options.input);
    const WaveFormat& format = reader.format();
    if (reader.truncated() && !options.quiet)
        std::fprintf(stderr, "velorin-render: warning: '%s' ends before its data does; rendering the %lu frames there\n",
                     options.input.c_str(), static_cast<unsigned long>(reader.frames()));

    EffectHost host(pluginPath);
    PluginInstance& plugin = host.plugin();
    const AEffect* e = host.record();
    if (e->numOutputs < 1) throw RenderError("plug-in '" + pluginPath + "' has no outputs");

    // Set up as a host does before playing: open, sample rate, block size,
    // program and parameters; then switch on, process, switch off.
    plugin.dispatch(effOpen);
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(format.sampleRate));
    plugin.dispatch(effSetBlockSize, 0, options.blockSize);
    const std::vector<VstInt32> indices = resolveSettings(plugin, options);
    selectProgram(plugin, options);
    applySettings(plugin, options, indices);

    const bool canReplace = (e->flags & effFlagsCanReplacing) != 0;
    if (options.mode == Options::Mode::Replacing && !canReplace)
        throw RenderError("--replacing: the plug-in does not offer processReplacing");
    const bool replacing = options.mode == Options::Mode::Replacing ||
                           (options.mode == Options::Mode::Auto && canReplace);

    // Every input the effect has gets a buffer: the file's channels go to
    // the first two, silence to any others; outputs beyond two are dropped.
    const size_t block = static_cast<size_t>(options.blockSize);
    const unsigned outChannels = e->numOutputs >= 2 ? 2 : 1;
    std::vector<std::vector<float>> inputs(std::max<VstInt32>(e->numInputs, 2), std::vector<float>(block));
    std::vector<std::vector<float>> outputs(std::max<VstInt32>(e->numOutputs, 2), std::vector<float>(block));
    std::vector<float*> inputPointers, outputPointers;
    for (auto& buffer : inputs) inputPointers.push_back(buffer.data());
    for (auto& buffer : outputs) outputPointers.push_back(buffer.data());

    TemporaryFile temporary{options.output + "." + std::to_string(GetCurrentProcessId()) + ".part"};
    WaveWriter writer(temporary.path, options.encoding, outChannels, format.sampleRate, reader.frames(),
                      options.output);

    DWORD consoleMode;
    const bool progress = !options.quiet && GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &consoleMode);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);

    ChannelStats stats[2];
    LARGE_INTEGER start, now, lastShown;
    QueryPerformanceCounter(&start);
    lastShown = start;
    std::uint32_t done = 0;
    host.resume();
    for (;;) {
        const std::uint32_t frames = reader.read(inputPointers[0], inputPointers[1], static_cast<std::uint32_t>(block));
        if (frames == 0) break;
        if (interrupted) throw RenderError("interrupted");
        // process() adds to the outputs, so they start silent in both modes.
        for (auto& buffer : outputs) std::fill(buffer.begin(), buffer.end(), 0.0f);
        if (replacing)
            plugin.processReplacing(inputPointers.data(), outputPointers.data(), static_cast<VstInt32>(frames));
        else
            plugin.process(inputPointers.data(), outputPointers.data(), static_cast<VstInt32>(frames));
        for (unsigned c = 0; c < outChannels; ++c) {
            for (std::uint32_t i = 0; i < frames; ++i) {
                const float sample = outputs[c][i];
                stats[c].peak = std::max(stats[c].peak, std::fabs(sample));
                if (!(sample <= 1.0f)) ++stats[c].aboveOne;
            }
        }
        writer.write(outputPointers.data(), frames);
        done += frames;
        QueryPerformanceCounter(&now);
        if (progress && seconds(lastShown, now) >= 0.25) {
            std::fprintf(stderr, "\rrendering %3u%%", static_cast<unsigned>(100.0 * done / reader.frames()));
            lastShown = now;
        }
    }
    host.suspend();
    writer.finish();
    reader.close();  // the output may replace the input
    QueryPerformanceCounter(&now);
    if (progress) std::fprintf(stderr, "\r              \r");

    if (!MoveFileExA(temporary.path.c_str(), options.output.c_str(), MOVEFILE_REPLACE_EXISTING))
        throw RenderError("cannot write '" + options.output + "': " + systemMessage(GetLastError(), options.output));
    temporary.keep = true;

    if (options.quiet) return;
    const double audioSeconds = static_cast<double>(done) / format.sampleRate;
    const double took = seconds(start, now);
    std::printf("%s -> %s\n", options.input.c_str(), options.output.c_str());
    std::printf("  %s in, %s out; %lu frames (%.3f s) through %s with %s in blocks of %d\n", describe(format).c_str(),
                options.encoding == OutputEncoding::Float32 ? "32-bit float" : "16-bit PCM",
                static_cast<unsigned long>(done), audioSeconds, fileName(pluginPath).c_str(),
                replacing ? "processReplacing" : "process", options.blockSize);
    if (took > 0.0)
        std::printf("  rendered in %.3f s, %.1f x real time\n", took, audioSeconds / took);
    std::string peaks = outChannels == 2 ? "left " + peakText(stats[0].peak) + ", right " + peakText(stats[1].peak)
                                         : peakText(stats[0].peak);
    std::printf("  output peak %s; samples above +1.0: %llu", peaks.c_str(), stats[0].aboveOne + stats[1].aboveOne);
    if (options.encoding == OutputEncoding::Pcm16) std::printf("; clipped to 16 bits: %llu", writer.clippedSamples());
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    // Load failures are reported here, not in a dialog box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const RenderError& error) {
        std::fprintf(stderr, "velorin-render: %s (see --help)\n", error.what());
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::string pluginPath = options.plugin.empty() ? pluginBesideProgram() : options.plugin;
    try {
        if (options.list)
            list(options, pluginPath);
        else
            render(options, pluginPath);
    } catch (const RenderError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "velorin-render: %s\n", error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "velorin-render: %s\n", error.what());
        return 1;
    }
    return 0;
}
