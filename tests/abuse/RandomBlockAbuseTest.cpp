// Random blocks of 0 to 100,000 frames (far past the announced block size,
// and a few negative counts), in place and separate, through process and
// processReplacing, in buffers guarded on both sides, with bad sample
// rates, absurd parameter values and bursts of NaN and infinite input.
// Nothing may touch a guard page or a canary; finite input with parameters
// from 0 to 1 gives finite output, whatever the sample rate; and the first
// block after a burst is finite again.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "tests/abuse/AbuseHost.h"
#include "tests/abuse/Reporting.h"

namespace abuse {
namespace {

constexpr int kBlocks = 30000 / kBlockWorkDivisor;
constexpr int kLargest = 100000;

bool isFinite(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x7F800000u) != 0x7F800000u;
}

// The first non-finite sample of a channel, or -1.
int firstNonFinite(const float* samples, int frames) {
    for (int i = 0; i < frames; ++i)
        if (!isFinite(samples[i])) return i;
    return -1;
}

enum class Burst { none, nanInput, infiniteInput, absurdParameter };

const char* burstName(Burst burst) {
    switch (burst) {
    case Burst::nanInput: return "NaN input";
    case Burst::infiniteInput: return "infinite input";
    case Burst::absurdParameter: return "absurd parameter";
    default: return "no burst";
    }
}

struct BlockActivity : Activity {
    int block = 0;
    int frames = 0;
    bool accumulate = false;
    bool inPlace = false;
    Flush flush = Flush::end;
    Burst burst = Burst::none;
    float sampleRate = 44100.0f;
    int announced = 0;
    void describe(char* text, std::size_t capacity) const override {
        std::snprintf(text, capacity,
                      "block %d of %d: %d frames (announced %d) through %s, %s buffers touching a guard page at "
                      "their %s, %s, sample rate %g",
                      block + 1, kBlocks, frames, announced, accumulate ? "process" : "processReplacing",
                      inPlace ? "in-place" : "separate", flush == Flush::end ? "end" : "start", burstName(burst),
                      static_cast<double>(sampleRate));
    }
};

int drawFrames(Random& random, int announced) {
    if (random.chance(0.08)) {
        const int special[] = {0,     1,     2,     3,     63,    64,    65,    announced - 1, announced,
                               announced + 1, 65535, 65536, 65537, 99999, kLargest};
        return random.pick(special);
    }
    if (random.chance(0.02)) {
        const int negative[] = {-1, -2, -65536, -kLargest, INT_MIN};
        return random.pick(negative);
    }
    // Log-uniform, so that small blocks are as common as hosts make them.
    const int frames = static_cast<int>(std::exp(random.unit() * std::log(kLargest + 1.0))) - 1;
    return frames < kLargest ? frames : kLargest;
}

// Noise is read from a table at a random place: drawing every sample
// would cost more than the plug-in's own work.
class NoiseTable {
public:
    explicit NoiseTable(Random& random) {
        for (float& sample : samples) sample = random.around(1.0f);
    }
    void fill(Random& random, float* out, int frames, float amplitude) const {
        std::uint32_t at = random.below(kSize);
        for (int i = 0; i < frames; ++i) out[i] = samples[at++ & (kSize - 1)] * amplitude;
    }

private:
    static constexpr std::uint32_t kSize = 1u << 17;
    float samples[kSize];
};

void fillInput(Random& random, const NoiseTable& noise, float* samples, int frames, Burst burst) {
    static const float amplitudes[] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1e4f, 3e38f, 1e-40f};
    noise.fill(random, samples, frames, random.pick(amplitudes));
    if (burst != Burst::nanInput && burst != Burst::infiniteInput) return;
    const float bad = burst == Burst::nanInput ? std::numeric_limits<float>::quiet_NaN()
                                               : (random.chance(0.5) ? 1.0f : -1.0f) * INFINITY;
    if (frames <= 0) return;
    if (random.chance(0.3))
        for (int i = 0; i < frames; ++i) samples[i] = bad;
    for (int n = 1 + frames / 100; n > 0; --n) samples[random.below(static_cast<std::uint32_t>(frames))] = bad;
}

struct Tally {
    long long frames = 0;
    long inPlace = 0, accumulating = 0, pastAnnounced = 0, empty = 0, negative = 0, bursts = 0, recoveries = 0,
         rates = 0, finiteChecked = 0;
};

