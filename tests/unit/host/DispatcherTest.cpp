// The base class: the record it builds, its opcode table, its flags and
// setup operations, and the forwarding functions in the record, with the
// floating-point environment they give the effect and give back to the host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "host/AEffEditor.h"
#include "host/FloatingPointControl.h"
#include "tests/unit/host/RecordingEffect.h"

namespace {

VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

TEST(EffectRecord, HoldsTheBaseValuesRightAfterConstruction) {
    RecordingEffect effect;
    const AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(e->numParams, 3);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->object, static_cast<AudioEffect*>(&effect));
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->uniqueID, 0x4E6F4566);
    EXPECT_EQ(e->version, 1);
    for (char byte : e->future) EXPECT_EQ(byte, 0);
    EXPECT_EQ(effect.sampleRateValue(), 44100.0f);
    EXPECT_EQ(effect.blockSizeValue(), 1024);
    EXPECT_EQ(effect.currentProgram(), 0);
    EXPECT_EQ(effect.getEditor(), nullptr);
}

TEST(EffectRecord, FlagOperationsChangeOnlyTheirOwnBit) {
    RecordingEffect effect;
    const AEffect* e = effect.getAeffect();
    effect.hasVu(true);
    effect.hasClip(true);
    effect.canMono(true);
    effect.canProcessReplacing(true);
    EXPECT_EQ(e->flags, 2 + 4 + 8 + 16);
    effect.canMono(false);
    EXPECT_EQ(e->flags, 2 + 4 + 16);
    effect.hasVu(false);
    effect.hasClip(false);
    EXPECT_EQ(e->flags, 16);

    AEffEditor editor(&effect);
    effect.setEditor(&editor);
    EXPECT_EQ(e->flags, 17);
    effect.setEditor(nullptr);
    EXPECT_EQ(e->flags, 16);
}

TEST(EffectRecord, SetupOperationsWriteTheRecord) {
    RecordingEffect effect;
    const AEffect* e = effect.getAeffect();
    effect.setUniqueID(0x12345678);
    effect.setNumInputs(2);
    effect.setNumOutputs(6);
    effect.setRealtimeQualities(3);
    effect.setOfflineQualities(4);
    effect.setInitialDelay(64);
    EXPECT_EQ(e->uniqueID, 0x12345678);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 6);
    EXPECT_EQ(e->realQualities, 3);
    EXPECT_EQ(e->offQualities, 4);
    EXPECT_EQ(e->initialDelay, 64);
}

TEST(Dispatcher, AnswersIdentityAndZeroForUnknownOpcodes) {
    RecordingEffect effect;
    AEffect* e = effect.getAeffect();
    EXPECT_EQ(dispatch(e, effIdentify), 0x4E764566);
    for (VstInt32 opcode : {23, 24, 100, 0x7FFFFFFF, -1, -22, INT32_MIN}) EXPECT_EQ(dispatch(e, opcode), 0) << opcode;
    for (VstInt32 opcode : {effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep})
        EXPECT_EQ(dispatch(e, opcode, 1, 1), 0) << opcode;
    EXPECT_TRUE(effect.log.empty());
}

TEST(Dispatcher, SetProgramIgnoresNumbersOutsideTheProgramRange) {
    RecordingEffect effect;
    AEffect* e = effect.getAeffect();
    EXPECT_EQ(dispatch(e, effGetProgram), 0);
    dispatch(e, effSetProgram, 0, 3);
    EXPECT_EQ(dispatch(e, effGetProgram), 3);
    dispatch(e, effSetProgram, 0, 4);
    dispatch(e, effSetProgram, 0, -1);
    EXPECT_EQ(dispatch(e, effGetProgram), 3);
    ASSERT_EQ(effect.log.size(), 1u);
    EXPECT_EQ(effect.log[0], "setProgram 3");
}

