// The VST 3 module as a host loads it (GetPluginFactory, the class, an
// instance and its interfaces), checked against the VST 2 plug-in of the
// same build: the same output bits for the same values at the same frames,
// with the host's changes falling anywhere inside its blocks; programs,
// state and reference counts; the host's floating-point settings kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/FloatingPointControl.h"
#include "tests/support/UnusualHostArithmetic.h"
#include "tools/Vst3Host.h"
#include "tools/PluginLoader.h"

namespace {

using namespace vst3host;

constexpr double kSampleRate = 48000.0;

std::string text(const char16* utf16) {
    std::string ascii;
    for (int i = 0; i < 128 && utf16[i]; ++i) ascii += static_cast<char>(utf16[i]);
    return ascii;
}

std::vector<char16> utf16(const char* ascii) {
    std::vector<char16> result(ascii, ascii + std::strlen(ascii) + 1);
    return result;
}

// Deterministic test material: a float in [0, 1) with 24 bits, so that the
// double a host passes holds exactly the float the VST 2 plug-in gets.
struct Random {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
    float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }
    int below(int n) { return static_cast<int>(next() >> 8) % n; }
};

class Vst3Plugin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module.loaded()) << builtModulePath();
        factory = module.factory();
        ASSERT_NE(factory, nullptr);
    }
    void TearDown() override {
        if (factory) {
            EXPECT_EQ(factory->release(), 0u);
        }
    }

    Module module;
    IPluginFactory* factory = nullptr;
};

