// The audio buffers a host hands to an effect for one block: one for every
// input and output the effect has, at least two of each.  The file's
// channels go to the first two inputs, silence to any others; outputs
// beyond two are dropped.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "host/AEffect.h"

class EffectBuffers {
public:
    EffectBuffers(const AEffect& effect, std::size_t blockFrames)
        : inputs(std::max<VstInt32>(effect.numInputs, 2), std::vector<float>(blockFrames)),
          outputs(std::max<VstInt32>(effect.numOutputs, 2), std::vector<float>(blockFrames)) {
        for (auto& buffer : inputs) inputPointers.push_back(buffer.data());
        for (auto& buffer : outputs) outputPointers.push_back(buffer.data());
    }

    float** inputChannels() { return inputPointers.data(); }
    float** outputChannels() { return outputPointers.data(); }
    const float* output(unsigned channel) const { return outputs[channel].data(); }

    // process() adds to the outputs, so they start silent in both modes.
    void silenceOutputs() {
        for (auto& buffer : outputs) std::fill(buffer.begin(), buffer.end(), 0.0f);
    }

private:
    std::vector<std::vector<float>> inputs;
    std::vector<std::vector<float>> outputs;
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
};
