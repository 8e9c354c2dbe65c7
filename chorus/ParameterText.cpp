// Parameter names, labels and value texts.  Conversions run in
// double, where the products of a float with 100 or 15920 are exact, and
// the numbers are formatted by DecimalFormat, not by the C runtime.
#include "chorus/ParameterText.h"

#include <cmath>
#include <cstring>

#include "chorus/ChorusEffect.h"
#include "chorus/DecimalFormat.h"
#include "chorus/FilterDesign.h"
#include "chorus/OscillatorRotation.h"
#include "chorus/ParameterTable.h"
#include "host/NumberToText.h"

namespace chorus {

namespace {

const char* const kFilterTypeNames[2] = {"Low pass", "High pass"};
const char* const kPhaseNames[2] = {"Normal", "Reverse"};

void copyText(char* text, const char* source) { std::strcpy(text, source); }

}  // namespace

// Every value outside the two-entry table (value × 1.99 truncating to 2 or
// more, to -1 or less, or NaN) is processed high-pass, so it reads
// "High pass": the text names the filter that the processing runs.
void formatFilterText(float value, char* text) { copyText(text, kFilterTypeNames[isLowPass(value) ? 0 : 1]); }

void formatCutoffText(float value, char* text) { formatFixed(text, cutoffFrequency(value), 4, 0); }

void formatRateText(float value, char* text) { formatFixed(text, modulationFrequency(value), 3, 1); }

void formatDepthText(float value, char* text) { formatFixed(text, static_cast<double>(value) * 100.0, 3, 1); }

void formatPredelayText(float value, char* text) { formatTruncated(text, static_cast<double>(value) * 100.0 + 0.5); }

void formatPhaseText(float value, char* text) { copyText(text, kPhaseNames[showsPhaseReversed(value) ? 1 : 0]); }

// Below 0.001, 0 and negative values included, the level is "-oo", so the
// logarithm never sees 0; NaN reads "nan".
void formatLevelText(float value, char* text) {
    if (value < 0.001) {
        copyText(text, "-oo");
        return;
    }
    formatFixed(text, 20.0 * std::log10(static_cast<double>(value)), 2, 1);
}

void formatVoicesText(float value, char* text) { formatTruncated(text, voiceCountFor(value)); }

// Values far outside 0 to 1 would give numbers of up to 44 characters,
// more than a host's text buffer may hold: a text longer than the longest
// one that values from 0 to 1 give ("High pass") shows the overflow text
// of the base class's tools instead, so at most ten bytes are written.
void formatParameterDisplay(int index, float value, char* text) {
    const ParameterInfo* info = parameterInfo(index);
    if (!info) {
        text[0] = '\0';
        return;
    }
    char formatted[64];
    info->formatValue(value, formatted);
    std::strcpy(text, std::strlen(formatted) <= kMaxValueTextLength ? formatted : kOverflowText);
}

}  // namespace chorus

// The three text operations of the effect.  A null text pointer is ignored;
// an index outside 0 to 8 gives the empty text.

void ChorusEffect::getParameterName(VstInt32 index, char* text) {
    if (!text) return;
    const chorus::ParameterInfo* info = chorus::parameterInfo(index);
    std::strcpy(text, info ? info->name : "");
}

void ChorusEffect::getParameterLabel(VstInt32 index, char* label) {
    if (!label) return;
    const chorus::ParameterInfo* info = chorus::parameterInfo(index);
    std::strcpy(label, info ? info->label : "");
}

void ChorusEffect::getParameterDisplay(VstInt32 index, char* text) {
    if (!text) return;
    const chorus::ParameterInfo* info = chorus::parameterInfo(index);
    chorus::formatParameterDisplay(index, info ? (programs[curProgram].*(info->field)).load() : 0.0f, text);
}