TEST(RandomBlocks, GuardedFiniteAndRecovering) {
    Random random(seedFor("RandomBlocks.GuardedFiniteAndRecovering"));
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    Plugin plugin(library.create());
    ASSERT_NE(plugin.record(), nullptr);
    HostBuffers buffers(kLargest);
    const auto table = std::make_unique<NoiseTable>(random);
    const NoiseTable& noise = *table;

    BlockActivity activity;
    CurrentActivity current(activity);
    activity.announced = 512;
    plugin.start(activity.sampleRate, activity.announced);

    static const float badRates[] = {0.0f, -44100.0f, NAN, INFINITY, -INFINITY, 1e-40f, 1e-30f, 1.0f, 7.0f, 1e30f,
                                     FLT_MAX};
    static const float goodRates[] = {22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f};
    static const float absurdValues[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, FLT_MAX, -5.0f, 7.0f, 1e-40f};

    Tally tally;
    float parameters[9];
    for (int i = 0; i < 9; ++i) parameters[i] = plugin.getParameter(i);
    int burstLeft = 0, burstParameter = 0;
    bool recovering = false;

    for (activity.block = 0; activity.block < kBlocks; ++activity.block) {
        // What the host does between blocks.
        if (burstLeft == 0 && random.chance(0.03)) {
            const Burst kinds[] = {Burst::nanInput, Burst::infiniteInput, Burst::absurdParameter};
            activity.burst = random.pick(kinds);
            burstLeft = 1 + static_cast<int>(random.below(3));
            ++tally.bursts;
            if (activity.burst == Burst::absurdParameter) {
                burstParameter = static_cast<int>(random.below(9));
                plugin.setParameter(burstParameter, random.pick(absurdValues));
            }
        }
        if (random.chance(0.05)) {
            const int index = static_cast<int>(random.below(9));
            parameters[index] = static_cast<float>(random.unit());
            if (!(activity.burst == Burst::absurdParameter && index == burstParameter))
                plugin.setParameter(index, parameters[index]);
        }
        // Not during an absurd value, which the program would keep.
        if (activity.burst != Burst::absurdParameter && random.chance(0.01)) {
            plugin.dispatch(effSetProgram, 0, random.below(16));
            for (int i = 0; i < 9; ++i) parameters[i] = plugin.getParameter(i);
        }
        if (random.chance(0.02)) {
            const float rate = random.chance(0.5) ? random.pick(badRates) : random.pick(goodRates);
            plugin.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
            if (rate > 0.0f && rate <= FLT_MAX) activity.sampleRate = rate;
            ++tally.rates;
        }
        if (random.chance(0.01)) {
            activity.announced = 1 + static_cast<int>(random.below(8192));
            plugin.dispatch(effSetBlockSize, 0, activity.announced);
        }
        if (random.chance(0.005)) {
            plugin.dispatch(effMainsChanged, 0, 0);
            plugin.dispatch(effMainsChanged, 0, 1);
        }

        // The block.
        activity.frames = drawFrames(random, activity.announced);
        activity.accumulate = random.chance(0.5);
        activity.inPlace = random.chance(0.5);
        activity.flush = random.chance(0.5) ? Flush::end : Flush::start;
        buffers.place(activity.frames, activity.flush, activity.inPlace);
        const int frames = buffers.frames();
        for (int ch = 0; ch < 2; ++ch) {
            fillInput(random, noise, buffers.inputs()[ch], frames, activity.burst);
            if (!activity.inPlace) noise.fill(random, buffers.outputs()[ch], frames, 1.0f);
        }
        if (activity.accumulate)
            plugin.process(buffers.inputs(), buffers.outputs(), activity.frames);
        else
            plugin.processReplacing(buffers.inputs(), buffers.outputs(), activity.frames);

        tally.frames += frames;
        tally.inPlace += activity.inPlace;
        tally.accumulating += activity.accumulate;
        tally.pastAnnounced += activity.frames > activity.announced;
        tally.empty += activity.frames == 0;
        tally.negative += activity.frames < 0;
        ASSERT_TRUE(buffers.canariesIntact())
            << "the plug-in wrote beside a buffer it was given in block " << activity.block << "\n" << replayLine();

        if (activity.burst == Burst::none) {
            ++tally.finiteChecked;
            tally.recoveries += recovering && frames > 0;
            for (int ch = 0; ch < 2; ++ch) {
                const int at = firstNonFinite(buffers.outputs()[ch], frames);
                char doing[400];
                activity.describe(doing, sizeof doing);
                ASSERT_LT(at, 0) << (ch ? "right" : "left") << " output " << buffers.outputs()[ch][at]
                                 << " at frame " << at << " from finite input, "
                                 << (recovering ? "in the first block after a burst, " : "") << doing << "\n"
                                 << replayLine();
            }
            if (frames > 0) recovering = false;
        } else if (--burstLeft == 0) {
            if (activity.burst == Burst::absurdParameter)
                plugin.setParameter(burstParameter, parameters[burstParameter]);
            activity.burst = Burst::none;
            recovering = true;
        }
    }
    plugin.close();

    recordFigure("random blocks",
                 grouped(kBlocks) + " blocks" + scaledNote() + " of 0 to " + grouped(kLargest) + " frames (" +
                     grouped(tally.frames) + " frames; " + grouped(tally.pastAnnounced) + " past the announced size, " +
                     grouped(tally.empty) + " empty, " + grouped(tally.negative) + " negative), " +
                     grouped(tally.inPlace) + " in place, " + grouped(tally.accumulating) + " through process; " +
                     grouped(tally.rates) + " sample-rate changes (half of them bad); " + grouped(tally.bursts) +
                     " bursts of NaN, infinite input or absurd parameters; no guard page or canary touched; " +
                     grouped(tally.finiteChecked) + " blocks of finite input all finite, " +
                     grouped(tally.recoveries) + " of them first after a burst");
}

}  // namespace
}  // namespace abuse