TEST_F(Vst3Plugin, FactoryDescribesOneClassWithTheReplacementId) {
    PFactoryInfo factoryInfo{};
    ASSERT_EQ(factory->getFactoryInfo(&factoryInfo), kResultOk);
    EXPECT_EQ(factoryInfo.flags & PFactoryInfo::kUnicode, PFactoryInfo::kUnicode);
    ASSERT_EQ(factory->countClasses(), 1);

    void* object = nullptr;
    ASSERT_EQ(factory->queryInterface(bytesOf(IPluginFactory2::iid).bytes, &object), kResultOk);
    auto* factory2 = static_cast<IPluginFactory2*>(object);
    PClassInfo2 info{};
    ASSERT_EQ(factory2->getClassInfo2(0, &info), kResultOk);
    EXPECT_EQ(factory2->getClassInfo2(1, &info), kInvalidArgument);
    factory2->release();

    // The id hosts derive from the VST 2 plug-in's unique id and file name.
    const UidBytes expected = replacementClassId(0x566C7232, "Velorin2");
    EXPECT_EQ(std::memcmp(info.cid, expected.bytes, 16), 0);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_STREQ(info.name, "Velorin 2");
    EXPECT_STREQ(info.subCategories, "Fx|Modulation");
    EXPECT_STREQ(info.version, VELORIN_VERSION);
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);

    // Another class id or an interface the plug-in lacks: refused, nothing made.
    TUID other = {};
    EXPECT_EQ(factory->createInstance(other, bytesOf(IComponent::iid).bytes, &object), kNoInterface);
    EXPECT_EQ(factory->createInstance(info.cid, bytesOf(IPlugView::iid).bytes, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
}

TEST_F(Vst3Plugin, InterfacesBusesAndArrangements) {
    Instance plugin(factory);
    ASSERT_TRUE(plugin.component && plugin.processor && plugin.controller && plugin.units);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(plugin.component->queryInterface(bytesOf(IPlugFrame::iid).bytes, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);

    EXPECT_EQ(plugin.component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(plugin.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(plugin.component->getBusCount(kEvent, kInput), 0);
    BusInfo bus{};
    ASSERT_EQ(plugin.component->getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_EQ(bus.busType, kMain);
    EXPECT_EQ(plugin.component->getBusInfo(kAudio, kOutput, 1, bus), kInvalidArgument);

    SpeakerArrangement stereo[2] = {kStereo, kStereo};
    SpeakerArrangement mono = kSpeakerL;
    EXPECT_EQ(plugin.processor->setBusArrangements(stereo, 1, stereo + 1, 1), kResultTrue);
    EXPECT_EQ(plugin.processor->setBusArrangements(&mono, 1, stereo, 1), kResultFalse);
    EXPECT_EQ(plugin.processor->setBusArrangements(stereo, 1, &mono, 1), kResultFalse);
    EXPECT_EQ(plugin.processor->setBusArrangements(stereo, 2, stereo, 1), kResultFalse);
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample64), kResultFalse);
    EXPECT_EQ(plugin.processor->getLatencySamples(), 0u);

    // The tail covers the longest delay: 10 + 0.4 × 48000 frames, and one.
    plugin.start(kSampleRate);
    EXPECT_EQ(plugin.processor->getTailSamples(), 19211u);
}

// One change a host makes: a parameter (or, as id 9, the program) at a frame.
struct Change {
    int frame;
    ParamID id;
    float value;
};

std::vector<Change> automation(int frames) {
    Random random{20240611};
    std::vector<Change> changes;
    for (int frame = 0; frame < frames; frame += 1 + random.below(900)) {
        const int count = 1 + random.below(3);
        for (int c = 0; c < count; ++c) changes.push_back({frame, static_cast<ParamID>(random.below(9)), random.unit()});
    }
    // Some on block boundaries, which the host sends in calls of 0 frames.
    for (int frame = 256; frame < frames; frame += 2048)
        changes.push_back({frame, static_cast<ParamID>(random.below(9)), random.unit()});
    std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.frame < b.frame; });
    // Program 5 in the middle, apart from the other changes.
    for (Change& change : changes)
        if (change.frame >= frames / 2) {
            changes.insert(changes.begin() + (&change - changes.data()), {frames / 2 - 1, 9, 5.0f / 15.0f});
            break;
        }
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
    const int frames = static_cast<int>(left.size());
    std::vector<float> out(2 * left.size());
    std::size_t next = 0;
    for (int frame = 0; frame < frames;) {
        while (next < changes.size() && changes[next].frame <= frame) {
            const Change& change = changes[next++];
            if (change.id == 9)
                plugin.dispatch(effSetProgram, 0, static_cast<VstIntPtr>(std::lround(change.value * 15)));
            else
                plugin.setParameter(static_cast<VstInt32>(change.id), change.value);
        }
        const int end = next < changes.size() && changes[next].frame < frames ? changes[next].frame : frames;
        float* in[2] = {const_cast<float*>(left.data()) + frame, const_cast<float*>(right.data()) + frame};
        float* outs[2] = {out.data() + frame, out.data() + frames + frame};
        plugin.processReplacing(in, outs, end - frame);
        frame = end;
    }
    plugin.close();
    return out;
}

TEST_F(Vst3Plugin, AutomationInsideBlocksGivesTheVst2PluginsBits) {
    constexpr int kFrames = 24000;
    constexpr int kBlock = 256;
    Random random{7};
    std::vector<float> left(kFrames), right(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        left[i] = random.unit() - 0.5f;
        right[i] = 0.25f * std::sin(static_cast<float>(i) * 0.01f);
    }
    const std::vector<Change> changes = automation(kFrames);
    const std::vector<float> expected = vst2Render(left, right, changes);

    Instance plugin(factory);
    ComponentHandler handler;
    plugin.controller->setComponentHandler(&handler);
    plugin.start(kSampleRate, kBlock);
    std::vector<float> out(2 * kFrames);
    std::size_t next = 0;
    int zeroFrameCalls = 0;
    ParameterChanges reported;
    ParamValue reportedCutoff = -1.0;
    for (int start = 0; start < kFrames; start += kBlock) {
        const int frames = start + kBlock <= kFrames ? kBlock : kFrames - start;
        // Every other block boundary's changes come in a call of 0 frames
        // before the block, as hosts send changes while nothing plays.
        ParameterChanges changesNow;
        if (start / kBlock % 2 == 1) {
            while (next < changes.size() && changes[next].frame == start) {
                changesNow.add(changes[next].id, 0, changes[next].value);
                ++next;
            }
            if (!changesNow.queues.empty()) {
                plugin.process(nullptr, nullptr, nullptr, nullptr, 0, &changesNow);
                ++zeroFrameCalls;
                changesNow.clear();
            }
        }
        while (next < changes.size() && changes[next].frame < start + frames) {
            changesNow.add(changes[next].id, changes[next].frame - start, changes[next].value);
            ++next;
        }
        reported.clear();
        plugin.process(&left[start], &right[start], &out[start], &out[kFrames + start], frames, &changesNow,
                       &reported);
        if (reported.last(1) >= 0.0) reportedCutoff = reported.last(1);
    }
    EXPECT_GT(zeroFrameCalls, 0);
    EXPECT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0)
        << "the VST 3 plug-in's output differs from the VST 2 plug-in's";
    // The program change told the host the new program's values.
    EXPECT_EQ(reportedCutoff, 0.0);
    EXPECT_EQ(plugin.controller->getParamNormalized(9), 5.0 / 15.0);
    plugin.controller->setComponentHandler(nullptr);
    EXPECT_EQ(handler.references, 1);
}

