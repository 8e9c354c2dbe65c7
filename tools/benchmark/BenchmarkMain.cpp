// The chorus benchmark.  The Windows build measures Velorin2.dll as a host
// loads it and prints its results as records; the native build measures the
// effect linked in, the LADSPA competitors, merges the DLL's records (from
// --dll-records FILE) and prints the whole report.  Both call the effect
// through the plug-in record's processReplacing, as a host does.
//
// Options: --quick (fewer runs, for a smoke test), --dll-records FILE
// (native only).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/AEffect.h"
#include "tools/benchmark/Harness.h"
#include "tools/benchmark/Report.h"

#if defined(_WIN32)
#include "tools/PluginLoader.h"
#else
#include "host/AudioEffect.h"
#include "host/PluginMain.h"
#include "tools/benchmark/LadspaHost.h"
#endif

namespace {

using namespace bench;

constexpr VstInt32 kVoicesParameter = 8;
constexpr float kVoicesValues[3] = {0.0f, 0.5f, 1.0f};  // 1, 2 and 4 voices

VstInt32 VELORIN_CALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstInt32, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Our effect through its record, set up the way a host does.
class RecordProcessor final : public BlockProcessor {
public:
    RecordProcessor(AEffect* effect, float voices) : effect(effect) {
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
        effect->dispatcher(effect, effSetBlockSize, 0, 4096, nullptr, 0.0f);
        effect->setParameter(effect, kVoicesParameter, voices);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    }
    ~RecordProcessor() override { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }
    void process(float** inputs, float** outputs, int frames) override {
        effect->processReplacing(effect, inputs, outputs, frames);
    }

private:
    AEffect* effect;
};

struct Options {
    bool quick = false;
    std::string dllRecords;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--quick")) {
            options.quick = true;
        } else if (!std::strcmp(argv[i], "--dll-records") && i + 1 < argc) {
            options.dllRecords = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--dll-records FILE]\n", argv[0]);
            std::exit(2);
        }
    }
    return options;
}

void addOurCases(std::vector<std::unique_ptr<BlockProcessor>>& ours, std::vector<ThroughputCase>& cases) {
    for (int block : kBlockSizes) {
        for (int v = 0; v < 3; ++v) cases.push_back({kOurCases[v], ours[v].get(), block});
    }
}

Records measureOurs(std::vector<std::unique_ptr<BlockProcessor>>& ours, std::vector<ThroughputCase> extraCases,
                    const char* side, const ThroughputOptions& throughput, const BurstOptions& burst) {
    std::vector<ThroughputCase> cases;
    addOurCases(ours, cases);
    cases.insert(cases.end(), extraCases.begin(), extraCases.end());
    Records records;
    for (const ThroughputResult& r : measureThroughput(cases, throughput)) records.throughput.emplace_back(side, r);
    for (int v = 0; v < 3; ++v) records.bursts.emplace_back(side, measureBurst(kOurCases[v], *ours[v], burst));
    return records;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    ThroughputOptions throughput;
    BurstOptions burst;
    if (options.quick) {
        throughput.framesPerRepetition = 16384;
        throughput.repetitions = 3;
        burst.repetitions = 2;
    }

#if defined(_WIN32)
    PluginLoader loader(builtPluginPath());
    if (!loader.loaded()) {
        std::fprintf(stderr, "%s\n", loader.error().c_str());
        return 1;
    }
    std::vector<std::unique_ptr<BlockProcessor>> ours;
    for (float voices : kVoicesValues) {
        AEffect* effect = loader.create(quietHost);
        if (!effect) {
            std::fprintf(stderr, "the DLL's main returned no effect\n");
            return 1;
        }
        ours.push_back(std::make_unique<RecordProcessor>(effect, voices));
    }
    const Records records = measureOurs(ours, {}, "wine", throughput, burst);
    for (const auto& r : records.throughput) std::printf("%s\n", formatRecord(r.first, r.second).c_str());
    for (const auto& r : records.bursts) std::printf("%s\n", formatRecord(r.first, r.second).c_str());
    ours.clear();  // closes the effects while the DLL is still loaded
    return 0;
#else
    std::vector<std::unique_ptr<BlockProcessor>> ours;
    for (float voices : kVoicesValues) {
        AudioEffect* effect = createEffectInstance(quietHost);
        if (!effect) {
            std::fprintf(stderr, "createEffectInstance returned no effect\n");
            return 1;
        }
        ours.push_back(std::make_unique<RecordProcessor>(effect->getAeffect(), voices));
    }

    // Comparable settings: a slow sweep of a few milliseconds around a
    // 15 to 25 ms delay, dry and wet at half level (-6 dB) where the plug-in
    // has both, no feedback; like our default program.
    struct Competitor {
        const char* name;
        const char* file;
        const char* label;
        LadspaPlugin::Controls controls;
    };
    const Competitor competitors[] = {
        {kTapCase, "tap_chorusflanger.so", "tap_chorusflanger",
         {{"Frequency [Hz]", 0.3f}, {"L/R Phase Shift [deg]", 90.0f}, {"Depth [%]", 50.0f}, {"Delay [ms]", 25.0f},
          {"Contour [Hz]", 100.0f}, {"Dry Level [dB]", -6.0f}, {"Wet Level [dB]", -6.0f}}},
        {kSwhCase, "multivoice_chorus_1201.so", "multivoiceChorus",
         {{"Number of voices", 2.0f}, {"Delay base (ms)", 15.0f}, {"Voice separation (ms)", 0.5f},
          {"Detune (%)", 1.0f}, {"LFO frequency (Hz)", 2.0f}, {"Output attenuation (dB)", 0.0f}}},
        {kCapsCase, "caps.so", "ChorusI",
         {{"t (ms)", 20.0f}, {"width (ms)", 7.5f}, {"rate (Hz)", 0.3f}, {"blend", 0.5f}, {"feedforward", 0.5f},
          {"feedback", 0.0f}}},
    };
    ReportContext context;
    std::vector<std::unique_ptr<LadspaPlugin>> plugins;
    std::vector<ThroughputCase> competitorCases;
    for (const Competitor& c : competitors) {
        std::string error;
        std::unique_ptr<LadspaPlugin> plugin = LadspaPlugin::load(c.file, c.label, c.controls, error);
        std::string note = std::string(c.file) + " \"" + c.label + "\": ";
        if (!plugin) {
            note += "not measured, " + error;
        } else {
            for (std::size_t i = 0; i < c.controls.size(); ++i) {
                char value[64];
                std::snprintf(value, sizeof value, "%s%s %g", i ? ", " : "", c.controls[i].first.c_str(),
                              c.controls[i].second);
                note += value;
            }
            if (plugin->instances() == 2) note += "; one instance per channel";
            for (int block : kBlockSizes) competitorCases.push_back({c.name, plugin.get(), block});
            plugins.push_back(std::move(plugin));
        }
        context.competitorNotes.push_back(note);
    }

    Records records = measureOurs(ours, competitorCases, "native", throughput, burst);
    if (!options.dllRecords.empty()) {
        std::ifstream file(options.dllRecords);
        std::stringstream text;
        text << file.rdbuf();
        parseRecords(text.str(), records);
    }

    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    context.machine = "unknown processor";
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            context.machine = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::ifstream loadavg("/proc/loadavg");
    double load = 0.0;
    if (loadavg >> load) {
        char text[64];
        std::snprintf(text, sizeof text, ", load average %.2f at the end of the run", load);
        context.machine += text;
    }
    context.throughput = throughput;
    context.burst = burst;
    printReport(records, context);
    return 0;
#endif
}
