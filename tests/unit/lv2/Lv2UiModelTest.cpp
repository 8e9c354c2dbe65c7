// The LV2 UI's view of the plug-in through its ports, on a host UI thread
// that rounds upward and flushes denormals: a knob drag writes, shows and
// names what it does in the default floating-point environment, which the
// plug-in converts in; and the host gets its own settings back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "chorus/ParameterIndex.h"
#include "host/FloatingPointControl.h"
#include "lv2/Lv2UiModel.h"

namespace {

void keepWrite(LV2UI_Controller written, uint32_t, uint32_t, uint32_t, const void* buffer) {
    std::memcpy(written, buffer, sizeof(float));
}

// The port value written, the value shown and its text, after a drag.
std::string dragTo(int parameter, float value) {
    float written = 0.0f;
    Lv2UiModel model(keepWrite, &written, nullptr);
    model.gestureValue(parameter, value);
    char text[80], shown[160];
    model.valueText(parameter, text, sizeof text);
    std::snprintf(shown, sizeof shown, "%a %a \"%s\"", written, model.value(parameter), text);
    return shown;
}

TEST(Lv2UiModel, ConvertsAsThePluginDoesWhateverTheHostsRounding) {
    constexpr std::uint16_t kHostControlWord = 0x0B7F;  // rounding upward
    constexpr std::uint32_t kHostMxcsr = 0xDFC0;        // the same, flush-to-zero, denormals-are-zero
    const std::uint16_t usual = fpu::controlWord();
    const std::uint32_t usualMxcsr = fpu::mxcsr();
    int differing = 0, settingsLost = 0;
    for (int parameter : {chorus::kCutoff, chorus::kRate, chorus::kDepth, chorus::kWet, chorus::kVoices}) {
        for (int degree = 0; degree <= 270; ++degree) {
            const float value = static_cast<float>(degree) * 0.0037037036f;
            const std::string expected = dragTo(parameter, value);
            fpu::setControlWord(kHostControlWord);
            fpu::restoreMxcsr(kHostMxcsr);
            const std::string shown = dragTo(parameter, value);
            settingsLost += fpu::controlWord() != kHostControlWord || (fpu::mxcsr() & ~0x3Fu) != kHostMxcsr;
            fpu::setControlWord(usual);
            fpu::restoreMxcsr(usualMxcsr);
            if (shown != expected && differing++ == 0)
                ADD_FAILURE() << "parameter " << parameter << " at " << value << ": " << shown << "; by default "
                              << expected;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(settingsLost, 0);
}

}  // namespace
