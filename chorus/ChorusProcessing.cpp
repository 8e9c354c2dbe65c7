// The audio processing: process and processReplacing, with one
// frame loop per voice count, side by side below.
//
// Arithmetic.  Every operation is written in `long double` (x87) with its
// operands widened exactly from their float or double storage.  Under the
// control word of fpu::enterBlockArithmetic (24-bit precision, rounding
// toward zero) each +, −, ×, ÷ then rounds its exact result to a 24-bit
// significand toward zero, in the 64-bit native build and in the 32-bit
// DLL alike.  Intermediates keep the x87's wide exponent, so they never
// become denormal or overflow; only the stores (oscillator to double, filter
// state, ring and outputs to float) narrow the range.  Double constants are
// the double values (static_cast<x87>(0.015), never 0.015L).
//
// The float stores are written in assembly (storeFloat): GCC folds
// (float)((long double)a op (long double)b) into one SSE operation that
// rounds to nearest, which would silently break the arithmetic.
//
// Loop-carried state (oscillator, filter state, write position) and the
// coefficients live in locals for the block and are written back at its
// end, so a change of Rate, Filter or Cutoff that another thread makes
// during a block takes effect from the next block rather than the next
// frame.  A program or sample-rate change on another thread during the
// block is seen through resetCount, and the block then leaves the reset
// oscillator and write position alone.
//
// tests/unit/chorus/check-frame-loops.sh inspects the compiled loops: no
// function call (floor, lrint, ...), no control-word switch.
#include <cstdint>
#include <cstring>

#include "chorus/ChorusEffect.h"
#include "chorus/ParameterTable.h"
#include "chorus/SweepValues.h"
#include "host/FloatingPointControl.h"

namespace {

using x87 = long double;

constexpr std::uint32_t kRingMask = ChorusEffect::kDelayLineLength - 1;

// A real float store under the block's rounding: toward zero, denormal
// below FLT_MIN, saturating at FLT_MAX.
inline void storeFloat(float& slot, x87 value) { __asm__("fstps %0" : "=m"(slot) : "t"(value) : "st"); }

// Nothing crosses this point in either direction: memory accesses stay on
// their side, and with them every computation that starts from memory and
// ends in it.  Without it the compiler may move register arithmetic across
// the control-word switches of fpu::enterBlockArithmetic and
// leaveBlockArithmetic, which it does not see as related to floating point.
inline void controlWordFence() { __asm__ __volatile__("" ::: "memory"); }

inline bool isFinite(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x7F800000u) != 0x7F800000u;
}

inline bool isFinite(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x7FF0000000000000u) != 0x7FF0000000000000u;
}

// Values fixed for the whole block, read at its start, and the
// coefficients, which are therefore also taken once per block.  modDepth
// and centerDelay come exactly as doubles (SweepValues.h).
struct BlockValues {
    double modDepth;     // amplitude of the delay sweep, frames
    double centerDelay;  // centre of the sweep, frames
    double rotCos;
    double rotSin;
    float dryGain;
    float wetGain;  // negative for reversed phase
    float a0, a1, a2, b1, b2;
};

// The state that runs from frame to frame.
struct CarriedState {
    // The oscillator's values are x87 results with 24-bit significands and
    // magnitudes far inside double's range: holding them in x87 registers
    // is exactly the specified store to double after every frame.
    x87 oscSin;
    x87 oscCos;
    float z1;
    float z2;
    std::uint32_t writePos;
    bool clipped;
};

// The x87 has eight registers.  The oscillator stays in two of them for the
// whole segment; every per-block value is read from memory by the
// instruction that uses it (fmuls/fmull), which costs nothing extra, rather
// than being hoisted as an 80-bit copy that the compiler must spill and
// reload.  This empty statement, at the top of each frame, tells the
// compiler that the values may have changed, so it keeps them in memory.
template <typename T>
inline void readFromMemoryEachFrame(T& values) {
    __asm__ __volatile__("" : "+m"(values));
}

// Step 1: rotate the oscillator; both products use the values before the
// step.
inline void advanceOscillator(x87& oscSin, x87& oscCos, const BlockValues& v) {
    const x87 s = (v.rotCos * oscSin) - (v.rotSin * oscCos);
    const x87 c = (v.rotSin * oscSin) + (oscCos * v.rotCos);
    oscSin = s;
    oscCos = c;
}

// Step 2: base = writePos − centerDelay.
inline x87 basePosition(std::uint32_t writePos, const BlockValues& v) {
    return static_cast<x87>(static_cast<std::int32_t>(writePos)) - v.centerDelay;
}

