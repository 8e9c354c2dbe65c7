// The LV2 UI's view of the plug-in through its ports, on a host UI thread
// that rounds upward and flushes denormals: what a knob drag writes, and
// the value and text the UI then shows, are those of the default
// floating-point environment, which the plug-in converts in; and the host
// gets its own settings back.
#include <gtest/gtest.h>

#include <cstring>

#include "chorus/ParameterIndex.h"
#include "host/FloatingPointControl.h"
#include "lv2/Lv2UiModel.h"

namespace {

void keepWrite(LV2UI_Controller written, uint32_t, uint32_t, uint32_t, const void* buffer) {
    std::memcpy(written, buffer, sizeof(float));
}

struct Shown {
    float written = 0.0f;
    float value = 0.0f;
    char text[80] = "";

    bool operator==(const Shown& other) const {
        return written == other.written && value == other.value && std::strcmp(text, other.text) == 0;
    }
};

Shown dragTo(int parameter, float value) {
    Shown shown;
    Lv2UiModel model(keepWrite, &shown.written, nullptr);
    model.gestureValue(parameter, value);
    shown.value = model.value(parameter);
    model.valueText(parameter, shown.text, sizeof shown.text);
    return shown;
}

TEST(Lv2UiModel, ConvertsAsThePluginDoesWhateverTheHostsRounding) {
    constexpr std::uint16_t kHostControlWord = 0x0B7F;  // rounding upward
    constexpr std::uint32_t kHostMxcsr = 0xDFC0;        // the same, flush-to-zero, denormals-are-zero
    const std::uint16_t usual = fpu::controlWord();
    const std::uint32_t usualMxcsr = fpu::mxcsr();
    int differing = 0, settingsLost = 0;
    for (int parameter : {chorus::kCutoff, chorus::kRate, chorus::kDepth, chorus::kDry, chorus::kWet,
                          chorus::kVoices}) {
        for (int degree = 0; degree <= 270; ++degree) {
            const float value = static_cast<float>(degree) * 0.0037037036f;
            const Shown expected = dragTo(parameter, value);
            fpu::setControlWord(kHostControlWord);
            fpu::restoreMxcsr(kHostMxcsr);
            const Shown shown = dragTo(parameter, value);
            settingsLost += fpu::controlWord() != kHostControlWord || (fpu::mxcsr() & ~0x3Fu) != kHostMxcsr;
            fpu::setControlWord(usual);
            fpu::restoreMxcsr(usualMxcsr);
            if (!(shown == expected) && differing++ == 0)
                ADD_FAILURE() << "parameter " << parameter << " at " << value << ": wrote " << shown.written
                              << ", shows " << shown.value << " \"" << shown.text << "\"; in the default environment "
                              << expected.written << ", " << expected.value << " \"" << expected.text << "\"";
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(settingsLost, 0);
}

}  // namespace
