// An audio thread processes blocks while a second thread sets parameters,
// programs, program names and sample rates and reads names and value texts,
// for ten seconds under a watchdog: no guard page or canary touched, every
// block of finite input finite, every text within its limit, and both
// threads end by themselves.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "tests/wine/abuse/AbuseHost.h"
#include "tests/wine/abuse/Reporting.h"

namespace abuse {
namespace {

constexpr DWORD kMilliseconds = 10000;

struct Shared {
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::string failure;  // the first one

    void fail(const std::string& what) {
        std::lock_guard<std::mutex> hold(lock);
        if (failure.empty()) failure = what;
        stop = true;
    }
};

struct AudioActivity : Activity {
    std::atomic<long> blocks{0};
    std::atomic<long long> frames{0};
    std::atomic<int> current{0};
    void describe(char* text, std::size_t capacity) const override {
        std::snprintf(text, capacity, "audio thread, block %ld of %d frames", blocks.load() + 1, current.load());
    }
};

struct ControlActivity : Activity {
    std::atomic<long> calls{0};
    std::atomic<const char*> doing{"starting"};
    void describe(char* text, std::size_t capacity) const override {
        std::snprintf(text, capacity, "control thread, call %ld: %s", calls.load() + 1, doing.load());
    }
};

bool allFinite(const float* samples, int frames) {
    for (int i = 0; i < frames; ++i)
        if (!std::isfinite(samples[i])) return false;
    return true;
}

void audioThread(const Plugin& plugin, std::uint64_t seed, Shared& shared, AudioActivity& activity) {
    CurrentActivity current(activity);
    Random random(seed);
    HostBuffers buffers(4096);
    while (!shared.stop) {
        const int frames = 1 + static_cast<int>(random.below(4096));
        activity.current = frames;
        const bool inPlace = random.chance(0.5);
        buffers.place(frames, random.chance(0.5) ? Flush::end : Flush::start, inPlace);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < frames; ++i) {
                buffers.inputs()[ch][i] = random.around(1.0f);
                if (!inPlace) buffers.outputs()[ch][i] = random.around(0.1f);
            }
        if (random.chance(0.5))
            plugin.processReplacing(buffers.inputs(), buffers.outputs(), frames);
        else
            plugin.process(buffers.inputs(), buffers.outputs(), frames);
        if (!buffers.canariesIntact()) shared.fail("a block wrote beside its buffers");
        if (!allFinite(buffers.outputs()[0], frames) || !allFinite(buffers.outputs()[1], frames))
            shared.fail("block " + std::to_string(activity.blocks.load()) + " gave non-finite output");
        ++activity.blocks;
        activity.frames += frames;
    }
}

void checkText(const TextBuffer& text, std::size_t limit, const char* request, Shared& shared) {
    if (text.writtenExtent() > limit || !text.terminatedWithin(limit))
        shared.fail(std::string(request) + " wrote past " + std::to_string(limit) + " bytes");
}

void controlThread(const Plugin& plugin, std::uint64_t seed, Shared& shared, ControlActivity& activity) {
    CurrentActivity current(activity);
    Random random(seed);
    TextBuffer text;
    static const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 0.0f, -1.0f, NAN, INFINITY};
    while (!shared.stop) {
        const std::uint32_t what = random.below(10);
        text.fillWithCanaries();
        if (what < 4) {
            activity.doing = "setParameter";
            plugin.setParameter(static_cast<VstInt32>(random.below(9)), static_cast<float>(random.unit()));
        } else if (what == 4) {
            activity.doing = "effSetProgram";
            plugin.dispatch(effSetProgram, 0, random.below(16));
        } else if (what == 5) {
            activity.doing = "effSetProgramName";
            const std::uint32_t length = random.below(40);
            for (std::uint32_t i = 0; i < length; ++i) text.data()[i] = static_cast<char>('a' + random.below(26));
            text.data()[length] = '\0';
            plugin.dispatch(effSetProgramName, 0, 0, text.data());
        } else if (what == 6) {
            activity.doing = "effGetProgramName";
            plugin.dispatch(effGetProgramName, 0, 0, text.data());
            checkText(text, 32, "effGetProgramName", shared);
        } else if (what <= 8) {
            const VstInt32 opcodes[] = {effGetParamDisplay, effGetParamName, effGetParamLabel};
            const VstInt32 opcode = random.pick(opcodes);
            activity.doing = "a parameter text";
            plugin.dispatch(opcode, static_cast<VstInt32>(random.below(9)), 0, text.data());
            checkText(text, opcode == effGetParamDisplay ? 10 : 9, "a parameter text", shared);
        } else {
            activity.doing = "effSetSampleRate";
            plugin.dispatch(effSetSampleRate, 0, 0, nullptr, random.pick(rates));
        }
        ++activity.calls;
    }
}

TEST(Threads, AudioAgainstControlUnderAWatchdog) {
    const std::uint64_t seed = seedFor("Threads.AudioAgainstControlUnderAWatchdog");
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    const Plugin plugin(library.create());
    ASSERT_NE(plugin.record(), nullptr);
    plugin.start(44100.0f, 4096);
    armWatchdog("Threads.AudioAgainstControlUnderAWatchdog", kMilliseconds / 1000 + 60);

    Shared shared;
    AudioActivity audio;
    ControlActivity control;
    std::thread audioWorker(audioThread, std::cref(plugin), seed, std::ref(shared), std::ref(audio));
    std::thread controlWorker(controlThread, std::cref(plugin), seed + 1, std::ref(shared), std::ref(control));
    const DWORD start = GetTickCount();
    while (!shared.stop && GetTickCount() - start < kMilliseconds) Sleep(20);
    shared.stop = true;
    audioWorker.join();
    controlWorker.join();
    Plugin(plugin).close();

    EXPECT_EQ(shared.failure, "") << replayLine();
    recordFigure("threads", std::to_string(kMilliseconds / 1000) + " s: " + grouped(audio.blocks.load()) +
                                " blocks (" + grouped(audio.frames.load()) + " frames) on the audio thread against " +
                                grouped(control.calls.load()) +
                                " parameter, program, name, text and sample-rate calls; every block finite, every "
                                "text within its limit");
}

}  // namespace
}  // namespace abuse
