// The plug-in under the floating-point settings hosts really leave on their
// threads: x87 precision of 24, 53 or 64 bits, every rounding mode,
// exceptions unmasked (as Delphi-built hosts run), and an MXCSR with
// flush-to-zero, denormals-are-zero, other rounding modes or unmasked
// exceptions.  Set up and run under each, it gives output bit-identical to
// the same blocks under the default settings, and after every call the
// host's x87 control word, exception flags and empty register stack and
// its MXCSR are exactly as they were.  NaN and infinite parameters under
// invalid, zero-divide and overflow unmasked trap nowhere.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/abuse/AbuseHost.h"
#include "tests/abuse/Reporting.h"

namespace abuse {
namespace {

struct HostSettings {
    std::uint16_t control;
    std::uint32_t mxcsr;
    const char* what;
};

constexpr HostSettings kDefault = {0x027F, 0x1F80, "the defaults"};
constexpr std::uint16_t kDelphiControl = 0x1372;  // invalid, zero-divide and overflow unmasked

const HostSettings kSettings[] = {
    {0x037F, 0x1F80, "64-bit x87 precision"},
    {0x007F, 0x1F80, "24-bit x87 precision"},
    {0x067F, 0x3F80, "rounding down on both units"},
    {0x0A7F, 0x5F80, "rounding up on both units"},
    {0x0E7F, 0x7F80, "rounding toward zero on both units"},
    {0x027F, 0x9FC0, "flush-to-zero and denormals-are-zero"},
    {kDelphiControl, 0x1F80, "x87 invalid, zero-divide and overflow unmasked"},
    {kDelphiControl, 0x1900, "invalid, zero-divide and overflow unmasked on both units"},
    {0x0340, 0x0000, "every exception unmasked on both units"},
    {0x0F72, 0xFFC0, "the odd corner of everything"},
};

// What a call left behind on both units.
struct LeftBehind {
    std::uint16_t control;
    std::uint16_t status;
    std::uint16_t tags;
    std::uint32_t mxcsr;
};

// Makes one plug-in call with the host's units set as given, and reads
// back what the call left before the test's own code runs again.
template <typename Call>
__attribute__((noinline)) LeftBehind callUnder(const HostSettings& host, Call&& call) {
    std::uint16_t ownControl;
    std::uint32_t ownMxcsr;
    __asm__ __volatile__("fnstcw %0\n\tstmxcsr %1" : "=m"(ownControl), "=m"(ownMxcsr) : : "memory");
    __asm__ __volatile__("fnclex\n\tfldcw %0\n\tldmxcsr %1" : : "m"(host.control), "m"(host.mxcsr) : "memory");
    call();
    std::uint32_t environment[7];
    std::uint32_t mxcsr;
    __asm__ __volatile__("fnstenv %0\n\tstmxcsr %1" : "=m"(environment), "=m"(mxcsr) : : "memory");
    __asm__ __volatile__("fnclex\n\tfldcw %0\n\tldmxcsr %1" : : "m"(ownControl), "m"(ownMxcsr) : "memory");
    return {static_cast<std::uint16_t>(environment[0]), static_cast<std::uint16_t>(environment[1]),
            static_cast<std::uint16_t>(environment[2]), mxcsr};
}

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// Empty when a call left both units as the host had them, else what
// differs.
std::string differences(const HostSettings& host, const LeftBehind& left) {
    std::string found;
    if (left.control != host.control)
        found += "the host's x87 control word was not restored: " + hex(left.control, 4) + " after the call, " +
                 hex(host.control, 4) + " before; ";
    if (left.status & 0x3F) found += "x87 exception flags " + hex(left.status & 0x3F, 2) + " left raised; ";
    if (left.tags != 0xFFFF) found += "x87 registers left in use (tag word " + hex(left.tags, 4) + "); ";
    if (left.mxcsr != host.mxcsr)
        found += "the host's MXCSR was not restored: " + hex(left.mxcsr, 4) + " after the call, " + hex(host.mxcsr, 4) +
                 " before; ";
    return found;
}

struct Scenario {
    float parameters[9];
    std::vector<int> frames;
    std::vector<bool> accumulate;
};

Scenario makeScenario(Random& random) {
    Scenario s;
    for (float& p : s.parameters) p = static_cast<float>(random.unit());
    s.parameters[8] = 1.0f;  // four voices: every frame loop's widest path
    for (int b = 0; b < 24; ++b) {
        s.frames.push_back(1 + static_cast<int>(random.below(2048)));
        s.accumulate.push_back(random.chance(0.5));
    }
    return s;
}

struct SettingsActivity : Activity {
    const HostSettings* host = &kDefault;
    const char* step = "a block";
    int block = 0;
    void describe(char* text, std::size_t capacity) const override {
        std::snprintf(text, capacity, "%s (call %d) under %s (x87 control word 0x%04X, MXCSR 0x%04X)", step,
                      block + 1, host->what, host->control, static_cast<unsigned>(host->mxcsr));
    }
};

// Runs the scenario on a new instance under the given settings; the
// output's hash per block.  Checks what every block leaves behind.
std::vector<std::uint64_t> run(const PluginLibrary& library, const Scenario& s, const HostSettings& host,
                               std::uint64_t seed, SettingsActivity& activity) {
    std::vector<std::uint64_t> hashes;
    Plugin plugin(library.create());
    EXPECT_NE(plugin.record(), nullptr);
    if (!plugin.record()) return hashes;
    activity.host = &host;
    activity.step = "starting the effect and setting its parameters";
    const LeftBehind started = callUnder(host, [&] {
        plugin.start(48000.0f, 2048);
        for (int i = 0; i < 9; ++i) plugin.setParameter(i, s.parameters[i]);
    });
    EXPECT_EQ(differences(host, started), "") << "under " << host.what << ", setting up\n" << replayLine();
    HostBuffers buffers(2048);
    Random random(seed);
    activity.step = "a block";
    for (activity.block = 0; activity.block < static_cast<int>(s.frames.size()); ++activity.block) {
        const int frames = s.frames[static_cast<std::size_t>(activity.block)];
        buffers.place(frames, Flush::end, false);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < frames; ++i) {
                // Quiet passages decay into denormals, which flush-to-zero would change.
                buffers.inputs()[ch][i] = random.around(activity.block % 3 == 2 ? 1e-39f : 1.0f);
                buffers.outputs()[ch][i] = random.around(0.5f);
            }
        float** in = buffers.inputs();
        float** out = buffers.outputs();
        const LeftBehind left = callUnder(host, [&] {
            if (s.accumulate[static_cast<std::size_t>(activity.block)])
                plugin.process(in, out, frames);
            else
                plugin.processReplacing(in, out, frames);
        });
        const std::string wrong = differences(host, left);
        EXPECT_EQ(wrong, "") << "under " << host.what << ", block " << activity.block << "\n" << replayLine();
        std::uint64_t hash = 1469598103934665603ull;
        for (int ch = 0; ch < 2; ++ch) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(out[ch]);
            for (std::size_t i = 0; i < static_cast<std::size_t>(frames) * sizeof(float); ++i)
                hash = (hash ^ bytes[i]) * 1099511628211ull;
        }
        hashes.push_back(hash);
    }
    plugin.close();
    return hashes;
}

