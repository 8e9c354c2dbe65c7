// An independent, slow model of the chorus effect's parameters and audio
// processing, written from the documented behaviour with the integer
// arithmetic of ExactArithmetic.h instead of the effect's SSE2 building
// blocks, one frame after the other where the effect pipelines.  The tests
// run it beside ChorusEffect (natively) and beside the DLL (under Wine) and
// demand the same bits.
//
// It follows the text literally: per frame the oscillator, base, each
// voice's read position (modDepth × m) + base with m from the voice table,
// the floor with an exact integer, the interpolation, the wet sums, the mix,
// the clip test, the delivery, the filter and the ring write; per block the
// rescaling of the filter state after a coefficient change (at DC, then at
// half the sample rate); at a sample-rate change a silent filter.
#pragma once

#include <cstdint>
#include <vector>

namespace model {

class ReferenceChorus {
public:
    static constexpr int kRingLength = 65536;
    static constexpr int kPrograms = 16;
    static constexpr int kParameters = 9;

    // The state right after construction: program 0 applied at 44100 Hz.
    ReferenceChorus();

    void setParameter(int index, float value);
    float getParameter(int index) const;
    void setProgram(int program);
    void setSampleRate(float rate);

    // One block; accumulate selects process (add) over processReplacing.
    // The buffers may be the same (in-place).
    void process(const float* inL, const float* inR, float* outL, float* outR, int frames, bool accumulate);

    // The processing state, for comparison.
    double oscSin = 0.0;
    double oscCos = 1.0;
    double rotCos = 1.0;
    double rotSin = 0.0;
    std::vector<float> ring;
    int writePos = 0;
    float z1 = 0.0f, z2 = 0.0f;
    float a0 = 1.0f, a1 = 0.0f, a2 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    float previousB1 = 0.0f, previousB2 = 0.0f;  // what the previous block ran with
    int clipFlag = 0;
    float sampleRate = 44100.0f;
    int currentProgram = 0;
    float programs[kPrograms][kParameters];  // by parameter index

private:
    void designFilter();
    void designRotation();
    void resetProcessing();
};

}  // namespace model
