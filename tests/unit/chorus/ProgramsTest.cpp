// The effect object, its programs, program changes, the sample
// rate, program names, the editor coupling and construction failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/PluginEntry.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

using I = ChorusEffectInspector;

const float kDefaults[9] = {1.0f, 0.0f, 0.05f, 0.15f, 0.15f, 0.0f, 0.5f, 0.5f, 0.5f};

std::string programName(ChorusEffect& effect) {
    char name[64];
    std::memset(name, 'x', sizeof name);
    effect.getProgramName(name);
    return name;
}

// Runs some noise through the effect so that its state is not the reset one.
void processNoise(ChorusEffect& effect, int frames) {
    std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
    for (int k = 0; k < frames; ++k) {
        inL[k] = static_cast<float>((k * 7919) % 200 - 100) / 100.0f;
        inR[k] = static_cast<float>((k * 104729) % 200 - 100) / 100.0f;
    }
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    effect.processReplacing(in, out, frames);
}

bool ringIsSilent(ChorusEffect& effect) {
    const float* ring = I::delayLine(effect);
    for (int i = 0; i < ChorusEffect::kDelayLineLength; ++i)
        if (ring[i] != 0.0f) return false;
    return true;
}

TEST(ChorusPrograms, AfterConstructionEveryProgramIsTheDefaultOne) {
    ChorusEffect effect(nullptr);
    EXPECT_EQ(effect.getProgram(), 0);
    for (int program = 0; program < 16; ++program) {
        effect.setProgram(program);
        EXPECT_EQ(programName(effect), "Default ");
        for (int index = 0; index < 9; ++index) EXPECT_EQ(effect.getParameter(index), kDefaults[index]) << index;
    }
}

TEST(ChorusPrograms, TheRecordShowsTheChorusAsAHostExpectsIt) {
    ChorusEffect effect(nullptr);
    seams::attachRecordingEditor(effect);
    const AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->numPrograms, 16);
    EXPECT_EQ(e->numParams, 9);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 25);
    EXPECT_EQ(e->uniqueID, 0x566C7232);
}

TEST(ChorusPrograms, TheStateAfterConstructionIsTheResetOne) {
    ChorusEffect effect(nullptr);
    EXPECT_TRUE(ringIsSilent(effect));
    EXPECT_EQ(I::writePos(effect), 0);
    EXPECT_EQ(I::oscSin(effect), 0.0);
    EXPECT_EQ(I::oscCos(effect), 1.0);
    EXPECT_EQ(I::filterZ1(effect), 0.0f);
    EXPECT_EQ(I::filterZ2(effect), 0.0f);
    EXPECT_EQ(effect.getClipFlag(), 0);
    EXPECT_EQ(I::sampleRate(effect), 44100.0f);
    // Rotation of the default Rate, 0.295 Hz at 44100 Hz.
    const double omega = 2.0 * 3.14159265358979323846 * (3.9 * static_cast<double>(0.05f) + 0.1) / 44100.0;
    EXPECT_EQ(I::rotCos(effect), std::cos(omega));
    EXPECT_EQ(I::rotSin(effect), std::sin(omega));
}

TEST(ChorusPrograms, AParameterChangesTheCurrentProgramOnly) {
    ChorusEffect effect(nullptr);
    effect.setProgram(3);
    effect.setParameter(7, 0.9f);
    effect.setProgram(4);
    EXPECT_EQ(effect.getParameter(7), 0.5f);
    effect.setProgram(3);
    EXPECT_EQ(effect.getParameter(7), 0.9f);
    effect.setProgram(2);
    EXPECT_EQ(effect.getParameter(7), 0.5f);
}

