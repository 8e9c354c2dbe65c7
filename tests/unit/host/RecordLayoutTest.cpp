// The record as a host compiled from other headers sees it: raw bytes at
// fixed offsets (RecordOffsets.h), and the functions called through the
// host's own types with its pointer-sized `value`.  A field of the wrong
// width would shift the fields after it, which tests that use the project's
// own struct on both sides cannot notice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/PluginEntry.h"
#include "tests/unit/host/RecordOffsets.h"
#include "tests/unit/host/RecordingEffect.h"

namespace {

using hostview::IntPtr;
using hostview::kOffsets;

using hostview::k64Bit;
using hostview::withHighBits;

TEST(RecordLayout, EveryFieldIsWhereTheHostReadsIt) {
    RecordingEffect effect;
    effect.setUniqueID(0x12345678);
    effect.setNumInputs(2);
    effect.setNumOutputs(6);
    effect.canProcessReplacing(true);
    effect.setInitialDelay(64);
    effect.setRealtimeQualities(3);
    effect.setOfflineQualities(4);
    const void* record = effect.getAeffect();

    EXPECT_EQ(sizeof(AEffect), kOffsets.size);
    EXPECT_EQ(hostview::int32At(record, kOffsets.magic), 0x56737450);  // 'VstP'
    EXPECT_EQ(hostview::int32At(record, kOffsets.numPrograms), 4);
    EXPECT_EQ(hostview::int32At(record, kOffsets.numParams), 3);
    EXPECT_EQ(hostview::int32At(record, kOffsets.numInputs), 2);
    EXPECT_EQ(hostview::int32At(record, kOffsets.numOutputs), 6);
    EXPECT_EQ(hostview::int32At(record, kOffsets.flags), 16);
    EXPECT_EQ(hostview::intPtrAt(record, kOffsets.resvd1), 0);
    EXPECT_EQ(hostview::intPtrAt(record, kOffsets.resvd2), 0);
    EXPECT_EQ(hostview::int32At(record, kOffsets.initialDelay), 64);
    EXPECT_EQ(hostview::int32At(record, kOffsets.realQualities), 3);
    EXPECT_EQ(hostview::int32At(record, kOffsets.offQualities), 4);
    EXPECT_EQ(hostview::read<float>(record, kOffsets.ioRatio), 1.0f);
    EXPECT_EQ(hostview::pointerAt(record, kOffsets.object), static_cast<AudioEffect*>(&effect));
    EXPECT_EQ(hostview::pointerAt(record, kOffsets.user), nullptr);
    EXPECT_EQ(hostview::int32At(record, kOffsets.uniqueID), 0x12345678);
    EXPECT_EQ(hostview::int32At(record, kOffsets.version), 1);
    for (std::size_t i = 0; i < hostview::kFutureBytes; ++i)
        EXPECT_EQ(hostview::read<char>(record, kOffsets.future + i), 0) << i;
}

// `value` is read at its full width: in a 64-bit process a number whose low
// half alone would be valid is not taken for that number.
TEST(RecordLayout, TheDispatcherReadsValueAtItsFullWidth) {
    RecordingEffect effect;
    void* record = effect.getAeffect();
    hostview::dispatch(record, effSetProgram, 0, withHighBits(3));
    hostview::dispatch(record, effSetBlockSize, 0, withHighBits(256));
    hostview::dispatch(record, effMainsChanged, 0, withHighBits(0));
    if (k64Bit) {
        EXPECT_EQ(hostview::dispatch(record, effGetProgram), 0);
        EXPECT_EQ(effect.blockSizeValue(), 1024);
        EXPECT_EQ(effect.log, std::vector<std::string>{"resume"});
    } else {
        EXPECT_EQ(hostview::dispatch(record, effGetProgram), 3);
        EXPECT_EQ(effect.blockSizeValue(), 256);
        EXPECT_EQ(effect.log, (std::vector<std::string>{"setProgram 3", "suspend"}));
    }
    hostview::dispatch(record, effSetProgram, 0, 2);
    hostview::dispatch(record, effSetBlockSize, 0, 4096);
    EXPECT_EQ(hostview::dispatch(record, effGetProgram), 2);
    EXPECT_EQ(effect.blockSizeValue(), 4096);
}

// A negative answer arrives sign-extended to the full width.
TEST(RecordLayout, TheDispatchersAnswerFillsTheFullWidth) {
    RecordingEffect effect;
    effect.vu = -0.5f;
    EXPECT_EQ(hostview::dispatch(effect.getAeffect(), effGetVu), -16383);
}

// The host's answers are read at their full width too: an answer whose low
// half is 0 is still not 0.  The callback is the host's own function, with
// its own pointer-sized integer.
IntPtr HOSTVIEW_CDECL answerWithHighBits(AEffect*, std::int32_t, std::int32_t, IntPtr, void*, float) {
    return withHighBits(0);
}

TEST(RecordLayout, TheHostCallbacksAnswerIsReadAtItsFullWidth) {
    RecordingEffect effect(answerWithHighBits);
    EXPECT_EQ(effect.isInputConnected(0), !k64Bit);
    auto make = [](audioMasterCallback audioMaster) -> AudioEffect* { return new RecordingEffect(audioMaster); };
    AEffect* record = openEffect(answerWithHighBits, make);
    EXPECT_EQ(record != nullptr, k64Bit);
    if (record) hostview::dispatch(record, effClose);
}

}  // namespace
