// An audio thread processes blocks while a second thread sets parameters,
// programs, program names and sample rates and reads names and value texts,
// for ten seconds under a watchdog: no guard page or canary touched, every
// block of finite input finite, every text within its limit, and both
// threads end by themselves.
//
// Then the sound is judged, blocks of noise with peaks of 0.5 against what
// a user does: knob moves on the editor's thread during playback (Filter,
// Cutoff, Rate and program changes), and sample-rate changes between
// parameter changes on one thread.  No block may exceed four times the
// input's peak or be non-finite.
//
// Last, the audio thread's calls into the C runtime and the system, with
// the editor open and the knobs turning: there must be none.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "tests/abuse/AbuseHost.h"
#include "tests/abuse/ImportCalls.h"
#include "tests/abuse/Platform.h"
#include "tests/abuse/Reporting.h"

namespace abuse {
namespace {

// ThreadSanitizer makes every access of the plug-in's some ten times
// slower and runs these cases to find races, which a few seconds show.
#if defined(__SANITIZE_THREAD__)
constexpr int kMilliseconds = 3000;
constexpr int kJudgedMilliseconds = 2000;
constexpr long kSampleRateBlocks = 10000;
#else
constexpr int kMilliseconds = 10000;
constexpr int kJudgedMilliseconds = 5000;
constexpr long kSampleRateBlocks = 200000;
#endif
constexpr int kCallMilliseconds = 3000;  // where the audio thread's calls are counted

std::chrono::steady_clock::time_point fromNow(int milliseconds) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

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
    const auto end = fromNow(kMilliseconds);
    while (!shared.stop && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
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

// Blocks of noise with peaks of kNoisePeak, judged: the loudest sample of
// every block and the blocks that burst (above four times the input's
// peak, or non-finite).
constexpr float kNoisePeak = 0.5f;
constexpr int kJudgedBlock = 256;

std::string shortNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

struct Judge {
    std::atomic<long> blocks{0};
    std::atomic<long> bursts{0};
    float loudest = 0.0f;  // written by the audio thread only
    std::string firstBurst;

    void judge(float** outputs, int frames) {
        float peak = 0.0f;
        bool finite = true;
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < frames; ++i) {
                const float y = outputs[ch][i];
                if (!std::isfinite(y)) finite = false;
                else if (std::fabs(y) > peak) peak = std::fabs(y);
            }
        if (peak > loudest) loudest = peak;
        if (!finite || peak > 4.0f * kNoisePeak) {
            if (bursts++ == 0)
                firstBurst = "block " + std::to_string(blocks.load()) + ": " +
                             (finite ? "peak " + shortNumber(peak) : std::string("non-finite output"));
        }
        ++blocks;
    }
    std::string verdict() const {
        return std::to_string(bursts.load()) + " of " + grouped(blocks.load()) + " blocks above " +
               shortNumber(4.0f * kNoisePeak) + " or non-finite" + (firstBurst.empty() ? "" : ", first at ") +
               firstBurst;
    }
};

void noise(Random& random, HostBuffers& buffers, int frames) {
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < frames; ++i) buffers.inputs()[ch][i] = random.around(kNoisePeak);
}

// What the editor does during a drag, at its pace or faster: mostly Cutoff
// in the low range under a low-pass (where a filter from a mixed pair of
// coefficients is most unstable), with Filter, Rate and program changes.
void knobThread(const Plugin& plugin, std::uint64_t seed, const std::atomic<bool>& stop, ControlActivity& activity) {
    CurrentActivity current(activity);
    Random random(seed);
    while (!stop) {
        const std::uint32_t what = random.below(100);
        if (what < 80) {
            activity.doing = "Cutoff";
            plugin.setParameter(1, static_cast<float>(0.03 + 0.09 * random.unit()));
        } else if (what < 88) {
            activity.doing = "Rate";
            plugin.setParameter(2, static_cast<float>(random.unit()));
        } else if (what < 96) {
            activity.doing = "Filter";
            plugin.setParameter(0, random.chance(0.75) ? 0.0f : static_cast<float>(random.unit()));
        } else {
            activity.doing = "effSetProgram";
            plugin.dispatch(effSetProgram, 0, random.below(16));
        }
        ++activity.calls;
    }
}

TEST(Bursts, KnobMovesDuringPlayback) {
    const std::uint64_t seed = seedFor("Bursts.KnobMovesDuringPlayback");
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    const Plugin plugin(library.create());
    ASSERT_NE(plugin.record(), nullptr);
    plugin.start(44100.0f, kJudgedBlock);
    plugin.setParameter(0, 0.0f);  // low-pass
    armWatchdog("Bursts.KnobMovesDuringPlayback", kJudgedMilliseconds / 1000 + 60);

    std::atomic<bool> stop{false};
    ControlActivity control;
    Judge judge;
    std::thread knobs(knobThread, std::cref(plugin), seed + 1, std::cref(stop), std::ref(control));
    {
        AudioActivity audio;
        CurrentActivity current(audio);
        audio.current = kJudgedBlock;
        Random random(seed);
        HostBuffers buffers(kJudgedBlock);
        const auto end = fromNow(kJudgedMilliseconds);
        while (std::chrono::steady_clock::now() < end) {
            buffers.place(kJudgedBlock, Flush::end, false);
            noise(random, buffers, kJudgedBlock);
            plugin.processReplacing(buffers.inputs(), buffers.outputs(), kJudgedBlock);
            judge.judge(buffers.outputs(), kJudgedBlock);
            ++audio.blocks;
        }
    }
    stop = true;
    knobs.join();
    Plugin(plugin).close();

    EXPECT_EQ(judge.bursts.load(), 0) << judge.verdict() << "\n" << replayLine();
    recordFigure("knob moves during playback",
                 std::to_string(kJudgedMilliseconds / 1000) + " s: " + grouped(judge.blocks.load()) + " blocks of " +
                     std::to_string(kJudgedBlock) + " frames of noise (peak 0.5) against " +
                     grouped(control.calls.load()) + " Cutoff, Rate, Filter and program changes on another thread; " +
                     judge.verdict() + "; loudest sample " + shortNumber(judge.loudest));
}

TEST(Bursts, SampleRateChangesBetweenParameterChanges) {
    constexpr long kBlocks = kSampleRateBlocks;
    const std::uint64_t seed = seedFor("Bursts.SampleRateChangesBetweenParameterChanges");
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    const Plugin plugin(library.create());
    ASSERT_NE(plugin.record(), nullptr);
    plugin.start(44100.0f, kJudgedBlock);
    armWatchdog("Bursts.SampleRateChangesBetweenParameterChanges", 120);

    static const float rates[] = {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 384000.0f};
    Random random(seed);
    HostBuffers buffers(kJudgedBlock);
    Judge judge;
    long rateChanges = 0;
    for (long block = 0; block < kBlocks; ++block) {
        if (random.chance(0.3))
            plugin.setParameter(static_cast<VstInt32>(random.below(9)), static_cast<float>(random.unit()));
        if (random.chance(0.02)) {
            plugin.dispatch(effSetSampleRate, 0, 0, nullptr, random.pick(rates));
            ++rateChanges;
        }
        buffers.place(kJudgedBlock, Flush::end, false);
        noise(random, buffers, kJudgedBlock);
        plugin.processReplacing(buffers.inputs(), buffers.outputs(), kJudgedBlock);
        judge.judge(buffers.outputs(), kJudgedBlock);
    }
    Plugin(plugin).close();

    EXPECT_EQ(judge.bursts.load(), 0) << judge.verdict() << "\n" << replayLine();
    recordFigure("sample-rate changes", grouped(kBlocks) + " blocks of noise (peak 0.5), " + grouped(rateChanges) +
                                            " changes among 8 to 384 kHz between random parameter changes; " +
                                            judge.verdict() + "; loudest sample " + shortNumber(judge.loudest));
}

// Blocks and the host's automation on the audio thread, while the editor is
// open in a host window (its messages and idle calls on this thread) and a
// second thread turns knobs and changes programs.  The audio thread may
// call nothing through the plug-in's imports: not memset for the ring a
// program change silences, not the window system for a control to repaint
// (the editor marks it, and its own thread repaints).
TEST(Threads, TheAudioThreadCallsNothingWithTheEditorOpen) {
    if (!kImportCallsCountable) GTEST_SKIP() << "an instrumented plug-in calls its sanitizer's runtime everywhere";
    const std::uint64_t seed = seedFor("Threads.TheAudioThreadCallsNothingWithTheEditorOpen");
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    const Plugin plugin(library.create());
    ASSERT_NE(plugin.record(), nullptr);
    const int imports = countImportCalls(reinterpret_cast<const void*>(plugin.record()->dispatcher));
    ASSERT_GT(imports, 0);
    plugin.start(44100.0f, kJudgedBlock);
    platform::HostWindow window;
    ASSERT_NE(window.handle(), nullptr) << "no display for the editor";
    ASSERT_EQ(plugin.dispatch(effEditOpen, 0, 0, window.handle()), 1);
    armWatchdog("Threads.TheAudioThreadCallsNothingWithTheEditorOpen", kCallMilliseconds / 1000 + 60);

    std::atomic<bool> stop{false};
    ControlActivity control;
    std::thread knobs(knobThread, std::cref(plugin), seed + 1, std::cref(stop), std::ref(control));
    long blocks = 0;
    std::string calls;
    std::thread audio([&] {
        AudioActivity activity;
        CurrentActivity current(activity);
        activity.current = kJudgedBlock;
        Random random(seed);
        HostBuffers buffers(kJudgedBlock);
        countCallsOfThisThread();
        while (!stop) {
            buffers.place(kJudgedBlock, Flush::end, false);
            noise(random, buffers, kJudgedBlock);
            plugin.processReplacing(buffers.inputs(), buffers.outputs(), kJudgedBlock);
            plugin.setParameter(static_cast<VstInt32>(random.below(9)), static_cast<float>(random.unit()));
            ++activity.blocks;
        }
        stopCountingCalls();
        blocks = activity.blocks;
        calls = importCallsCounted();
    });
    const auto end = fromNow(kCallMilliseconds);
    while (std::chrono::steady_clock::now() < end) {
        window.runMessages();
        plugin.dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    stop = true;
    knobs.join();
    audio.join();
    plugin.dispatch(effEditClose);
    Plugin(plugin).close();

    EXPECT_EQ(calls, "") << "calls of the audio thread through the plug-in's imports\n" << replayLine();
    recordFigure("audio thread's calls",
                 std::to_string(kCallMilliseconds / 1000) + " s with the editor open: " + grouped(blocks) +
                     " blocks and as many parameter sets on the audio thread against " +
                     grouped(control.calls.load()) + " knob and program changes on another thread; " +
                     (calls.empty() ? std::string("no call") : calls) + " through the plug-in's " +
                     std::to_string(imports) + " function imports");
}

}  // namespace
}  // namespace abuse
