#include "tests/unit/chorus/GoldenScenarios.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

namespace golden {

namespace {

// A fixed-seed generator that gives the same numbers in every build.
class Random {
public:
    explicit Random(std::uint32_t seed) : state(seed * 2654435761u + 1u) {}
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state;
    }
    // Uniform in [-1, 1), exactly representable: a 24-bit integer × 2^-23.
    float uniform() { return std::ldexp(static_cast<float>(static_cast<std::int32_t>(next() >> 8) - (1 << 23)), -23); }
    int between(int low, int high) { return low + static_cast<int>(next() % static_cast<std::uint32_t>(high - low + 1)); }

private:
    std::uint32_t state;
};

// The default program's values, in index order.
constexpr float D[9] = {1.0f, 0.0f, 0.05f, 0.15f, 0.15f, 0.0f, 0.5f, 0.5f, 0.5f};

Scenario make(const std::string& name, float rate, std::initializer_list<std::pair<int, float>> changes, int frames,
              Signal signal, std::uint32_t split = 1, int maxBlock = 700) {
    Scenario s;
    s.name = name;
    s.sampleRate = rate;
    std::copy(D, D + 9, s.parameters);
    for (const auto& change : changes) s.parameters[change.first] = change.second;
    s.frames = frames;
    s.signal = signal;
    s.splitSeed = split;
    s.maxBlock = maxBlock;
    s.accumulate = false;
    s.inPlace = false;
    return s;
}

enum { F = 0, C = 1, R = 2, DE = 3, P = 4, PH = 5, DRY = 6, WET = 7, V = 8 };

std::vector<Scenario> buildScenarios() {
    std::vector<Scenario> list;
    list.push_back(make("DefaultProgramTwoVoices", 44100.0f, {}, 6000, Signal::noise));
    list.push_back(make("OneVoiceLowPass", 48000.0f, {{F, 0.2f}, {C, 0.4f}, {V, 0.1f}}, 5000, Signal::sines));
    list.push_back(make("TwoVoicesHighPassBright", 44100.0f, {{C, 0.9f}, {R, 0.3f}, {DE, 0.6f}}, 5000, Signal::noise));
    list.push_back(make("FourVoices", 44100.0f, {{V, 0.9f}, {DE, 0.4f}, {R, 0.2f}}, 6000, Signal::noise));
    list.push_back(make("FourVoicesLowPassReversed", 32000.0f, {{V, 1.0f}, {F, 0.0f}, {C, 0.25f}, {PH, 1.0f}}, 5000,
                        Signal::sines));
    list.push_back(make("PhaseHalfIsReversed", 44100.0f, {{PH, 0.5f}, {WET, 0.8f}}, 4000, Signal::noise));
    list.push_back(make("VoicesThresholds", 44100.0f, {{V, 0.33333f}}, 3000, Signal::noise));
    list.push_back(make("SlowestDeepestLongest", 44100.0f, {{R, 0.0f}, {DE, 1.0f}, {P, 1.0f}, {V, 1.0f}}, 19000,
                        Signal::sines, 7, 4096));
    list.push_back(make("FastestDeepestNoPredelay", 44100.0f, {{R, 1.0f}, {DE, 1.0f}, {P, 0.0f}, {V, 1.0f}}, 5000,
                        Signal::noise));
    list.push_back(make("NoDepthNoPredelay", 44100.0f, {{DE, 0.0f}, {P, 0.0f}, {V, 0.9f}}, 3000, Signal::noise));
    list.push_back(make("Rate22050CutoffClamped", 22050.0f, {{C, 1.0f}, {V, 0.9f}}, 4000, Signal::noise));
    list.push_back(make("Rate32000CutoffHigh", 32000.0f, {{C, 1.0f}, {F, 0.1f}}, 4000, Signal::noise));
    list.push_back(make("Rate88200", 88200.0f, {{C, 0.3f}, {R, 0.7f}, {DE, 0.8f}, {V, 0.1f}}, 6000, Signal::sines));
    list.push_back(make("Rate96000FourVoices", 96000.0f, {{R, 0.5f}, {DE, 0.5f}, {P, 0.5f}, {V, 0.7f}}, 8000,
                        Signal::noise));
    list.push_back(make("LoudInputClips", 44100.0f, {{DRY, 1.0f}, {WET, 1.0f}}, 3000, Signal::loud));
    list.push_back(make("BurstDecaysThroughDenormals", 44100.0f, {{C, 1.0f}, {F, 0.0f}, {V, 0.9f}}, 9000,
                        Signal::burstThenSilence, 3, 512));
    list.push_back(make("TinyInputs", 44100.0f, {{V, 0.9f}, {C, 0.5f}}, 4000, Signal::tiny));
    list.push_back(make("OneBlock", 44100.0f, {{V, 0.9f}}, 4000, Signal::noise, 0));
    list.push_back(make("SingleFrameBlocks", 44100.0f, {{V, 0.1f}}, 2500, Signal::noise, 5, 1));

    Scenario accumulate = make("ProcessAddsToTheBuffers", 44100.0f, {{V, 0.9f}}, 4000, Signal::noise);
    accumulate.accumulate = true;
    list.push_back(accumulate);
    Scenario inPlace = make("InPlaceBuffers", 48000.0f, {{V, 0.9f}, {P, 0.0f}, {DE, 0.0f}}, 3000, Signal::noise);
    inPlace.inPlace = true;
    list.push_back(inPlace);
    Scenario inPlaceAccumulate = make("InPlaceProcess", 44100.0f, {}, 3000, Signal::sines);
    inPlaceAccumulate.inPlace = true;
    inPlaceAccumulate.accumulate = true;
    list.push_back(inPlaceAccumulate);

    Scenario changes = make("ParameterAndProgramChanges", 44100.0f, {{V, 0.9f}}, 8000, Signal::noise);
    changes.events = {
        {Event::Kind::parameter, 1000, R, 0.8f},      {Event::Kind::parameter, 1500, F, 0.1f},
        {Event::Kind::parameter, 2000, C, 0.6f},      {Event::Kind::parameter, 2500, V, 0.2f},
        {Event::Kind::parameter, 3000, PH, 0.9f},     {Event::Kind::program, 3500, 0, 0.0f},
        {Event::Kind::program, 4500, 3, 0.0f},        {Event::Kind::parameter, 4500, V, 1.0f},
        {Event::Kind::sampleRate, 6000, 0, 48000.0f}, {Event::Kind::parameter, 7000, DE, 0.9f},
    };
    list.push_back(changes);

    // Past the end of the ring: the wrap of the write position and reads that
    // straddle slots 65535 and 0, where nothing happens to the sweep.
    list.push_back(make("AcrossTheRingWrap", 44100.0f, {{R, 0.6f}, {DE, 0.7f}}, 68000, Signal::noise, 11, 4096));
    // Three wraps on the deepest sweep, where any correction of the
    // oscillator's amplitude would show most.
    list.push_back(make("ThreeWrapsDeepestSweep", 44100.0f, {{R, 0.0f}, {DE, 1.0f}, {P, 1.0f}, {V, 1.0f}}, 200000,
                        Signal::sines, 13, 8192));

    // What the pipelined loops hand over to the in-order ones, or to the
    // block arithmetic.  Delays a fraction of a frame above the shortest,
    // whose reads take samples written two frames earlier (the ring writes
    // must keep their place among the reads); blocks of 1 to 13 frames, so
    // that every split between the two kinds of loop occurs; sweeps beyond
    // the ring at 384 kHz, and a Depth whose positions only the in-order
    // loops take; input so loud that the filter leaves single precision.
    list.push_back(make("DelaysJustAboveTheMinimum", 44100.0f, {{DE, 0.0001f}, {P, 0.0f}, {R, 1.0f}, {V, 1.0f}},
                        5000, Signal::noise, 19, 37));
    list.push_back(make("BlocksOfOneToThirteenFrames", 48000.0f, {{V, 0.9f}, {C, 0.3f}}, 3000, Signal::sines, 23, 13));
    list.push_back(make("Rate192000", 192000.0f, {{V, 0.5f}, {R, 0.3f}, {DE, 0.6f}, {P, 0.4f}}, 8000, Signal::noise));
    list.push_back(make("Rate384000DeepestSweepBeyondTheRing", 384000.0f, {{R, 0.0f}, {DE, 1.0f}, {P, 1.0f}, {V, 1.0f}},
                        12000, Signal::noise, 29, 4096));
    // A delay of 65537.5 frames at 384 kHz (a Predelay above 1, as a host
    // may set it): the voices read the ring a frame and a half back, one of
    // the samples written by the frame just before.
    list.push_back(make("ReadsTheSampleWrittenOneFrameBefore", 384000.0f, {{DE, 0.0f}, {P, 1.7064453f}, {V, 1.0f}},
                        70000, Signal::noise, 37, 4096));
    list.push_back(make("HugeDepthTakesTheInOrderLoops", 44100.0f, {{DE, 300000.0f}, {V, 0.9f}}, 3000, Signal::noise));
    list.push_back(make("InputNearTheFloatRangesTop", 44100.0f, {{V, 0.9f}, {F, 1.0f}, {C, 0.2f}, {DRY, 0.25f}},
                        4000, Signal::huge, 31, 700));
    list.push_back(make("FilterStateNearTheFloatRangesTop", 44100.0f, {{V, 0.1f}, {F, 0.0f}, {C, 0.0f}}, 6000,
                        Signal::hugeLowPassed, 41, 700));

    // The filter state follows the feedback coefficients: a low-pass at 80 Hz
    // jumps to 16 kHz (scaled), switches type at the same cutoff (not
    // scaled), drops back to 80 Hz (the alternating half scaled) and rises to
    // a middle cutoff as a high-pass (scaled); the signal is bass-heavy.
    Scenario jumps = make("CutoffAndTypeJumps", 44100.0f, {{F, 0.0f}, {C, 0.0f}, {V, 0.1f}}, 9000, Signal::sines);
    jumps.events = {
        {Event::Kind::parameter, 3000, C, 1.0f},
        {Event::Kind::parameter, 4500, F, 1.0f},
        {Event::Kind::parameter, 5500, C, 0.0f},
        {Event::Kind::parameter, 7000, C, 0.4f},
        {Event::Kind::parameter, 8000, C, 0.4f},
    };
    list.push_back(jumps);
    // A new sample rate starts the filter from silence, as it does the ring.
    Scenario rateDrop = make("SampleRateDropSilencesTheFilter", 96000.0f, {{F, 0.0f}, {C, 0.0f}, {V, 0.9f}}, 9000,
                             Signal::sines, 17, 900);
    rateDrop.events = {{Event::Kind::sampleRate, 5000, 0, 44100.0f}};
    list.push_back(rateDrop);
    // At 8 kHz the highest cutoff is the design's limit, where the state
    // holds the highest frequencies many times over: jumps down from there,
    // as a high-pass and as a low-pass, scale its alternating half.
    Scenario nearNyquist = make("JumpsDownFromTheHighestCutoffAt8000", 8000.0f, {{F, 1.0f}, {C, 1.0f}, {V, 0.1f}},
                                9000, Signal::noise, 29, 800);
    nearNyquist.events = {
        {Event::Kind::parameter, 3000, C, 0.02f},
        {Event::Kind::parameter, 4500, F, 0.0f},
        {Event::Kind::parameter, 4500, C, 1.0f},
        {Event::Kind::parameter, 6500, C, 0.05f},
    };
    list.push_back(nearNyquist);

    // The highest sample rate a host offers, across the ring's wrap (a third
    // of a second there), through process in odd-sized blocks; and the
    // lowest, in blocks of one to seven frames.
    Scenario highRate = make("Rate192000AcrossTheWrapWithProcess", 192000.0f,
                             {{R, 0.4f}, {DE, 0.9f}, {P, 0.7f}, {V, 1.0f}, {C, 0.7f}}, 70000, Signal::noise, 19, 999);
    highRate.accumulate = true;
    list.push_back(highRate);
    Scenario lowRate = make("Rate22050TinyBlocksWithProcess", 22050.0f, {{R, 0.9f}, {DE, 0.6f}, {F, 0.0f}, {C, 0.3f}},
                            3000, Signal::sines, 23, 7);
    lowRate.accumulate = true;
    list.push_back(lowRate);

    return list;
}

}  // namespace

