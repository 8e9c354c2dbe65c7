// The renderer as a host: the order in which it sets an effect up, runs and
// closes it (recorded by the probe effect), its choice between process and
// processReplacing, its parameter table, and what it prints.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/renderer/RendererSupport.h"

namespace {

const std::string probeDll() { return folderOfTests() + "\\velorin_probe.dll"; }

class ProbeHost : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableA("VELORIN_PROBE_LOG", scratch.path("probe.log").c_str());
        WavSpec wav;
        wav.sampleRate = 48000;
        wav.data.assign(1050 * 4, '\0');
        writeFile(scratch.path("in.wav"), wavBytes(wav));
    }
    void TearDown() override {
        SetEnvironmentVariableA("VELORIN_PROBE_LOG", nullptr);
        SetEnvironmentVariableA("VELORIN_PROBE_FLAGS", nullptr);
    }
    RunResult render(std::vector<std::string> args) {
        args.insert(args.begin(), {"--plugin", probeDll()});
        args.push_back(scratch.path("in.wav"));
        args.push_back(scratch.path("out.wav"));
        return runRenderer(args);
    }
    // The probe's log without the text requests, which a host may make at
    // any time.
    std::vector<std::string> calls() const {
        std::vector<std::string> kept;
        for (const std::string& line : linesOf(readFile(scratch.path("probe.log")))) {
            bool textRequest = false;
            for (const char* opcode : {"dispatch 5 ", "dispatch 6 ", "dispatch 7 ", "dispatch 8 "})
                textRequest = textRequest || line.rfind(opcode, 0) == 0;
            if (!textRequest) kept.push_back(line);
        }
        return kept;
    }
    ScratchFolder scratch;
};

TEST_F(ProbeHost, SetsUpRunsAndClosesTheEffectAsAHostDoes) {
    RunResult run = render({"--block", "100", "--program", "1", "--set", "BETA level=0.25", "--set", "0=0.5"});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::vector<std::string> expected = {
        "version 2400",               // the host's answer to audioMasterVersion
        "dispatch 0 0 0 0",           // effOpen
        "dispatch 10 0 0 48000",      // effSetSampleRate, the rate in opt
        "dispatch 11 0 100 0",        // effSetBlockSize, the size in value
        "dispatch 2 0 1 0",           // effSetProgram
        "setParameter 1 0.25",        // by name, in any case
        "setParameter 0 0.5",         // by index
        "dispatch 12 0 1 0",          // effMainsChanged on
    };
    for (int i = 0; i < 10; ++i) expected.push_back("processReplacing 100");
    expected.push_back("processReplacing 50");
    expected.push_back("dispatch 12 0 0 0");  // effMainsChanged off
    expected.push_back("dispatch 1 0 0 0");   // effClose
    EXPECT_EQ(calls(), expected);
}

TEST_F(ProbeHost, UsesProcessWhenTheEffectCannotReplaceOrWhenAsked) {
    RunResult asked = render({"--process", "--block", "1050"});
    ASSERT_EQ(asked.exitCode, 0u) << asked.err;
    EXPECT_EQ(calls()[5], "process 1050");
    EXPECT_NE(asked.out.find("with process in blocks of 1050"), std::string::npos) << asked.out;

    DeleteFileA(scratch.path("probe.log").c_str());
    SetEnvironmentVariableA("VELORIN_PROBE_FLAGS", "0");
    RunResult fallback = render({"--block", "2048"});
    ASSERT_EQ(fallback.exitCode, 0u) << fallback.err;
    EXPECT_EQ(calls()[5], "process 1050");

    DeleteFileA(scratch.path("out.wav").c_str());
    RunResult refused = render({"--replacing"});
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_NE(refused.err.find("does not offer processReplacing"), std::string::npos) << refused.err;
    EXPECT_FALSE(fileExists(scratch.path("out.wav")));
}

