// States loaded on the host's UI thread while its audio thread automates
// values and changes programs: however the two meet, what the plug-in
// plays afterwards is what it saves, program for program.  Before a load
// was handed to the audio thread, values automated during a load landed in
// programs the saved state did not show (program 0 played Depth 0.9 while
// the host saved 0.1).  Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "tools/Vst3Host.h"

namespace {

using namespace vst3host;

constexpr double kSampleRate = 48000.0;
constexpr int kBlock = 64;

struct Random {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
    float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }
};

// A state in our own format (its first version, which every release
// reads): every program's Depth 0.1, the rest random.
std::vector<unsigned char> stateToLoad(Random& random, int current) {
    std::vector<unsigned char> bytes = {'V', 'L', 'R', '2', 1, 0, 0, 0, static_cast<unsigned char>(current), 0, 0, 0};
    for (int p = 0; p < 16; ++p) {
        const char name[32] = "Loaded";
        bytes.insert(bytes.end(), name, name + 32);
        for (int i = 0; i < 9; ++i) {
            const float value = i == 3 ? 0.1f : random.unit();
            unsigned char le[4];
            std::memcpy(le, &value, 4);
            bytes.insert(bytes.end(), le, le + 4);
        }
    }
    return bytes;
}

std::vector<float> render(Instance& plugin, int program, const std::vector<float>& input) {
    ParameterChanges change;
    change.add(9, 0, program / 15.0);
    plugin.process(nullptr, nullptr, nullptr, nullptr, 0, &change);
    std::vector<float> out(input.size());
    const int frames = static_cast<int>(input.size() / 2);
    plugin.process(&input[0], &input[frames], &out[0], &out[frames], frames);
    return out;
}

TEST(Vst3Threads, WhatPlaysAfterStatesLoadedDuringAutomationIsWhatIsSaved) {
    Module module;
    ASSERT_TRUE(module.loaded()) << builtModulePath();
    IPluginFactory* factory = module.factory();
    Random random{77};
    std::vector<float> noise(2 * 128);
    for (float& sample : noise) sample = random.unit() - 0.5f;
    ProcessSetup setup{kRealtime, kSample32, 512, kSampleRate};

    // A load replaces every program, so only the last one before a check
    // counts: one load per attempt, while the audio thread is busy.
    int mixed = 0;
    for (int attempt = 0; attempt < 200 && mixed == 0; ++attempt) {
        Instance plugin(factory);
        plugin.start(kSampleRate, 512);
        std::atomic<bool> stop{false};
        std::atomic<int> blocks{0};
        std::thread audio([&] {
            Random automation{static_cast<std::uint32_t>(attempt)};
            std::vector<float> in(2 * kBlock, 0.25f), out(2 * kBlock);
            for (int block = 0; !stop.load(); ++block) {
                ParameterChanges changes;
                for (int frame = 0; frame < kBlock; frame += 8) changes.add(3, frame, 0.9);
                changes.add(7, kBlock / 2, automation.unit());
                if (block % 7 == 3) changes.add(9, kBlock / 3, (automation.next() >> 8) % 16 / 15.0);
                plugin.process(&in[0], &in[kBlock], &out[0], &out[kBlock], kBlock, &changes);
                blocks.store(block + 1);
            }
        });
        while (blocks.load() < 20) std::this_thread::yield();
        EXPECT_EQ(plugin.load(stateToLoad(random, attempt % 16)), kResultOk);
        stop.store(true);
        audio.join();

        // Both from a fresh start: this instance and a new one given what
        // this one saves play every program alike.
        const std::vector<unsigned char> saved = plugin.state();
        Instance again(factory);
        ASSERT_EQ(again.load(saved), kResultOk);
        again.start(kSampleRate, 512);
        plugin.component->setActive(0);
        plugin.processor->setupProcessing(setup);
        plugin.component->setActive(1);
        for (int p = 0; p < 16; ++p)
            if (render(plugin, p, noise) != render(again, p, noise)) {
                ADD_FAILURE() << "attempt " << attempt << ": program " << p << " plays other values than it saves";
                ++mixed;
            }
    }
    EXPECT_EQ(factory->release(), 0u);
}

}  // namespace