TEST(ChorusPrograms, SettingTheCurrentProgramStillSilencesTheRingAndRestartsTheOscillator) {
    ChorusEffect effect(nullptr);
    processNoise(effect, 3000);
    ASSERT_FALSE(ringIsSilent(effect));
    ASSERT_NE(I::writePos(effect), 0);
    ASSERT_NE(I::filterZ1(effect), 0.0f);
    effect.setParameter(6, 5.0f);
    processNoise(effect, 10);  // clips
    ASSERT_EQ(effect.getClipFlag(), 1);
    const float z1AfterClip = I::filterZ1(effect), z2AfterClip = I::filterZ2(effect);

    effect.setProgram(0);
    EXPECT_TRUE(ringIsSilent(effect));
    EXPECT_EQ(I::writePos(effect), 0);
    EXPECT_EQ(I::oscSin(effect), 0.0);
    EXPECT_EQ(I::oscCos(effect), 1.0);
    // The filter state and the clip flag stay.
    EXPECT_EQ(I::filterZ1(effect), z1AfterClip);
    EXPECT_EQ(I::filterZ2(effect), z2AfterClip);
    EXPECT_EQ(effect.getClipFlag(), 1);
}

TEST(ChorusPrograms, AProgramChangeNotifiesTheEditorFiveTimesThenAsksForOneRepaint) {
    ChorusEffect effect(nullptr);
    effect.setProgram(5);
    effect.setParameter(3, 0.7f);
    effect.setParameter(5, 0.25f);
    const seams::EditorLog& log = seams::attachRecordingEditor(effect);
    effect.setProgram(5);
    const std::vector<std::string> expected = {"parameterChanged 0", "parameterChanged 1", "parameterChanged 2",
                                               "parameterChanged 3", "parameterChanged 5", "programChanged"};
    EXPECT_EQ(log.entries, expected);
    ASSERT_EQ(log.values.size(), 5u);
    EXPECT_EQ(log.values[0], 1.0f);
    EXPECT_EQ(log.values[3], 0.7f);
    EXPECT_EQ(log.values[4], 0.25f);
}

// The editor comes from whoever assembles the plug-in: the effect works
// without one, and the one it is handed is reported to the host.
TEST(ChorusPrograms, TheEffectTakesTheEditorItIsHanded) {
    ChorusEffect effect(nullptr);
    EXPECT_EQ(effect.getEditor(), nullptr);
    EXPECT_EQ(effect.getAeffect()->flags & effFlagsHasEditor, 0);
    processNoise(effect, 100);
    seams::attachRecordingEditor(effect);
    EXPECT_NE(effect.getEditor(), nullptr);
    EXPECT_NE(effect.getAeffect()->flags & effFlagsHasEditor, 0);
}

TEST(ChorusPrograms, ASampleRateChangeKeepsTheValuesAndRedesignsForTheNewRate) {
    ChorusEffect effect(nullptr);
    effect.setParameter(1, 0.3f);
    const float b1At44100 = I::filterB1(effect);
    const double rotAt44100 = I::rotCos(effect);
    processNoise(effect, 2000);
    effect.setSampleRate(48000.0f);
    EXPECT_EQ(I::sampleRate(effect), 48000.0f);
    EXPECT_EQ(effect.getParameter(1), 0.3f);
    for (int index : {0, 2, 3, 4, 5, 6, 7, 8}) EXPECT_EQ(effect.getParameter(index), kDefaults[index]);
    EXPECT_NE(I::filterB1(effect), b1At44100);
    EXPECT_NE(I::rotCos(effect), rotAt44100);
    const double omega = 2.0 * 3.14159265358979323846 * (3.9 * static_cast<double>(0.05f) + 0.1) / 48000.0;
    EXPECT_EQ(I::rotCos(effect), std::cos(omega));
    EXPECT_TRUE(ringIsSilent(effect));
    EXPECT_EQ(I::writePos(effect), 0);
    EXPECT_EQ(I::oscCos(effect), 1.0);
    // A state built by another rate's filter starts over too.
    EXPECT_EQ(I::filterZ1(effect), 0.0f);
    EXPECT_EQ(I::filterZ2(effect), 0.0f);
}

