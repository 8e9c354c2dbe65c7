// Loads the built DLL through "main" exactly as a host does and checks what
// the host sees: the record, the version request, and the opcodes a host
// sends while it sets a plug-in up and tears it down.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "host/AudioEffect.h"
#include "tools/PluginLoader.h"

namespace {

class LoadedPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(loader.loaded()) << loader.error();
        RecordingHost::instance() = RecordingHost{};
    }
    PluginLoader loader{builtPluginPath()};
};

TEST_F(LoadedPlugin, MainAsksTheHostVersionWithANullRecord) {
    AEffect* e = loader.create();
    ASSERT_NE(e, nullptr);
    const auto& calls = RecordingHost::instance().calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].effect, nullptr);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].ptr, nullptr);
    EXPECT_EQ(calls[0].opt, 0.0f);
    EXPECT_EQ(PluginInstance(e).close(), 1);
}

TEST_F(LoadedPlugin, MainRefusesOldHostsAndMissingCallbacks) {
    RecordingHost::instance().versionAnswer = 0;
    EXPECT_EQ(loader.create(), nullptr);
    EXPECT_EQ(RecordingHost::instance().calls.size(), 1u);  // only the version request
    EXPECT_EQ(loader.create(nullptr), nullptr);
}

TEST_F(LoadedPlugin, RecordIsTheChorusAsAHostExpectsIt) {
    AEffect* e = loader.create();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
    EXPECT_EQ(e->numPrograms, 16);
    EXPECT_EQ(e->numParams, 9);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 25);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->uniqueID, 0x566C7232);
    EXPECT_EQ(e->version, 1);
    for (char byte : e->future) EXPECT_EQ(byte, 0);
    PluginInstance(e).close();
}

TEST_F(LoadedPlugin, EachMainCallMakesAnIndependentEffect) {
    PluginInstance a(loader.create());
    PluginInstance b(loader.create());
    ASSERT_NE(a.record(), b.record());
    a.dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(a.dispatch(effGetProgram), 5);
    EXPECT_EQ(b.dispatch(effGetProgram), 0);
    EXPECT_EQ(a.close(), 1);
    EXPECT_EQ(b.dispatch(effGetProgram), 0);
    EXPECT_EQ(b.close(), 1);
}

TEST_F(LoadedPlugin, AnswersTheOpcodesOfAHostSession) {
    PluginInstance plugin(loader.create());
    EXPECT_EQ(plugin.dispatch(effOpen), 0);
    EXPECT_EQ(plugin.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(plugin.dispatch(23), 0);
    EXPECT_EQ(plugin.dispatch(-1), 0);
    EXPECT_EQ(plugin.dispatch(effGetVu), 0);

    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
    plugin.dispatch(effSetProgram, 0, 15);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 15);
    plugin.dispatch(effSetProgram, 0, 16);
    plugin.dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 15);

    // Sample rate from opt, block size from value; both answered with 0.
    EXPECT_EQ(plugin.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(plugin.dispatch(effSetBlockSize, 0, 512, nullptr, 0.0f), 0);

    EXPECT_EQ(plugin.dispatch(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(plugin.dispatch(effMainsChanged, 0, 0), 0);

    // Text opcodes without a buffer write nothing and answer 0.
    for (VstInt32 opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName})
        EXPECT_EQ(plugin.dispatch(opcode, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin.dispatch(effEditGetRect, 0, 0, nullptr), 0);

    EXPECT_EQ(plugin.close(), 1);
}

// The sample rate travels in opt: with no sweep, one voice, wet only and
// the longest predelay, an impulse comes back after 10 + 0.1 x rate frames.
TEST_F(LoadedPlugin, SampleRateFromOptMovesTheEcho) {
    PluginInstance plugin(loader.create());
    const float settings[9] = {1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f};
    for (int i = 0; i < 9; ++i) plugin.setParameter(i, settings[i]);
    EXPECT_EQ(plugin.dispatch(effSetSampleRate, 0, 96000, nullptr, 22050.0f), 0);

    const int frames = 4096;
    std::vector<float> left(frames, 0.0f), right(frames, 0.0f), outL(frames), outR(frames);
    left[0] = right[0] = 1.0f;
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    plugin.processReplacing(inputs, outputs, frames);
    int first = -1;
    for (int k = 0; k < frames && first < 0; ++k)
        if (outL[k] != 0.0f) first = k;
    EXPECT_EQ(first, 2215);  // 10 + 2205 frames at 22050 Hz; 9610 at 96000
    EXPECT_EQ(outR[first], outL[first]);
    plugin.close();
}

// The block size travels in value; the effect's own view is asked through
// its virtual operations (the test is built with the same compiler and
// class definitions as the DLL).
TEST_F(LoadedPlugin, BlockSizeFromValue) {
    PluginInstance plugin(loader.create());
    auto* object = static_cast<AudioEffect*>(plugin.record()->object);
    EXPECT_EQ(object->getBlockSize(), 1024);
    EXPECT_EQ(plugin.dispatch(effSetBlockSize, 0, 333, nullptr, 4096.0f), 0);
    EXPECT_EQ(object->getBlockSize(), 333);
    EXPECT_EQ(object->getSampleRate(), 44100.0f);
    plugin.close();
}

// effClose deletes the effect with its delay line: a host that opens and
// closes many instances keeps its address space (a leak would keep 256 KiB
// of delay line each).
TEST_F(LoadedPlugin, CloseFreesTheEffect) {
    // The free regions of the process's address space, walked one by one.
    auto freeAddressSpace = [] {
        DWORDLONG free = 0;
        MEMORY_BASIC_INFORMATION region;
        for (auto* at = static_cast<char*>(nullptr); VirtualQuery(at, &region, sizeof region) == sizeof region;
             at = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
            if (region.State == MEM_FREE) free += region.RegionSize;
            if (region.RegionSize == 0) break;
        }
        return free;
    };
    PluginInstance(loader.create()).close();  // first-use allocations
    const DWORDLONG before = freeAddressSpace();
    for (int i = 0; i < 400; ++i) EXPECT_EQ(PluginInstance(loader.create()).close(), 1);
    const DWORDLONG after = freeAddressSpace();
    EXPECT_LT(before - after, DWORDLONG{16} << 20) << "400 kept instances would take 100 MiB";
}

}  // namespace
