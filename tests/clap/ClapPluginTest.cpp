// The CLAP module as a host loads it (clap_entry, the factory, a plug-in
// and its extensions), checked against the VST 2 plug-in of the same build:
// the same output bits for the same values at the same frames, with the
// host's changes anywhere inside its blocks and in flushes; ports,
// parameters, state; the threads the plug-in asks about; the host's
// floating-point settings kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "host/FloatingPointControl.h"
#include "tests/support/UnusualHostArithmetic.h"
#include "tools/ClapHost.h"
#include "tools/PluginLoader.h"

namespace {

using namespace claphost;

constexpr double kSampleRate = 48000.0;

// Deterministic test material: a float in [0, 1) with 24 bits, so that the
// double a host passes holds exactly the float the VST 2 plug-in gets.
struct Random {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
    float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }
    int below(int n) { return static_cast<int>(next() >> 8) % n; }
};

class ClapPlugin : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(module.loaded()) << builtModulePath(); }

    // Every thread question the plug-in asked was asked on the thread it
    // names.
    void TearDown() override {
        for (const TestHost::Question& question : host.questions)
            EXPECT_TRUE(question.answer) << (question.mainThread ? "main" : "audio") << " thread asked elsewhere";
    }

    Module module;
    TestHost host;
};

TEST_F(ClapPlugin, TheFactoryDescribesOnePlugin) {
    EXPECT_EQ(module.entry->clapVersion.major, 1u);
    EXPECT_EQ(module.entry->getFactory("clap.preset-discovery-factory/2"), nullptr);
    ASSERT_EQ(module.factory->getPluginCount(module.factory), 1u);
    EXPECT_EQ(module.factory->getPluginDescriptor(module.factory, 1), nullptr);
    const PluginDescriptor& descriptor = *module.factory->getPluginDescriptor(module.factory, 0);
    EXPECT_EQ(descriptor.clapVersion.major, 1u);
    EXPECT_STREQ(descriptor.id, "org.velorin.velorin2");
    EXPECT_STREQ(descriptor.name, "Velorin 2");
    EXPECT_STREQ(descriptor.vendor, "Velorin");
    EXPECT_STREQ(descriptor.version, VELORIN_VERSION);
    std::vector<std::string> features;
    for (const char* const* feature = descriptor.features; *feature; ++feature) features.emplace_back(*feature);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "chorus", "stereo"}));
    EXPECT_EQ(module.factory->createPlugin(module.factory, host.host(), "org.velorin.other"), nullptr);
    EXPECT_EQ(module.factory->createPlugin(module.factory, nullptr, descriptor.id), nullptr);
}

