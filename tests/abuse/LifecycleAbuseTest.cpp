// The plug-in's life in a host: 500 loads and unloads, with and without
// open/process/close in between, leave the process's heaps, the plug-in's
// own blocks and its GDI objects (where the host counts them) as they were
// (the static C++ runtime used to leave 19,300 bytes behind at every load
// of the DLL); and 16 instances at once each give, bit for bit, what the
// same instance gives alone.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/abuse/AbuseHost.h"
#include "tests/abuse/Platform.h"
#include "tests/abuse/PluginResources.h"
#include "tests/abuse/Reporting.h"

namespace abuse {
namespace {

constexpr int kCycles = 500;
// The system's loader keeps a little more after each of the first loads of
// a library with many dependencies (glibc's, for seven loads of libX11),
// and then no more.
constexpr int kWarmUpCycles = 20;
// A leak of even one byte a cycle shows as 500; what the system itself
// keeps after the first loads stays below this.
constexpr std::size_t kAllowedGrowth = 256;

std::string signedGrouped(long long value) {
    const unsigned long long size = static_cast<unsigned long long>(value < 0 ? -value : value);
    return (value < 0 ? "-" : value > 0 ? "+" : "") + grouped(size);
}

std::uint64_t hashSamples(const float* samples, int count, std::uint64_t hash) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(samples);
    for (std::size_t i = 0; i < static_cast<std::size_t>(count) * sizeof(float); ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

void fillNoise(Random& random, float* samples, int count, float amplitude) {
    for (int i = 0; i < count; ++i) samples[i] = random.around(amplitude);
}

struct CycleActivity : Activity {
    int cycle = 0;
    const char* step = "";
    void describe(char* text, std::size_t capacity) const override {
        std::snprintf(text, capacity, "cycle %d of %d, %s", cycle + 1, kCycles, step);
    }
};

// One load/open/process/close/unload cycle; false when the library or the
// effect could not be had.
bool fullCycle(Random& random, HostBuffers& buffers, CycleActivity& activity) {
    activity.step = "loading";
    PluginLibrary library;
    if (!library.loaded()) return false;
    activity.step = "main";
    Plugin plugin(library.create());
    if (!plugin.record()) return false;
    activity.step = "opening";
    plugin.start(44100.0f, 1024);
    for (int block = 0; block < 4; ++block) {
        activity.step = "processing";
        const int frames = 1 + static_cast<int>(random.below(1024));
        buffers.place(frames, random.chance(0.5) ? Flush::end : Flush::start, random.chance(0.5));
        fillNoise(random, buffers.inputs()[0], frames, 1.0f);
        fillNoise(random, buffers.inputs()[1], frames, 1.0f);
        plugin.processReplacing(buffers.inputs(), buffers.outputs(), frames);
    }
    activity.step = "closing";
    plugin.close();
    activity.step = "unloading";
    return true;
}

TEST(Lifecycle, LoadingAndUnloadingLeavesTheHeapsAsTheyWere) {
    CycleActivity activity;
    CurrentActivity current(activity);
    for (int i = 0; i < kWarmUpCycles; ++i) ASSERT_TRUE(PluginLibrary().loaded()) << PluginLibrary().error();
    const std::size_t before = platform::heapBytesInUse();
    for (activity.cycle = 0; activity.cycle < kCycles; ++activity.cycle) {
        activity.step = "loading and unloading, main never called";
        PluginLibrary library;
        ASSERT_TRUE(library.loaded()) << library.error();
    }
    const std::size_t after = platform::heapBytesInUse();
    const long long growth = static_cast<long long>(after) - static_cast<long long>(before);
    recordFigure("load and unload, `main` never called",
                 grouped(kCycles) + " cycles: heap bytes in use " + grouped(before) + " before, " + grouped(after) +
                     " after (growth " + signedGrouped(growth) + ")");
    EXPECT_LE(growth, static_cast<long long>(kAllowedGrowth))
        << "the heaps grew by " << growth << " bytes over " << kCycles << " loads, about "
        << growth / kCycles << " a load\n" << replayLine();
}

TEST(Lifecycle, FullCyclesLeaveNothingBehind) {
    Random random(seedFor("Lifecycle.FullCyclesLeaveNothingBehind"));
    HostBuffers buffers(1024);
    CycleActivity activity;
    CurrentActivity current(activity);
    for (int i = 0; i < kWarmUpCycles; ++i) ASSERT_TRUE(fullCycle(random, buffers, activity));
    const std::size_t before = platform::heapBytesInUse();
    const PluginResourceTotals totalsBefore = pluginResourceTotals();
    for (activity.cycle = 0; activity.cycle < kCycles; ++activity.cycle) {
        ASSERT_TRUE(fullCycle(random, buffers, activity)) << "cycle " << activity.cycle << "\n" << replayLine();
        const std::string held = pluginResourcesHeld();
        if (!held.empty())
            FAIL() << "after cycle " << activity.cycle << " the plug-in still holds " << held << replayLine();
    }
    const std::size_t after = platform::heapBytesInUse();
    const long long growth = static_cast<long long>(after) - static_cast<long long>(before);
    const PluginResourceTotals totals = pluginResourceTotals();
    const std::string resources =
        pluginResourcesCounted()
            ? grouped(totals.allocations - totalsBefore.allocations) +
                  " plug-in blocks allocated, 0 left after any close; GDI objects created " +
                  std::to_string(totals.gdiObjectsCreated - totalsBefore.gdiObjectsCreated) + ", held 0"
            : "the plug-in's own blocks not counted by this host";
    recordFigure("load, open, process, close, unload",
                 grouped(kCycles) + " cycles: heap bytes in use " + grouped(before) + " before, " + grouped(after) +
                     " after (growth " + signedGrouped(growth) + "); " + resources);
    EXPECT_LE(growth, static_cast<long long>(kAllowedGrowth))
        << "the heaps grew by " << growth << " bytes over " << kCycles << " cycles\n" << replayLine();
}

// One instance's settings and blocks, all drawn from its own seed.
struct InstanceScript {
    std::uint64_t seed;
    int program;
    float sampleRate;
    float parameters[9];
    std::vector<int> frames;
    std::vector<bool> accumulate;
};

InstanceScript scriptFor(std::uint64_t seed, int blocks) {
    static const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};
    Random random(seed);
    InstanceScript s{seed, static_cast<int>(random.below(16)), random.pick(rates), {}, {}, {}};
    for (float& p : s.parameters) p = static_cast<float>(random.unit());
    for (int b = 0; b < blocks; ++b) {
        s.frames.push_back(1 + static_cast<int>(random.below(3000)));
        s.accumulate.push_back(random.chance(0.5));
    }
    return s;
}

void setUp(const Plugin& plugin, const InstanceScript& s) {
    plugin.start(s.sampleRate, 3000);
    plugin.dispatch(effSetProgram, 0, s.program);
    for (int i = 0; i < 9; ++i) plugin.setParameter(i, s.parameters[i]);
}

// Runs block b of a script and returns the hash of its output.
std::uint64_t runBlock(const Plugin& plugin, const InstanceScript& s, int b, HostBuffers& buffers) {
    Random random(s.seed ^ (0x51ED270B27C4F3A1ull * static_cast<std::uint64_t>(b + 1)));
    const int frames = s.frames[static_cast<std::size_t>(b)];
    buffers.place(frames, Flush::end, false);
    for (int ch = 0; ch < 2; ++ch) {
        fillNoise(random, buffers.inputs()[ch], frames, 0.7f);
        fillNoise(random, buffers.outputs()[ch], frames, 0.3f);
    }
    if (s.accumulate[static_cast<std::size_t>(b)])
        plugin.process(buffers.inputs(), buffers.outputs(), frames);
    else
        plugin.processReplacing(buffers.inputs(), buffers.outputs(), frames);
    return hashSamples(buffers.outputs()[1], frames, hashSamples(buffers.outputs()[0], frames, 1469598103934665603ull));
}

TEST(Lifecycle, SixteenInstancesAtOnceEachMatchItselfAlone) {
    constexpr int kInstances = 16, kBlocks = 40;
    const std::uint64_t seed = seedFor("Lifecycle.SixteenInstancesAtOnceEachMatchItselfAlone");
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    HostBuffers buffers(3000);
    std::vector<InstanceScript> scripts;
    std::vector<Plugin> plugins;
    for (int i = 0; i < kInstances; ++i) {
        scripts.push_back(scriptFor(seed + static_cast<std::uint64_t>(i), kBlocks));
        plugins.emplace_back(library.create());
        ASSERT_NE(plugins.back().record(), nullptr);
        setUp(plugins.back(), scripts.back());
    }
    std::vector<std::vector<std::uint64_t>> together(kInstances);
    long frames = 0;
    for (int b = 0; b < kBlocks; ++b)
        for (std::size_t i = 0; i < kInstances; ++i) {
            together[i].push_back(runBlock(plugins[i], scripts[i], b, buffers));
            frames += scripts[i].frames[static_cast<std::size_t>(b)];
        }
    for (Plugin& plugin : plugins) plugin.close();

    int identical = 0;
    for (int i = 0; i < kInstances; ++i) {
        const InstanceScript& s = scripts[static_cast<std::size_t>(i)];
        Plugin alone(library.create());
        ASSERT_NE(alone.record(), nullptr);
        setUp(alone, s);
        bool same = true;
        for (int b = 0; b < kBlocks && same; ++b) {
            const std::uint64_t hash = runBlock(alone, s, b, buffers);
            same = hash == together[static_cast<std::size_t>(i)][static_cast<std::size_t>(b)];
            EXPECT_TRUE(same) << "instance " << i << " (program " << s.program << ", " << s.sampleRate
                              << " Hz) differs from itself alone from block " << b << " on\n" << replayLine();
        }
        identical += same;
        alone.close();
    }
    recordFigure("instances at once", std::to_string(kInstances) + " instances, " + std::to_string(kBlocks) +
                                          " blocks each (" + grouped(static_cast<unsigned long long>(frames)) +
                                          " frames in all): " + std::to_string(identical) +
                                          " bit-identical to themselves run alone");
}

}  // namespace
}  // namespace abuse