const std::vector<Scenario>& scenarios() {
    static const std::vector<Scenario> list = buildScenarios();
    return list;
}

std::vector<float> inputSignal(const Scenario& scenario, int channel) {
    std::vector<float> samples(static_cast<std::size_t>(scenario.frames));
    Random random(static_cast<std::uint32_t>(scenario.frames * 31 + channel * 7 + 1) + scenario.name.size());
    for (int k = 0; k < scenario.frames; ++k) {
        float v = 0.0f;
        switch (scenario.signal) {
            case Signal::noise: v = 0.5f * random.uniform(); break;
            case Signal::loud: v = 4.0f * random.uniform(); break;
            case Signal::tiny: v = std::ldexp(random.uniform(), -130); break;
            case Signal::huge: v = std::ldexp(random.uniform(), 125); break;
            case Signal::hugeLowPassed: v = std::ldexp(random.uniform(), 114); break;
            case Signal::sines: {
                // Exact float arithmetic on both platforms: sin is taken of
                // multiples of a step and rounded to 20 bits.
                const double phase = (channel == 0 ? 0.0123 : 0.0371) * k;
                v = static_cast<float>(std::ldexp(std::round(std::ldexp(0.7 * std::sin(phase), 20)), -20));
                break;
            }
            case Signal::burstThenSilence: v = k >= 200 && k < 260 ? random.uniform() : 0.0f; break;
        }
        samples[static_cast<std::size_t>(k)] = v;
    }
    return samples;
}