TEST_F(Vst3Plugin, ParametersAndProgramsAsTheHostSeesThem) {
    Instance plugin(factory);
    ComponentHandler handler;
    plugin.controller->setComponentHandler(&handler);
    ASSERT_EQ(plugin.controller->getParameterCount(), 11);
    const char* names[9] = {"Filter", "Cutoff", "Rate", "Depth", "Predelay", "Phase", "Dry", "Wet", "Voices"};
    const double defaults[9] = {1.0, 0.0, 0.05f, 0.15f, 0.15f, 0.0, 0.5, 0.5, 0.5};
    for (int i = 0; i < 9; ++i) {
        ParameterInfo info{};
        ASSERT_EQ(plugin.controller->getParameterInfo(i, info), kResultOk);
        EXPECT_EQ(info.id, static_cast<ParamID>(i));
        EXPECT_EQ(text(info.title), names[i]);
        EXPECT_EQ(info.stepCount, 0);
        EXPECT_EQ(info.defaultNormalizedValue, defaults[i]) << names[i];
        EXPECT_EQ(plugin.controller->getParamNormalized(info.id), defaults[i]) << names[i];
    }
    ParameterInfo program{};
    ASSERT_EQ(plugin.controller->getParameterInfo(9, program), kResultOk);
    EXPECT_EQ(program.stepCount, 15);
    EXPECT_EQ(program.flags & (ParameterInfo::kIsProgramChange | ParameterInfo::kIsList),
              ParameterInfo::kIsProgramChange | ParameterInfo::kIsList);
    // The bypass as hosts look for it: one toggle, automatable, off.
    ParameterInfo bypass{};
    ASSERT_EQ(plugin.controller->getParameterInfo(10, bypass), kResultOk);
    EXPECT_EQ(bypass.id, 10u);
    EXPECT_EQ(bypass.flags, ParameterInfo::kIsBypass | ParameterInfo::kCanAutomate);
    EXPECT_EQ(bypass.stepCount, 1);
    EXPECT_EQ(plugin.controller->getParamNormalized(10), 0.0);

    // The effect's own texts, for any value.
    String128 string = {};
    ASSERT_EQ(plugin.controller->getParamStringByValue(0, 0.25, string), kResultOk);
    EXPECT_EQ(text(string), "Low pass");
    plugin.controller->getParamStringByValue(8, 1.0, string);
    EXPECT_EQ(text(string), "4");
    plugin.controller->getParamStringByValue(1, 1.0, string);
    EXPECT_EQ(text(string), "16000");
    // The program list: sixteen slots, each named as the effect names it.
    UnitInfo unit{};
    ASSERT_EQ(plugin.units->getUnitInfo(0, unit), kResultOk);
    ProgramListInfo list{};
    ASSERT_EQ(plugin.units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(list.id, unit.programListId);
    EXPECT_EQ(list.programCount, 16);
    EXPECT_EQ(list.id, program.unitId == unit.id ? list.id : -2);
    for (int p = 0; p < 16; ++p) {
        ASSERT_EQ(plugin.units->getProgramName(list.id, p, string), kResultOk);
        EXPECT_EQ(text(string), "Default ");
    }

    // A value edited in program 0 stays there; choosing program 3 tells the
    // host to read the values again, which are program 3's.
    plugin.start(kSampleRate);
    ParameterChanges changes;
    changes.add(7, 0, 0.75);
    plugin.process(nullptr, nullptr, nullptr, nullptr, 0, &changes);
    EXPECT_EQ(plugin.controller->getParamNormalized(7), 0.75);
    ASSERT_EQ(plugin.controller->setParamNormalized(9, 3.0 / 15.0), kResultOk);
    ASSERT_FALSE(handler.calls.empty());
    EXPECT_EQ(handler.calls.back().what, 'r');
    EXPECT_EQ(handler.calls.back().id, static_cast<ParamID>(kParamValuesChanged));
    EXPECT_EQ(plugin.controller->getParamNormalized(9), 3.0 / 15.0);
    EXPECT_EQ(plugin.controller->getParamNormalized(7), 0.5);
    plugin.controller->setParamNormalized(9, 0.0);
    EXPECT_EQ(plugin.controller->getParamNormalized(7), 0.75);
    plugin.controller->setComponentHandler(nullptr);
}

TEST_F(Vst3Plugin, StateRoundTripsExactlyAndBadStreamsChangeNothing) {
    Instance source(factory);
    source.start(kSampleRate);
    Random random{99};
    ParameterChanges changes;
    for (int p = 0; p < 16; p += 5) {
        changes.clear();
        changes.add(9, 0, p / 15.0);
        for (ParamID id = 0; id < 9; ++id) changes.add(id, 1, random.unit());
        source.process(nullptr, nullptr, nullptr, nullptr, 0, &changes);
    }
    // Written through a stream that takes five bytes a call.
    MemoryStream written({}, 5);
    ASSERT_EQ(source.component->getState(&written), kResultOk);
    const std::vector<unsigned char> saved = written.bytes;
    ASSERT_EQ(saved.size(), 1104u);

    // Read through one that gives seven a call.
    Instance restored(factory);
    MemoryStream reading(saved, 7);
    ASSERT_EQ(restored.component->setState(&reading), kResultOk);
    EXPECT_EQ(restored.state(), saved);
    for (ParamID id = 0; id < 10; ++id)
        EXPECT_EQ(restored.controller->getParamNormalized(id), source.controller->getParamNormalized(id));
    // The controller is handed the same state: nothing to change.
    MemoryStream again(saved);
    EXPECT_EQ(restored.controller->setComponentState(&again), kResultOk);

    // What the first release saved, version 1 without the flags word, still
    // loads, and saves as the same state.
    std::vector<unsigned char> first(saved);
    first[4] = 1;
    first.erase(first.begin() + 12, first.begin() + 16);
    Instance older(factory);
    MemoryStream firstStream(first);
    ASSERT_EQ(older.component->setState(&firstStream), kResultOk);
    EXPECT_EQ(older.state(), saved);

    // Refused with nothing changed: short, foreign, newer, and corrupt.
    Instance fresh(factory);
    const std::vector<unsigned char> before = fresh.state();
    std::vector<std::vector<unsigned char>> bad;
    for (std::size_t length : {0, 3, 7, 8, 15, 600, 1103}) bad.emplace_back(saved.begin(), saved.begin() + length);
    bad.push_back(saved), bad.back()[0] = 'X';             // another format
    bad.push_back(saved), bad.back()[4] = 3;               // a newer version
    bad.push_back(saved), bad.back()[8] = 16;              // no such program
    bad.push_back(saved), bad.back()[12] = 2;              // a flag this version does not know
    bad.push_back(saved);                                  // a name without its end
    std::memset(bad.back().data() + 16, 'A', 32);
    bad.push_back(saved), bad.back()[16 + 32 + 3] = 0x7F;  // a value beyond 1 (NaN)
    bad.push_back(first), bad.back().pop_back();           // version 1, short
    for (const std::vector<unsigned char>& bytes : bad) {
        MemoryStream stream(bytes);
        EXPECT_EQ(fresh.component->setState(&stream), kResultFalse) << bytes.size() << " bytes";
        MemoryStream controllerStream(bytes);
        EXPECT_EQ(fresh.controller->setComponentState(&controllerStream), kResultFalse);
        EXPECT_EQ(fresh.state(), before);
    }
    EXPECT_EQ(fresh.component->setState(nullptr), kInvalidArgument);
}

TEST_F(Vst3Plugin, EveryObjectIsFreedAtItsLastReleaseAndTheModuleReloads) {
    {
        Instance plugin(factory);
        ASSERT_NE(plugin.component, nullptr);
        IPlugView* view = plugin.controller->createView("editor");
        ASSERT_NE(view, nullptr);
        IPlugView* second = plugin.controller->createView("editor");
        ASSERT_NE(second, nullptr) << "a host may make the next view before releasing the last";
        EXPECT_EQ(view->release(), 0u);
        EXPECT_EQ(second->release(), 0u);
        plugin.units->release();
        plugin.units = nullptr;
        // The host's last reference is the component's.
        plugin.controller->release();
        plugin.controller = nullptr;
        plugin.processor->release();
        plugin.processor = nullptr;
    }
    for (int cycle = 0; cycle < 20; ++cycle) {
        Module reloaded;
        ASSERT_TRUE(reloaded.loaded());
        IPluginFactory* again = reloaded.factory();
        uint32 last = 1;
        {
            Instance plugin(again);
            plugin.start(44100.0);
            float block[2][64] = {};
            plugin.process(block[0], block[1], block[0], block[1], 64);
            plugin.~Instance();
            last = plugin.lastCount;
            new (&plugin) Instance(nullptr);
        }
        EXPECT_EQ(last, 0u);
        EXPECT_EQ(again->release(), 0u);
    }
}

// Each call gives the host back its floating-point settings, however
// unusual: rounding upward, flush-to-zero and denormals-are-zero, and an
// x87 of 24-bit precision.
TEST_F(Vst3Plugin, TheHostsFloatingPointSettingsComeBack) {
    Instance plugin(factory);
    const UnusualHostArithmetic arithmetic;
    auto check = [&arithmetic](const char* call) { arithmetic.check(call); };
    plugin.start(kSampleRate);
    check("setupProcessing, setActive");
    ParameterChanges changes;
    changes.add(1, 10, 0.3);
    changes.add(2, 20, 0.9);
    float block[2][64] = {{0.5f}, {0.25f}};
    plugin.process(block[0], block[1], block[0], block[1], 64, &changes);
    check("process");
    plugin.controller->setParamNormalized(9, 0.2);
    check("setParamNormalized");
    String128 string;
    plugin.controller->getParamStringByValue(6, 0.3, string);
    check("getParamStringByValue");
    plugin.processor->getTailSamples();
    check("getTailSamples");
}

// What the format's validator checks and our host did not: the process
// context (none needed), and output silence flags that say exactly which
// channel's block is all zeros, whatever the input's flags claim.
TEST_F(Vst3Plugin, ProcessContextAndSilenceFlagsAreTheFormats) {
    Instance plugin(factory);
    void* object = nullptr;
    ASSERT_EQ(plugin.component->queryInterface(bytesOf(IProcessContextRequirements::iid).bytes, &object), kResultOk);
    auto* requirements = static_cast<IProcessContextRequirements*>(object);
    EXPECT_EQ(requirements->getProcessContextRequirements(), 0u);
    requirements->release();

    plugin.start(kSampleRate, 256);
    float silence[2][256] = {};
    float out[2][256];
    EXPECT_EQ(plugin.process(silence[0], silence[1], out[0], out[1], 256, nullptr, nullptr, 3), 3u);
    // Sound on the left reaches both sides through the voices, at once on
    // the left; a right channel that is silent so far says so.
    std::vector<float> left(256, 0.0f);
    left[200] = 0.5f;
    EXPECT_EQ(plugin.process(left.data(), silence[1], out[0], out[1], 256, nullptr, nullptr, 2), 2u);
    // Flags that claim silence where there is sound change nothing.
    Instance honest(factory), lying(factory);
    honest.start(kSampleRate, 256);
    lying.start(kSampleRate, 256);
    Random random{5};
    for (int block = 0; block < 40; ++block) {
        float in[2][256], expected[2][256];
        for (int i = 0; i < 256; ++i) in[0][i] = random.unit() - 0.5f, in[1][i] = random.unit() - 0.5f;
        EXPECT_EQ(honest.process(in[0], in[1], expected[0], expected[1], 256, nullptr, nullptr, 0), 0u);
        EXPECT_EQ(lying.process(in[0], in[1], out[0], out[1], 256, nullptr, nullptr, 3), 0u);
        ASSERT_EQ(std::memcmp(out, expected, sizeof out), 0) << "block " << block;
    }
    // After the sound has died away, the blocks are zeros again, and flagged.
    uint64 flags = 0;
    for (int block = 0; block < 200 && flags != 3; ++block)
        flags = honest.process(silence[0], silence[1], out[0], out[1], 256, nullptr, nullptr, 3);
    EXPECT_EQ(flags, 3u);
}

// While bypassed the output is the input, bit for bit, from the frame the
// bypass switches on to the frame it switches off; the effect runs on
// underneath, so that afterwards the output is what it would have been
// without the bypass.  The bypass is saved and loaded with the state.
TEST_F(Vst3Plugin, BypassPassesTheInputExactlyFromTheFrameItSwitches) {
    constexpr int kFrames = 4096;
    constexpr int kOn = 1000, kOff = 2900;  // inside blocks of 256
    Random random{11};
    std::vector<float> in(2 * kFrames);
    for (float& sample : in) sample = random.unit() - 0.5f;
    // Bits no arithmetic would keep, while bypassed: a signalling NaN with
    // a payload, a denormal, negative zero.
    const std::uint32_t odd[3] = {0x7F800123u, 0x00000001u, 0x80000000u};
    for (int i = 0; i < 3; ++i) std::memcpy(&in[kOn + 7 + i], &odd[i], 4);

    Instance reference(factory), plugin(factory);
    reference.start(kSampleRate, 256);
    plugin.start(kSampleRate, 256);
    std::vector<float> expected(2 * kFrames), out(in);  // the plug-in's in place
    for (int start = 0; start < kFrames; start += 256) {
        reference.process(&in[start], &in[kFrames + start], &expected[start], &expected[kFrames + start], 256);
        ParameterChanges changes;
        if (kOn >= start && kOn < start + 256) changes.add(10, kOn - start, 1.0);
        if (kOff >= start && kOff < start + 256) changes.add(10, kOff - start, 0.0);
        plugin.process(&out[start], &out[kFrames + start], &out[start], &out[kFrames + start], 256, &changes);
    }
    for (int c = 0; c < 2; ++c)
        for (int f = 0; f < kFrames; ++f) {
            const float* want = f >= kOn && f < kOff ? &in[c * kFrames + f] : &expected[c * kFrames + f];
            ASSERT_EQ(std::memcmp(&out[c * kFrames + f], want, 4), 0) << "channel " << c << ", frame " << f;
        }

    ParameterChanges on;
    on.add(10, 0, 1.0);
    plugin.process(nullptr, nullptr, nullptr, nullptr, 0, &on);
    const std::vector<unsigned char> saved = plugin.state();
    Instance restored(factory);
    ASSERT_EQ(restored.load(saved), kResultOk);
    EXPECT_EQ(restored.controller->getParamNormalized(10), 1.0);
    restored.start(kSampleRate, 256);
    std::vector<float> through(2 * 256);
    restored.process(&in[0], &in[kFrames], &through[0], &through[256], 256);
    EXPECT_EQ(std::memcmp(&through[0], &in[0], 256 * 4), 0);
    EXPECT_EQ(std::memcmp(&through[256], &in[kFrames], 256 * 4), 0);
}

// A locale whose decimal separator is a comma, as hosts built on some
// toolkits set it from the user's; made for the test where the machine
// has none.  False when none can be had.
bool useCommaLocale() {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "de-DE", "German"};
    auto tryNames = [&] {
        for (const char* name : names)
            if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') return true;
        return false;
    };
    if (tryNames()) return true;
#if !defined(_WIN32)
    char folder[] = "/tmp/velorin-locale-XXXXXX";
    if (mkdtemp(folder)) {
        const std::string command = std::string("localedef -i de_DE -f UTF-8 ") + folder + "/de_DE.UTF-8 2>/dev/null";
        if (std::system(command.c_str()) == 0) {
            setenv("LOCPATH", folder, 1);
            if (tryNames()) return true;
        }
    }
#endif
    std::setlocale(LC_ALL, "C");
    return false;
}