// As a scanner asks: a host that offers no extension at all.
TEST_F(ClapPlugin, PortsParametersLatencyAndTail) {
    host.offersExtensions = false;
    Instance plugin(module, host);
    ASSERT_TRUE(plugin.plugin && plugin.ports && plugin.params && plugin.stateCalls && plugin.gui);
    EXPECT_EQ(plugin.plugin->getExtension(plugin.plugin, "clap.note-ports"), nullptr);
    for (bool isInput : {true, false}) {
        ASSERT_EQ(plugin.ports->count(plugin.plugin, isInput), 1u);
        AudioPortInfo port{};
        ASSERT_TRUE(plugin.ports->get(plugin.plugin, 0, isInput, &port));
        EXPECT_EQ(port.channelCount, 2u);
        EXPECT_EQ(port.flags, static_cast<std::uint32_t>(kAudioPortIsMain)) << "main, 32-bit only";
        EXPECT_STREQ(port.portType, "stereo");
        AudioPortInfo other{};
        ASSERT_TRUE(plugin.ports->get(plugin.plugin, 0, !isInput, &other));
        EXPECT_EQ(port.inPlacePair, other.id) << "in and out share their buffers";
        EXPECT_FALSE(plugin.ports->get(plugin.plugin, 1, isInput, &port));
    }

    ASSERT_EQ(plugin.params->count(plugin.plugin), 9u);
    const char* names[9] = {"Filter", "Cutoff", "Rate", "Depth", "Predelay", "Phase", "Dry", "Wet", "Voices"};
    const double defaults[9] = {1.0, 0.0, 0.05f, 0.15f, 0.15f, 0.0, 0.5, 0.5, 0.5};
    for (std::uint32_t i = 0; i < 9; ++i) {
        ParamInfo info{};
        ASSERT_TRUE(plugin.params->getInfo(plugin.plugin, i, &info));
        EXPECT_EQ(info.id, i);
        EXPECT_STREQ(info.name, names[i]);
        EXPECT_EQ(info.flags, static_cast<std::uint32_t>(kParamIsAutomatable)) << names[i];
        EXPECT_EQ(info.minValue, 0.0);
        EXPECT_EQ(info.maxValue, 1.0);
        EXPECT_EQ(info.defaultValue, defaults[i]) << names[i];
        EXPECT_EQ(plugin.value(i), defaults[i]) << names[i];
    }
    ParamInfo info{};
    EXPECT_FALSE(plugin.params->getInfo(plugin.plugin, 9, &info));
    double value = 0.0;
    EXPECT_FALSE(plugin.params->getValue(plugin.plugin, 9, &value));

    ASSERT_TRUE(plugin.start(kSampleRate));
    EXPECT_EQ(plugin.latency->get(plugin.plugin), 0u);
    // The tail covers the longest delay: 10 + 0.4 × 48000 frames, and one.
    EXPECT_EQ(plugin.tail->get(plugin.plugin), 19211u);
}

// One change a host makes: a parameter value at a frame.
struct Change {
    std::uint32_t frame;
    Id param;
    float value;
};

std::vector<Change> automation(std::uint32_t frames) {
    Random random{20240611};
    std::vector<Change> changes;
    for (std::uint32_t frame = 0; frame < frames; frame += 1 + random.below(900)) {
        const int count = 1 + random.below(3);
        for (int c = 0; c < count; ++c) changes.push_back({frame, static_cast<Id>(random.below(9)), random.unit()});
    }
    // Some on block boundaries, which the host sends in flushes.
    for (std::uint32_t frame = 256; frame < frames; frame += 2048)
        changes.push_back({frame, static_cast<Id>(random.below(9)), random.unit()});
    std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.frame < b.frame; });
    return changes;
}

// The VST 2 plug-in driven with the same values at the same frames: its
// blocks split exactly there.
std::vector<float> vst2Render(const std::vector<float>& left, const std::vector<float>& right,
                              const std::vector<Change>& changes) {
    PluginLoader loader(builtPluginPath());
    EXPECT_TRUE(loader.loaded()) << loader.error();
    PluginInstance plugin(loader.create());
    plugin.dispatch(effOpen);
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
    plugin.dispatch(effMainsChanged, 0, 1);
    const std::uint32_t frames = static_cast<std::uint32_t>(left.size());
    std::vector<float> out(2 * left.size());
    std::size_t next = 0;
    for (std::uint32_t frame = 0; frame < frames;) {
        while (next < changes.size() && changes[next].frame <= frame) {
            plugin.setParameter(static_cast<VstInt32>(changes[next].param), changes[next].value);
            ++next;
        }
        const std::uint32_t end = next < changes.size() && changes[next].frame < frames ? changes[next].frame : frames;
        float* in[2] = {const_cast<float*>(left.data()) + frame, const_cast<float*>(right.data()) + frame};
        float* outs[2] = {out.data() + frame, out.data() + frames + frame};
        plugin.processReplacing(in, outs, static_cast<VstInt32>(end - frame));
        frame = end;
    }
    plugin.close();
    return out;
}