// Step 4: linear interpolation at a read position.  The floor is a
// truncation under the block's rounding toward zero (no library call, no
// control-word switch; out-of-range positions and NaN give INT32_MIN and
// stay in the ring), moved down by one for negative non-integers.  A
// position below its truncation is no integer, so |whole| < 2^23 and
// whole − 1 is exact; pos − whole is then the exact fraction f.  Positions
// beyond ±2^31 come only from huge parameter values: the fraction is then
// not that of an exact floor and the block's output is spoiled, but the
// read stays in the ring.
inline x87 readVoice(const float* ring, x87 pos) {
    // The fistp of fpu::truncateInBlock, followed by a fild from the same
    // slot: the truncation as an integer (for the index) and as a floating
    // value (for the fraction) without moving it through another register.
    std::int32_t truncated;
    x87 whole;
    __asm__("fistpl %0" : "=m"(truncated) : "t"(pos) : "st");
    __asm__("fildl %1" : "=t"(whole) : "m"(truncated));
    std::uint32_t i = static_cast<std::uint32_t>(truncated);
    if (pos < whole) {
        whole -= 1;
        i -= 1;
    }
    const x87 f = pos - whole;
    const x87 d0 = ring[i & kRingMask];
    const x87 d1 = ring[(i + 1) & kRingMask];
    return ((d1 - d0) * f) + d0;
}

// Steps 6 to 8: mix, detect clipping, deliver.  The test is on the mixed
// values before any store; process adds them to the buffers' earlier
// content, the right buffer read after the left store (a host may pass one
// buffer twice).
template <bool Accumulate>
inline void deliver(float* outL, float* outR, std::int32_t k, float inL, float inR, x87 wetL, x87 wetR,
                    const BlockValues& v, bool& clipped) {
    const x87 left = (static_cast<x87>(inL) * v.dryGain) + (wetL * v.wetGain);
    const x87 right = (static_cast<x87>(inR) * v.dryGain) + (wetR * v.wetGain);
    clipped |= !(left <= 1.0L);
    clipped |= !(right <= 1.0L);
    if (Accumulate) {
        storeFloat(outL[k], static_cast<x87>(outL[k]) + left);
        storeFloat(outR[k], static_cast<x87>(outR[k]) + right);
    } else {
        storeFloat(outL[k], left);
        storeFloat(outR[k], right);
    }
}

// Step 9: filter the mono mix of the frame's inputs.  The direct form with
// two state values, in exactly this order:
//   w = (x − z1·b1) − z2·b2;  y = (z1·a1 + z2·a2) + w·a0;  z2 ← z1;  z1 ← w.
// It needs only the inputs and its own state, so the loops run it first and
// keep y as the float that step 10 writes into the ring after the frame's
// reads: the x87's eight registers are then free for the voices.
inline void filterMono(float inL, float inR, const BlockValues& v, float& z1, float& z2, float& y) {
    const x87 state1 = z1, state2 = z2;  // widened: a float × float would be a float operation
    const x87 x = (static_cast<x87>(inL) + inR) * static_cast<x87>(0.5f);
    const x87 w = (x - (state1 * v.b1)) - (state2 * v.b2);
    storeFloat(y, ((state1 * v.a1) + (state2 * v.a2)) + (w * v.a0));
    z2 = z1;
    storeFloat(z1, w);
}

// The frame loops, one per voice count, with one skeleton: per frame the
// filter, the oscillator, the read positions, the voices, mix and delivery,
// and the ring write.  Each runs `count` frames from frame `first` without
// passing the end of the ring (the caller splits the block there), so the
// write position needs no wrap test inside the loop.

// One voice, m = oscSin, in both channels.
template <bool Accumulate>
void framesOneVoice(const BlockValues& values, CarriedState& state, float* ring, float** inputs, float** outputs,
                    std::int32_t first, std::int32_t count) {
    BlockValues v = values;
    x87 oscSin = state.oscSin, oscCos = state.oscCos;
    float z1 = state.z1, z2 = state.z2;
    std::uint32_t writePos = state.writePos;
    bool clipped = state.clipped;
    const float* const inLeft = inputs[0];
    const float* const inRight = inputs[1];
    float* const outLeft = outputs[0];
    float* const outRight = outputs[1];
    for (std::int32_t k = first; k < first + count; ++k) {
        readFromMemoryEachFrame(v);
        // Both inputs are read before anything is stored: with in-place
        // buffers the filter and the dry path still hear the input.
        float inL = inLeft[k];
        float inR = inRight[k];
        float y;
        filterMono(inL, inR, v, z1, z2, y);
        readFromMemoryEachFrame(inL);
        readFromMemoryEachFrame(inR);
        advanceOscillator(oscSin, oscCos, v);
        const x87 base = basePosition(writePos, v);
        const x87 r1 = readVoice(ring, (v.modDepth * oscSin) + base);
        deliver<Accumulate>(outLeft, outRight, k, inL, inR, r1, r1, v, clipped);
        // Step 10, after the frame's reads.
        ring[writePos] = y;
        ++writePos;
    }
    state = {oscSin, oscCos, z1, z2, writePos, clipped};
}