// What a user types lands where the effect shows that text, with a decimal
// point or a decimal comma, in the C locale and in a comma locale alike;
// and the texts shown are the same in both.
TEST_F(Vst3Plugin, TypedValuesReadTheSameInAnyLocale) {
    Instance plugin(factory);
    const struct {
        ParamID id;
        const char* typed;
        const char* shown;
    } typed[] = {{0, "high pass", "High pass"}, {1, "1672 Hz", "1672"}, {2, "1.3", "1.3"}, {2, "1,3", "1.3"},
                 {3, "30", "30.0"},  {3, "27.5 %", "27.5"},  {4, "10", "10"},  {5, "Reverse", "Reverse"},
                 {6, "-6.5", "-6.5"}, {6, "-6,5 dB", "-6.5"}, {7, "-oo", "-oo"}, {8, "4", "4"},
                 {10, "On", "On"},   {10, "off", "Off"}};
    auto check = [&](const char* where) {
        for (const auto& t : typed) {
            ParamValue value = -1.0;
            ASSERT_EQ(plugin.controller->getParamValueByString(t.id, utf16(t.typed).data(), value), kResultOk)
                << t.typed << " " << where;
            String128 string = {};
            plugin.controller->getParamStringByValue(t.id, value, string);
            EXPECT_EQ(text(string), t.shown) << t.typed << " " << where;
        }
        ParamValue value = -1.0;
        EXPECT_EQ(plugin.controller->getParamValueByString(2, utf16("fast").data(), value), kResultFalse) << where;
    };
    check("in the C locale");
    if (!useCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma could be had";
    check("in a locale with a decimal comma");
    std::setlocale(LC_ALL, "C");
}

// The controller answers what the host set, before any block carries it
// to the effect; a program change that automation makes reaches the host
// from its UI thread with no editor open (the host's run loop, Windows'
// message loop).
TEST_F(Vst3Plugin, ControllerAndHostStayInStepWithoutAnEditor) {
    HostContext context;
    Instance plugin(factory, &context);
    ComponentHandler handler;
    plugin.controller->setComponentHandler(&handler);
    plugin.start(kSampleRate, 256);
    ASSERT_EQ(plugin.controller->setParamNormalized(3, 0.7), kResultOk);
    ASSERT_EQ(plugin.controller->setParamNormalized(10, 1.0), kResultOk);
    EXPECT_EQ(plugin.controller->getParamNormalized(3), 0.7);
    EXPECT_EQ(plugin.controller->getParamNormalized(10), 1.0);
    ParameterChanges changes;
    changes.add(3, 0, 0.7);
    changes.add(10, 0, 1.0);
    plugin.process(nullptr, nullptr, nullptr, nullptr, 0, &changes);
    EXPECT_EQ(plugin.controller->getParamNormalized(3), static_cast<double>(0.7f));
    EXPECT_EQ(plugin.controller->getParamNormalized(10), 1.0);

    changes.clear();
    changes.add(9, 0, 4.0 / 15.0);
    plugin.process(nullptr, nullptr, nullptr, nullptr, 0, &changes);
    EXPECT_EQ(plugin.controller->getParamNormalized(9), 4.0 / 15.0);
    EXPECT_EQ(plugin.controller->getParamNormalized(3), static_cast<double>(0.15f));
    handler.calls.clear();
    runUiThread(context, 300);
    ASSERT_EQ(handler.calls.size(), 1u) << "one restart request, from the UI thread";
    EXPECT_EQ(handler.calls[0].what, 'r');
    EXPECT_EQ(handler.calls[0].id, static_cast<ParamID>(kParamValuesChanged));
    plugin.controller->setComponentHandler(nullptr);
}

// Bytes as hosts saved them for the VST 2 plug-in, written here from the
// format's description: big-endian words, programs of 28-byte names and
// nine floats.
struct Vst2Writer {
    std::vector<unsigned char> bytes;
    void word(std::uint32_t w) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(w >> shift));
    }
    void tag(const char* four) { bytes.insert(bytes.end(), four, four + 4); }
    void program(const char* name, const float* values, int count = 9, const char* kind = "FxCk") {
        tag("CcnK"), word(static_cast<std::uint32_t>(48 + 4 * count)), tag(kind), word(1), tag("Vlr2"), word(1),
            word(static_cast<std::uint32_t>(count));
        char field[28] = {};
        std::memcpy(field, name, strnlen(name, sizeof field));
        bytes.insert(bytes.end(), field, field + 28);
        for (int i = 0; i < count; ++i) {
            std::uint32_t bits;
            std::memcpy(&bits, &values[i], 4);
            word(bits);
        }
    }
    void bankHeader(const char* id, int version, int current, const char* kind = "FxBk") {
        tag("CcnK"), word(1620), tag(kind), word(static_cast<std::uint32_t>(version)), tag(id), word(1), word(16);
        word(static_cast<std::uint32_t>(current));
        bytes.insert(bytes.end(), 124, 0);
    }
    void wrapper(bool bypass) { tag("VstW"), word(8), word(1), word(bypass ? 1 : 0); }
};