TEST(Dispatcher, RoutesLifecycleAndRateOpcodes) {
    RecordingEffect effect;
    AEffect* e = effect.getAeffect();
    EXPECT_EQ(dispatch(e, effOpen), 0);
    EXPECT_EQ(dispatch(e, effMainsChanged, 0, 0), 0);
    EXPECT_EQ(dispatch(e, effMainsChanged, 0, 1), 0);
    EXPECT_EQ(dispatch(e, effMainsChanged, 0, -1), 0);
    EXPECT_EQ((effect.log), (std::vector<std::string>{"open", "suspend", "resume", "resume"}));

    dispatch(e, effSetSampleRate, 0, 22050, nullptr, 96000.0f);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);  // from opt, not value
    dispatch(e, effSetBlockSize, 0, 256, nullptr, 4096.0f);
    EXPECT_EQ(effect.getBlockSize(), 256);  // from value, not opt
}

TEST(Dispatcher, VuIsScaledAndTruncatedTowardZero) {
    RecordingEffect effect;
    AEffect* e = effect.getAeffect();
    EXPECT_EQ(dispatch(e, effGetVu), 0);
    effect.vu = 0.5f;
    EXPECT_EQ(dispatch(e, effGetVu), 16383);
    effect.vu = -0.5f;
    EXPECT_EQ(dispatch(e, effGetVu), -16383);
    effect.vu = NAN;
    EXPECT_EQ(dispatch(e, effGetVu), 0);  // no undefined conversion
    effect.vu = 1e30f;
    EXPECT_EQ(dispatch(e, effGetVu), 0);
}

TEST(Dispatcher, TextOpcodesWriteEmptyTextsAndIgnoreANullBuffer) {
    RecordingEffect effect;
    AEffect* e = effect.getAeffect();
    for (VstInt32 opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName}) {
        char text[8] = "xxxxxxx";
        EXPECT_EQ(dispatch(e, opcode, 0, 0, text), 0);
        EXPECT_STREQ(text, "") << opcode;
        EXPECT_EQ(dispatch(e, opcode, 0, 0, nullptr), 0) << opcode;
    }
}

