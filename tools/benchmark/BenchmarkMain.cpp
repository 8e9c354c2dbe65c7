// The chorus benchmark.  Every build measures our effect through the plug-in
// record's processReplacing, as a host calls it: the Windows build loads
// Velorin2.dll, the native build links the effect in and also measures the
// LADSPA competitors.  Each measuring run prints result records; the native
// program turns the records of several runs into the report.
//
//   chorus_benchmark [--quick]                 measure, print records
//   chorus_benchmark --report [--quick] FILE... print the report (native)
//
// --quick measures briefly, for a smoke test; give it to the report as well
// so that the report states the counts that were used.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "chorus/ParameterIndex.h"
#include "host/AEffect.h"
#include "tools/benchmark/Harness.h"
#include "tools/benchmark/RecurrenceFloor.h"
#include "tools/benchmark/Report.h"

#if defined(_WIN32)
#include "tools/PluginLoader.h"
#else
#include "chorus/ChorusEffect.h"
#include "tools/benchmark/LadspaHost.h"
#include "tools/benchmark/Lv2Host.h"
#endif

namespace {

using namespace bench;

constexpr float kVoicesValues[3] = {0.0f, 0.5f, 1.0f};  // 1, 2 and 4 voices

VstIntPtr VELORIN_CALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Our effect through its record, set up the way a host does.
class RecordProcessor final : public BlockProcessor {
public:
    RecordProcessor(AEffect* effect, float voices) : effect(effect) {
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
        effect->dispatcher(effect, effSetBlockSize, 0, 4096, nullptr, 0.0f);
        effect->setParameter(effect, chorus::kVoices, voices);
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
    bool report = false;
    std::vector<std::string> recordFiles;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--quick"))
            options.quick = true;
        else if (!std::strcmp(argv[i], "--report"))
            options.report = true;
        else if (argv[i][0] != '-' && options.report)
            options.recordFiles.push_back(argv[i]);
        else {
            std::fprintf(stderr, "usage: %s [--quick] | --report [--quick] FILE...\n", argv[0]);
            std::exit(2);
        }
    }
    return options;
}

void printRecords(const Records& records) {
    for (const auto& r : records.throughput) std::printf("%s\n", formatRecord(r.first, r.second).c_str());
    for (const auto& r : records.bursts) std::printf("%s\n", formatRecord(r.first, r.second).c_str());
}

// Our three voice counts and the floor, at every block size.
void addOurCases(std::vector<std::unique_ptr<BlockProcessor>>& ours, BlockProcessor& floor,
                 std::vector<ThroughputCase>& cases) {
    for (int block : kBlockSizes) {
        for (int v = 0; v < 3; ++v) cases.push_back({kOurCases[v], ours[v].get(), block});
        cases.push_back({kFloorCase, &floor, block});
    }
}

Records measureOurs(std::vector<std::unique_ptr<BlockProcessor>>& ours, std::vector<ThroughputCase> extraCases,
                    const char* side, const ThroughputOptions& throughput, const BurstOptions& burst) {
    RecurrenceFloor floor;
    std::vector<ThroughputCase> cases;
    addOurCases(ours, floor, cases);
    cases.insert(cases.end(), extraCases.begin(), extraCases.end());
    Records records;
    for (const ThroughputResult& r : measureThroughput(cases, throughput)) records.throughput.emplace_back(side, r);
    for (int v = 0; v < 3; ++v) records.bursts.emplace_back(side, measureBurst(kOurCases[v], *ours[v], burst));
    return records;
}

}  // namespace

