// The parameters' value texts, one conversion per parameter; the parameter
// table (ParameterTable.h) names which one belongs to which index.  Each
// writes a NUL-terminated text.  For values from 0 to 1 the longest is
// "High pass" (ten bytes with the terminator); values far outside that
// range give longer numbers (up to 44 characters for the largest floats),
// exactly as the printf conversions they follow would, so callers format
// into a buffer of 64 bytes.
#pragma once

#include <cstddef>

namespace chorus {

// The longest value text handed to a host: "High pass".
constexpr std::size_t kMaxValueTextLength = 9;

void formatFilterText(float value, char* text);    // "Low pass" / "High pass"
void formatCutoffText(float value, char* text);    // "%4.0f" of 15920 v + 80
void formatRateText(float value, char* text);      // "%3.1f" of 3.9 v + 0.1
void formatDepthText(float value, char* text);     // "%3.1f" of v × 100
void formatPredelayText(float value, char* text);  // "%d" of v × 100 + 0.5 truncated
void formatPhaseText(float value, char* text);     // "Normal" / "Reverse"
void formatLevelText(float value, char* text);     // "-oo" or "%2.1f" of 20 log10 v
void formatVoicesText(float value, char* text);    // "1", "2" or "4"

// The value text a host is shown for parameter `index` at `value`: at most
// kMaxValueTextLength characters and the terminator, the overflow text for
// a longer one, the empty text for an index outside 0 to 8.
void formatParameterDisplay(int index, float value, char* text);

}  // namespace chorus
