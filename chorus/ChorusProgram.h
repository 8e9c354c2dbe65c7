// One program (preset): a name and the nine parameter values, as plain data.
// The values are set on any thread and read by the audio thread at the start
// of each block, so each is a relaxed atomic; the name is the host's
// business alone.
#pragma once

#include "host/RelaxedAtomic.h"

using ParameterValue = RelaxedAtomic<float>;

struct ChorusProgram {
    char name[32];
    ParameterValue filter;
    ParameterValue cutoff;
    ParameterValue rate;
    ParameterValue depth;
    ParameterValue phase;  // stored before predelay although it is parameter 5
    ParameterValue predelay;
    ParameterValue dry;
    ParameterValue wet;
    ParameterValue voices;
};
