// A plug-in of the other bitness: the renderer cannot load it, and says in
// one line which renderer can, instead of Windows' "bad EXE format".  The
// test makes such a DLL from the probe by changing its machine type, which
// is all the renderer looks at before loading.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "tests/wine/renderer/RendererSupport.h"

namespace {

#if defined(_WIN64)
constexpr std::uint16_t kOtherMachine = 0x014C;  // i386
const char* const kOtherBitness = "32-bit";
const char* const kOwnBitness = "64-bit";
#else
constexpr std::uint16_t kOtherMachine = 0x8664;  // x86-64
const char* const kOtherBitness = "64-bit";
const char* const kOwnBitness = "32-bit";
#endif

std::string withMachine(std::string image, std::uint16_t machine) {
    std::uint32_t peHeader = 0;
    std::memcpy(&peHeader, &image[0x3C], sizeof peHeader);
    image[peHeader + 4] = static_cast<char>(machine & 0xFF);
    image[peHeader + 5] = static_cast<char>(machine >> 8);
    return image;
}

class OtherBitness : public ::testing::Test {
protected:
    void SetUp() override {
        WavSpec wav;
        wav.data.assign(400, '\x10');
        writeFile(scratch.path("in.wav"), wavBytes(wav));
    }
    ScratchFolder scratch;
};

TEST_F(OtherBitness, ARendererNamesTheOneThatCanLoadThePlugin) {
    const std::string probe = readFile(folderOfTests() + "\\velorin_probe.dll");
    ASSERT_GT(probe.size(), 0x200u);
    writeFile(scratch.path("other.dll"), withMachine(probe, kOtherMachine));

    for (bool list : {false, true}) {
        std::vector<std::string> args = {"--plugin", scratch.path("other.dll")};
        if (list)
            args.insert(args.begin(), "--list");
        else
            args.insert(args.end(), {scratch.path("in.wav"), scratch.path("out.wav")});
        const RunResult run = runRenderer(args);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.out, "");
        const std::vector<std::string> lines = linesOf(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        const std::string expected = std::string("is a ") + kOtherBitness + " DLL and this velorin-render.exe is " +
                                     kOwnBitness + ": use the " + kOtherBitness + " velorin-render.exe";
        EXPECT_NE(lines[0].find(expected), std::string::npos) << lines[0];
    }
    EXPECT_FALSE(fileExists(scratch.path("out.wav")));
}

// A processor that neither build is for gets named by its machine type; a
// file that is no PE image still gets the loader's own words.
TEST_F(OtherBitness, OtherMachinesAndNonImagesAreReportedToo) {
    const std::string probe = readFile(folderOfTests() + "\\velorin_probe.dll");
    writeFile(scratch.path("arm.dll"), withMachine(probe, 0xAA64));
    RunResult run = runRenderer({"--plugin", scratch.path("arm.dll"), scratch.path("in.wav"), scratch.path("out.wav")});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find("is a DLL for machine type 0xAA64"), std::string::npos) << run.err;

    writeFile(scratch.path("short.dll"), "MZ");
    run = runRenderer({"--plugin", scratch.path("short.dll"), scratch.path("in.wav"), scratch.path("out.wav")});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find("cannot load plug-in"), std::string::npos) << run.err;
}

}  // namespace
