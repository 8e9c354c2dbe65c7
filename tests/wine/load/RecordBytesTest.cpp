// The DLL's record as a host compiled from other headers reads it: raw
// bytes at the fixed offsets of the build's bitness (RecordOffsets.h), the
// functions called through the host's own types, and the host's own
// pointer-sized integer in both directions.  This is what a 64-bit host
// scanner does first: a record laid out differently would show it half of
// a code pointer as the unique id.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/unit/host/RecordOffsets.h"
#include "tools/PluginLoader.h"

namespace {

using hostview::IntPtr;
using hostview::kOffsets;

using hostview::k64Bit;
using hostview::withHighBits;

IntPtr hostAnswer = 2400;
IntPtr HOSTVIEW_CDECL host(AEffect*, std::int32_t opcode, std::int32_t, IntPtr, void*, float) {
    return opcode == 1 /* version */ ? hostAnswer : 0;
}

class RecordBytes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(loader.loaded()) << loader.error();
        hostAnswer = 2400;
    }
    PluginLoader loader{builtPluginPath()};
};

// Whether `code` lies in the image of the module that holds `main`.
bool inPluginImage(void* code) {
    HMODULE module = nullptr;
    HMODULE plugin = GetModuleHandleA("Velorin2.dll");
    return code && GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                          GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      static_cast<LPCSTR>(code), &module) &&
           module == plugin;
}

TEST_F(RecordBytes, EveryFieldIsWhereTheHostReadsIt) {
    void* record = loader.create(host);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(hostview::int32At(record, kOffsets.magic), 0x56737450);  // 'VstP'
    for (std::size_t code : {kOffsets.dispatcher, kOffsets.process, kOffsets.setParameter, kOffsets.getParameter,
                             kOffsets.processReplacing})
        EXPECT_TRUE(inPluginImage(hostview::pointerAt(record, code))) << "no code pointer at offset " << code;
    EXPECT_EQ(hostview::int32At(record, kOffsets.numPrograms), 16);
    EXPECT_EQ(hostview::int32At(record, kOffsets.numParams), 9);
    EXPECT_EQ(hostview::int32At(record, kOffsets.numInputs), 2);
    EXPECT_EQ(hostview::int32At(record, kOffsets.numOutputs), 2);
    EXPECT_EQ(hostview::int32At(record, kOffsets.flags), 25);  // editor, can mono, can replace
    EXPECT_EQ(hostview::intPtrAt(record, kOffsets.resvd1), 0);
    EXPECT_EQ(hostview::intPtrAt(record, kOffsets.resvd2), 0);
    EXPECT_EQ(hostview::int32At(record, kOffsets.initialDelay), 0);
    EXPECT_EQ(hostview::int32At(record, kOffsets.realQualities), 0);
    EXPECT_EQ(hostview::int32At(record, kOffsets.offQualities), 0);
    EXPECT_EQ(hostview::read<float>(record, kOffsets.ioRatio), 1.0f);
    EXPECT_NE(hostview::pointerAt(record, kOffsets.object), nullptr);
    EXPECT_EQ(hostview::pointerAt(record, kOffsets.user), nullptr);
    EXPECT_EQ(hostview::int32At(record, kOffsets.uniqueID), 0x566C7232);  // 'Vlr2'
    EXPECT_EQ(hostview::int32At(record, kOffsets.version), 1);
    for (std::size_t i = 0; i < hostview::kFutureBytes; ++i)
        EXPECT_EQ(hostview::read<char>(record, kOffsets.future + i), 0) << i;
    EXPECT_EQ(hostview::dispatch(record, effClose), 1);
}

TEST_F(RecordBytes, TheFunctionsWorkThroughTheHostsOwnTypes) {
    void* record = loader.create(host);
    ASSERT_NE(record, nullptr);
    char name[64] = {};
    EXPECT_EQ(hostview::dispatch(record, effGetParamName, 8, 0, name), 0);
    EXPECT_STREQ(name, "Voices");
    EXPECT_EQ(hostview::dispatch(record, effIdentify), 0x4E764566);  // 'NvEf'
    hostview::read<hostview::SetParameter>(record, kOffsets.setParameter)(record, 3, 0.75f);
    EXPECT_EQ(hostview::read<hostview::GetParameter>(record, kOffsets.getParameter)(record, 3), 0.75f);

    // A dry-only impulse comes through both process functions unchanged.
    hostview::read<hostview::SetParameter>(record, kOffsets.setParameter)(record, 7, 0.0f);  // Wet
    hostview::read<hostview::SetParameter>(record, kOffsets.setParameter)(record, 6, 1.0f);  // Dry
    std::vector<float> in(64, 0.0f), outL(64, 0.0f), outR(64, 0.0f);
    in[5] = 0.5f;
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    hostview::read<hostview::Process>(record, kOffsets.processReplacing)(record, inputs, outputs, 64);
    EXPECT_EQ(outL[5], 0.5f);
    EXPECT_EQ(outR[5], 0.5f);
    hostview::read<hostview::Process>(record, kOffsets.process)(record, inputs, outputs, 64);  // adds
    EXPECT_EQ(outL[5], 1.0f);
    EXPECT_EQ(hostview::dispatch(record, effClose), 1);
}

// The dispatcher reads `value` at its full width: a 64-bit number whose low
// half is a program number is out of range, not that program.
TEST_F(RecordBytes, ValueIsReadAtItsFullWidth) {
    void* record = loader.create(host);
    ASSERT_NE(record, nullptr);
    hostview::dispatch(record, effSetProgram, 0, withHighBits(5));
    EXPECT_EQ(hostview::dispatch(record, effGetProgram), k64Bit ? 0 : 5);
    hostview::dispatch(record, effSetProgram, 0, 7);
    EXPECT_EQ(hostview::dispatch(record, effGetProgram), 7);
    EXPECT_EQ(hostview::dispatch(record, effClose), 1);
}

// "main" reads the host's answer to its version request at its full width:
// an answer whose low half is 0 is still an answer.
TEST_F(RecordBytes, TheHostsAnswerIsReadAtItsFullWidth) {
    hostAnswer = withHighBits(0);
    void* record = loader.create(host);
    EXPECT_EQ(record != nullptr, k64Bit);
    if (record) {
        EXPECT_EQ(hostview::dispatch(record, effClose), 1);
    }
}

}  // namespace
