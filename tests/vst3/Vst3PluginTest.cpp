// The VST 3 module as a host loads it (GetPluginFactory, the class, an
// instance and its interfaces), checked against the VST 2 plug-in of the
// same build: the same output bits for the same values at the same frames,
// with the host's changes falling anywhere inside its blocks; programs,
// state and reference counts; the host's floating-point settings kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "host/FloatingPointControl.h"
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
    ASSERT_EQ(plugin.controller->getParameterCount(), 10);
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

    // The effect's own texts, for any value.
    String128 string = {};
    ASSERT_EQ(plugin.controller->getParamStringByValue(0, 0.25, string), kResultOk);
    EXPECT_EQ(text(string), "Low pass");
    plugin.controller->getParamStringByValue(8, 1.0, string);
    EXPECT_EQ(text(string), "4");
    plugin.controller->getParamStringByValue(1, 1.0, string);
    EXPECT_EQ(text(string), "16000");
    // And back: a typed text lands where the effect shows that text.
    const struct {
        ParamID id;
        const char* typed;
        const char* shown;
    } typed[] = {{0, "high pass", "High pass"}, {1, "1672 Hz", "1672"}, {2, "1.3", "1.3"}, {3, "30", "30.0"},
                 {4, "10", "10"}, {5, "Reverse", "Reverse"}, {6, "-6.0", "-6.0"}, {7, "-oo", "-oo"}, {8, "4", "4"}};
    for (const auto& t : typed) {
        char16 utf16[64] = {};
        for (int c = 0; t.typed[c]; ++c) utf16[c] = static_cast<char16>(t.typed[c]);
        ParamValue value = -1.0;
        ASSERT_EQ(plugin.controller->getParamValueByString(t.id, utf16, value), kResultOk) << t.typed;
        plugin.controller->getParamStringByValue(t.id, value, string);
        EXPECT_EQ(text(string), t.shown) << t.typed;
    }

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
        EXPECT_EQ(plugin.controller->createView("editor"), nullptr) << "one view at a time";
        EXPECT_EQ(view->release(), 0u);
        IPlugView* second = plugin.controller->createView("editor");
        ASSERT_NE(second, nullptr);
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
    const std::uint32_t hostMxcsr = fpu::kMxcsrAllExceptionsMasked | 0x4000 | fpu::kMxcsrFlushToZero |
                                    fpu::kMxcsrDenormalsAreZero;
    const std::uint16_t hostControl = 0x087F;
    const std::uint16_t savedControl = fpu::controlWord();
    const std::uint32_t savedMxcsr = fpu::mxcsr();
    auto check = [&](const char* call) {
        EXPECT_EQ(fpu::mxcsr() & ~0x3Fu, hostMxcsr) << call;
        EXPECT_EQ(fpu::controlWord(), hostControl) << call;
    };
    fpu::setControlWord(hostControl);
    fpu::restoreMxcsr(hostMxcsr);
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
    fpu::restoreMxcsr(savedMxcsr);
    fpu::setControlWord(savedControl);
}

}  // namespace
