// Loads Velorin2.dll through "main" as a host does and checks the chorus as
// the host sees it: the record, program names, parameter names, labels and
// value texts (correctly rounded whatever C runtime the DLL meets), and the
// audio of every golden scenario, which must match the reference model bit
// for bit.  Each test creates its own effect and closes it again.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/unit/chorus/GoldenScenarios.h"
#include "tests/wine/chorus/DllChorus.h"
#include "tools/PluginLoader.h"

namespace {

class ChorusDll : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(loader.loaded()) << loader.error(); }
    AEffect* create() {
        AEffect* record = loader.create();
        EXPECT_NE(record, nullptr);
        return record;
    }
    static PluginLoader loader;
};

PluginLoader ChorusDll::loader{builtPluginPath()};

TEST_F(ChorusDll, TheRecordIsTheChorusAHostExpects) {
    PluginInstance chorus(create());
    const AEffect* e = chorus.record();
    EXPECT_EQ(e->numPrograms, 16);
    EXPECT_EQ(e->numParams, 9);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 25);
    EXPECT_EQ(e->uniqueID, 0x566C7232);
    EXPECT_EQ(chorus.close(), 1);
}

TEST_F(ChorusDll, ProgramsAndParametersAsAHostSeesThem) {
    PluginInstance chorus(create());
    const char* names[9] = {"Filter", "Cutoff", "Rate", "Depth", "Predelay", "Phase", "Dry", "Wet", "Voices"};
    const char* labels[9] = {"Type", "Hz", "Hz", "%", "ms", "Type", "dB", "dB", ""};
    const char* texts[9] = {"High pass", "  80", "0.3", "15.0", "15", "Normal", "-6.0", "-6.0", "2"};
    const float values[9] = {1.0f, 0.0f, 0.05f, 0.15f, 0.15f, 0.0f, 0.5f, 0.5f, 0.5f};
    for (int program = 0; program < 16; ++program) {
        chorus.dispatch(effSetProgram, 0, program);
        EXPECT_EQ(chorus.dispatch(effGetProgram), program);
        EXPECT_EQ(chorus.text(effGetProgramName), "Default ");
        for (int i = 0; i < 9; ++i) {
            EXPECT_EQ(chorus.text(effGetParamName, i), names[i]);
            EXPECT_EQ(chorus.text(effGetParamLabel, i), labels[i]);
            EXPECT_EQ(chorus.text(effGetParamDisplay, i), texts[i]);
            EXPECT_EQ(chorus.getParameter(i), values[i]);
        }
    }
    EXPECT_EQ(chorus.text(effGetParamName, 9), "");
    EXPECT_EQ(chorus.text(effGetParamDisplay, -1), "");
    char longName[] = "A name of more than thirty-one characters";
    chorus.dispatch(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(chorus.text(effGetProgramName), std::string(longName, 31));
    chorus.dispatch(effSetProgramName, 0, 0, nullptr);  // ignored
    chorus.close();
}

// Windows' own C runtime rounds exact decimal ties away from zero; the
// DLL's texts do not depend on it.
TEST_F(ChorusDll, ValueTextsRoundExactTiesToEven) {
    PluginInstance chorus(create());
    chorus.setParameter(3, 0.0625f);
    EXPECT_EQ(chorus.text(effGetParamDisplay, 3), "6.2");
    chorus.setParameter(3, 0.1875f);
    EXPECT_EQ(chorus.text(effGetParamDisplay, 3), "18.8");
    chorus.setParameter(1, 0.09375f);
    EXPECT_EQ(chorus.text(effGetParamDisplay, 1), "1572");
    chorus.setParameter(1, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(chorus.text(effGetParamDisplay, 1), " nan");
    chorus.setParameter(4, 1e6f);
    EXPECT_EQ(chorus.text(effGetParamDisplay, 4), "100000000");
    chorus.setParameter(4, 1e20f);  // too long for a host's buffer
    EXPECT_EQ(chorus.text(effGetParamDisplay, 4), " Huge!  ");
    chorus.setParameter(0, 3.0f);
    EXPECT_EQ(chorus.text(effGetParamDisplay, 0), "High pass");
    chorus.setParameter(5, -1.0f);
    EXPECT_EQ(chorus.text(effGetParamDisplay, 5), "Normal");
    chorus.close();
}

TEST_F(ChorusDll, EmptyBlocksLeaveTheBuffersAlone) {
    PluginInstance chorus(create());
    std::vector<float> left(8, 3.0f), right(8, 3.0f);
    float* buffers[2] = {left.data(), right.data()};
    chorus.processReplacing(buffers, buffers, 0);
    chorus.process(buffers, buffers, -4);
    EXPECT_EQ(left, std::vector<float>(8, 3.0f));
    chorus.close();
}

TEST_F(ChorusDll, RecoversFromANonFiniteInputAfterOneBlock) {
    PluginInstance chorus(create());
    std::vector<float> inL(4096, 0.25f), inR(4096, -0.125f), outL(4096), outR(4096);
    inL[7] = std::numeric_limits<float>::quiet_NaN();
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    chorus.processReplacing(in, out, 64);
    inL[7] = 0.25f;
    for (int block = 0; block < 8; ++block) {
        chorus.processReplacing(in, out, 4096);
        for (int k = 0; k < 4096; ++k) ASSERT_TRUE(std::isfinite(outL[k]) && std::isfinite(outR[k])) << block;
    }
    chorus.close();
}

class DllGoldenScenario : public ::testing::TestWithParam<golden::Scenario> {};

TEST_P(DllGoldenScenario, TheDllMatchesTheReferenceModelBitForBit) {
    static PluginLoader loader{builtPluginPath()};
    ASSERT_TRUE(loader.loaded()) << loader.error();
    const golden::Scenario& scenario = GetParam();
    golden::ModelChorus model;
    DllChorus dll(loader.create());
    ASSERT_NE(dll.plugin.record(), nullptr);
    const golden::Output expected = golden::run(scenario, model);
    const golden::Output actual = golden::run(scenario, dll);
    EXPECT_EQ(golden::firstDifference(expected, actual), "");
}

std::string scenarioName(const ::testing::TestParamInfo<golden::Scenario>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Chorus, DllGoldenScenario, ::testing::ValuesIn(golden::scenarios()), scenarioName);

}  // namespace
