// The DLL under a host that runs its audio thread with unusual
// floating-point modes: flush-to-zero and denormals-are-zero in the MXCSR,
// rounding upward around the processing, and an x87 control word of 64-bit
// precision (what MinGW-built programs start with) or 24-bit precision with
// rounding upward.  The sound must still be the reference model's to the
// bit, and every call must hand the host its modes back: 64-bit Windows
// makes the MXCSR's control bits and the x87 control word callee-saved.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "host/FloatingPointControl.h"
#include "tests/unit/chorus/GoldenScenarios.h"
#include "tools/PluginLoader.h"

namespace {

// The MXCSR's control bits: masks, rounding, flush-to-zero, denormals-are-
// zero.  The six exception flags below them are the caller's to lose.
constexpr std::uint32_t kMxcsrControl = 0xFFC0;

constexpr std::uint32_t kSetupMxcsr = 0x1F80 | fpu::kMxcsrFlushToZero | fpu::kMxcsrDenormalsAreZero;
constexpr std::uint32_t kProcessMxcsr = kSetupMxcsr | 0x4000;  // and rounding upward
constexpr std::uint16_t kSetupControlWord = 0x037F;            // 64-bit precision, to nearest
constexpr std::uint16_t kProcessControlWord = 0x087F;          // 24-bit precision, upward

class UnusualHost : public golden::Chorus {
public:
    explicit UnusualHost(AEffect* record) : plugin(record) {}
    ~UnusualHost() override { plugin.close(); }

    void setSampleRate(float rate) override {
        setup([&] { plugin.dispatch(effSetSampleRate, 0, 0, nullptr, rate); });
    }
    void setParameter(int index, float value) override { setup([&] { plugin.setParameter(index, value); }); }
    void setProgram(int program) override { setup([&] { plugin.dispatch(effSetProgram, 0, program); }); }
    void process(float** inputs, float** outputs, int frames, bool accumulate) override {
        const std::uint32_t savedMxcsr = fpu::mxcsr();
        const std::uint16_t savedWord = fpu::controlWord();
        fpu::restoreMxcsr(kProcessMxcsr);
        fpu::setControlWord(kProcessControlWord);
        if (accumulate)
            plugin.process(inputs, outputs, frames);
        else
            plugin.processReplacing(inputs, outputs, frames);
        // The block gives back even the flags: it raises none of the host's.
        const std::uint32_t mxcsrAfter = fpu::mxcsr();
        const std::uint16_t wordAfter = fpu::controlWord();
        fpu::restoreMxcsr(savedMxcsr);
        fpu::setControlWord(savedWord);
        if (mxcsrAfter != kProcessMxcsr) ++changedModes;
        if (wordAfter != kProcessControlWord) ++changedModes;
    }

    PluginInstance plugin;
    int changedModes = 0;

private:
    template <typename Call>
    void setup(Call call) {
        const std::uint32_t savedMxcsr = fpu::mxcsr();
        const std::uint16_t savedWord = fpu::controlWord();
        fpu::restoreMxcsr(kSetupMxcsr);
        fpu::setControlWord(kSetupControlWord);
        call();
        const std::uint32_t mxcsrAfter = fpu::mxcsr();
        const std::uint16_t wordAfter = fpu::controlWord();
        fpu::restoreMxcsr(savedMxcsr);
        fpu::setControlWord(savedWord);
        if ((mxcsrAfter & kMxcsrControl) != (kSetupMxcsr & kMxcsrControl)) ++changedModes;
        if (wordAfter != kSetupControlWord) ++changedModes;
    }
};

class UnderUnusualModes : public ::testing::TestWithParam<std::string> {};

TEST_P(UnderUnusualModes, SoundAndTheHostsModesStayTheirOwn) {
    static PluginLoader loader{builtPluginPath()};
    ASSERT_TRUE(loader.loaded()) << loader.error();
    const golden::Scenario* scenario = nullptr;
    for (const golden::Scenario& s : golden::scenarios())
        if (s.name == GetParam()) scenario = &s;
    ASSERT_NE(scenario, nullptr) << GetParam();

    golden::ModelChorus model;
    UnusualHost dll(loader.create());
    ASSERT_NE(dll.plugin.record(), nullptr);
    const golden::Output expected = golden::run(*scenario, model);
    const golden::Output actual = golden::run(*scenario, dll);
    EXPECT_EQ(golden::firstDifference(expected, actual), "");
    EXPECT_EQ(dll.changedModes, 0) << "calls that did not give the host its modes back";
}

// Denormal inputs and a decay through the denormal range (which the host's
// flush-to-zero would cut short), every voice count, parameter, program and
// sample-rate changes, and process adding to the host's buffers.
INSTANTIATE_TEST_SUITE_P(Chorus, UnderUnusualModes,
                         ::testing::Values("TinyInputs", "BurstDecaysThroughDenormals", "FourVoices",
                                           "OneVoiceLowPass", "ParameterAndProgramChanges",
                                           "ProcessAddsToTheBuffers", "SampleRateDropSilencesTheFilter",
                                           "JumpsDownFromTheHighestCutoffAt8000"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