Output run(const Scenario& scenario, Chorus& chorus) {
    chorus.setSampleRate(scenario.sampleRate);
    for (int i = 0; i < 9; ++i) chorus.setParameter(i, scenario.parameters[i]);

    std::vector<float> inL = inputSignal(scenario, 0);
    std::vector<float> inR = inputSignal(scenario, 1);
    Output out;
    // process adds to what the buffers hold: start from something.
    Random prefill(99);
    out.left.resize(inL.size());
    out.right.resize(inR.size());
    for (std::size_t k = 0; k < inL.size(); ++k) {
        out.left[k] = scenario.accumulate ? 0.25f * prefill.uniform() : 0.0f;
        out.right[k] = scenario.accumulate ? 0.25f * prefill.uniform() : 0.0f;
    }
    if (scenario.inPlace) {
        // The host hands the same buffers in and out; what was in them is
        // the input, and process adds to it.
        out.left = inL;
        out.right = inR;
    }

    Random split(scenario.splitSeed);
    int frame = 0;
    std::size_t nextEvent = 0;
    while (frame < scenario.frames) {
        while (nextEvent < scenario.events.size() && scenario.events[nextEvent].frame <= frame) {
            const Event& e = scenario.events[nextEvent++];
            if (e.kind == Event::Kind::parameter) chorus.setParameter(e.index, e.value);
            if (e.kind == Event::Kind::program) chorus.setProgram(e.index);
            if (e.kind == Event::Kind::sampleRate) chorus.setSampleRate(e.value);
        }
        int block = scenario.splitSeed == 0 ? scenario.frames - frame : split.between(1, scenario.maxBlock);
        block = std::min(block, scenario.frames - frame);
        if (nextEvent < scenario.events.size()) block = std::min(block, scenario.events[nextEvent].frame - frame);

        float* outputs[2] = {out.left.data() + frame, out.right.data() + frame};
        float* inputs[2] = {inL.data() + frame, inR.data() + frame};
        if (scenario.inPlace) {
            inputs[0] = outputs[0];
            inputs[1] = outputs[1];
        }
        chorus.process(inputs, outputs, block, scenario.accumulate);
        frame += block;
    }
    return out;
}

namespace {

std::uint32_t bitsOf(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

}  // namespace

std::string firstDifference(const Output& expected, const Output& actual) {
    if (expected.left.size() != actual.left.size() || expected.right.size() != actual.right.size())
        return "different lengths";
    for (std::size_t k = 0; k < expected.left.size(); ++k) {
        for (int channel = 0; channel < 2; ++channel) {
            const float e = channel == 0 ? expected.left[k] : expected.right[k];
            const float a = channel == 0 ? actual.left[k] : actual.right[k];
            if (bitsOf(e) != bitsOf(a)) {
                std::ostringstream text;
                text.precision(9);
                text << "frame " << k << (channel == 0 ? " left" : " right") << ": expected " << e << " (0x"
                     << std::hex << bitsOf(e) << "), got " << std::dec << a << " (0x" << std::hex << bitsOf(a) << ")";
                return text.str();
            }
        }
    }
    return "";
}

}  // namespace golden