// Blocks of 256 with the changes at their frames inside, every other
// block's boundary changes in a flush before it, every third block in
// place; among the changes, events the plug-in has no use for.
TEST_F(ClapPlugin, AutomationInsideBlocksGivesTheVst2PluginsBits) {
    constexpr std::uint32_t kFrames = 24000;
    constexpr std::uint32_t kBlock = 256;
    Random random{7};
    std::vector<float> left(kFrames), right(kFrames);
    for (std::uint32_t i = 0; i < kFrames; ++i) {
        left[i] = random.unit() - 0.5f;
        right[i] = 0.25f * std::sin(static_cast<float>(i) * 0.01f);
    }
    const std::vector<Change> changes = automation(kFrames);
    const std::vector<float> expected = vst2Render(left, right, changes);

    Instance plugin(module, host);
    ASSERT_TRUE(plugin.start(kSampleRate, kBlock));
    std::vector<float> out(2 * kFrames);
    std::size_t next = 0;
    int flushes = 0;
    EventParamGesture gesture{{sizeof gesture, 0, kCoreEventSpace, kEventParamGestureBegin, 0}, 1};
    EventParamValue foreign{{sizeof foreign, 0, 1, kEventParamValue, 0}, 2, nullptr, -1, -1, -1, -1, 0.9};
    for (std::uint32_t start = 0, block = 0; start < kFrames; start += kBlock, ++block) {
        const std::uint32_t frames = std::min(kBlock, kFrames - start);
        InputEventList events;
        if (block % 2 == 1 && next < changes.size() && changes[next].frame == start) {
            for (; next < changes.size() && changes[next].frame == start; ++next)
                events.add(0, changes[next].param, changes[next].value);
            const Audio audio(host);
            const auto* params = plugin.params;
            params->flush(plugin.plugin, events.list(), nullptr);
            ++flushes;
            events.clear();
        }
        for (; next < changes.size() && changes[next].frame < start + frames; ++next) {
            const std::uint32_t at = changes[next].frame - start;
            gesture.header.time = foreign.header.time = at;
            if (next % 5 == 0) events.addRaw(gesture.header);
            if (next % 7 == 0) events.addRaw(foreign.header);
            // Any voice, channel and key: wildcards, or Qtractor's zeros.
            const std::int16_t channel = next % 2 ? -1 : 0;
            events.add(at, changes[next].param, changes[next].value, channel, channel);
        }
        float* outLeft = &out[start];
        float* outRight = &out[kFrames + start];
        const float* inLeft = &left[start];
        const float* inRight = &right[start];
        if (block % 3 == 0) {
            std::copy(inLeft, inLeft + frames, outLeft);
            std::copy(inRight, inRight + frames, outRight);
            inLeft = outLeft;
            inRight = outRight;
        }
        ASSERT_EQ(plugin.process(inLeft, inRight, outLeft, outRight, frames, &events), kProcessContinue);
    }
    EXPECT_GT(flushes, 0);
    EXPECT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0)
        << "the CLAP plug-in's output differs from the VST 2 plug-in's";
    EXPECT_EQ(plugin.value(changes.back().param), changes.back().value);
}

// Values out of place are taken to the range or passed by; a block without
// its buffers still takes its changes, and says it made no sound.
TEST_F(ClapPlugin, ChangesOutOfPlace) {
    Instance plugin(module, host);
    InputEventList events;
    events.add(0, 7, 1.5);
    events.add(0, 6, -3.0);
    events.add(0, 3, std::nan(""));
    events.add(0, 9, 0.5);
    plugin.params->flush(plugin.plugin, events.list(), nullptr);
    EXPECT_EQ(plugin.value(7), 1.0);
    EXPECT_EQ(plugin.value(6), 0.0);
    EXPECT_EQ(plugin.value(3), static_cast<double>(0.15f));

    ASSERT_TRUE(plugin.start(kSampleRate));
    events.clear();
    events.add(5000, 7, 0.25);  // past the block's end: after its last frame
    float block[2][64] = {};
    EXPECT_EQ(plugin.process(block[0], block[1], nullptr, block[1], 64, &events), kProcessError);
    EXPECT_EQ(plugin.value(7), 0.25);
}

