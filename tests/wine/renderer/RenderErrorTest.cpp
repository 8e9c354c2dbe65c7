// Bad input: each case ends with one clear line on standard error, a
// non-zero exit status, and no output file, not even a partial one; an
// output file that existed before is left as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/renderer/RendererSupport.h"

namespace {

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        WavSpec good;
        good.data.assign(400, '\x10');
        writeFile(scratch.path("good.wav"), wavBytes(good));
    }

    // Runs the renderer and checks the common promises; returns the message.
    std::string refused(std::vector<std::string> args, const std::string& input = "good.wav") {
        if (input != "") args.push_back(input.find('\\') == std::string::npos ? scratch.path(input) : input);
        args.push_back(scratch.path("out.wav"));
        const std::vector<std::string> before = scratch.files();
        RunResult run = runRenderer(args);
        EXPECT_NE(run.exitCode, 0u);
        EXPECT_EQ(run.out, "");
        const std::vector<std::string> lines = linesOf(run.err);
        EXPECT_EQ(lines.size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("velorin-render: ", 0), 0u) << run.err;
        EXPECT_EQ(scratch.files(), before) << "a file was left behind";
        return lines.empty() ? std::string() : lines[0];
    }

    void writeWav(const std::string& name, const WavSpec& wav) { writeFile(scratch.path(name), wavBytes(wav)); }

    ScratchFolder scratch;
};

#define EXPECT_MENTIONS(message, words) EXPECT_NE((message).find(words), std::string::npos) << (message)

TEST_F(BadInput, InputThatCannotBeRead) {
    EXPECT_MENTIONS(refused({}, "missing.wav"), "cannot open");
    CreateDirectoryA(scratch.path("folder.wav").c_str(), nullptr);
    EXPECT_MENTIONS(refused({}, "folder.wav"), "cannot open");
}

TEST_F(BadInput, FilesThatAreNoWav) {
    writeFile(scratch.path("text.wav"), "This is not a sound file at all.\n");
    EXPECT_MENTIONS(refused({}, "text.wav"), "is not a WAV file");
    writeFile(scratch.path("empty.wav"), "");
    EXPECT_MENTIONS(refused({}, "empty.wav"), "is not a WAV file");
    std::string avi = wavBytes(WavSpec{});
    avi.replace(8, 4, "AVI ");
    writeFile(scratch.path("avi.wav"), avi);
    EXPECT_MENTIONS(refused({}, "avi.wav"), "is not a WAV file");

    WavSpec noFormat;
    noFormat.withFormat = false;
    writeWav("noformat.wav", noFormat);
    EXPECT_MENTIONS(refused({}, "noformat.wav"), "no format chunk");
    WavSpec noData;
    noData.withData = false;
    writeWav("nodata.wav", noData);
    EXPECT_MENTIONS(refused({}, "nodata.wav"), "no data chunk");
}

TEST_F(BadInput, FormatsTheRendererDoesNotTake) {
    struct Case {
        const char* name;
        unsigned tag, subFormat, bits, channels;
        const char* words;
    };
    const Case cases[] = {
        {"pcm8.wav", kPcm, kPcm, 8, 2, "8-bit PCM"},
        {"float64.wav", kFloat, kFloat, 64, 2, "64-bit float"},
        {"float16.wav", kFloat, kFloat, 16, 1, "16-bit float"},
        {"adpcm.wav", 2, 2, 4, 2, "format tag 2"},
        {"surround.wav", kPcm, kPcm, 16, 6, "6 channels"},
        {"nochannels.wav", kPcm, kPcm, 16, 0, "0 channels"},
        {"extensible-alaw.wav", kExtensible, 6, 8, 2, "unsupported WAV format"},
    };
    for (const Case& c : cases) {
        WavSpec wav;
        wav.tag = c.tag;
        wav.subFormat = c.subFormat;
        wav.bits = c.bits;
        wav.channels = c.channels;
        wav.data.assign(64, '\0');
        writeWav(c.name, wav);
        const std::string message = refused({}, c.name);
        EXPECT_MENTIONS(message, "unsupported WAV format");
        EXPECT_MENTIONS(message, c.words);
    }
}

