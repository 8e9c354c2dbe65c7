// A million dispatcher calls with opcodes from -10 to 100, random and
// extreme indices and values, special floats (NaN, infinities, ±1e30,
// denormals) and null or canaried pointers, mixed with parameter sets and
// gets of the same kind and now and then a short block.  No text may run
// past the limit of its request (names and labels 9 bytes with the
// terminator, value texts 10, program names 32) or go unterminated within
// it, no other request may write into the buffer, no guard page may be
// touched, and effGetProgram always names one of the 16 programs.  After an
// effClose the host carries on with a new instance.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "host/AEffEditor.h"
#include "tests/abuse/AbuseHost.h"
#include "tests/abuse/Reporting.h"

namespace abuse {
namespace {

constexpr long kCalls = 1000000;

// How many bytes a request may write into the host's buffer.
std::size_t writeLimit(VstInt32 opcode) {
    switch (opcode) {
    case effGetProgramName: return 32;
    case effGetParamLabel:
    case effGetParamName: return 9;
    case effGetParamDisplay: return 10;
    case effEditGetRect: return sizeof(void*);  // the address of the editor's rectangle
    default: return 0;
    }
}

bool isTextRequest(VstInt32 opcode) {
    return opcode == effGetProgramName || opcode == effGetParamLabel || opcode == effGetParamName ||
           opcode == effGetParamDisplay;
}

struct FuzzActivity : Activity {
    long call = 0;
    const char* kind = "dispatcher";
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    long long value = 0;
    float opt = 0.0f;
    bool canaried = false;
    void describe(char* text, std::size_t capacity) const override {
        std::snprintf(text, capacity, "call %ld of %ld: %s(opcode %ld, index %ld, value %lld, ptr %s, opt %g = %a)",
                      call + 1, kCalls, kind, static_cast<long>(opcode), static_cast<long>(index), value,
                      canaried ? "a canaried 256-byte buffer" : "null", static_cast<double>(opt),
                      static_cast<double>(opt));
    }
};

VstInt32 drawIndex(Random& random) {
    switch (random.below(5)) {
    case 0:
    case 1: return static_cast<VstInt32>(random.below(9));
    case 2: return static_cast<VstInt32>(random.below(24)) - 3;
    case 3: return static_cast<VstInt32>(random.next());
    default: {
        const VstInt32 extremes[] = {INT_MIN, INT_MAX, -1, 16, 9, 65536};
        return random.pick(extremes);
    }
    }
}

DispatchValue drawValue(Random& random) {
    switch (random.below(5)) {
    case 0: return 0;
    case 1: return static_cast<DispatchValue>(random.below(21));
    case 2: return -static_cast<DispatchValue>(1 + random.below(5));
    case 3: return static_cast<DispatchValue>(random.next());
    default: {
        const DispatchValue extremes[] = {std::numeric_limits<DispatchValue>::min(),
                                          std::numeric_limits<DispatchValue>::max(), -1, 1};
        return random.pick(extremes);
    }
    }
}

float drawFloat(Random& random) {
    static const float special[] = {NAN,    -NAN,  INFINITY, -INFINITY, 1e30f, -1e30f,   FLT_MAX, -FLT_MAX,
                                    1e-40f, -1e-45f, 0.0f,   -0.0f,     -1.0f, 1e-30f,   2.0f,    0.5f};
    static const float rates[] = {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};
    const std::uint32_t kind = random.below(20);
    if (kind < 5) return static_cast<float>(random.unit());
    if (kind < 8) return random.pick(rates);
    return random.pick(special);
}

VstInt32 drawOpcode(Random& random) {
    // Half over the whole range, half over the opcodes the plug-in knows.
    // An effClose is honoured one time in ten, so that most calls reach an
    // instance that has lived a while, and an effEditOpen (which here can
    // only fail, for want of a window, after a trip to the window system)
    // one time in twenty.
    for (;;) {
        const VstInt32 opcode = random.chance(0.5) ? static_cast<VstInt32>(random.below(111)) - 10
                                                   : static_cast<VstInt32>(random.below(effIdentify + 1));
        if (opcode == effClose && !random.chance(0.1)) continue;
        if (opcode == effEditOpen && !random.chance(0.05)) continue;
        return opcode;
    }
}

// A random name, terminated, for effSetProgramName.
void writeName(Random& random, char* buffer) {
    const std::uint32_t length = random.below(61);
    for (std::uint32_t i = 0; i < length; ++i) buffer[i] = static_cast<char>(' ' + random.below(95));
    buffer[length] = '\0';
}

struct Tally {
    long textRequests = 0, rectangles = 0, otherWithBuffer = 0, instances = 1, parameterCalls = 0, blocks = 0;
};

TEST(DispatcherFuzz, AMillionCallsStayWithinTheirBuffers) {
    Random random(seedFor("DispatcherFuzz.AMillionCallsStayWithinTheirBuffers"));
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    Plugin plugin(library.create());
    ASSERT_NE(plugin.record(), nullptr);
    plugin.start(44100.0f, 512);
    TextBuffer buffer;
    char before[TextBuffer::kSize];
    HostBuffers audio(256);
    FuzzActivity activity;
    CurrentActivity current(activity);
    Tally tally;

    for (activity.call = 0; activity.call < kCalls; ++activity.call) {
        if (random.chance(0.05)) {
            activity.kind = random.chance(0.5) ? "setParameter" : "getParameter";
            activity.index = drawIndex(random);
            activity.opt = drawFloat(random);
            activity.canaried = false;
            if (activity.kind[0] == 's')
                plugin.setParameter(activity.index, activity.opt);
            else
                plugin.getParameter(activity.index);
            ++tally.parameterCalls;
            continue;
        }
        if (activity.call % 2000 == 1999) {
            activity.kind = "processReplacing";
            const int frames = 1 + static_cast<int>(random.below(256));
            audio.place(frames, random.chance(0.5) ? Flush::end : Flush::start, random.chance(0.5));
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < frames; ++i) audio.inputs()[ch][i] = random.around(1.0f);
            plugin.processReplacing(audio.inputs(), audio.outputs(), frames);
            ASSERT_TRUE(audio.canariesIntact()) << "a block wrote beside its buffers\n" << replayLine();
            ++tally.blocks;
            continue;
        }

        activity.kind = "dispatcher";
        activity.opcode = drawOpcode(random);
        activity.index = drawIndex(random);
        const DispatchValue value = drawValue(random);
        activity.value = static_cast<long long>(value);
        activity.opt = drawFloat(random);
        activity.canaried = random.chance(0.7);
        void* ptr = nullptr;
        if (activity.canaried) {
            buffer.fillWithCanaries();
            if (activity.opcode == effSetProgramName) writeName(random, buffer.data());
            std::memcpy(before, buffer.data(), sizeof before);
            ptr = buffer.data();
        }
        const DispatchResult result = plugin.dispatch(activity.opcode, activity.index, value, ptr, activity.opt);

        if (activity.opcode == effClose) {
            plugin = Plugin(library.create());
            ASSERT_NE(plugin.record(), nullptr) << replayLine();
            plugin.start(44100.0f, 512);
            ++tally.instances;
            continue;
        }
        if (activity.opcode == effGetProgram) {
            ASSERT_TRUE(result >= 0 && result < 16) << "effGetProgram answered " << static_cast<long long>(result)
                                                    << "\n" << replayLine();
        }
        if (!activity.canaried) continue;

        std::size_t extent = 0;
        for (std::size_t i = 0; i < sizeof before; ++i)
            if (buffer.data()[i] != before[i]) extent = i + 1;
        const std::size_t limit = writeLimit(activity.opcode);
        char doing[400];
        if (extent > limit || (isTextRequest(activity.opcode) && extent > 0 && !buffer.terminatedWithin(limit))) {
            activity.describe(doing, sizeof doing);
            FAIL() << "wrote " << extent << " bytes where " << limit << " are allowed"
                   << (extent <= limit ? ", without a terminator" : "") << ": \""
                   << std::string(buffer.data(), extent) << "\"\n  " << doing << "\n" << replayLine();
        }
        if (isTextRequest(activity.opcode)) ++tally.textRequests;
        if (activity.opcode == effEditGetRect && result) {
            const ERect* rect;
            std::memcpy(&rect, buffer.data(), sizeof rect);
            ASSERT_NE(rect, nullptr) << replayLine();
            const int width = rect->right - rect->left, height = rect->bottom - rect->top;
            EXPECT_TRUE(width > 0 && width < 4096 && height > 0 && height < 4096)
                << "editor rectangle " << width << " x " << height << "\n" << replayLine();
            ++tally.rectangles;
        } else if (!isTextRequest(activity.opcode)) {
            ++tally.otherWithBuffer;
        }
    }
    plugin.close();

    recordFigure("dispatcher fuzzing",
                 grouped(kCalls) + " calls, opcodes -10 to 100 (" + grouped(tally.textRequests) +
                     " text requests into a canaried buffer, all terminated within their limit; " +
                     grouped(tally.otherWithBuffer) + " other requests with a buffer, none wrote into it; " +
                     grouped(tally.rectangles) + " editor rectangles), " + grouped(tally.parameterCalls) +
                     " parameter sets and gets, " + grouped(tally.blocks) + " blocks between them, " +
                     grouped(tally.instances) + " instances after effClose; no guard page touched");
}

}  // namespace
}  // namespace abuse
