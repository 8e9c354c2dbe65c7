#include "lv2/Lv2Ports.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "chorus/ParameterIndex.h"
#include "chorus/ParameterText.h"

namespace lv2port {

namespace {

// The port's range, with NaN at the low end.
double clamped(float value, double minimum, double maximum) {
    if (!(value >= minimum)) return minimum;
    if (value > maximum) return maximum;
    return value;
}

// A choice between two settings: the nearer one.
float twoWay(float choice) { return clamped(choice, 0.0, 1.0) < 0.5 ? 0.0f : 1.0f; }

}  // namespace

// Low pass is 0, high pass 1: both lie in the effect's two-entry table.
float filterValue(float choice) { return twoWay(choice); }

// The inverse of the effect's 15920 × value + 80 Hz, in double, then
// rounded to the nearest float: 80 Hz gives 0 and 16000 Hz gives 1 exactly.
float cutoffValue(float hertz) { return static_cast<float>((clamped(hertz, 80.0, 16000.0) - 80.0) / 15920.0); }

// The inverse of the effect's 3.9 × value + 0.1 Hz.  A float cannot hold
// most decimal rates (0.295 Hz arrives as 0.29499998688...), and the
// inverse of that float is no float the effect's own programs hold (it is
// two steps below 0.05).  So the rate is first taken to the nearest
// 0.0001 Hz, the decimal the user or the default meant, which gives the
// default program's 0.05 for 0.295 Hz and the ends 0 and 1 exactly.
float rateValue(float hertz) {
    const double steps = clamped(hertz, 0.1, 4.0) * 10000.0;
    const double decimal = static_cast<double>(static_cast<std::int32_t>(steps + 0.5)) / 10000.0;
    return static_cast<float>((decimal - 0.1) / 3.9);
}

float depthValue(float percent) { return static_cast<float>(clamped(percent, 0.0, 100.0) / 100.0); }

// The effect adds up to 100 ms of predelay: value × 100 ms.
float predelayValue(float milliseconds) { return static_cast<float>(clamped(milliseconds, 0.0, 100.0) / 100.0); }

// Normal is 0 and reverse 1, both inside the effect's two-entry table.
float phaseValue(float choice) { return twoWay(choice); }

// The effect uses Dry and Wet directly as linear gains.
float levelValue(float gain) { return static_cast<float>(clamped(gain, 0.0, 1.0)); }

// 1 voice below 1.5, 2 voices below 3, 4 from there: the values 0, 0.5 and
// 1, well inside the effect's thirds.
float voicesValue(float count) {
    const double voices = clamped(count, 1.0, 4.0);
    if (voices < 1.5) return 0.0f;
    if (voices < 3.0) return 0.5f;
    return 1.0f;
}

namespace {

// The port value for an effect value by the inverse formula, before the
// search for the float that converts back exactly.
double formulaPortValue(int parameter, float value) {
    switch (parameter) {
    case chorus::kCutoff: return 15920.0 * value + 80.0;
    case chorus::kRate: return std::round((3.9 * value + 0.1) * 10000.0) / 10000.0;
    case chorus::kDepth:
    case chorus::kPredelay: return 100.0 * value;
    default: return value;  // Dry, Wet
    }
}

bool sameText(int parameter, float a, float b) {
    char first[64], second[64];
    chorus::formatParameterDisplay(parameter, a, first);
    chorus::formatParameterDisplay(parameter, b, second);
    return std::strcmp(first, second) == 0;
}

}  // namespace

float portValueFor(int parameter, float value) {
    if (parameter < 0 || parameter >= kControlCount) return 0.0f;
    const ControlPort& port = controlPorts()[parameter];
    // A choice: the setting whose text is the value's, so the port names
    // what the effect would run.
    if (port.scalePointCount > 0) {
        for (int i = 0; i < port.scalePointCount; ++i) {
            const float choice = port.scalePoints[i].value;
            if (sameText(parameter, port.toEffectValue(choice), value)) return choice;
        }
        return port.defaultValue;
    }
    // A float near the formula's port value whose conversion is the value
    // itself, or of those tried the one whose conversion comes nearest.
    float candidate = static_cast<float>(formulaPortValue(parameter, value));
    if (!(candidate >= port.minimum)) candidate = port.minimum;
    if (candidate > port.maximum) candidate = port.maximum;
    float best = candidate;
    double bestDistance = std::fabs(static_cast<double>(port.toEffectValue(candidate)) - value);
    float below = candidate, above = candidate;
    for (int step = 0; step < 8 && bestDistance > 0.0; ++step) {
        below = std::nextafter(below, port.minimum);
        above = std::nextafter(above, port.maximum);
        for (float tried : {below, above}) {
            const double distance = std::fabs(static_cast<double>(port.toEffectValue(tried)) - value);
            if (distance < bestDistance) {
                best = tried;
                bestDistance = distance;
            }
        }
    }
    return best;
}

const ControlPort* controlPorts() {
    static const ControlPort ports[kControlCount] = {
        {chorus::kFilter, "filter", Unit::none, 0.0f, 1.0f, 1.0f, false, 2, {{0.0f, "Low pass"}, {1.0f, "High pass"}},
         filterValue},
        {chorus::kCutoff, "cutoff", Unit::hertz, 80.0f, 16000.0f, 80.0f, true, 0, {}, cutoffValue},
        {chorus::kRate, "rate", Unit::hertz, 0.1f, 4.0f, 0.295f, false, 0, {}, rateValue},
        {chorus::kDepth, "depth", Unit::percent, 0.0f, 100.0f, 15.0f, false, 0, {}, depthValue},
        {chorus::kPredelay, "predelay", Unit::milliseconds, 0.0f, 100.0f, 15.0f, false, 0, {}, predelayValue},
        {chorus::kPhase, "phase", Unit::none, 0.0f, 1.0f, 0.0f, false, 2, {{0.0f, "Normal"}, {1.0f, "Reverse"}},
         phaseValue},
        {chorus::kDry, "dry", Unit::coefficient, 0.0f, 1.0f, 0.5f, false, 0, {}, levelValue},
        {chorus::kWet, "wet", Unit::coefficient, 0.0f, 1.0f, 0.5f, false, 0, {}, levelValue},
        {chorus::kVoices, "voices", Unit::none, 1.0f, 4.0f, 2.0f, false, 3, {{1.0f, "1"}, {2.0f, "2"}, {4.0f, "4"}},
         voicesValue},
    };
    return ports;
}

}  // namespace lv2port
