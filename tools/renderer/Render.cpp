// velorin-render: renders a WAV file through a VST 2 effect DLL (the
// Velorin 2 chorus by default), the way a host does it offline.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/renderer/EffectBuffers.h"
#include "tools/renderer/EffectHost.h"
#include "tools/renderer/EffectListing.h"
#include "tools/renderer/EffectSettings.h"
#include "tools/renderer/Options.h"
#include "tools/renderer/PluginBitness.h"
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

// Removes a file when it goes out of scope, unless told to keep it.
struct TemporaryFile {
    std::string path;
    bool keep = false;
    ~TemporaryFile() {
        if (!keep) DeleteFileA(path.c_str());
    }
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

struct ChannelStats {
    float peak = 0.0f;
    unsigned long long aboveOne = 0;  // like the effect's own test: anything not at or below +1.0
};

// What the summary reports of a finished render.
struct RenderTotals {
    unsigned channels = 1;  // of the output
    std::uint32_t frames = 0;
    double seconds = 0.0;
    ChannelStats stats[2];
};

void measure(const EffectBuffers& buffers, std::uint32_t frames, RenderTotals& totals) {
    for (unsigned c = 0; c < totals.channels; ++c) {
        const float* samples = buffers.output(c);
        for (std::uint32_t i = 0; i < frames; ++i) {
            totals.stats[c].peak = std::max(totals.stats[c].peak, std::fabs(samples[i]));
            if (!(samples[i] <= 1.0f)) ++totals.stats[c].aboveOne;
        }
    }
}

// "rendering  42%" on standard error, at most four times a second, and only
// when standard error is a console.
class ProgressLine {
public:
    explicit ProgressLine(bool quiet) {
        DWORD consoleMode;
        shown = !quiet && GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &consoleMode);
        QueryPerformanceCounter(&lastShown);
    }
    void update(std::uint32_t done, std::uint32_t total) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        if (!shown || seconds(lastShown, now) < 0.25) return;
        std::fprintf(stderr, "\rrendering %3u%%", static_cast<unsigned>(100.0 * done / total));
        lastShown = now;
    }
    void clear() {
        if (shown) std::fprintf(stderr, "\r              \r");
    }

private:
    bool shown = false;
    LARGE_INTEGER lastShown;
};

// Sets the effect up as a host does before playing: open, sample rate,
// block size, program and parameters.
void prepareEffect(PluginInstance& plugin, const Options& options, unsigned sampleRate) {
    plugin.dispatch(effOpen);
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    plugin.dispatch(effSetBlockSize, 0, options.blockSize);
    const std::vector<VstInt32> indices = resolveSettings(plugin, options);
    selectProgram(plugin, options);
    applySettings(plugin, options, indices);
}

// processReplacing when asked for, or by default when the effect offers it.
bool choosesReplacing(const AEffect& effect, Options::Mode mode) {
    const bool canReplace = (effect.flags & effFlagsCanReplacing) != 0;
    if (mode == Options::Mode::Replacing && !canReplace)
        throw RenderError("--replacing: the plug-in does not offer processReplacing");
    return mode == Options::Mode::Replacing || (mode == Options::Mode::Auto && canReplace);
}

// Switches the effect on, runs the whole input through it block by block
// into the writer, and switches it off.
void processAll(EffectHost& host, bool replacing, std::uint32_t blockFrames, WaveReader& reader, WaveWriter& writer,
                ProgressLine& progress, RenderTotals& totals) {
    EffectBuffers buffers(*host.record(), blockFrames);
    PluginInstance& plugin = host.plugin();
    host.resume();
    for (;;) {
        const std::uint32_t frames = reader.read(buffers.inputChannels()[0], buffers.inputChannels()[1], blockFrames);
        if (frames == 0) break;
        if (interrupted) throw RenderError("interrupted");
        buffers.silenceOutputs();
        if (replacing)
            plugin.processReplacing(buffers.inputChannels(), buffers.outputChannels(), static_cast<VstInt32>(frames));
        else
            plugin.process(buffers.inputChannels(), buffers.outputChannels(), static_cast<VstInt32>(frames));
        measure(buffers, frames, totals);
        writer.write(buffers.outputChannels(), frames);
        totals.frames += frames;
        progress.update(totals.frames, reader.frames());
    }
    host.suspend();
}