// Our state as it should read: version 2, every slot bit for bit.
std::vector<unsigned char> ownState(int current, bool bypass, const std::vector<std::string>& names,
                                    const std::vector<float>& values) {
    std::vector<unsigned char> bytes = {'V', 'L', 'R', '2', 2, 0, 0, 0, static_cast<unsigned char>(current), 0, 0, 0,
                                        static_cast<unsigned char>(bypass), 0, 0, 0};
    for (int p = 0; p < 16; ++p) {
        char name[32] = {};
        std::strncpy(name, names[p].c_str(), 31);
        bytes.insert(bytes.end(), name, name + 32);
        for (int i = 0; i < 9; ++i) {
            unsigned char le[4];
            std::memcpy(le, &values[9 * p + i], 4);
            bytes.insert(bytes.end(), le, le + 4);
        }
    }
    return bytes;
}

// The VST 2 plug-in's bank and single program, with and without the
// header hosts add when they swap in the VST 3 plug-in: values and names
// land in the slots bit for bit, the current program and the bypass come
// back.  Anything else is refused with nothing changed.
TEST_F(Vst3Plugin, Vst2ProjectsCarryOver) {
    Random random{2006};
    std::vector<std::string> names;
    std::vector<float> values;
    for (int p = 0; p < 16; ++p) {
        names.push_back(p == 3 ? "A name of twenty-eight chars" : "Program " + std::to_string(p));
        for (int i = 0; i < 9; ++i) values.push_back(random.unit());
    }
    values[0] = 1.0f, values[1] = 0.0f;
    Vst2Writer bank;
    bank.bankHeader("Vlr2", 2, 7);
    for (int p = 0; p < 16; ++p) bank.program(names[p].c_str(), &values[9 * p]);
    Vst2Writer wrapped;
    wrapped.wrapper(true);
    wrapped.bytes.insert(wrapped.bytes.end(), bank.bytes.begin(), bank.bytes.end());

    for (const auto& [bytes, bypass] : {std::pair(bank.bytes, false), std::pair(wrapped.bytes, true)}) {
        Instance plugin(factory);
        ASSERT_EQ(plugin.load(bytes), kResultOk);
        EXPECT_EQ(plugin.state(), ownState(7, bypass, names, values));
        EXPECT_EQ(plugin.controller->getParamNormalized(9), 7.0 / 15.0);
        EXPECT_EQ(plugin.controller->getParamNormalized(2), values[9 * 7 + 2]);
    }

    // A single program replaces the current slot alone.
    const float one[9] = {0.0f, 0.25f, 0.125f, 1.0f, 0.5f, 1.0f, 0.75f, 0.0625f, 1.0f};
    Vst2Writer program;
    program.wrapper(false);
    program.program("Solo", one);
    Instance plugin(factory);
    plugin.controller->setParamNormalized(9, 2.0 / 15.0);
    ASSERT_EQ(plugin.load(program.bytes), kResultOk);
    std::vector<std::string> expectedNames(16, "Default ");
    std::vector<float> expectedValues;
    for (int p = 0; p < 16; ++p)
        for (double v : {1.0, 0.0, 0.05f + 0.0, 0.15f + 0.0, 0.15f + 0.0, 0.0, 0.5, 0.5, 0.5})
            expectedValues.push_back(static_cast<float>(v));
    expectedNames[2] = "Solo";
    std::copy(one, one + 9, expectedValues.begin() + 18);
    EXPECT_EQ(plugin.state(), ownState(2, false, expectedNames, expectedValues));
    program.bytes.erase(program.bytes.begin(), program.bytes.begin() + 16);
    EXPECT_EQ(plugin.load(program.bytes), kResultOk) << "without the header";

    // Refused, nothing changed: another plug-in's bank, a truncated one, one
    // kept as a chunk, a program of eight values, a value beyond 1.
    std::vector<std::vector<unsigned char>> bad;
    Vst2Writer foreign;
    foreign.bankHeader("Abcd", 2, 0);
    for (int p = 0; p < 16; ++p) foreign.program("", &values[9 * p]);
    bad.push_back(foreign.bytes);
    for (std::size_t length : {3, 60, 300, 1619}) bad.emplace_back(bank.bytes.begin(), bank.bytes.begin() + length);
    Vst2Writer chunk;
    chunk.bankHeader("Vlr2", 2, 0, "FBCh");
    chunk.word(4), chunk.word(0);
    bad.push_back(chunk.bytes);
    Vst2Writer short8;
    short8.program("Eight", one, 8);
    bad.push_back(short8.bytes);
    bad.push_back(program.bytes), bad.back()[bad.back().size() - 4] = 0x3F, bad.back()[bad.back().size() - 3] = 0xC0;
    const std::vector<unsigned char> before = plugin.state();
    for (const auto& bytes : bad) {
        EXPECT_EQ(plugin.load(bytes), kResultFalse) << bytes.size() << " bytes";
        EXPECT_EQ(plugin.state(), before);
    }
}

}  // namespace