// The effect's texts with their units, and typed texts read back in any
// form a user types them, landing where the effect shows that text.
TEST_F(ClapPlugin, ValueTextsAndTypedValues) {
    Instance plugin(module, host);
    const struct {
        Id id;
        double value;
        const char* text;
    } shown[] = {{0, 0.25, "Low pass"}, {1, 1.0, "16000 Hz"}, {3, 0.15f, "15.0 %"}, {6, 0.5, "-6.0 dB"},
                 {7, 0.0, "-oo dB"},    {8, 1.0, "4"}};
    char text[256];
    for (const auto& s : shown) {
        ASSERT_TRUE(plugin.params->valueToText(plugin.plugin, s.id, s.value, text, sizeof text));
        EXPECT_STREQ(text, s.text);
    }
    char small[4];
    ASSERT_TRUE(plugin.params->valueToText(plugin.plugin, 0, 1.0, small, sizeof small));
    EXPECT_STREQ(small, "Hig") << "cut to the host's buffer";
    EXPECT_FALSE(plugin.params->valueToText(plugin.plugin, 9, 0.5, text, sizeof text));
    EXPECT_FALSE(plugin.params->valueToText(plugin.plugin, 2, std::nan(""), text, sizeof text));

    const struct {
        Id id;
        const char* typed;
        const char* shown;
    } typed[] = {{0, "high pass", "High pass"}, {1, "1672 Hz", "1672 Hz"}, {2, "1,3", "1.3 Hz"},
                 {6, "-6.5 dB", "-6.5 dB"},     {7, "-inf", "-oo dB"},     {8, "4", "4"}};
    for (const auto& t : typed) {
        double value = -1.0;
        ASSERT_TRUE(plugin.params->textToValue(plugin.plugin, t.id, t.typed, &value)) << t.typed;
        plugin.params->valueToText(plugin.plugin, t.id, value, text, sizeof text);
        EXPECT_STREQ(text, t.shown) << t.typed;
    }
    double value = 0.0;
    EXPECT_FALSE(plugin.params->textToValue(plugin.plugin, 1, "loud", &value));
    EXPECT_FALSE(plugin.params->textToValue(plugin.plugin, 9, "1", &value));
}

// The state of all sixteen programs and the current one, to the bit,
// through streams that move a few bytes per call; a stream that is short,
// foreign, newer or failing is refused with nothing changed.
TEST_F(ClapPlugin, StateRoundTripsExactlyAndBadStreamsChangeNothing) {
    // Values in several programs, set by the VST 2 plug-in's way of
    // editing them: each program made current, then changed.
    Instance source(module, host);
    ASSERT_TRUE(source.start(kSampleRate));
    Random random{99};
    std::vector<unsigned char> programs;
    {
        WriteStream fresh;
        ASSERT_TRUE(source.stateCalls->save(source.plugin, &fresh.stream));
        programs = fresh.bytes;
    }
    ASSERT_EQ(programs.size(), 1104u);
    // The saved bytes' layout: programs of 68 bytes from 16, names first.
    for (int p = 0; p < 16; ++p)
        for (int i = 0; i < 9; ++i) {
            const float v = random.unit();
            std::memcpy(&programs[16 + 68 * p + 32 + 4 * i], &v, 4);
        }
    programs[8] = 11;  // the current program
    std::memset(&programs[16 + 68 * 11], 0, 32);
    std::memcpy(&programs[16 + 68 * 11], "Wide", 4);
    {
        // Loaded while the audio thread plays: its next block applies it.
        std::atomic<bool> playing{true};
        std::thread audio([&] {
            float block[2][64] = {};
            while (playing) source.process(block[0], block[1], block[0], block[1], 64);
        });
        ReadStream reading(programs, 3);
        EXPECT_TRUE(source.stateCalls->load(source.plugin, &reading.stream));
        playing = false;
        audio.join();
    }
    float expected;
    std::memcpy(&expected, &programs[16 + 68 * 11 + 32 + 4 * 7], 4);
    EXPECT_EQ(source.value(7), expected) << "program 11's Wet";

    WriteStream written(5);
    ASSERT_TRUE(source.stateCalls->save(source.plugin, &written.stream));
    EXPECT_EQ(written.bytes, programs);

    Instance restored(module, host);
    ReadStream reading(written.bytes, 7);
    ASSERT_TRUE(restored.stateCalls->load(restored.plugin, &reading.stream));
    EXPECT_EQ(restored.state(), programs);
    for (Id id = 0; id < 9; ++id) EXPECT_EQ(restored.value(id), source.value(id));

    // Refused with nothing changed.
    Instance fresh(module, host);
    const std::vector<unsigned char> before = fresh.state();
    std::vector<ReadStream> bad;
    for (std::size_t length : {0, 3, 15, 16, 600, 1103}) bad.emplace_back(std::vector<unsigned char>(programs.begin(), programs.begin() + length));
    bad.emplace_back(programs), bad.back().bytes[0] = 'X';  // another format
    bad.emplace_back(programs), bad.back().bytes[4] = 9;    // a newer version
    bad.emplace_back(programs), bad.back().bytes[8] = 16;   // no such program
    bad.emplace_back(std::vector<unsigned char>(programs.begin(), programs.begin() + 700)), bad.back().failAtEnd = true;
    for (ReadStream& stream : bad) {
        stream.stream.ctx = &stream;
        EXPECT_FALSE(fresh.stateCalls->load(fresh.plugin, &stream.stream)) << stream.bytes.size() << " bytes";
        EXPECT_EQ(fresh.state(), before);
    }
    WriteStream failing;
    failing.fail = true;
    EXPECT_FALSE(fresh.stateCalls->save(fresh.plugin, &failing.stream));
}

