#include "tools/benchmark/RecurrenceFloor.h"

#include <cstdint>

#include "chorus/FilterDesign.h"
#include "chorus/OscillatorRotation.h"
#include "chorus/ModulationOscillator.h"
#include "chorus/WetFilter.h"
#include "host/FloatingPointControl.h"

namespace bench {

// The default program: high-pass at 80 Hz, Rate 0.05.
RecurrenceFloor::RecurrenceFloor() {
    const chorus::FilterCoefficients c = chorus::designFilter(false, 0.0f, static_cast<float>(kSampleRate));
    a0 = c.a0;
    a1 = c.a1;
    a2 = c.a2;
    b1 = c.b1;
    b2 = c.b2;
    const chorus::OscillatorRotation r = chorus::oscillatorRotation(0.05f, static_cast<float>(kSampleRate));
    rotCos = r.cosine;
    rotSin = r.sine;
}

void RecurrenceFloor::process(float** inputs, float** outputs, int frames) {
    const std::uint32_t hostMxcsr = fpu::enterBlockMxcsr();
    const chorus::WetFilterCoefficients coefficients = {a0, a1, a2, b1, b2};
    chorus::ModulationOscillator osc(oscSin, oscCos, rotCos, rotSin);
    double s1 = z1, s2 = z2;
    const float* const inL = inputs[0];
    const float* const inR = inputs[1];
    float* const outL = outputs[0];
    float* const outR = outputs[1];
    for (int k = 0; k < frames; ++k) {
        outL[k] = chorus::filterFrame(inL[k], inR[k], coefficients, s1, s2);
        osc.advance();
        outR[k] = blockmath::toFloat(osc.sin());
    }
    z1 = s1;
    z2 = s2;
    oscSin = osc.sin();
    oscCos = osc.cos();
    fpu::restoreMxcsr(hostMxcsr);
}

}  // namespace bench
