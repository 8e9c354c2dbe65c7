// The effect between threads: the audio thread plays while other threads
// set parameters, programs and sample rates, and the editor takes the clip
// report.  The ThreadSanitizer tree runs these (and CoefficientExchangeTest)
// to prove the exchanges race-free as well as right.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "chorus/FilterDesign.h"
#include "chorus/OscillatorRotation.h"
#include "chorus/ParameterIndex.h"
#include "chorus/ParameterTable.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

using I = ChorusEffectInspector;
using namespace chorus;  // the parameter indices

// The editor's timer takes the clip report on its own thread while the
// audio thread may be reporting a clip.  Here the "editor" takes the flag
// over and over while the audio thread reports one clip at a time, each
// after it has seen the previous one taken: every report must be taken
// exactly once.  Reading the flag and then clearing it in two steps loses a
// report that lands in between (and the audio thread then moves on).
TEST(ChorusThreads, EveryClipReportIsTakenOnceWhileTheEditorTakesConcurrently) {
    ChorusEffect effect(nullptr);
    effect.setParameter(kDry, 4.0f);
    float in[1] = {1.0f}, out[1];
    float* inputs[2] = {in, in};
    float* outputs[2] = {out, out};
    constexpr int kReports = 5000;
    std::atomic<bool> done{false};
    int taken = 0;
    std::thread editor([&] {
        while (!done.load(std::memory_order_acquire)) taken += effect.takeClipFlag();
    });
    for (int report = 0; report < kReports; ++report) {
        while (effect.getClipFlag() != 0) {
        }
        effect.processReplacing(inputs, outputs, 1);
    }
    while (effect.getClipFlag() != 0) {
    }
    done.store(true, std::memory_order_release);
    editor.join();
    EXPECT_EQ(taken, kReports);
}

std::uint32_t nextRandom(std::uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}
float randomValue(std::uint32_t& seed) { return static_cast<float>(nextRandom(seed)) / 16777216.0f; }

// What each writer does in a round: host automation, a knob on the UI
// thread, and a third thread that also changes programs and sample rates.
void changeSomething(ChorusEffect& effect, int writer, std::uint32_t& seed) {
    static const float kRates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f};
    const std::uint32_t what = nextRandom(seed) % 8;
    if (writer == 2 && what == 0) {
        effect.setProgram(static_cast<VstInt32>(nextRandom(seed) % 4));
    } else if (writer == 2 && what == 1) {
        effect.setSampleRate(kRates[nextRandom(seed) % 4]);
    } else if (what < 6) {
        // Filter, Cutoff or Rate, which derive the coefficients.
        effect.setParameter(static_cast<VstInt32>((writer + what) % 3), randomValue(seed));
    } else {
        effect.setParameter(static_cast<VstInt32>(3 + nextRandom(seed) % 6), randomValue(seed));
    }
}

#if defined(__SANITIZE_THREAD__)
constexpr int kRounds = 200;
#else
constexpr int kRounds = 1000;
#endif

// Three threads make a few interleaved changes each per round while the
// audio thread plays short blocks.  After each round the first block that
// starts must run with the coefficients that the values now stored derive:
// no change may be lost, whichever thread made it.
TEST(ChorusThreads, AfterEveryRoundOfChangesTheNextBlockRunsWithTheLatestValues) {
    ChorusEffect effect(nullptr);
    constexpr int kWriters = 3;
    std::atomic<int> round{0}, finished{0}, roundsEnded{0}, roundsChecked{0};
    std::atomic<bool> stop{false};
    ProcessingCoefficients expected{};  // published by roundsEnded

    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            std::uint32_t seed = 7919u * (w + 1);
            for (int r = 1;; ++r) {
                while (round.load(std::memory_order_acquire) < r) {
                    if (stop.load(std::memory_order_relaxed)) return;
                    std::this_thread::yield();
                }
                for (int calls = 1 + static_cast<int>(nextRandom(seed) % 3); calls > 0; --calls)
                    changeSomething(effect, w, seed);
                finished.fetch_add(1, std::memory_order_release);
            }
        });
    int mismatches = 0, firstMismatch = 0;
    std::thread audio([&] {
        std::vector<float> inL(64, 0.25f), inR(64, -0.25f), outL(64), outR(64);
        float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {outL.data(), outR.data()};
        int checked = 0;
        while (!stop.load(std::memory_order_relaxed)) {
            const int ended = roundsEnded.load(std::memory_order_acquire);
            effect.processReplacing(in, out, 64);
            if (ended > checked) {
                const ProcessingCoefficients ran = I::blockCoefficients(effect);
                const bool same = ran.filter.a0 == expected.filter.a0 && ran.filter.a1 == expected.filter.a1 &&
                                  ran.filter.a2 == expected.filter.a2 && ran.filter.b1 == expected.filter.b1 &&
                                  ran.filter.b2 == expected.filter.b2 &&
                                  ran.rotation.cosine == expected.rotation.cosine &&
                                  ran.rotation.sine == expected.rotation.sine;
                if (!same && mismatches++ == 0) firstMismatch = ended;
                checked = ended;
                roundsChecked.store(checked, std::memory_order_release);
            }
        }
    });

    for (int r = 1; r <= kRounds; ++r) {
        round.store(r, std::memory_order_release);
        while (finished.load(std::memory_order_acquire) < kWriters * r) std::this_thread::yield();
        const float fs = I::sampleRate(effect);
        expected = {designFilter(isLowPass(effect.getParameter(kFilter)), effect.getParameter(kCutoff), fs),
                    oscillatorRotation(effect.getParameter(kRate), fs)};
        roundsEnded.store(r, std::memory_order_release);
        while (roundsChecked.load(std::memory_order_acquire) < r) std::this_thread::yield();
    }
    stop.store(true);
    for (std::thread& w : writers) w.join();
    audio.join();
    EXPECT_EQ(mismatches, 0) << "of " << kRounds << " rounds, first in round " << firstMismatch;
}

}  // namespace
