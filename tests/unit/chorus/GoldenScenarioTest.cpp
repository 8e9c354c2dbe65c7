// ChorusEffect against the reference model, bit for bit, on the golden
// scenarios: every voice count, both filter types, reversed phase, extreme
// Rate, Depth and Predelay, 22050 to 192000 Hz, the ring's wrap, cutoff and
// sample-rate jumps that rescale the filter state, denormal decay, clipping, process and in-place buffers, mid-run
// changes and random block splits.  The final processing state must agree
// as well.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/unit/chorus/GoldenScenarios.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

class EffectChorus : public golden::Chorus {
public:
    EffectChorus() : effect(nullptr) {}
    void setSampleRate(float rate) override { effect.setSampleRate(rate); }
    void setParameter(int index, float value) override { effect.setParameter(index, value); }
    void setProgram(int program) override { effect.setProgram(program); }
    void process(float** inputs, float** outputs, int frames, bool accumulate) override {
        if (accumulate)
            effect.process(inputs, outputs, frames);
        else
            effect.processReplacing(inputs, outputs, frames);
    }
    ChorusEffect effect;
};

template <typename T>
bool sameBits(T a, T b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class GoldenScenario : public ::testing::TestWithParam<golden::Scenario> {};

TEST_P(GoldenScenario, EffectMatchesTheReferenceModelBitForBit) {
    const golden::Scenario& scenario = GetParam();
    golden::ModelChorus model;
    EffectChorus effect;
    const golden::Output expected = golden::run(scenario, model);
    const golden::Output actual = golden::run(scenario, effect);
    EXPECT_EQ(golden::firstDifference(expected, actual), "");

    // The state the next block would start from.
    ChorusEffect& e = effect.effect;
    const model::ReferenceChorus& m = model.model;
    EXPECT_TRUE(sameBits(ChorusEffectInspector::oscSin(e), m.oscSin));
    EXPECT_TRUE(sameBits(ChorusEffectInspector::oscCos(e), m.oscCos));
    EXPECT_EQ(ChorusEffectInspector::writePos(e), m.writePos);
    EXPECT_TRUE(sameBits(ChorusEffectInspector::filterZ1(e), m.z1));
    EXPECT_TRUE(sameBits(ChorusEffectInspector::filterZ2(e), m.z2));
    EXPECT_EQ(e.getClipFlag(), m.clipFlag);
    EXPECT_EQ(std::memcmp(ChorusEffectInspector::delayLine(e), m.ring.data(), m.ring.size() * sizeof(float)), 0);
}

std::string scenarioName(const ::testing::TestParamInfo<golden::Scenario>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Chorus, GoldenScenario, ::testing::ValuesIn(golden::scenarios()), scenarioName);

}  // namespace
