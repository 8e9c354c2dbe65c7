// One program (preset): a name and the nine parameter values, as plain data.
#pragma once

struct ChorusProgram {
    char name[32];
    float filter;
    float cutoff;
    float rate;
    float depth;
    float phase;  // stored before predelay although it is parameter 5
    float predelay;
    float dry;
    float wet;
    float voices;
};
