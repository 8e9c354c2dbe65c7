// What a user types into a host's field for a parameter, back to its 0-to-1
// value: the inverse of the effect's value texts, in their units ("8040",
// "-6.0" for dB, "High pass", "4").  A host shows the result with the
// effect's own text again, so it need only land where that text does.
#pragma once

namespace vst3 {

// False for a text that names no value of the parameter; the value is
// taken to 0 to 1 otherwise.
bool parseValueText(int parameter, const char* text, double& normalized);

}  // namespace vst3
