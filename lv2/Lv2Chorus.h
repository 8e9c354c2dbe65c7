// One instance of the LV2 plug-in: the chorus effect with the host's port
// buffers.  Controls reach the effect through its own setParameter, before
// the block that follows their change and only when their value changed;
// the audio goes through the effect's own processing.  Real-time safe: run
// allocates nothing, takes no lock and does no I/O.
#pragma once

#include <cstdint>

#include "chorus/ChorusEffect.h"
#include "lv2/Lv2Ports.h"

class Lv2Chorus {
public:
    explicit Lv2Chorus(double sampleRate);

    // False when the effect could not get its delay line.
    bool isUsable() const { return effect.isUsable(); }

    void connectPort(std::uint32_t port, void* data);
    // The state a new run starts from: a silent delay line and the
    // oscillator at its start, the controls as they are.
    void activate();
    void run(std::uint32_t frames);

    ChorusEffect& chorus() { return effect; }

private:
    void applyControls();

    ChorusEffect effect;
    const float* audioIn[2] = {nullptr, nullptr};
    float* audioOut[2] = {nullptr, nullptr};
    const float* controls[lv2port::kControlCount] = {};
    float* clip = nullptr;
    // The clip port stays 1 for this many frames after a block that
    // clipped, the editor's clip period: hosts read output ports only now
    // and then, and would miss a one-block pulse.
    std::uint32_t clipHoldLength;
    std::uint32_t clipHeldFor = 0;
    // What each control port held when it was last applied, bit for bit.
    std::uint32_t appliedPortBits[lv2port::kControlCount];
};