TEST(Dispatcher, EditorOpcodesWithoutEditorAnswerZeroAndLeavePtrAlone) {
    RecordingEffect effect;
    AEffect* e = effect.getAeffect();
    ERect sentinel{};
    ERect* rect = &sentinel;
    EXPECT_EQ(dispatch(e, effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, &sentinel);
    EXPECT_EQ(dispatch(e, effEditOpen, 0, 0, &sentinel), 0);
    EXPECT_EQ(dispatch(e, effEditClose), 0);
    EXPECT_EQ(dispatch(e, effEditIdle), 0);
}

class CountingEditor : public AEffEditor {
public:
    CountingEditor(AudioEffect* effect, int* deletions) : AEffEditor(effect), deletions(deletions) {}
    ~CountingEditor() override { ++*deletions; }
    VstInt32 getRect(ERect** r) override {
        *r = &rect;
        return 1;
    }
    VstInt32 open(void* parent) override {
        openedWith = parent;
        return 7;
    }
    void close() override { ++closes; }
    void update() override { ++updates; }
    ERect rect{0, 0, 200, 300};
    void* openedWith = nullptr;
    int closes = 0, updates = 0;
    int* deletions;
};

TEST(Dispatcher, EditorOpcodesReachTheEditorAndPassItsAnswers) {
    int deletions = 0;
    auto* effect = new RecordingEffect;
    auto* editor = new CountingEditor(effect, &deletions);
    effect->setEditor(editor);
    AEffect* e = effect->getAeffect();

    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(e, effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect, &editor->rect);
    EXPECT_EQ(dispatch(e, effEditGetRect, 0, 0, nullptr), 0);
    int parent = 0;
    EXPECT_EQ(dispatch(e, effEditOpen, 0, 0, &parent), 7);
    EXPECT_EQ(editor->openedWith, &parent);

    // idle carries out a posted update exactly once.
    dispatch(e, effEditIdle);
    editor->postUpdate();
    dispatch(e, effEditIdle);
    dispatch(e, effEditIdle);
    EXPECT_EQ(editor->updates, 1);

    EXPECT_EQ(dispatch(e, effEditClose), 0);
    EXPECT_EQ(editor->closes, 1);

    // effClose answers 1 and the object takes its editor with it.
    EXPECT_EQ(dispatch(e, effClose), 1);
    EXPECT_EQ(deletions, 1);
}

TEST(ForwardingFunctions, PassParametersAndFloatsUnchanged) {
    class Echo : public RecordingEffect {
    public:
        float getParameter(VstInt32 index) override { return index == 2 ? stored : -1.0f; }
        void setParameter(VstInt32, float value) override { stored = value; }
        void processReplacing(float**, float**, VstInt32 frames) override { replacingFrames = frames; }
        void process(float**, float**, VstInt32 frames) override { processFrames = frames; }
        float stored = 0.0f;
        VstInt32 replacingFrames = 0, processFrames = 0;
    } effect;
    AEffect* e = effect.getAeffect();
    const float tiny = 1.4e-45f;  // a denormal must arrive bit for bit
    e->setParameter(e, 2, tiny);
    EXPECT_EQ(e->getParameter(e, 2), tiny);
    e->process(e, nullptr, nullptr, 17);
    e->processReplacing(e, nullptr, nullptr, 33);
    EXPECT_EQ(effect.processFrames, 17);
    EXPECT_EQ(effect.replacingFrames, 33);
}

// A host's precision, rounding and flush-to-zero must not reach what a
// parameter or a sample rate derives, and a host that unmasks exceptions
// must not get traps from it (an infinite Rate's sine is an invalid
// operation); the host's settings come back exactly, flags included.
TEST(ForwardingFunctions, RunTheHostsRequestsInTheDefaultEnvironment) {
    class Probe : public RecordingEffect {
    public:
        void setParameter(VstInt32, float) override { seen(); }
        void setSampleRate(float) override { seen(); }
        void seen() {
            controlWords.push_back(fpu::controlWord());
            mxcsrs.push_back(fpu::mxcsr() & ~0x3Fu);  // the flags are the arithmetic's own
        }
        std::vector<std::uint16_t> controlWords;
        std::vector<std::uint32_t> mxcsrs;
    } effect;
    AEffect* e = effect.getAeffect();
    const std::uint16_t ownWord = fpu::controlWord();
    const std::uint32_t ownMxcsr = fpu::mxcsr();
    // 24-bit precision rounding up; rounding down with flush-to-zero,
    // denormals-are-zero and a raised flag.  Every exception stays masked:
    // the test's own arithmetic runs under these too.
    const std::uint16_t hostWord = 0x087F;
    const std::uint32_t hostMxcsr = 0x3F80 | fpu::kMxcsrFlushToZero | fpu::kMxcsrDenormalsAreZero | 0x20;
    fpu::setControlWord(hostWord);
    fpu::restoreMxcsr(hostMxcsr);
    e->setParameter(e, 1, 0.5f);
    const std::uint16_t wordAfterSet = fpu::controlWord();
    const std::uint32_t mxcsrAfterSet = fpu::mxcsr();
    dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    const std::uint16_t wordAfterDispatch = fpu::controlWord();
    const std::uint32_t mxcsrAfterDispatch = fpu::mxcsr();
    fpu::restoreMxcsr(ownMxcsr);
    fpu::setControlWord(ownWord);

    EXPECT_EQ(wordAfterSet, hostWord);
    EXPECT_EQ(mxcsrAfterSet, hostMxcsr);
    EXPECT_EQ(wordAfterDispatch, hostWord);
    EXPECT_EQ(mxcsrAfterDispatch, hostMxcsr);
    ASSERT_EQ(effect.controlWords.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(effect.controlWords[i], fpu::kPlatformDefault) << i;
        EXPECT_EQ(effect.mxcsrs[i], fpu::kMxcsrAllExceptionsMasked) << i;
    }
}

}  // namespace
