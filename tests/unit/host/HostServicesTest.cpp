// The base class's requests to the host, seen by a recording host callback.
#include <gtest/gtest.h>

#include <vector>

#include "tests/unit/host/RecordingEffect.h"

namespace {

struct Call {
    AEffect* effect;
    VstInt32 opcode, index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

std::vector<Call> calls;
VstIntPtr answer = 0;

VstIntPtr VELORIN_CALLBACK recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                         float opt) {
    calls.push_back({effect, opcode, index, value, ptr, opt});
    return answer;
}

class HostServices : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        answer = 0;
    }
    RecordingEffect effect{recordingHost};
};

TEST_F(HostServices, AutomationSetsTheParameterFirstThenTellsTheHost) {
    effect.setParameterAutomated(3, 0.25f);
    ASSERT_EQ(effect.log.size(), 1u);
    EXPECT_EQ(effect.log[0], "setParameter 3");
    EXPECT_EQ(effect.lastValue, 0.25f);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, effect.getAeffect());
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, 3);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].ptr, nullptr);
    EXPECT_EQ(calls[0].opt, 0.25f);
}

TEST_F(HostServices, MasterVersionFallsBackToOneForOldHosts) {
    EXPECT_EQ(effect.getMasterVersion(), 1);
    answer = 2400;
    EXPECT_EQ(effect.getMasterVersion(), 2400);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].opcode, audioMasterVersion);
}

TEST_F(HostServices, InquiriesSendTheirOpcodesAndPassTheAnswers) {
    answer = 42;
    EXPECT_EQ(effect.getCurrentUniqueId(), 42);
    effect.masterIdle();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].opcode, audioMasterCurrentId);
    EXPECT_EQ(calls[1].opcode, audioMasterIdle);
}

TEST_F(HostServices, PinsAreConnectedWhenTheHostAnswersZero) {
    EXPECT_TRUE(effect.isInputConnected(1));
    answer = 1;
    EXPECT_FALSE(effect.isInputConnected(1));
    EXPECT_FALSE(effect.isOutputConnected(0));
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opcode, audioMasterPinConnected);
    EXPECT_EQ(calls[0].index, 1);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[2].index, 0);
    EXPECT_EQ(calls[2].value, 1);  // outputs are asked with value 1
}

TEST(HostServicesWithoutHost, EveryInquiryGivesItsNeutralAnswer) {
    RecordingEffect effect;
    effect.setParameterAutomated(1, 0.5f);
    EXPECT_EQ(effect.log.size(), 1u);
    EXPECT_EQ(effect.getMasterVersion(), 1);
    EXPECT_EQ(effect.getCurrentUniqueId(), 0);
    effect.masterIdle();
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(0));
}

}  // namespace