// Two voices: m = oscSin to the left, m = oscCos to the right.
template <bool Accumulate>
void framesTwoVoices(const BlockValues& values, CarriedState& state, float* ring, float** inputs, float** outputs,
                     std::int32_t first, std::int32_t count) {
    BlockValues v = values;
    x87 oscSin = state.oscSin, oscCos = state.oscCos;
    float z1 = state.z1, z2 = state.z2;
    std::uint32_t writePos = state.writePos;
    bool clipped = state.clipped;
    const float* const inLeft = inputs[0];
    const float* const inRight = inputs[1];
    float* const outLeft = outputs[0];
    float* const outRight = outputs[1];
    for (std::int32_t k = first; k < first + count; ++k) {
        readFromMemoryEachFrame(v);
        // Both inputs are read before anything is stored: with in-place
        // buffers the filter and the dry path still hear the input.
        float inL = inLeft[k];
        float inR = inRight[k];
        float y;
        filterMono(inL, inR, v, z1, z2, y);
        readFromMemoryEachFrame(inL);
        readFromMemoryEachFrame(inR);
        advanceOscillator(oscSin, oscCos, v);
        const x87 base = basePosition(writePos, v);
        const x87 r1 = readVoice(ring, (v.modDepth * oscSin) + base);
        const x87 r2 = readVoice(ring, (v.modDepth * oscCos) + base);
        deliver<Accumulate>(outLeft, outRight, k, inL, inR, r1, r2, v, clipped);
        // Step 10, after the frame's reads.
        ring[writePos] = y;
        ++writePos;
    }
    state = {oscSin, oscCos, z1, z2, writePos, clipped};
}

// Four voices: m = oscSin, oscCos, −oscSin, −oscCos, spread left to right.
// Voices 3 and 4 use base − (modDepth × m), which is (modDepth × −m) + base
// to the bit: rounding toward zero is symmetric, so the product with −m is
// the negated product with m.
template <bool Accumulate>
void framesFourVoices(const BlockValues& values, CarriedState& state, float* ring, float** inputs, float** outputs,
                      std::int32_t first, std::int32_t count) {
    BlockValues v = values;
    x87 oscSin = state.oscSin, oscCos = state.oscCos;
    float z1 = state.z1, z2 = state.z2;
    std::uint32_t writePos = state.writePos;
    bool clipped = state.clipped;
    const float* const inLeft = inputs[0];
    const float* const inRight = inputs[1];
    float* const outLeft = outputs[0];
    float* const outRight = outputs[1];
    for (std::int32_t k = first; k < first + count; ++k) {
        readFromMemoryEachFrame(v);
        // Both inputs are read before anything is stored: with in-place
        // buffers the filter and the dry path still hear the input.
        float inL = inLeft[k];
        float inR = inRight[k];
        float y;
        filterMono(inL, inR, v, z1, z2, y);
        readFromMemoryEachFrame(inL);
        readFromMemoryEachFrame(inR);
        advanceOscillator(oscSin, oscCos, v);
        const x87 base = basePosition(writePos, v);
        const x87 sweepSin = v.modDepth * oscSin;
        const x87 sweepCos = v.modDepth * oscCos;
        const x87 r1 = readVoice(ring, sweepSin + base);
        const x87 r2 = readVoice(ring, sweepCos + base);
        const x87 r3 = readVoice(ring, base - sweepSin);
        const x87 r4 = readVoice(ring, base - sweepCos);
        // Step 5, in exactly this grouping (0.25 and 0.75 are exact).
        const x87 wetL = r1 + ((0.25f * r3) + (0.75f * r2));
        const x87 wetR = ((0.75f * r3) + (0.25f * r2)) + r4;
        deliver<Accumulate>(outLeft, outRight, k, inL, inR, wetL, wetR, v, clipped);
        // Step 10, after the frame's reads.
        ring[writePos] = y;
        ++writePos;
    }
    state = {oscSin, oscCos, z1, z2, writePos, clipped};
}

using FrameLoop = void (*)(const BlockValues&, CarriedState&, float*, float**, float**, std::int32_t, std::int32_t);

template <bool Accumulate>
FrameLoop frameLoopFor(int voiceCount) {
    if (voiceCount == 1) return framesOneVoice<Accumulate>;
    if (voiceCount == 2) return framesTwoVoices<Accumulate>;
    return framesFourVoices<Accumulate>;
}

