// Loads the built DLL through "main" exactly as a host does and checks what
// the host sees: the record, the version request, and the opcodes a host
// sends while it sets a plug-in up and tears it down.
#include <gtest/gtest.h>

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

}  // namespace
