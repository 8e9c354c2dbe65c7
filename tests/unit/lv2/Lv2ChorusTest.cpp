// The LV2 instance around the effect: controls reach the effect in the
// block after they change and never when they do not, the audio is the
// effect's own processing (in place too), and the clip port reports a
// clipping block.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "chorus/ParameterIndex.h"
#include "host/FloatingPointControl.h"
#include "lv2/Lv2Chorus.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

// An instance with every port connected to buffers of its own.
struct Instance {
    explicit Instance(double rate = 44100.0) : chorus(rate), inL(512), inR(512), outL(512), outR(512) {
        const lv2port::ControlPort* ports = lv2port::controlPorts();
        for (int i = 0; i < lv2port::kControlCount; ++i) {
            controls[i] = ports[i].defaultValue;
            chorus.connectPort(lv2port::kFirstControl + i, &controls[i]);
        }
        chorus.connectPort(lv2port::kInputLeft, inL.data());
        chorus.connectPort(lv2port::kInputRight, inR.data());
        chorus.connectPort(lv2port::kOutputLeft, outL.data());
        chorus.connectPort(lv2port::kOutputRight, outR.data());
        chorus.connectPort(lv2port::kClip, &clip);
        for (int k = 0; k < 512; ++k) {
            inL[k] = static_cast<float>(0.5 * std::sin(0.031 * k));
            inR[k] = static_cast<float>(0.5 * std::sin(0.017 * k));
        }
        chorus.activate();
    }
    float& control(int parameter) { return controls[parameter]; }

    Lv2Chorus chorus;
    std::vector<float> inL, inR, outL, outR;
    float controls[lv2port::kControlCount];
    float clip = -1.0f;
};

TEST(Lv2Chorus, AnUnchangedControlNeverReachesTheEffect) {
    Instance instance;
    const seams::EditorLog& log = seams::attachRecordingEditor(instance.chorus.chorus());
    for (int block = 0; block < 5; ++block) instance.chorus.run(512);
    EXPECT_TRUE(log.entries.empty());
}

TEST(Lv2Chorus, AChangedControlReachesTheEffectBeforeTheNextBlockOnce) {
    Instance instance;
    const seams::EditorLog& log = seams::attachRecordingEditor(instance.chorus.chorus());
    instance.chorus.run(512);
    instance.control(chorus::kCutoff) = 8040.0f;
    instance.control(chorus::kVoices) = 4.0f;
    instance.chorus.run(512);
    ASSERT_EQ(log.indices.size(), 2u);
    EXPECT_EQ(log.indices[0], chorus::kCutoff);
    EXPECT_EQ(log.values[0], 0.5f);
    EXPECT_EQ(log.indices[1], chorus::kVoices);
    EXPECT_EQ(log.values[1], 1.0f);
    EXPECT_EQ(instance.chorus.chorus().getParameter(chorus::kCutoff), 0.5f);
    instance.chorus.run(512);
    instance.chorus.run(0);
    EXPECT_EQ(log.indices.size(), 2u);
}

// The same audio as the effect run directly with the converted values.
TEST(Lv2Chorus, TheAudioIsTheEffectsOwnProcessingInPlaceToo) {
    Instance instance(48000.0);
    instance.control(chorus::kVoices) = 4.0f;
    instance.control(chorus::kDepth) = 60.0f;
    ChorusEffect direct(nullptr);
    direct.setSampleRate(48000.0f);
    direct.setParameter(chorus::kVoices, 1.0f);
    direct.setParameter(chorus::kDepth, 0.6f);
    std::vector<float> expectedL(512), expectedR(512);
    for (int block = 0; block < 4; ++block) {
        float* in[2] = {instance.inL.data(), instance.inR.data()};
        float* out[2] = {expectedL.data(), expectedR.data()};
        direct.processReplacing(in, out, 512);
        if (block == 3) {
            // In place: the host hands the input buffers as outputs.
            instance.chorus.connectPort(lv2port::kOutputLeft, instance.inL.data());
            instance.chorus.connectPort(lv2port::kOutputRight, instance.inR.data());
        }
        instance.chorus.run(512);
        const float* gotL = block == 3 ? instance.inL.data() : instance.outL.data();
        const float* gotR = block == 3 ? instance.inR.data() : instance.outR.data();
        ASSERT_EQ(std::memcmp(gotL, expectedL.data(), 512 * sizeof(float)), 0) << "block " << block;
        ASSERT_EQ(std::memcmp(gotR, expectedR.data(), 512 * sizeof(float)), 0) << "block " << block;
    }
}

// Hosts read output ports only now and then: a clip keeps the port at 1
// for the editor's clip period (5513 frames at 44.1 kHz) after the last
// block that clipped, then it drops.
TEST(Lv2Chorus, TheClipPortHoldsAClipForTheIndicatorsPeriod) {
    Instance instance;
    instance.chorus.run(512);
    EXPECT_EQ(instance.clip, 0.0f);
    instance.control(chorus::kDry) = 1.0f;
    instance.control(chorus::kWet) = 1.0f;
    instance.control(chorus::kDepth) = 0.0f;
    instance.control(chorus::kPredelay) = 0.0f;
    for (float& sample : instance.inL) sample *= 4.0f;
    instance.chorus.run(512);
    EXPECT_EQ(instance.clip, 1.0f);
    // One frame of silence: the loud part leaves the short delay with it.
    instance.chorus.connectPort(lv2port::kInputLeft, instance.inR.data());
    for (float& sample : instance.inR) sample = 0.0f;
    instance.chorus.run(512);
    int held = 512;
    while (instance.clip == 1.0f && held < 20000) {
        instance.chorus.run(1);
        ++held;
    }
    EXPECT_GE(held, 5513);
    EXPECT_LE(held, 5513 + 512);
    EXPECT_EQ(instance.clip, 0.0f);
}

// Activation starts a run afresh: the same input after activate gives what
// a new instance gives.
TEST(Lv2Chorus, ActivationStartsAfresh) {
    Instance used, fresh;
    used.chorus.run(512);
    used.chorus.run(512);
    used.chorus.activate();
    used.chorus.run(512);
    fresh.chorus.run(512);
    EXPECT_EQ(std::memcmp(used.outL.data(), fresh.outL.data(), 512 * sizeof(float)), 0);
}

}  // namespace

// The host's thread keeps its floating-point settings across run, also
// when the controls change (which redesigns the filter).
TEST(Lv2Chorus, RunLeavesTheHostsFloatingPointSettings) {
    Instance instance;
    const std::uint16_t usual = fpu::controlWord();
    const std::uint32_t usualMxcsr = fpu::mxcsr();
    fpu::setControlWord(0x0E7F);
    fpu::restoreMxcsr(0x9FC0);  // flush-to-zero, denormals-are-zero, rounding up
    instance.chorus.run(512);
    instance.control(chorus::kCutoff) = 5000.0f;
    instance.chorus.run(512);
    const std::uint16_t word = fpu::controlWord();
    const std::uint32_t mxcsr = fpu::mxcsr();
    fpu::setControlWord(usual);
    fpu::restoreMxcsr(usualMxcsr);
    EXPECT_EQ(word, 0x0E7F);
    EXPECT_EQ(mxcsr & ~0x3Fu, 0x9FC0u);  // flags aside
}
