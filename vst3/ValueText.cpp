#include "vst3/ValueText.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "chorus/ParameterIndex.h"

namespace vst3 {

namespace {

bool startsWithWord(const char* text, const char* word) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    for (; *word; ++word, ++text)
        if (std::tolower(static_cast<unsigned char>(*text)) != *word) return false;
    return true;
}

// A number, optionally followed by its unit.
bool number(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && std::isfinite(value);
}

}  // namespace

bool parseValueText(int parameter, const char* text, double& normalized) {
    double value = 0.0;
    switch (parameter) {
    case chorus::kFilter:
        if (startsWithWord(text, "low")) value = 0.0;
        else if (startsWithWord(text, "high")) value = 1.0;
        else return false;
        break;
    case chorus::kPhase:
        if (startsWithWord(text, "normal")) value = 0.0;
        else if (startsWithWord(text, "reverse")) value = 1.0;
        else return false;
        break;
    case chorus::kCutoff:  // Hz
        if (!number(text, value)) return false;
        value = (value - 80.0) / 15920.0;
        break;
    case chorus::kRate:  // Hz
        if (!number(text, value)) return false;
        value = (value - 0.1) / 3.9;
        break;
    case chorus::kDepth:     // %
    case chorus::kPredelay:  // ms
        if (!number(text, value)) return false;
        value /= 100.0;
        break;
    case chorus::kDry:  // dB
    case chorus::kWet:
        if (startsWithWord(text, "-oo") || startsWithWord(text, "-inf")) value = 0.0;
        // In long double: rounded to double it is as close as pow's, and
        // keeps the Linux module off pow's newer symbol version, which
        // older glibc releases lack.
        else if (number(text, value)) value = static_cast<double>(std::pow(10.0L, static_cast<long double>(value) / 20.0L));
        else return false;
        break;
    case chorus::kVoices:  // 1, 2 or 4
        if (!number(text, value)) return false;
        value = value < 1.5 ? 0.0 : value < 3.0 ? 0.5 : 1.0;
        break;
    default:
        return false;
    }
    normalized = value < 0.0 ? 0.0 : value > 1.0 ? 1.0 : value;
    return true;
}

}  // namespace vst3
