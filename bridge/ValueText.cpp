#include "bridge/ValueText.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "chorus/ParameterIndex.h"
#include "chorus/ParameterTable.h"
#include "chorus/ParameterText.h"

namespace bridge {

namespace {

// 10^0 to 10^22, each exact in a double.
constexpr double kPowersOfTen[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                     1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// ASCII only: the C library's classes follow the locale.
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// `word` in lower case, after blanks, in any case.
const char* afterWord(const char* text, const char* word) {
    while (isBlank(*text)) ++text;
    for (; *word; ++word, ++text)
        if (lower(*text) != *word) return nullptr;
    return text;
}

bool startsWithWord(const char* text, const char* word) { return afterWord(text, word) != nullptr; }

bool isWholeWord(const char* text, const char* word) {
    const char* end = afterWord(text, word);
    if (!end) return false;
    while (isBlank(*end)) ++end;
    return *end == '\0';
}

// value × 10^exponent, correctly rounded where both are exact doubles.
double scale(double value, int exponent) {
    for (; exponent > 22; exponent -= 22) value *= kPowersOfTen[22];
    for (; exponent < -22; exponent += 22) value /= kPowersOfTen[22];
    return exponent >= 0 ? value * kPowersOfTen[exponent] : value / kPowersOfTen[-exponent];
}

bool number(const char* text, double& value) {
    const char* end = nullptr;
    return parseDecimal(text, value, end);
}

}  // namespace

// The effect's own labels, but for "Type": Filter's and Phase's texts are
// the names of their settings, which the label only classifies.
const char* unitOf(int index) {
    const chorus::ParameterInfo* info = chorus::parameterInfo(index);
    return !info || std::strcmp(info->label, "Type") == 0 ? "" : info->label;
}

void formatValue(int index, float value, char (&text)[kValueTextCapacity]) {
    chorus::formatParameterDisplay(index, value, text);
}

void formatValueWithUnit(int index, float value, char (&text)[kValueTextCapacity]) {
    formatValue(index, value, text);
    const char* unit = unitOf(index);
    if (*unit == '\0') return;
    const std::size_t length = std::strlen(text);
    text[length] = ' ';
    std::strcpy(text + length + 1, unit);
}

const char* bypassText(bool on) { return on ? "On" : "Off"; }

bool parseBypassText(const char* text, bool& on) {
    if (!text) return false;
    const bool isOn = isWholeWord(text, "on");
    if (!isOn && !isWholeWord(text, "off")) return false;
    on = isOn;
    return true;
}

// Up to 19 significant digits are kept in an integer; further ones only
// move the decimal exponent.
bool parseDecimal(const char* text, double& value, const char*& end) {
    const char* at = text;
    while (isBlank(*at)) ++at;
    const bool negative = *at == '-';
    if (*at == '-' || *at == '+') ++at;
    std::uint64_t digits = 0;
    int significant = 0;
    int exponent = 0;
    bool anyDigit = false;
    auto take = [&](char c, bool fraction) {
        anyDigit = true;
        if (significant < 19) {
            digits = digits * 10 + static_cast<unsigned>(c - '0');
            if (digits != 0) ++significant;
            if (fraction) --exponent;
        } else if (!fraction) {
            ++exponent;
        }
    };
    for (; isDigit(*at); ++at) take(*at, false);
    if (*at == '.' || *at == ',') {
        const char* fraction = at + 1;
        if (anyDigit || isDigit(*fraction)) {
            for (at = fraction; isDigit(*at); ++at) take(*at, true);
        }
    }
    if (!anyDigit) return false;
    if (*at == 'e' || *at == 'E') {
        const char* e = at + 1;
        const bool negativeExponent = *e == '-';
        if (*e == '-' || *e == '+') ++e;
        if (isDigit(*e)) {
            int power = 0;
            for (; isDigit(*e); ++e)
                if (power < 10000) power = power * 10 + (*e - '0');
            exponent += negativeExponent ? -power : power;
            at = e;
        }
    }
    // Exact below 2^53, and one operation with an exact power of ten then
    // rounds correctly.
    double result = 0.0;
    if (digits != 0) {
        if (digits < (std::uint64_t{1} << 53) && exponent >= -22 && exponent <= 22) {
            result = scale(static_cast<double>(digits), exponent);
        } else {
            const double high = static_cast<double>(digits / 1000000000u);
            const double low = static_cast<double>(digits % 1000000000u);
            result = scale(high * 1e9 + low, exponent);
        }
    }
    if (!std::isfinite(result)) return false;
    value = negative ? -result : result;
    end = at;
    return true;
}

bool parseValueText(int index, const char* text, double& normalized) {
    if (!text) return false;
    double value = 0.0;
    switch (index) {
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
        // keeps the Linux modules off pow's newer symbol version, which
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

}  // namespace bridge
