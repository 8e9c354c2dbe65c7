// The parameters' values as hosts show them and as users type them, the
// same in every format and in every locale: the effect's own value texts
// ("Low pass", "9127", "-6.0"), with their unit where a format shows no
// unit of its own ("9127 Hz", "-6.0 dB"), and typed texts read back by a
// parser of our own that takes a decimal point or a decimal comma, whatever
// the process's locale says (hosts built on some toolkits set it to the
// user's).  Call in the platform's default floating-point environment.
#pragma once

namespace bridge {

// A value text fits this many bytes, with its unit and the terminator.
constexpr int kValueTextCapacity = 24;

// The effect's unit labels, "Hz", "%", "ms", "dB", or "" for the
// parameters whose texts name their values (Filter, Phase, Voices); "" for
// an index outside 0 to 8.
const char* unitOf(int index);

// The effect's text for `value` of parameter `index`, as its VST 2 plug-in
// shows it: at most nine characters; the empty text for an index outside
// 0 to 8.
void formatValue(int index, float value, char (&text)[kValueTextCapacity]);
// The same followed by a space and the unit, where the parameter has one.
void formatValueWithUnit(int index, float value, char (&text)[kValueTextCapacity]);

// A typed text back to the 0-to-1 value whose text it is, the inverse of
// the texts above: a number in the parameter's unit, which may follow it
// ("1672", "1672 Hz", "-6,5 dB", "4"), the names of Filter and Phase in
// any case ("high pass", "Reverse"), "-oo" or "-inf" for no level.  The
// result is taken to 0 to 1; false for a text that names no value.
bool parseValueText(int index, const char* text, double& normalized);

// A bypass's texts, for a format that has one: "On", "Off", and back in
// any case; false for another text.
const char* bypassText(bool on);
bool parseBypassText(const char* text, bool& on);

// The decimal number at the start of `text`, after blanks: a sign, digits
// with a decimal point or comma, an exponent; `end` is set past it.  The
// result is the nearest double where the digits and the exponent are few
// (up to 15 significant digits and a power of ten up to 22, which covers
// what anyone types), and within a few units of the last place otherwise.
// False when no digit comes, or the number is not finite.
bool parseDecimal(const char* text, double& value, const char*& end);

}  // namespace bridge