TEST(HostFloatingPoint, BlocksGiveTheSameBitsAndLeaveTheSettingsAsFound) {
    const std::uint64_t seed = seedFor("HostFloatingPoint.BlocksGiveTheSameBitsAndLeaveTheSettingsAsFound");
    Random random(seed);
    const Scenario scenario = makeScenario(random);
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    SettingsActivity activity;
    CurrentActivity current(activity);

    const std::vector<std::uint64_t> expected = run(library, scenario, kDefault, seed, activity);
    int identical = 0;
    for (const HostSettings& host : kSettings) {
        const std::vector<std::uint64_t> hashes = run(library, scenario, host, seed, activity);
        ASSERT_EQ(hashes.size(), expected.size());
        std::size_t differing = 0;
        while (differing < hashes.size() && hashes[differing] == expected[differing]) ++differing;
        EXPECT_EQ(differing, hashes.size()) << "under " << host.what << " block " << differing
                                            << " differs from the same block under the defaults\n" << replayLine();
        identical += differing == hashes.size();
    }
    recordFigure("host floating-point settings",
                 std::to_string(sizeof kSettings / sizeof kSettings[0]) +
                     " x87/MXCSR settings (24/53/64-bit precision, every rounding mode, flush-to-zero and "
                     "denormals-are-zero, exceptions unmasked) x " + std::to_string(expected.size()) +
                     " blocks: " + std::to_string(identical) +
                     " bit-identical to the defaults, parameters set under the same settings; control word, exception "
                     "flags, register stack and MXCSR as found after every call");
}

TEST(HostFloatingPoint, NonFiniteParametersTrapNowhereUnderUnmaskedExceptions) {
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    Plugin plugin(library.create());
    ASSERT_NE(plugin.record(), nullptr);
    plugin.start(44100.0f, 512);
    HostBuffers buffers(512);
    SettingsActivity activity;
    CurrentActivity current(activity);
    const HostSettings host = {kDelphiControl, 0x1900, "invalid, zero-divide and overflow unmasked on both units"};
    activity.host = &host;
    const float values[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f};
    int blocks = 0;
    for (float value : values)
        for (VstInt32 index = 0; index < 9; ++index) {
            // The parameter is set and its text read under the host's
            // control word too: a trap there would be the plug-in's.
            char text[64];
            activity.block = blocks;
            activity.step = "setting the parameter and reading its text";
            const LeftBehind set = callUnder(host, [&] {
                plugin.setParameter(index, value);
                plugin.dispatch(effGetParamDisplay, index, 0, text);
            });
            EXPECT_EQ(differences(host, set), "") << "parameter " << index << " = " << value << "\n" << replayLine();
            buffers.place(512, Flush::end, false);
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < 512; ++i) buffers.inputs()[ch][i] = 0.25f;
            float** in = buffers.inputs();
            float** out = buffers.outputs();
            activity.step = "a block";
            const LeftBehind left = callUnder(host, [&] { plugin.processReplacing(in, out, 512); });
            EXPECT_EQ(differences(host, left), "") << "parameter " << index << " = " << value << "\n" << replayLine();
            activity.step = "setting the parameter back to 0.5";
            callUnder(host, [&] { plugin.setParameter(index, 0.5f); });
            ++blocks;
        }
    plugin.close();
    recordFigure("non-finite parameters",
                 std::to_string(blocks) +
                     " NaN, infinite and huge parameter values, each set, shown and followed by a block under x87 "
                     "control word 0x1372 and MXCSR 0x1900 (invalid, zero-divide and overflow unmasked): no trap, "
                     "both settings back after every call");
}

}  // namespace
}  // namespace abuse
