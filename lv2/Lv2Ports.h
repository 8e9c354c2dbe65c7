// The LV2 plug-in's ports, and how a control port's value becomes the
// effect's own 0-to-1 parameter value.  Hosts draw generic controls from
// what the plug-in's description says of each port, so the ports speak the
// units a user thinks in: Hz, %, ms, a gain, and named choices.  This table
// is the one home of every port's symbol, range, default and labels; the
// Turtle description is generated from it.
#pragma once

#include <cstdint>

namespace lv2port {

// Port indices: two audio inputs, two audio outputs, the nine parameters in
// the effect's own order, and the clip indicator.
enum PortIndex : std::uint32_t {
    kInputLeft = 0,
    kInputRight = 1,
    kOutputLeft = 2,
    kOutputRight = 3,
    kFirstControl = 4,  // + the effect's parameter index
    kClip = 13,
    kPortCount = 14,
};

// The clip port is 1 for at least this long after a block that clipped:
// the editor's clip indicator shows a clip for one period of this length.
constexpr int kClipHoldMilliseconds = 125;

enum class Unit { none, hertz, percent, milliseconds, coefficient };

struct ScalePoint {
    float value;
    const char* label;  // the effect's own value text for the converted value
};

struct ControlPort {
    int parameter;       // the effect's parameter index
    const char* symbol;  // the port's symbol, for hosts' command lines and presets
    Unit unit;
    float minimum;
    float maximum;
    float defaultValue;  // converts to the effect's default program
    bool logarithmic;    // a hint for the host's slider
    int scalePointCount; // > 0: an enumeration of these values
    ScalePoint scalePoints[3];
    // The effect's 0-to-1 value for a port value.  Every function clamps to
    // the port's range first (NaN to the minimum), so a host that ignores
    // the range cannot push the effect outside what the port offers.
    float (*toEffectValue)(float portValue);
};

constexpr int kControlCount = 9;

// In the effect's parameter order: controlPorts()[i].parameter == i.
const ControlPort* controlPorts();

// The port value a control of the editor writes for the effect's 0-to-1
// `value` of `parameter`: the one whose conversion gives exactly that value
// where the port can hold one (Cutoff, Depth, Predelay, Dry, Wet), else the
// nearest the port allows (Rate in steps of 0.0001 Hz; for Filter, Phase
// and Voices the setting the effect runs for that value).
float portValueFor(int parameter, float value);

// The conversions, one per parameter (see Lv2Ports.cpp for the formulas).
float filterValue(float choice);        // 0 "Low pass", 1 "High pass"
float cutoffValue(float hertz);         // 80 Hz to 16000 Hz
float rateValue(float hertz);           // 0.1 Hz to 4 Hz, in steps of 0.0001 Hz
float depthValue(float percent);        // 0 % to 100 %
float predelayValue(float milliseconds);  // 0 ms to 100 ms
float phaseValue(float choice);         // 0 "Normal", 1 "Reverse"
float levelValue(float gain);           // Dry and Wet: a linear gain from 0 to 1
float voicesValue(float count);         // 1, 2 or 4 voices

}  // namespace lv2port