// The finished file takes the output's name only now: a failed run leaves
// no partial output behind, and an earlier output as it was.
void publish(TemporaryFile& temporary, const std::string& output) {
    if (!MoveFileExA(temporary.path.c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING))
        throw RenderError("cannot write '" + output + "': " + systemMessage(GetLastError(), output));
    temporary.keep = true;
}

void printSummary(const Options& options, const WaveFormat& format, const std::string& pluginPath, bool replacing,
                  const RenderTotals& totals, unsigned long long clippedTo16Bits) {
    const double audioSeconds = static_cast<double>(totals.frames) / format.sampleRate;
    std::printf("%s -> %s\n", options.input.c_str(), options.output.c_str());
    std::printf("  %s in, %s out; %lu frames (%.3f s) through %s with %s in blocks of %d\n", describe(format).c_str(),
                options.encoding == OutputEncoding::Float32 ? "32-bit float" : "16-bit PCM",
                static_cast<unsigned long>(totals.frames), audioSeconds, fileName(pluginPath).c_str(),
                replacing ? "processReplacing" : "process", options.blockSize);
    if (totals.seconds > 0.0)
        std::printf("  rendered in %.3f s, %.1f x real time\n", totals.seconds, audioSeconds / totals.seconds);
    const ChannelStats* stats = totals.stats;
    const std::string peaks = totals.channels == 2
                                  ? "left " + peakText(stats[0].peak) + ", right " + peakText(stats[1].peak)
                                  : peakText(stats[0].peak);
    std::printf("  output peak %s; samples above +1.0: %llu", peaks.c_str(), stats[0].aboveOne + stats[1].aboveOne);
    if (options.encoding == OutputEncoding::Pcm16) std::printf("; clipped to 16 bits: %llu", clippedTo16Bits);
    std::printf("\n");
}

void render(const Options& options, const std::string& pluginPath) {
    WaveReader reader(options.input);
    const WaveFormat& format = reader.format();
    if (reader.truncated() && !options.quiet)
        std::fprintf(stderr, "velorin-render: warning: '%s' ends before its data does; rendering the %lu frames there\n",
                     options.input.c_str(), static_cast<unsigned long>(reader.frames()));

    EffectHost host(pluginPath);
    const AEffect& effect = *host.record();
    if (effect.numOutputs < 1) throw RenderError("plug-in '" + pluginPath + "' has no outputs");
    prepareEffect(host.plugin(), options, format.sampleRate);
    const bool replacing = choosesReplacing(effect, options.mode);

    RenderTotals totals;
    totals.channels = effect.numOutputs >= 2 ? 2 : 1;
    TemporaryFile temporary{options.output + "." + std::to_string(GetCurrentProcessId()) + ".part"};
    WaveWriter writer(temporary.path, options.encoding, totals.channels, format.sampleRate, reader.frames(),
                      options.output);
    ProgressLine progress(options.quiet);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);

    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    processAll(host, replacing, static_cast<std::uint32_t>(options.blockSize), reader, writer, progress, totals);
    writer.finish();
    reader.close();  // the output may replace the input
    QueryPerformanceCounter(&end);
    totals.seconds = seconds(start, end);
    progress.clear();

    publish(temporary, options.output);
    if (!options.quiet) printSummary(options, format, pluginPath, replacing, totals, writer.clippedSamples());
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
        requireSameBitness(pluginPath);
        if (options.list)
            listEffect(options, pluginPath);
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