// A host that sends a broken rate must not break the effect.
TEST(ChorusPrograms, ASampleRateThatIsNoPositiveFiniteNumberKeepsThePreviousRate) {
    ChorusEffect effect(nullptr);
    effect.setSampleRate(96000.0f);
    const float b1 = I::filterB1(effect);
    processNoise(effect, 500);
    const std::int32_t position = I::writePos(effect);
    for (float rate : {0.0f, -0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
        effect.setSampleRate(rate);
        EXPECT_EQ(I::sampleRate(effect), 96000.0f) << rate;
        EXPECT_EQ(I::filterB1(effect), b1);
        EXPECT_EQ(I::writePos(effect), position);  // nothing was reset either
    }
}

TEST(ChorusPrograms, GetProgramNameWritesTheNameAndItsTerminatorOnly) {
    ChorusEffect effect(nullptr);
    char name[32];
    std::memset(name, 'x', sizeof name);
    effect.getProgramName(name);
    EXPECT_STREQ(name, "Default ");
    for (std::size_t i = 9; i < sizeof name; ++i) EXPECT_EQ(name[i], 'x') << i;  // a host's 24-byte buffer is safe
}

TEST(ChorusPrograms, RenamingStoresUpToThirtyOneCharacters) {
    ChorusEffect effect(nullptr);
    char empty[] = "";
    effect.setProgramName(empty);
    EXPECT_EQ(programName(effect), "");
    char thirtyOne[] = "0123456789012345678901234567890";
    effect.setProgramName(thirtyOne);
    EXPECT_EQ(programName(effect), thirtyOne);
    // A longer name keeps its first 31 characters.
    char longer[] = "A name of more than thirty-one characters, far more";
    effect.setProgramName(longer);
    EXPECT_EQ(programName(effect), std::string(longer, 31));
    effect.setProgram(1);
    EXPECT_EQ(programName(effect), "Default ");
    effect.setProgram(0);
    EXPECT_EQ(programName(effect), std::string(longer, 31));
}

// A null text pointer is ignored by every text operation.
TEST(ChorusPrograms, NullTextPointersAreIgnored) {
    ChorusEffect effect(nullptr);
    effect.setProgramName(nullptr);
    effect.getProgramName(nullptr);
    effect.getParameterName(0, nullptr);
    effect.getParameterLabel(0, nullptr);
    effect.getParameterDisplay(0, nullptr);
    EXPECT_EQ(programName(effect), "Default ");
    // Through the dispatcher as a host would send them.
    AEffect* record = effect.getAeffect();
    for (VstInt32 opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName})
        EXPECT_EQ(record->dispatcher(record, opcode, 1, 0, nullptr, 0.0f), 0);
}

TEST(ChorusPrograms, AProgramIndexOutsideTheTableIsNotApplied) {
    ChorusEffect effect(nullptr);
    effect.setProgram(2);
    processNoise(effect, 100);
    effect.setProgram(16);
    effect.setProgram(-1);
    EXPECT_EQ(effect.getProgram(), 2);
    EXPECT_EQ(I::writePos(effect), 100);
}

TEST(ChorusPrograms, AnEffectWithoutItsDelayLineIsNotUsedAndTheLineGoesBack) {
    seams::failSampleAllocation = true;
    {
        ChorusEffect effect(nullptr, seams::countingSampleMemory());
        EXPECT_FALSE(effect.isUsable());
    }
    seams::failSampleAllocation = false;
    EXPECT_EQ(seams::liveSampleBuffers, 0);
    {
        ChorusEffect effect(nullptr, seams::countingSampleMemory());
        EXPECT_TRUE(effect.isUsable());
        EXPECT_EQ(seams::liveSampleBuffers, 1);
    }
    EXPECT_EQ(seams::liveSampleBuffers, 0);
}

// What "main" does for the chorus: no record for a host without a callback
// or one that answers the version request with 0, and none for an effect
// that cannot be made.
TEST(ChorusPrograms, OpeningTheEffectHandsTheHostTheRecordOfANewChorus) {
    static auto host = [](AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        return opcode == audioMasterVersion ? 2400 : 0;
    };
    static auto oldHost = [](AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) -> VstIntPtr { return 0; };
    auto chorus = [](audioMasterCallback audioMaster) -> AudioEffect* { return new ChorusEffect(audioMaster); };
    auto nothing = [](audioMasterCallback) -> AudioEffect* { return nullptr; };
    EXPECT_EQ(openEffect(nullptr, chorus), nullptr);
    EXPECT_EQ(openEffect(+oldHost, chorus), nullptr);
    EXPECT_EQ(openEffect(+host, nothing), nullptr);
    AEffect* record = openEffect(+host, chorus);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->uniqueID, 0x566C7232);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
}

}  // namespace
