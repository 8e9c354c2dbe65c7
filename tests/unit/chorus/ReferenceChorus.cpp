#include "tests/unit/chorus/ReferenceChorus.h"

#include <cmath>
#include <cstring>

#include "chorus/FilterDesign.h"
#include "chorus/OscillatorRotation.h"
#include "tests/unit/chorus/ExactArithmetic.h"

namespace model {

namespace {

enum { filterIndex, cutoffIndex, rateIndex, depthIndex, predelayIndex, phaseIndex, dryIndex, wetIndex, voicesIndex };

const float kDefaults[ReferenceChorus::kParameters] = {1.0f, 0.0f, 0.05f, 0.15f, 0.15f, 0.0f, 0.5f, 0.5f, 0.5f};

Exact F(float v) { return Exact::fromFloat(v); }
Exact D(double v) { return Exact::fromDouble(v); }
Exact I(std::int64_t v) { return Exact::fromInteger(v); }

bool finite(float v) { return std::isfinite(v); }

// The filter type: value × 1.99 (single-precision 1.99, double product),
// truncated toward zero; 0 is low-pass.  |t| < 1 is exactly "truncates to
// 0", NaN is not low-pass.
bool lowPass(float value) {
    const double t = static_cast<double>(value) * static_cast<double>(1.99f);
    return std::fabs(t) < 1.0;
}

// Linear interpolation at a read position, with the
// floor as an exact integer.
Exact readVoice(const std::vector<float>& ring, const Exact& position) {
    const Floor floor = floorOf(position);
    const Exact f = subtract(position, floor.whole);
    const Exact d0 = F(ring[floor.low16]);
    const Exact d1 = F(ring[(floor.low16 + 1) & 0xFFFF]);
    return add(multiply(subtract(d1, d0), f), d0);
}

}  // namespace

ReferenceChorus::ReferenceChorus() : ring(kRingLength, 0.0f) {
    for (auto& program : programs)
        for (int i = 0; i < kParameters; ++i) program[i] = kDefaults[i];
    designRotation();
    setProgram(0);
    previousB1 = b1;
    previousB2 = b2;
}

void ReferenceChorus::setParameter(int index, float value) {
    if (index < 0 || index >= kParameters) return;
    programs[currentProgram][index] = value;
    if (index == filterIndex || index == cutoffIndex) designFilter();
    if (index == rateIndex) designRotation();
}

float ReferenceChorus::getParameter(int index) const {
    return index >= 0 && index < kParameters ? programs[currentProgram][index] : 0.0f;
}

void ReferenceChorus::setProgram(int program) {
    currentProgram = program;
    for (int index : {filterIndex, cutoffIndex, rateIndex, depthIndex, phaseIndex})
        setParameter(index, programs[program][index]);
    resetProcessing();
}

// A new rate also starts the wet filter from silence.
void ReferenceChorus::setSampleRate(float rate) {
    if (!(rate > 0.0f) || !std::isfinite(rate)) return;  // a broken rate keeps the previous one
    sampleRate = rate;
    z1 = z2 = 0.0f;
    setProgram(currentProgram);
}

void ReferenceChorus::resetProcessing() {
    std::fill(ring.begin(), ring.end(), 0.0f);
    oscSin = 0.0;
    oscCos = 1.0;
    writePos = 0;
}

// What Filter, Cutoff and Rate derive comes from the effect's own design
// functions, which their own tests check against closed forms; the model is
// the judge of the processing, not of the design.
void ReferenceChorus::designFilter() {
    const float* p = programs[currentProgram];
    const chorus::FilterCoefficients c = chorus::designFilter(lowPass(p[filterIndex]), p[cutoffIndex], sampleRate);
    a0 = c.a0;
    a1 = c.a1;
    a2 = c.a2;
    b1 = c.b1;
    b2 = c.b2;
}

void ReferenceChorus::designRotation() {
    const chorus::OscillatorRotation r = chorus::oscillatorRotation(programs[currentProgram][rateIndex], sampleRate);
    rotCos = r.cosine;
    rotSin = r.sine;
}

void ReferenceChorus::process(const float* inL, const float* inR, float* outL, float* outR, int frames,
                              bool accumulate) {
    if (frames <= 0) return;  // an empty block touches nothing

    // Recovery from non-finite state of an earlier block.
    if (!finite(z1) || !finite(z2)) {
        z1 = z2 = 0.0f;
        for (float& sample : ring)
            if (!finite(sample)) sample = 0.0f;
    }
    if (!std::isfinite(oscSin) || !std::isfinite(oscCos)) {
        oscSin = 0.0;
        oscCos = 1.0;
    }

    // The filter state follows a change of the feedback coefficients since
    // the previous block, when the change raises the recursive part's gain
    // at DC, p = (1 + b1) + b2, and then when it raises its gain at half the
    // sample rate, q = (1 − b1) + b2; the second scales only the state's
    // alternating half, (z1 − z2)/2.
    if (b1 != previousB1 || b2 != previousB2) {
        const Exact pOld = add(add(I(1), F(previousB1)), F(previousB2));
        const Exact pNew = add(add(I(1), F(b1)), F(b2));
        if (I(0) < pOld && pOld < pNew) {
            const Exact r = divide(pOld, pNew);
            z1 = multiply(F(z1), r).toFloat();
            z2 = multiply(F(z2), r).toFloat();
        }
        const Exact qOld = add(subtract(I(1), F(previousB1)), F(previousB2));
        const Exact qNew = add(subtract(I(1), F(b1)), F(b2));
        if (I(0) < qOld && qOld < qNew) {
            const Exact r = divide(qOld, qNew);
            const Exact half = D(0.5);
            const Exact sum = multiply(add(F(z1), F(z2)), half);
            const Exact difference = multiply(multiply(subtract(F(z1), F(z2)), half), r);
            z1 = add(sum, difference).toFloat();
            z2 = subtract(sum, difference).toFloat();
        }
        previousB1 = b1;
        previousB2 = b2;
    }

    // Start of the block.
    const float* p = programs[currentProgram];
    const float voices = p[voicesIndex];
    const int voiceCount = voices < 0.33333 ? 1 : voices < 0.66666 ? 2 : 4;
    const Exact fs = F(sampleRate);
    const Exact modDepth = multiply(divide(D(0.015), add(multiply(D(3.9), F(p[rateIndex])), D(0.1))),
                                    multiply(F(p[depthIndex]), fs));
    const Exact centerDelay =
        add(add(multiply(multiply(fs, F(p[predelayIndex])), F(0.1f)), I(10)), modDepth);
    const Exact dryGain = F(p[dryIndex]);
    const Exact wetGain = p[phaseIndex] < 0.5 ? F(p[wetIndex]) : -F(p[wetIndex]);
    const Exact one = I(1);

    for (int k = 0; k < frames; ++k) {
        const Exact left = F(inL[k]);
        const Exact right = F(inR[k]);

        // 1. The oscillator, from the values before the step, renormalised
        //    by g, stored as doubles.
        const Exact s = D(oscSin), c = D(oscCos), rc = D(rotCos), rs = D(rotSin);
        const Exact g = subtract(D(1.5), multiply(D(0.5), add(multiply(s, s), multiply(c, c))));
        oscSin = multiply(subtract(multiply(rc, s), multiply(rs, c)), g).toDouble();
        oscCos = multiply(add(multiply(rs, s), multiply(c, rc)), g).toDouble();

        // 2. and 3. Base and read positions, (modDepth × m) + base.
        const Exact base = subtract(I(writePos), centerDelay);
        const Exact m1 = D(oscSin), m2 = D(oscCos);
        Exact wetL, wetR;
        if (voiceCount == 1) {
            const Exact r1 = readVoice(ring, add(multiply(modDepth, m1), base));
            wetL = r1;
            wetR = r1;
        } else if (voiceCount == 2) {
            wetL = readVoice(ring, add(multiply(modDepth, m1), base));
            wetR = readVoice(ring, add(multiply(modDepth, m2), base));
        } else {
            const Exact r1 = readVoice(ring, add(multiply(modDepth, m1), base));
            const Exact r2 = readVoice(ring, add(multiply(modDepth, m2), base));
            const Exact r3 = readVoice(ring, add(multiply(modDepth, -m1), base));
            const Exact r4 = readVoice(ring, add(multiply(modDepth, -m2), base));
            const Exact quarter = D(0.25), threeQuarters = D(0.75);
            wetL = add(r1, add(multiply(quarter, r3), multiply(threeQuarters, r2)));
            wetR = add(add(multiply(threeQuarters, r3), multiply(quarter, r2)), r4);
        }

        // 6. and 7. Mix and clip test.
        const Exact mixL = add(multiply(left, dryGain), multiply(wetL, wetGain));
        const Exact mixR = add(multiply(right, dryGain), multiply(wetR, wetGain));
        if (!(mixL <= one)) clipFlag = 1;
        if (!(mixR <= one)) clipFlag = 1;

        // 8. Delivery, left first.
        if (accumulate) {
            outL[k] = add(F(outL[k]), mixL).toFloat();
            outR[k] = add(F(outR[k]), mixR).toFloat();
        } else {
            outL[k] = mixL.toFloat();
            outR[k] = mixR.toFloat();
        }

        // 9. The filter, on the inputs as read before the delivery.
        const Exact x = multiply(add(left, right), F(0.5f));
        const Exact state1 = F(z1), state2 = F(z2);
        const Exact w = subtract(subtract(x, multiply(state1, F(b1))), multiply(state2, F(b2)));
        const Exact y = add(add(multiply(state1, F(a1)), multiply(state2, F(a2))), multiply(w, F(a0)));
        z2 = z1;
        z1 = w.toFloat();

        // 10. The ring write.
        ring[writePos] = y.toFloat();
        writePos = (writePos + 1) & 0xFFFF;
    }
}

}  // namespace model
