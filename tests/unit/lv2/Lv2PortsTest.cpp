// The LV2 control ports against the effect they drive: every choice's label
// is the text the effect shows for the value it converts to, the ends of
// every range give 0 and 1, and the defaults give the default program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "chorus/ChorusEffect.h"
#include "chorus/ParameterTable.h"
#include "lv2/Lv2Ports.h"

namespace {

using lv2port::ControlPort;

std::string displayOf(ChorusEffect& effect, int parameter, float value) {
    effect.setParameter(parameter, value);
    char text[64] = "";
    effect.getParameterDisplay(parameter, text);
    return text;
}

TEST(Lv2Ports, TheControlsFollowTheEffectsParameterOrder) {
    for (int i = 0; i < lv2port::kControlCount; ++i) EXPECT_EQ(lv2port::controlPorts()[i].parameter, i);
}

TEST(Lv2Ports, EveryChoiceIsLabelledWithTheTextOfTheValueItGives) {
    ChorusEffect effect(nullptr);
    int choices = 0;
    for (int i = 0; i < lv2port::kControlCount; ++i) {
        const ControlPort& port = lv2port::controlPorts()[i];
        for (int k = 0; k < port.scalePointCount; ++k, ++choices) {
            const lv2port::ScalePoint& point = port.scalePoints[k];
            EXPECT_EQ(displayOf(effect, port.parameter, port.toEffectValue(point.value)), point.label)
                << port.symbol << " " << point.value;
        }
    }
    EXPECT_EQ(choices, 7);  // Filter 2, Phase 2, Voices 3
}

TEST(Lv2Ports, TheEndsOfEveryRangeGiveZeroAndOne) {
    for (int i = 0; i < lv2port::kControlCount; ++i) {
        const ControlPort& port = lv2port::controlPorts()[i];
        EXPECT_EQ(port.toEffectValue(port.minimum), 0.0f) << port.symbol;
        EXPECT_EQ(port.toEffectValue(port.maximum), 1.0f) << port.symbol;
        // A host that ignores the range stays inside it.
        EXPECT_EQ(port.toEffectValue(port.minimum - 1000.0f), 0.0f) << port.symbol;
        EXPECT_EQ(port.toEffectValue(port.maximum + 1000.0f), 1.0f) << port.symbol;
        EXPECT_EQ(port.toEffectValue(std::numeric_limits<float>::quiet_NaN()), 0.0f) << port.symbol;
        EXPECT_EQ(port.toEffectValue(std::numeric_limits<float>::infinity()), 1.0f) << port.symbol;
    }
}

TEST(Lv2Ports, TheDefaultsGiveTheDefaultProgramBitForBit) {
    ChorusEffect effect(nullptr);
    for (int i = 0; i < lv2port::kControlCount; ++i) {
        const ControlPort& port = lv2port::controlPorts()[i];
        const float converted = port.toEffectValue(port.defaultValue);
        const float program = effect.getParameter(port.parameter);
        EXPECT_EQ(std::memcmp(&converted, &program, sizeof converted), 0)
            << port.symbol << ": " << converted << " against " << program;
    }
}

// What each port means, in the effect's own terms: the effect's value text
// for a converted port value reads the port's value in the port's unit.
TEST(Lv2Ports, PortValuesReadBackInTheEffectsOwnTexts) {
    ChorusEffect effect(nullptr);
    struct Case {
        int parameter;
        float portValue;
        const char* text;
    };
    const Case cases[] = {
        {1, 80.0f, "  80"},      {1, 8040.0f, "8040"}, {1, 1672.0f, "1672"}, {1, 16000.0f, "16000"},
        {2, 0.1f, "0.1"},      {2, 0.295f, "0.3"},   {2, 1.27f, "1.3"},    {2, 4.0f, "4.0"},
        {3, 15.0f, "15.0"},    {3, 33.3f, "33.3"},   {3, 100.0f, "100.0"}, {4, 15.0f, "15"},
        {4, 100.0f, "100"},    {4, 0.0f, "0"},       {6, 0.5f, "-6.0"},    {7, 1.0f, "0.0"},
        {7, 0.0f, "-oo"},      {8, 3.0f, "4"},       {8, 1.4f, "1"},       {5, 0.7f, "Reverse"},
    };
    for (const Case& c : cases) {
        const ControlPort& port = lv2port::controlPorts()[c.parameter];
        EXPECT_EQ(displayOf(effect, c.parameter, port.toEffectValue(c.portValue)), c.text)
            << port.symbol << " " << c.portValue;
    }
}

// Rates arrive as floats, which hold most decimals only approximately; the
// conversion honours the decimal, so the settings of the demo and of the
// effect's own programs come out exactly.
TEST(Lv2Ports, DecimalRatesGiveTheEffectsOwnValues) {
    EXPECT_EQ(lv2port::rateValue(0.295f), 0.05f);
    EXPECT_EQ(lv2port::rateValue(0.1975f), 0.025f);
    EXPECT_EQ(lv2port::rateValue(1.27f), 0.3f);
    EXPECT_EQ(lv2port::rateValue(2.05f), 0.5f);
    EXPECT_EQ(lv2port::cutoffValue(1672.0f), 0.1f);
    EXPECT_EQ(lv2port::cutoffValue(2468.0f), 0.15f);
    EXPECT_EQ(lv2port::depthValue(30.0f), 0.3f);
    EXPECT_EQ(lv2port::predelayValue(10.0f), 0.1f);
}

// What the editor's controls write: for every value a knob can give (steps
// of 1/270), the port value whose conversion comes nearest the value (the
// value itself wherever a float of the port gives it: every Dry and Wet,
// most Cutoffs), no neighbour of it nearer; Rate in steps of 0.0001 Hz; for
// the buttons and Voices, the setting the effect runs for the value.
TEST(Lv2Ports, TheEditorsValuesBecomePortValuesThatConvertBack) {
    for (int step = 0; step <= 270; ++step) {
        const float value = std::fmin(static_cast<float>(step) * 0.0037037036f, 1.0f);
        for (int parameter : {chorus::kCutoff, chorus::kDepth, chorus::kPredelay, chorus::kDry, chorus::kWet}) {
            const ControlPort& port = lv2port::controlPorts()[parameter];
            const float written = lv2port::portValueFor(parameter, value);
            const auto distance = [&](float portValue) {
                return std::fabs(static_cast<double>(port.toEffectValue(portValue)) - value);
            };
            EXPECT_LE(distance(written), distance(std::nextafter(written, 1e9f))) << port.symbol << " " << value;
            EXPECT_LE(distance(written), distance(std::nextafter(written, -1e9f))) << port.symbol << " " << value;
            if (parameter == chorus::kDry || parameter == chorus::kWet) {
                EXPECT_EQ(distance(written), 0.0);
            }
        }
        const float rate = lv2port::portValueFor(chorus::kRate, value);
        EXPECT_NEAR(lv2port::rateValue(rate), value, 0.00005 / 3.9 + 1e-7) << value;
        EXPECT_EQ(std::round(rate * 10000.0f) / 10000.0f, rate) << "a rate in steps of 0.0001 Hz";
        const int voices = static_cast<int>(lv2port::portValueFor(chorus::kVoices, value));
        EXPECT_EQ(voices, chorus::voiceCountFor(value)) << value;
    }
    EXPECT_EQ(lv2port::portValueFor(chorus::kFilter, 0.5f), 0.0f) << "0.5 runs the low-pass";
    EXPECT_EQ(lv2port::portValueFor(chorus::kFilter, 1.0f), 1.0f);
    EXPECT_EQ(lv2port::portValueFor(chorus::kPhase, 1.0f), 1.0f);
}

}  // namespace
