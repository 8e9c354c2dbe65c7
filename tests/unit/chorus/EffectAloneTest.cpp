// The effect's library on its own: this program links it and nothing else,
// no editor and no test seams, which shows that the effect needs no editor
// code to build, link or run.  A host that opens the bare effect finds no
// editor and everything else working.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chorus/ChorusEffect.h"
#include "chorus/ParameterIndex.h"
#include "host/AEffEditor.h"
#include "host/PluginEntry.h"

namespace {

VstIntPtr VELORIN_CALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

AudioEffect* bareChorus(audioMasterCallback audioMaster) { return new ChorusEffect(audioMaster); }

TEST(EffectAlone, AHostOpensAndRunsTheEffectWithoutAnEditor) {
    AEffect* record = openEffect(quietHost, bareChorus);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->flags & effFlagsHasEditor, 0);
    ERect* rect = nullptr;
    EXPECT_EQ(record->dispatcher(record, effEditGetRect, 0, 0, &rect, 0.0f), 0);
    EXPECT_EQ(record->dispatcher(record, effEditOpen, 0, 0, nullptr, 0.0f), 0);
    record->dispatcher(record, effEditIdle, 0, 0, nullptr, 0.0f);
    record->dispatcher(record, effEditClose, 0, 0, nullptr, 0.0f);

    // Parameter changes that would notify an editor, and a block of audio.
    record->setParameter(record, chorus::kCutoff, 0.5f);
    record->dispatcher(record, effSetProgram, 0, 3, nullptr, 0.0f);
    std::vector<float> in(512), outL(512), outR(512);
    for (int k = 0; k < 512; ++k) in[k] = static_cast<float>(0.5 * std::sin(0.05 * k));
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    record->processReplacing(record, inputs, outputs, 512);
    EXPECT_FLOAT_EQ(outL[5], 0.5f * in[5]);  // the dry half until the shortest delay has passed
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
}

}  // namespace
