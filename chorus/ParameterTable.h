// The one table of the nine parameters: index, program field, name, unit
// label, what a change derives at once, and the value-text conversion.
// setParameter, getParameter, the parameter texts and the editor all read
// it instead of repeating switches over the index.
#pragma once

#include "chorus/ChorusProgram.h"
#include "chorus/ParameterIndex.h"
#include "host/AEffect.h"

namespace chorus {


// What setParameter derives at once from a new value.
enum class Derives {
    nothing,
    filterCoefficients,  // Filter and Cutoff: the five coefficients
    oscillatorRotation,  // Rate: rotCos and rotSin
};

struct ParameterInfo {
    const char* name;
    const char* label;
    ParameterValue ChorusProgram::*field;
    Derives derives;
    // Writes the value text of a stored value.
    void (*formatValue)(float value, char* text);
};

// Null for an index outside 0 to 8.
const ParameterInfo* parameterInfo(VstInt32 index);

// value × 1.99f, the product formed in double precision: the index into the
// two-entry type tables of Filter and Phase once truncated toward zero.
inline double typeProduct(float value) { return static_cast<double>(value) * static_cast<double>(1.99f); }

// The decisions that the processing and the texts share, so that a text
// always names what the processing does with the same value.  Inline: the
// processing calls no function while a block runs.

// Low-pass exactly when value × 1.99f truncates to 0, that is when it lies
// strictly between -1 and 1 (no float-to-int conversion, which would be
// undefined for huge values); NaN counts as high-pass.
inline bool isLowPass(float filter) {
    const double type = typeProduct(filter);
    return type > -1.0 && type < 1.0;
}

// The processing reverses the wet signal unless the value is below 0.5
// (NaN therefore reverses).
inline bool isPhaseReversed(float phase) { return !(phase < 0.5); }

// What the Phase text and the editor's buttons show: the entry of the
// two-entry table at value × 1.99f truncated toward zero, and outside the
// table what the processing applies.  So 0.5 up to 1/1.99 shows "Normal"
// although the processing reverses it: the table's split is at 1/1.99.
inline bool showsPhaseReversed(float phase) {
    const double type = typeProduct(phase);
    if (type > -1.0 && type < 1.0) return false;
    if (type >= 1.0 && type < 2.0) return true;
    return isPhaseReversed(phase);
}

// 1 below 0.33333, 2 below 0.66666, otherwise 4 (NaN included).  The
// thresholds are those decimal numbers as doubles, not thirds.
inline int voiceCountFor(float voices) {
    if (voices < 0.33333) return 1;
    if (voices < 0.66666) return 2;
    return 4;
}

}  // namespace chorus