TEST_F(ProbeHost, SummarisesTheRenderUnlessQuiet) {
    RunResult run = render({});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find("16-bit PCM, stereo, 48000 Hz in, 32-bit float out; 1050 frames (0.022 s)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("x real time"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("output peak left 0 (silent), right 0 (silent); samples above +1.0: 0"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.err, "");  // no progress indicator when standard error is a file

    RunResult quiet = render({"--quiet"});
    ASSERT_EQ(quiet.exitCode, 0u) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");
}

TEST_F(ProbeHost, AnOutputMayReplaceItsInput) {
    const std::string in = scratch.path("in.wav");
    RunResult run = runRenderer({"--plugin", probeDll(), in, in});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const ParsedWav out = parseWav(readFile(in));
    EXPECT_EQ(out.tag, kFloat);
    EXPECT_EQ(out.factFrames, 1050);
}

TEST_F(ProbeHost, RendersTheFramesThatAreThereWhenTheDataChunkClaimsMore) {
    WavSpec wav;
    wav.channels = 1;
    for (int i = 0; i < 101; ++i) appendInt(wav.data, i * 100, 2);
    wav.claimedDataSize = 1000000;  // as a recorder that stopped early leaves it
    std::string bytes = wavBytes(wav);
    writeFile(scratch.path("in.wav"), bytes.substr(0, bytes.size() - 1));  // and half a sample short
    RunResult run = render({"--pcm16"});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.err.find("warning"), std::string::npos) << run.err;
    const std::vector<std::int16_t> out = int16sOf(parseWav(readFile(scratch.path("out.wav"))).data);
    ASSERT_EQ(out.size(), 200u);
    EXPECT_EQ(out[198], 9900);
    EXPECT_EQ(out[199], 9900);
}

// A plug-in named without a full path is the file in the current folder,
// even when the renderer's own folder holds a DLL of that name.
TEST_F(ProbeHost, APluginNamedWithoutAPathIsTheFileInTheCurrentFolder) {
    const std::string name = "velorin_null_main.dll";
    ASSERT_TRUE(CopyFileA(probeDll().c_str(), scratch.path(name).c_str(), FALSE));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.path("").c_str()));
    RunResult run = runRenderer({"--plugin", name, "in.wav", "out.wav"});
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_TRUE(fileExists(scratch.path("out.wav")));
}

TEST_F(ProbeHost, ListsProgramsAndParametersWithSettingsApplied) {
    RunResult run = runRenderer({"--list", "--plugin", probeDll(), "--program", "2", "--set", "alpha=0.75"});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::vector<std::string> lines = linesOf(run.out);
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("Effect   'Prbe' version 1, 2 inputs, 2 outputs, process and processReplacing")) << run.out;
    EXPECT_TRUE(has("     0  Probe 0")) << run.out;
    EXPECT_TRUE(has("  *  2  Probe 2")) << run.out;
    EXPECT_TRUE(has("Parameters of program 2")) << run.out;
    EXPECT_TRUE(has("  index  name        value     text  label")) << run.out;
    EXPECT_TRUE(has("      0  Alpha       0.750000  0.75  units")) << run.out;
    EXPECT_TRUE(has("      1  Beta Level  0.000000  0.00  units")) << run.out;
}

// The parameter table of the real plug-in's default program, read by the
// columns that the header line marks.
TEST(RenderList, ShowsTheChorusDefaultProgramAsAHostSeesIt) {
    RunResult run = runRenderer({"--list"});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::vector<std::string> lines = linesOf(run.out);
    auto header = std::find_if(lines.begin(), lines.end(),
                               [](const std::string& line) { return line.rfind("  index  name", 0) == 0; });
    ASSERT_NE(header, lines.end()) << run.out;
    const size_t nameAt = header->find("name"), valueAt = header->find("value"), textAt = header->find("text"),
                 labelAt = header->find("label");
    auto column = [](const std::string& line, size_t from, size_t to) {
        std::string cell = line.size() > from ? line.substr(from, to - from) : std::string();
        cell.erase(cell.find_last_not_of(' ') + 1);
        return cell;
    };
    const char* names[] = {"Filter", "Cutoff", "Rate", "Depth", "Predelay", "Phase", "Dry", "Wet", "Voices"};
    const char* texts[] = {"High pass", "  80", "0.3", "15.0", "15", "Normal", "-6.0", "-6.0", "2"};
    const char* labels[] = {"Type", "Hz", "Hz", "%", "ms", "Type", "dB", "dB", ""};
    ASSERT_GE(lines.end() - header, 10);
    for (int i = 0; i < 9; ++i) {
        const std::string& row = header[i + 1];
        SCOPED_TRACE(row);
        EXPECT_EQ(std::stoi(row.substr(0, nameAt)), i);
        EXPECT_EQ(column(row, nameAt, valueAt), names[i]);
        EXPECT_EQ(column(row, textAt, labelAt), texts[i]);
        EXPECT_EQ(column(row, labelAt, std::string::npos), labels[i]);
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  *  0  Default "), lines.end()) << run.out;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Effect   'Vlr2' version 1, 2 inputs, 2 outputs, "
                                                    "process and processReplacing, editor"),
              lines.end())
        << run.out;
}

}  // namespace
