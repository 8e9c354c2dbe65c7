// AudioEffect's number-to-text tools.  Each writes at most eight characters
// and a terminator, so callers' buffers of nine bytes always suffice.
#include "host/AudioEffect.h"
#include "host/NumberToText.h"

#include <cmath>
#include <cstring>

namespace {

constexpr char kMinusInfinityText[] = "   -\xB0   ";  // 0xB0 is the degree sign in code page 1252
constexpr int kMaxChars = 8;

// 10 to the number of fraction digits, which is 1 to 6: the integer part
// takes at least a digit and the point.  Each is exact in a double, as pow
// gives it; the table keeps the Linux plug-ins free of pow, whose current
// symbol version older glibc releases lack.
constexpr double kFractionScale[kMaxChars - 1] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0};

}  // namespace

// Truncated, never rounded, digits: the text shows the float widened exactly
// (0.7 reads 0.699999).  Values whose integer digits would not fit beside
// their sign and point show the overflow text rather than losing their
// leading digit.
void AudioEffect::float2string(float value, char* text) {
    double v = value;
    bool negative = false;
    int n = 0;
    if (v < 0.0) {
        negative = true;
        n = 1;
        v = -v;
    }
    // With the sign, six integer digits fit; without it, seven.
    const double limit = negative ? 999999.0 : 9999999.0;
    if (!(std::floor(v) <= limit)) {  // also catches infinities and NaN
        std::memcpy(text, kOverflowText, sizeof kOverflowText);
        return;
    }

    char work[32];
    char* p = work + sizeof work;
    *--p = '\0';
    *--p = '.';
    ++n;

    double integer = std::floor(v);
    *--p = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10.0)));
    integer *= 0.1;
    ++n;
    while (integer >= 1.0 && n < kMaxChars) {
        *--p = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10.0)));
        integer *= 0.1;
        ++n;
    }
    if (negative) *--p = '-';
    std::strcpy(text, p);
    if (n >= kMaxChars) return;

    const int fractionDigits = kMaxChars - n;
    double f = std::fmod(v, 1.0) * kFractionScale[fractionDigits];
    char* end = work + sizeof work;
    p = end;
    *--p = '\0';
    for (int i = 0; i < fractionDigits; ++i) {
        char digit = '0';
        if (f > 0.0) {
            digit = static_cast<char>('0' + static_cast<int>(std::fmod(f, 10.0)));
            f *= 0.1;
        }
        *--p = digit;
    }
    std::strcat(text, p);
}

// Right-aligned in seven columns.  Numbers that need more than eight
// characters show the overflow text instead of being cut.
void AudioEffect::long2string(VstInt32 value, char* text) {
    if (value >= 100000000 || value < -9999999) {
        std::memcpy(text, kOverflowText, sizeof kOverflowText);
        return;
    }
    char digits[12];
    char* p = digits + sizeof digits;
    *--p = '\0';
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--p = '-';
    const std::size_t length = std::strlen(p);
    const std::size_t padding = length < 7 ? 7 - length : 0;
    std::memset(text, ' ', padding);
    std::memcpy(text + padding, p, length + 1);
}

void AudioEffect::dB2string(float value, char* text) {
    if (value <= 0.0f) {
        std::memcpy(text, kMinusInfinityText, sizeof kMinusInfinityText);
        return;
    }
    float2string(static_cast<float>(20.0L * std::log10(static_cast<long double>(value))), text);
}

void AudioEffect::Hz2string(float samples, char* text) {
    const float rate = getSampleRate();
    if (samples == 0.0f) {
        float2string(0.0f, text);
        return;
    }
    float2string(static_cast<float>(static_cast<double>(rate) / static_cast<double>(samples)), text);
}

void AudioEffect::ms2string(float samples, char* text) {
    const double millisecondsPerSample = 1000.0 / static_cast<double>(getSampleRate());
    float2string(static_cast<float>(static_cast<double>(samples) * millisecondsPerSample), text);
}