#if !defined(_WIN32)
namespace {

// Comparable settings: a slow sweep of a few milliseconds around a 15 to
// 25 ms delay, dry and wet at half level (-6 dB) where the plug-in has both,
// no feedback; like our default program.
struct Competitor {
    const char* name;
    const char* file;
    const char* label;
    LadspaPlugin::Controls controls;
};

const std::vector<Competitor>& competitors() {
    static const std::vector<Competitor> list = {
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
    return list;
}

std::string describe(const Competitor& c) {
    std::string text = std::string(c.file) + " \"" + c.label + "\": ";
    for (std::size_t i = 0; i < c.controls.size(); ++i) {
        char value[96];
        std::snprintf(value, sizeof value, "%s%s %g", i ? ", " : "", c.controls[i].first.c_str(),
                      c.controls[i].second);
        text += value;
    }
    return text;
}

std::string machineDescription() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line, machine = "unknown processor";
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            machine = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::ifstream loadavg("/proc/loadavg");
    double load = 0.0;
    if (loadavg >> load) {
        char text[64];
        std::snprintf(text, sizeof text, ", load average %.2f after the run", load);
        machine += text;
    }
    return machine;
}

int printReportFrom(const Options& options, const ThroughputOptions& throughput, const BurstOptions& burst) {
    Records records;
    for (const std::string& name : options.recordFiles) {
        std::ifstream file(name);
        if (!file) {
            std::fprintf(stderr, "cannot read %s\n", name.c_str());
            return 1;
        }
        std::stringstream text;
        text << file.rdbuf();
        parseRecords(text.str(), records);
    }
    ReportContext context;
    context.machine = machineDescription();
    context.throughput = throughput;
    context.burst = burst;
    for (const Competitor& c : competitors()) {
        bool measured = false;
        for (const auto& entry : records.throughput) measured = measured || entry.second.name == c.name;
        context.competitorNotes.push_back(describe(c) + (measured ? "" : " (not measured: see the run's errors)"));
    }
    printReport(records, context);
    return 0;
}

}  // namespace
#endif

#if defined(_WIN32)
namespace {

// The DLL under Wine: our three voice counts, as records for the native
// program's report.
int measureTheDll(const ThroughputOptions& throughput, const BurstOptions& burst) {
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
    // The report tells the two DLLs apart by their side.
#if defined(_WIN64)
    printRecords(measureOurs(ours, {}, "wine64", throughput, burst));
#else
    printRecords(measureOurs(ours, {}, "wine", throughput, burst));
#endif
    ours.clear();  // closes the effects while the DLL is still loaded
    return 0;
}

}  // namespace
#else
namespace {

// The LADSPA competitors that load, each at every block size.
void addCompetitors(std::vector<std::unique_ptr<LadspaPlugin>>& plugins, std::vector<ThroughputCase>& cases) {
    for (const Competitor& c : competitors()) {
        std::string error;
        std::unique_ptr<LadspaPlugin> plugin = LadspaPlugin::load(c.file, c.label, c.controls, error);
        if (!plugin) {
            std::fprintf(stderr, "%s not measured: %s\n", c.name, error.c_str());
            continue;
        }
        for (int block : kBlockSizes) cases.push_back({c.name, plugin.get(), block});
        plugins.push_back(std::move(plugin));
    }
}

// The same effect through the LV2 plug-in's entry, when it is built.
void addLv2Plugin(std::vector<std::unique_ptr<Lv2Plugin>>& plugins, std::vector<ThroughputCase>& cases) {
    const float voices[3] = {1.0f, 2.0f, 4.0f};
    for (int v = 0; v < 3; ++v) {
        std::string error;
        std::unique_ptr<Lv2Plugin> plugin = Lv2Plugin::load(VELORIN_LV2_BINARY, voices[v], error);
        if (!plugin) {
            std::fprintf(stderr, "the LV2 plug-in not measured: %s\n", error.c_str());
            return;
        }
        for (int block : kBlockSizes) cases.push_back({kLv2Cases[v], plugin.get(), block});
        plugins.push_back(std::move(plugin));
    }
}

// The linked-in effect, its LV2 entry and the competitors.
int measureNatively(const ThroughputOptions& throughput, const BurstOptions& burst) {
    std::vector<std::unique_ptr<BlockProcessor>> ours;
    for (float voices : kVoicesValues) {
        // The effect alone: an editor takes no part in processing.
        AudioEffect* effect = new ChorusEffect(quietHost);
        ours.push_back(std::make_unique<RecordProcessor>(effect->getAeffect(), voices));
    }
    std::vector<std::unique_ptr<LadspaPlugin>> competitorPlugins;
    std::vector<std::unique_ptr<Lv2Plugin>> lv2Plugins;
    std::vector<ThroughputCase> cases;
    addCompetitors(competitorPlugins, cases);
    addLv2Plugin(lv2Plugins, cases);
    printRecords(measureOurs(ours, cases, "native", throughput, burst));
    return 0;
}

}  // namespace
#endif

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
    if (options.report) {
        std::fprintf(stderr, "the report is the native program's\n");
        return 2;
    }
    return measureTheDll(throughput, burst);
#else
    if (options.report) return printReportFrom(options, throughput, burst);
    return measureNatively(throughput, burst);
#endif
}