TEST_F(BadInput, ParametersAndProgramsTheEffectDoesNotHave) {
    EXPECT_MENTIONS(refused({"--set", "Flanger=0.5"}), "unknown parameter 'Flanger'");
    EXPECT_MENTIONS(refused({"--set", "9=0.5"}), "parameter index 9 is out of range");
    EXPECT_MENTIONS(refused({"--program", "16"}), "--program 16 is out of range");
    EXPECT_MENTIONS(refused({"--program", "-1"}), "--program");
    for (const char* value : {"1.5", "-0.25", "1.0001"})
        EXPECT_MENTIONS(refused({"--set", std::string("2=") + value}), "is outside 0 to 1");
    for (const char* value : {"abc", "", "nan", "inf", "0.5x"})
        EXPECT_MENTIONS(refused({"--set", std::string("2=") + value}), "is not a number");
    EXPECT_MENTIONS(refused({"--set", "Rate"}), "NAME=VALUE");
    EXPECT_MENTIONS(refused({"--block", "0"}), "--block");
    EXPECT_MENTIONS(refused({"--frobnicate"}), "unknown option");
    EXPECT_MENTIONS(refused({}, ""), "need an input and an output file");
}

TEST_F(BadInput, PluginsThatCannotBeUsed) {
    const std::string folder = folderOfTests();
    EXPECT_MENTIONS(refused({"--plugin", scratch.path("absent.dll")}), "cannot load plug-in");
    writeFile(scratch.path("fake.dll"), "MZ but nothing more");
    EXPECT_MENTIONS(refused({"--plugin", scratch.path("fake.dll")}), "cannot load plug-in");
    EXPECT_MENTIONS(refused({"--plugin", folder + "\\velorin_no_main.dll"}), "exports no \"main\"");
    EXPECT_MENTIONS(refused({"--plugin", folder + "\\velorin_null_main.dll"}), "returned no effect");
    // --list goes through the same loading.
    RunResult list = runRenderer({"--list", "--plugin", folder + "\\velorin_null_main.dll"});
    EXPECT_EQ(list.exitCode, 1u);
    EXPECT_EQ(list.out, "");
    EXPECT_MENTIONS(list.err, "returned no effect");

    // A record without the magic number is not closed: the probe's log ends
    // with its version request.
    ScratchFolder logFolder;
    SetEnvironmentVariableA("VELORIN_PROBE_LOG", logFolder.path("probe.log").c_str());
    SetEnvironmentVariableA("VELORIN_PROBE_NO_MAGIC", "1");
    const std::string noMagic = refused({"--plugin", folder + "\\velorin_probe.dll"});
    SetEnvironmentVariableA("VELORIN_PROBE_NO_MAGIC", nullptr);
    SetEnvironmentVariableA("VELORIN_PROBE_LOG", nullptr);
    EXPECT_MENTIONS(noMagic, "without the VST 2 magic number");
    EXPECT_EQ(linesOf(readFile(logFolder.path("probe.log"))), std::vector<std::string>{"version 2400"});
}

TEST_F(BadInput, OutputThatCannotBeWritten) {
    RunResult run = runRenderer({scratch.path("good.wav"), scratch.path("no such folder\\out.wav")});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_MENTIONS(run.err, "cannot create");
    EXPECT_EQ(linesOf(run.err).size(), 1u);
}

TEST_F(BadInput, AFailedRunLeavesAnEarlierOutputAlone) {
    writeFile(scratch.path("out.wav"), "the previous render");
    EXPECT_MENTIONS(refused({"--set", "Flanger=0.5"}), "unknown parameter");
    EXPECT_EQ(readFile(scratch.path("out.wav")), "the previous render");
}

}  // namespace