// The oscillator's amplitude shrinks under rounding toward zero (about 1 %
// per 100,000 frames).  One Newton step towards amplitude 1, each time the
// write position wraps, keeps it within about 0.7 %; the point is fixed in
// frames, so the output stays independent of block sizes.
inline void renormaliseOscillator(CarriedState& st) {
    const x87 g = 1.5L - (0.5L * ((st.oscSin * st.oscSin) + (st.oscCos * st.oscCos)));
    st.oscSin = st.oscSin * g;
    st.oscCos = st.oscCos * g;
}

// Non-finite values must not stay: a non-finite filter state is cleared
// with every non-finite sample of the ring (else the voices would read them
// again a delay later).  Only called when the state is not finite.
void clearNonFinite(float& z1, float& z2, float* ring) {
    z1 = 0.0f;
    z2 = 0.0f;
    for (int i = 0; i < ChorusEffect::kDelayLineLength; ++i) {
        if (!isFinite(ring[i])) ring[i] = 0.0f;
    }
}

}  // namespace

template <bool Accumulate>
void ChorusEffect::processBlock(float** inputs, float** outputs, VstInt32 sampleFrames) {
    // Nothing to do, and nothing is touched: not even the control word.
    if (sampleFrames <= 0) return;
    fpu::enterBlockArithmetic();
    controlWordFence();
    const std::uint32_t resetsAtStart = resetCount.load(std::memory_order_acquire);

    // Recovery from non-finite values of an earlier block.
    if (!isFinite(filterZ1) || !isFinite(filterZ2)) clearNonFinite(filterZ1, filterZ2, delayLine);
    if (!isFinite(oscSin) || !isFinite(oscCos)) {
        oscSin = 0.0;
        oscCos = 1.0;
    }

    // Per-block values from the current program, each field read once.
    const ChorusProgram& p = programs[curProgram];
    const float rate = p.rate, depth = p.depth, predelay = p.predelay;
    const float phase = p.phase, dry = p.dry, wet = p.wet, voices = p.voices;

    BlockValues v;
    const chorus::SweepValues sweep = chorus::sweepValues(rate, depth, predelay, sampleRate);
    v.modDepth = sweep.modDepth;
    v.centerDelay = sweep.centerDelay;
    v.dryGain = dry;
    v.wetGain = chorus::isPhaseReversed(phase) ? -wet : wet;
    v.rotCos = rotCos;
    v.rotSin = rotSin;
    v.a0 = filterA0;
    v.a1 = filterA1;
    v.a2 = filterA2;
    v.b1 = filterB1;
    v.b2 = filterB2;
    const FrameLoop frames = frameLoopFor<Accumulate>(chorus::voiceCountFor(voices));

    CarriedState st;
    st.oscSin = oscSin;
    st.oscCos = oscCos;
    st.z1 = filterZ1;
    st.z2 = filterZ2;
    st.writePos = static_cast<std::uint32_t>(writePos) & kRingMask;
    st.clipped = false;

    // Split the block where the write position wraps; the Newton step is the
    // last act of the frame that wrote slot 65535.
    std::int32_t done = 0;
    while (done < sampleFrames) {
        const std::int32_t untilWrap = static_cast<std::int32_t>(kDelayLineLength - st.writePos);
        const std::int32_t count = sampleFrames - done < untilWrap ? sampleFrames - done : untilWrap;
        frames(v, st, delayLine, inputs, outputs, done, count);
        done += count;
        if (st.writePos == static_cast<std::uint32_t>(kDelayLineLength)) {
            st.writePos = 0;
            renormaliseOscillator(st);
        }
    }

    // Write back.  The filter state always stays with the effect (a program
    // change keeps it too).  If a program or sample-rate change reset the
    // processing on another thread meanwhile, the reset oscillator and write
    // position stay, and the samples this block wrote after the reset are
    // silenced again, so the next block starts as a reset promises.
    filterZ1 = st.z1;
    filterZ2 = st.z2;
    if (st.clipped) clipFlag = 1;
    if (resetCount.load(std::memory_order_acquire) == resetsAtStart) {
        oscSin = static_cast<double>(st.oscSin);
        oscCos = static_cast<double>(st.oscCos);
        writePos = static_cast<VstInt32>(st.writePos);
    } else {
        for (int i = 0; i < kDelayLineLength; ++i) delayLine[i] = 0.0f;
    }
    controlWordFence();
    fpu::leaveBlockArithmetic();
}

void ChorusEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processBlock<true>(inputs, outputs, sampleFrames);
}

void ChorusEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processBlock<false>(inputs, outputs, sampleFrames);
}