// Each call gives the host back its floating-point settings, however
// unusual: rounding upward, flush-to-zero and denormals-are-zero, and an
// x87 of 24-bit precision.
TEST_F(ClapPlugin, TheHostsFloatingPointSettingsComeBack) {
    Instance plugin(module, host);
    const UnusualHostArithmetic arithmetic;
    auto check = [&arithmetic](const char* call) { arithmetic.check(call); };
    plugin.start(kSampleRate);
    check("activate");
    InputEventList events;
    events.add(10, 1, 0.3);
    events.add(20, 2, 0.9);
    float block[2][64] = {{0.5f}, {0.25f}};
    plugin.process(block[0], block[1], block[0], block[1], 64, &events);
    check("process");
    plugin.params->flush(plugin.plugin, events.list(), nullptr);
    check("flush");
    char text[64];
    plugin.params->valueToText(plugin.plugin, 6, 0.3, text, sizeof text);
    check("value_to_text");
    plugin.tail->get(plugin.plugin);
    check("tail");
}

// What a host may do only on its main thread, or only on the audio
// thread, is refused elsewhere; the plug-in asks the host which it is.
TEST_F(ClapPlugin, CallsOnAnotherThreadThanTheirsAreRefused) {
    Instance plugin(module, host);
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(plugin.gui->getPreferredApi(plugin.plugin, &api, &floating));
    EXPECT_FALSE(plugin.plugin->startProcessing(plugin.plugin)) << "on the main thread";
    {
        const Audio audio(host);
        EXPECT_FALSE(plugin.plugin->activate(plugin.plugin, kSampleRate, 1, 512)) << "on the audio thread";
        WriteStream stream;
        EXPECT_FALSE(plugin.stateCalls->save(plugin.plugin, &stream.stream));
        EXPECT_FALSE(plugin.gui->create(plugin.plugin, api, floating));
    }
    const std::size_t asked = host.questions.size();
    EXPECT_GE(asked, 3u);
    // Those answers were no; the test's own check is for the calls that
    // follow, made where they belong.
    host.questions.clear();
    EXPECT_TRUE(plugin.start(kSampleRate));
    EXPECT_FALSE(host.questions.empty());
}

TEST_F(ClapPlugin, ModulesLoadAndUnloadWithEveryPluginGone) {
    for (int cycle = 0; cycle < 20; ++cycle) {
        Module again;
        ASSERT_TRUE(again.loaded());
        Instance plugin(again, host);
        ASSERT_TRUE(plugin.start(44100.0));
        float block[2][64] = {};
        EXPECT_EQ(plugin.process(block[0], block[1], block[0], block[1], 64), kProcessContinue);
    }
}

}  // namespace
