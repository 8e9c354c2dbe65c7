// What comes out of the renderer: every input format and channel count
// reaches the effect as the samples the file holds (checked through the
// pass-through probe effect), 16-bit output is rounded and clipped
// correctly, and a render through the real plug-in equals processing the
// same samples directly, bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/wine/renderer/RendererSupport.h"
#include "tools/PluginLoader.h"

namespace {

const std::string probeDll() { return folderOfTests() + "\\velorin_probe.dll"; }

// A test signal for one channel: two sines and a little noise, with the
// format's most negative and most positive values at frames 0 and 1.
std::int64_t pcmSample(unsigned bits, unsigned frame, unsigned channel) {
    const double full = std::ldexp(1.0, static_cast<int>(bits) - 1);
    if (frame == 0) return static_cast<std::int64_t>(-full);
    if (frame == 1) return static_cast<std::int64_t>(full - 1);
    const double phase = frame * (channel ? 0.031 : 0.017);
    const double noise = static_cast<double>((frame * 2654435761u + channel * 40503u) % 2001u) - 1000.0;
    return static_cast<std::int64_t>(std::floor(full * (0.6 * std::sin(phase) + 0.3 * std::sin(phase * 5.3)) + noise));
}

float floatSample(unsigned frame, unsigned channel) {
    // Beyond full scale, tiny and negative zero too: float input passes as it is.
    const float specials[] = {1.5f, -2.0f, 1e-30f, -0.0f, 1.0f};
    if (frame < 5) return specials[frame] * (channel ? -1.0f : 1.0f);
    return static_cast<float>(0.7 * std::sin(frame * (channel ? 0.029 : 0.013)));
}

struct Signal {
    std::string fileBytes;     // what the WAV file holds
    std::vector<float> left;   // what the effect should receive
    std::vector<float> right;
};

Signal makeSignal(WavSpec wav, unsigned frames) {
    Signal signal;
    const unsigned format = wav.tag == kExtensible ? wav.subFormat : wav.tag;
    for (unsigned i = 0; i < frames; ++i) {
        for (unsigned c = 0; c < wav.channels; ++c) {
            float expected;
            if (format == kFloat) {
                expected = floatSample(i, c);
                appendFloat(wav.data, expected);
            } else {
                const std::int64_t v = pcmSample(wav.bits, i, c);
                appendInt(wav.data, v, wav.bits / 8);
                expected = static_cast<float>(static_cast<double>(v) / std::ldexp(1.0, static_cast<int>(wav.bits) - 1));
            }
            (c == 0 ? signal.left : signal.right).push_back(expected);
        }
        if (wav.channels == 1) signal.right.push_back(signal.left.back());  // mono feeds both inputs
    }
    signal.fileBytes = wavBytes(wav);
    return signal;
}

std::vector<float> interleaved(const std::vector<float>& left, const std::vector<float>& right) {
    std::vector<float> both;
    for (size_t i = 0; i < left.size(); ++i) {
        both.push_back(left[i]);
        both.push_back(right[i]);
    }
    return both;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(RenderFormats, EveryInputFormatReachesTheEffectAsTheFileHoldsIt) {
    struct Case {
        const char* name;
        unsigned tag, subFormat, bits, rate;
    };
    const Case cases[] = {
        {"pcm16", kPcm, kPcm, 16, 44100},
        {"pcm24", kPcm, kPcm, 24, 48000},
        {"pcm32", kPcm, kPcm, 32, 96000},
        {"float32", kFloat, kFloat, 32, 22050},
        {"extensible-pcm24", kExtensible, kPcm, 24, 44100},
        {"extensible-float32", kExtensible, kFloat, 32, 8000},
    };
    ScratchFolder scratch;
    for (const Case& c : cases) {
        for (unsigned channels : {1u, 2u}) {
            SCOPED_TRACE(std::string(c.name) + (channels == 1 ? " mono" : " stereo"));
            WavSpec wav;
            wav.tag = c.tag;
            wav.subFormat = c.subFormat;
            wav.bits = c.bits;
            wav.sampleRate = c.rate;
            wav.channels = channels;
            wav.dataBeforeFormat = channels == 1 && c.bits == 24;  // chunk order is free
            const Signal signal = makeSignal(wav, 1050);
            writeFile(scratch.path("in.wav"), signal.fileBytes);

            RunResult run = runRenderer({"--plugin", probeDll(), "--block", "100", scratch.path("in.wav"),
                                         scratch.path("out.wav")});
            ASSERT_EQ(run.exitCode, 0u) << run.err;
            const ParsedWav out = parseWav(readFile(scratch.path("out.wav")));
            ASSERT_TRUE(out.valid);
            EXPECT_EQ(out.tag, kFloat);
            EXPECT_EQ(out.formatSize, 18u);
            EXPECT_EQ(out.channels, 2u);
            EXPECT_EQ(out.sampleRate, c.rate);
            EXPECT_EQ(out.bits, 32u);
            EXPECT_EQ(out.blockAlign, 8u);
            EXPECT_EQ(out.factFrames, 1050);
            EXPECT_TRUE(sameBits(floatsOf(out.data), interleaved(signal.left, signal.right)));
        }
    }
}

TEST(RenderFormats, SixteenBitOutputGivesBackSixteenBitInputUnchanged) {
    ScratchFolder scratch;
    WavSpec wav;
    const Signal signal = makeSignal(wav, 3000);
    writeFile(scratch.path("in.wav"), signal.fileBytes);
    RunResult run = runRenderer({"--plugin", probeDll(), "--pcm16", scratch.path("in.wav"), scratch.path("out.wav")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const ParsedWav in = parseWav(signal.fileBytes);
    const ParsedWav out = parseWav(readFile(scratch.path("out.wav")));
    ASSERT_TRUE(out.valid);
    EXPECT_EQ(out.tag, kPcm);
    EXPECT_EQ(out.formatSize, 16u);
    EXPECT_EQ(out.factFrames, -1);
    EXPECT_EQ(out.bits, 16u);
    EXPECT_EQ(out.blockAlign, 4u);
    EXPECT_TRUE(out.data == in.data);
    EXPECT_NE(run.out.find("clipped to 16 bits: 0"), std::string::npos) << run.out;
}

TEST(RenderFormats, SixteenBitOutputRoundsToNearestEvenAndClips) {
    const float lsb = 1.0f / 32768.0f;
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float in;
        std::int16_t out;
    };
    const Case cases[] = {
        {0.5f * lsb, 0},     {1.5f * lsb, 2},       {2.5f * lsb, 2},        {0.75f * lsb, 1},
        {-0.5f * lsb, 0},    {-1.5f * lsb, -2},     {-2.5f * lsb, -2},      {-0.75f * lsb, -1},
        {32767.25f * lsb, 32767}, {-1.0f, -32768},
        // clipped: 1.0 itself is one step beyond the largest 16-bit value
        {1.0f, 32767},       {32767.5f * lsb, 32767}, {-1.0001f, -32768}, {3.0f, 32767},
        {std::nanf(""), 0},  {inf, 32767},          {-inf, -32768},
    };
    ScratchFolder scratch;
    WavSpec wav;
    wav.tag = kFloat;
    wav.bits = 32;
    wav.channels = 1;
    for (const Case& c : cases) appendFloat(wav.data, c.in);
    writeFile(scratch.path("in.wav"), wavBytes(wav));
    RunResult run = runRenderer({"--plugin", probeDll(), "--pcm16", scratch.path("in.wav"), scratch.path("out.wav")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::vector<std::int16_t> out = int16sOf(parseWav(readFile(scratch.path("out.wav"))).data);
    ASSERT_EQ(out.size(), 2 * std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(out[2 * i], cases[i].out) << "input " << cases[i].in;
        EXPECT_EQ(out[2 * i + 1], cases[i].out) << "input " << cases[i].in;
    }
    // Above +1.0 (as the effect's own clip test counts): 3.0, NaN and +inf
    // in both channels; clipped to 16 bits: seven samples in each.
    EXPECT_NE(run.out.find("samples above +1.0: 6"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("clipped to 16 bits: 14"), std::string::npos) << run.out;
}

// The renderer's sequence, done here by hand through the plug-in loader.
std::vector<float> processDirectly(const Signal& signal, float sampleRate, VstInt32 block, VstInt32 program,
                                   const std::vector<std::pair<VstInt32, float>>& settings, bool replacing) {
    PluginLoader loader(builtPluginPath());
    EXPECT_TRUE(loader.loaded()) << loader.error();
    PluginInstance plugin(loader.create());
    plugin.dispatch(effOpen);
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    plugin.dispatch(effSetBlockSize, 0, block);
    if (program >= 0) plugin.dispatch(effSetProgram, 0, program);
    for (const auto& [index, value] : settings) plugin.setParameter(index, value);
    plugin.dispatch(effMainsChanged, 0, 1);
    std::vector<float> left(signal.left.size()), right(signal.right.size());
    for (size_t at = 0; at < left.size(); at += static_cast<size_t>(block)) {
        const VstInt32 frames = static_cast<VstInt32>(std::min<size_t>(static_cast<size_t>(block), left.size() - at));
        std::vector<float> inL(signal.left.begin() + at, signal.left.begin() + at + frames);
        std::vector<float> inR(signal.right.begin() + at, signal.right.begin() + at + frames);
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {left.data() + at, right.data() + at};
        if (replacing)
            plugin.processReplacing(inputs, outputs, frames);
        else
            plugin.process(inputs, outputs, frames);
    }
    plugin.dispatch(effMainsChanged, 0, 0);
    plugin.close();
    RecordingHost::instance().calls.clear();
    return interleaved(left, right);
}

TEST(RenderThroughThePlugin, EqualsProcessingTheSameSamplesDirectly) {
    ScratchFolder scratch;
    struct Case {
        const char* name;
        WavSpec wav;
        std::vector<std::string> options;
        VstInt32 block, program;
        std::vector<std::pair<VstInt32, float>> settings;
        bool replacing;
    };
    WavSpec stereo16;
    stereo16.sampleRate = 48000;
    WavSpec monoFloat;
    monoFloat.tag = kFloat;
    monoFloat.bits = 32;
    monoFloat.channels = 1;
    const Case cases[] = {
        {"default program, replacing", stereo16, {}, 512, -1, {}, true},
        {"program and settings", stereo16,
         {"--block", "300", "--program", "2", "--set", "3=0.8", "--set", "8=1", "--set", "7=0.9", "--set", "4=0.05"},
         300, 2, {{3, 0.8f}, {8, 1.0f}, {7, 0.9f}, {4, 0.05f}}, true},
        {"mono, accumulating", monoFloat, {"--process", "--block", "64", "--set", "8=0", "--set", "5=1"}, 64, -1,
         {{8, 0.0f}, {5, 1.0f}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Signal signal = makeSignal(c.wav, 6000);
        writeFile(scratch.path("in.wav"), signal.fileBytes);
        std::vector<std::string> args = c.options;
        args.push_back(scratch.path("in.wav"));
        args.push_back(scratch.path("out.wav"));
        RunResult run = runRenderer(args);
        ASSERT_EQ(run.exitCode, 0u) << run.err;
        const ParsedWav out = parseWav(readFile(scratch.path("out.wav")));
        ASSERT_TRUE(out.valid);
        const std::vector<float> expected =
            processDirectly(signal, static_cast<float>(c.wav.sampleRate), c.block, c.program, c.settings, c.replacing);
        EXPECT_TRUE(sameBits(floatsOf(out.data), expected));
    }
}

}  // namespace
