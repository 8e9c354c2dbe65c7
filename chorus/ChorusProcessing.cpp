// The audio processing: process and processReplacing, with one
// frame loop per voice count, side by side below.
//
// Arithmetic.  Every +, −, ×, ÷ of a block rounds its exact result to a
// 24-bit significand toward zero; double constants and fields take part
// unshortened.  The frame loops compute in SSE2 double registers with the
// building blocks of BlockArithmetic.h: for the block the MXCSR rounds
// toward zero, with flush-to-zero and denormals-are-zero off whatever the
// host left there (fpu::enterBlockMxcsr; the host's MXCSR comes back at the
// end of the block), so each double operation gives its exact result cut to
// 53 bits, and a mask then cuts it to 24.  Truncations compose, so that is
// the exact result rounded to 24 bits toward zero, as long as it is a normal
// double, which every value of a block is (BlockArithmetic.h gives the
// bounds).  Stores to float are cvtsd2ss / cvtpd2ps under the same rounding.
// Only the per-block sweep values (SweepValues.h) are computed on the
// x87 under its own control word (24-bit precision, rounding toward zero),
// which gives the same bits.  The block leaves the x87 control word and
// the MXCSR as the host had them.
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
// function call (floor, lrint, ...), no control-word or MXCSR switch, no x87
// instruction.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "chorus/BlockArithmetic.h"
#include "chorus/ChorusEffect.h"
#include "chorus/ModulationOscillator.h"
#include "chorus/ParameterTable.h"
#include "chorus/SweepValues.h"
#include "host/FloatingPointControl.h"

// A 32-bit Windows host may call with a stack aligned to only 4 bytes,
// while SSE spills to the stack use aligned moves and operands.  GCC for
// that target realigns every function that needs it (the frame loops do so
// themselves); the entry points realign as well, so that nothing below them
// depends on the host's alignment.
#if defined(__i386__)
#define VELORIN_REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define VELORIN_REALIGN_STACK
#endif

namespace {

using namespace blockmath;

constexpr std::uint32_t kRingMask = ChorusEffect::kDelayLineLength - 1;


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

// The state that runs from frame to frame.  The oscillator's values are
// block results (24-bit significands, magnitudes near 1): as doubles they
// are exactly what the effect's double fields hold after every frame.
struct CarriedState {
    double oscSin;
    double oscCos;
    float z1;
    float z2;
    std::uint32_t writePos;
    bool clipped;
};

// Step 2: base = writePos − centerDelay.
inline double basePosition(std::uint32_t writePos, const BlockValues& v) {
    return sub(static_cast<double>(static_cast<std::int32_t>(writePos)), v.centerDelay);
}

// Step 4: linear interpolation at a read position: ((d1 − d0)·f) + d0 with
// f = pos − floor(pos), which is exact (BlockArithmetic.h's floorOf).  The
// index arithmetic is unsigned 32-bit, masked to the ring.  Positions
// beyond ±2^31 come only from huge parameter values: the fraction is then
// not that of an exact floor and the block's output is spoiled, but the
// read stays in the ring.
inline double readVoice(const float* ring, double pos) {
    std::uint32_t i;
    const double f = sub(pos, floorOf(pos, i));
    const double d0 = ring[i & kRingMask];
    const double d1 = ring[(i + 1) & kRingMask];
    return add(mul(sub(d1, d0), f), d0);
}

// Two voices at once, at the positions {p0, p1}.
inline __m128d readVoices(const float* ring, __m128d pos) {
    __m128i index;
    const __m128d f = sub(pos, floorOf(pos, index));
    const std::uint32_t i0 = static_cast<std::uint32_t>(_mm_cvtsi128_si32(index));
    const std::uint32_t i1 = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 1)));
    const __m128d d0 =
        _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(ring + (i0 & kRingMask)), _mm_load_ss(ring + (i1 & kRingMask))));
    const __m128d d1 = _mm_cvtps_pd(
        _mm_unpacklo_ps(_mm_load_ss(ring + ((i0 + 1) & kRingMask)), _mm_load_ss(ring + ((i1 + 1) & kRingMask))));
    return add(mul(sub(d1, d0), f), d0);
}

// Steps 6 to 8: mix, detect clipping, deliver.  in and wet are the pairs
// {left, right}.  The test is on the mixed values before any store: !(x <=
// 1), so NaN counts.  process adds them to the buffers' earlier content,
// the right buffer read after the left store (a host may pass one buffer
// twice).
template <bool Accumulate>
inline void deliver(float* outL, float* outR, std::int32_t k, __m128d in, __m128d wet, const BlockValues& v,
                    int& clipMask) {
    const __m128d mixed = add(mul(in, _mm_set1_pd(v.dryGain)), mul(wet, _mm_set1_pd(v.wetGain)));
    clipMask |= _mm_movemask_pd(_mm_cmpnle_pd(mixed, _mm_set1_pd(1.0)));
    if (Accumulate) {
        outL[k] = toFloat(add(static_cast<double>(outL[k]), _mm_cvtsd_f64(mixed)));
        outR[k] = toFloat(add(static_cast<double>(outR[k]), _mm_cvtsd_f64(_mm_unpackhi_pd(mixed, mixed))));
    } else {
        const __m128 stored = toFloats(mixed);
        _mm_store_ss(outL + k, stored);
        _mm_store_ss(outR + k, _mm_shuffle_ps(stored, stored, 1));
    }
}

// Step 9: filter the mono mix of the frame's inputs.  The direct form with
// two state values, in exactly this order:
//   w = (x − z1·b1) − z2·b2;  y = (z1·a1 + z2·a2) + w·a0;  z2 ← z1;  z1 ← w.
// It needs only the inputs and its own state, so the loops run it first and
// keep y as the float that step 10 writes into the ring after the frame's
// reads.  The state is held as doubles with float values.
inline void filterMono(double inL, double inR, const BlockValues& v, double& z1, double& z2, float& y) {
    const double x = mul(add(inL, inR), 0.5);
    const double w = sub(sub(x, mul(z1, v.b1)), mul(z2, v.b2));
    y = toFloat(add(add(mul(z1, v.a1), mul(z2, v.a2)), mul(w, v.a0)));
    z2 = z1;
    z1 = storedAsFloat(w);
}

// The frame loops, one per voice count, with one skeleton: per frame the
// filter, the oscillator, the read positions, the voices, mix and delivery,
// and the ring write.  Each runs `count` frames from frame `first` without
// passing the end of the ring (the caller splits the block there), so the
// write position needs no wrap test inside the loop.  They run inside the
// block's MXCSR (processBlock).

// One voice, m = oscSin, in both channels.
template <bool Accumulate>
void framesOneVoice(const BlockValues& values, CarriedState& state, float* ring, float** inputs, float** outputs,
                    std::int32_t first, std::int32_t count) {
    const BlockValues v = values;
    chorus::ModulationOscillator osc(state.oscSin, state.oscCos, v.rotCos, v.rotSin);
    double z1 = state.z1, z2 = state.z2;
    std::uint32_t writePos = state.writePos;
    int clipMask = 0;
    const float* const inLeft = inputs[0];
    const float* const inRight = inputs[1];
    float* const outLeft = outputs[0];
    float* const outRight = outputs[1];
    for (std::int32_t k = first; k < first + count; ++k) {
        // Both inputs are read before anything is stored: with in-place
        // buffers the filter and the dry path still hear the input.
        const double inL = inLeft[k];
        const double inR = inRight[k];
        float y;
        filterMono(inL, inR, v, z1, z2, y);
        osc.advance();
        const double base = basePosition(writePos, v);
        const double r1 = readVoice(ring, add(mul(v.modDepth, osc.sin()), base));
        deliver<Accumulate>(outLeft, outRight, k, _mm_set_pd(inR, inL), _mm_set1_pd(r1), v, clipMask);
        // Step 10, after the frame's reads.
        ring[writePos] = y;
        ++writePos;
    }
    state = {osc.sin(), osc.cos(), static_cast<float>(z1), static_cast<float>(z2), writePos,
             state.clipped || clipMask != 0};
}

// Two voices: m = oscSin to the left, m = oscCos to the right.
template <bool Accumulate>
void framesTwoVoices(const BlockValues& values, CarriedState& state, float* ring, float** inputs, float** outputs,
                     std::int32_t first, std::int32_t count) {
    const BlockValues v = values;
    chorus::ModulationOscillator osc(state.oscSin, state.oscCos, v.rotCos, v.rotSin);
    double z1 = state.z1, z2 = state.z2;
    std::uint32_t writePos = state.writePos;
    int clipMask = 0;
    const float* const inLeft = inputs[0];
    const float* const inRight = inputs[1];
    float* const outLeft = outputs[0];
    float* const outRight = outputs[1];
    for (std::int32_t k = first; k < first + count; ++k) {
        // Both inputs are read before anything is stored: with in-place
        // buffers the filter and the dry path still hear the input.
        const double inL = inLeft[k];
        const double inR = inRight[k];
        float y;
        filterMono(inL, inR, v, z1, z2, y);
        osc.advance();
        const __m128d base = _mm_set1_pd(basePosition(writePos, v));
        const __m128d sweep = mul(_mm_set1_pd(v.modDepth), osc.value);  // {modDepth·sin, modDepth·cos}
        const __m128d r12 = readVoices(ring, add(sweep, base));
        deliver<Accumulate>(outLeft, outRight, k, _mm_set_pd(inR, inL), r12, v, clipMask);
        // Step 10, after the frame's reads.
        ring[writePos] = y;
        ++writePos;
    }
    state = {osc.sin(), osc.cos(), static_cast<float>(z1), static_cast<float>(z2), writePos,
             state.clipped || clipMask != 0};
}

// Four voices: m = oscSin, oscCos, −oscSin, −oscCos, spread left to right.
// Voices 3 and 4 use base − (modDepth × m), which is (modDepth × −m) + base
// to the bit: rounding toward zero is symmetric, so the product with −m is
// the negated product with m.
template <bool Accumulate>
void framesFourVoices(const BlockValues& values, CarriedState& state, float* ring, float** inputs, float** outputs,
                      std::int32_t first, std::int32_t count) {
    const BlockValues v = values;
    chorus::ModulationOscillator osc(state.oscSin, state.oscCos, v.rotCos, v.rotSin);
    double z1 = state.z1, z2 = state.z2;
    std::uint32_t writePos = state.writePos;
    int clipMask = 0;
    const float* const inLeft = inputs[0];
    const float* const inRight = inputs[1];
    float* const outLeft = outputs[0];
    float* const outRight = outputs[1];
    for (std::int32_t k = first; k < first + count; ++k) {
        // Both inputs are read before anything is stored: with in-place
        // buffers the filter and the dry path still hear the input.
        const double inL = inLeft[k];
        const double inR = inRight[k];
        float y;
        filterMono(inL, inR, v, z1, z2, y);
        osc.advance();
        const __m128d base = _mm_set1_pd(basePosition(writePos, v));
        const __m128d sweep = mul(_mm_set1_pd(v.modDepth), osc.value);  // {modDepth·sin, modDepth·cos}
        const __m128d r12 = readVoices(ring, add(sweep, base));
        const __m128d r34 = readVoices(ring, sub(base, sweep));
        // Step 5, in exactly this grouping (0.25 and 0.75 are exact):
        //   wetL = r1 + ((0.25·r3) + (0.75·r2));  wetR = ((0.75·r3) + (0.25·r2)) + r4.
        // The inner sums as the pair {q, p}, then {r1 + q, r4 + p}; the
        // outer additions commute exactly.
        const __m128d r3 = _mm_unpacklo_pd(r34, r34);
        const __m128d r2 = _mm_unpackhi_pd(r12, r12);
        const __m128d inner = add(mul(_mm_set_pd(0.75, 0.25), r3), mul(_mm_set_pd(0.25, 0.75), r2));
        const __m128d wet = add(_mm_move_sd(r34, r12), inner);  // {r1, r4} + {q, p}
        deliver<Accumulate>(outLeft, outRight, k, _mm_set_pd(inR, inL), wet, v, clipMask);
        // Step 10, after the frame's reads.
        ring[writePos] = y;
        ++writePos;
    }
    state = {osc.sin(), osc.cos(), static_cast<float>(z1), static_cast<float>(z2), writePos,
             state.clipped || clipMask != 0};
}

using FrameLoop = void (*)(const BlockValues&, CarriedState&, float*, float**, float**, std::int32_t, std::int32_t);

template <bool Accumulate>
FrameLoop frameLoopFor(int voiceCount) {
    if (voiceCount == 1) return framesOneVoice<Accumulate>;
    if (voiceCount == 2) return framesTwoVoices<Accumulate>;
    return framesFourVoices<Accumulate>;
}

// A jump of the filter's feedback coefficients to a larger gain at DC would
// multiply a state built up under the old filter: at a low cutoff the state
// holds the signal scaled by about 1/p, with p = 1 + b1 + b2 the DC gain of
// the recursive part, and a jump to a high cutoff would turn thousands into
// a burst.  Scaling the state by p_old / p_new gives what the new filter
// would hold for the same low-frequency content.  Only jumps that would
// amplify are scaled: a jump down, a type switch at the same cutoff (both
// types share p) and a set to the same value change nothing.
//   p = (1 + b1) + b2;  if p_old > 0 and p_new > p_old:
//   r = p_old / p_new;  z1 ← float(z1·r);  z2 ← float(z2·r)
inline void followCoefficientChange(float oldB1, float oldB2, const BlockValues& v, float& z1, float& z2) {
    const double pOld = add(add(1.0, oldB1), oldB2);
    const double pNew = add(add(1.0, v.b1), v.b2);
    if (pOld > 0.0 && pNew > pOld) {
        const double r = div(pOld, pNew);
        z1 = toFloat(mul(z1, r));
        z2 = toFloat(mul(z2, r));
    }
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
VELORIN_REALIGN_STACK void ChorusEffect::processBlock(float** inputs, float** outputs, VstInt32 sampleFrames) {
    // Nothing to do, and nothing is touched: not even the control word or
    // the MXCSR.
    if (sampleFrames <= 0) return;
    const fpu::X87Environment hostX87 = fpu::enterBlockArithmetic();
    // Both switches are compiler barriers (host/FloatingPointControl.h): no
    // arithmetic of the block moves across them.
    const std::uint32_t hostMxcsr = fpu::enterBlockMxcsr();
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

    // The filter state follows a change of the feedback coefficients since
    // the previous block.
    if (v.b1 != previousFilterB1 || v.b2 != previousFilterB2) {
        followCoefficientChange(previousFilterB1, previousFilterB2, v, st.z1, st.z2);
        previousFilterB1 = v.b1;
        previousFilterB2 = v.b2;
    }

    // Split the block where the write position wraps, so that the loops
    // need no wrap test.
    std::int32_t done = 0;
    while (done < sampleFrames) {
        const std::int32_t untilWrap = static_cast<std::int32_t>(kDelayLineLength - st.writePos);
        const std::int32_t count = sampleFrames - done < untilWrap ? sampleFrames - done : untilWrap;
        frames(v, st, delayLine, inputs, outputs, done, count);
        done += count;
#ifdef VELORIN_PLANT_RING_OVERREAD
        // Planted fault for the host-abuse suite, never in the shipped DLL:
        // at the wrap, one sample past the ring's end is read.
        if (st.writePos == kDelayLineLength) static_cast<void>(*static_cast<volatile float*>(delayLine + st.writePos));
#endif
        st.writePos &= kRingMask;
    }

    // Write back.  The filter state always stays with the effect (a program
    // change keeps it too).  If a program or sample-rate change reset the
    // processing on another thread meanwhile, the reset oscillator and write
    // position stay, and the samples this block wrote after the reset are
    // silenced again, so the next block starts as a reset promises.
    filterZ1 = st.z1;
    filterZ2 = st.z2;
    if (st.clipped) clipFlag.store(1, std::memory_order_relaxed);
    if (resetCount.load(std::memory_order_acquire) == resetsAtStart) {
        oscSin = st.oscSin;
        oscCos = st.oscCos;
        writePos = static_cast<VstInt32>(st.writePos);
    } else {
        for (int i = 0; i < kDelayLineLength; ++i) delayLine[i] = 0.0f;
    }
    fpu::restoreMxcsr(hostMxcsr);
    fpu::leaveBlockArithmetic(hostX87);
}

VELORIN_REALIGN_STACK void ChorusEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processBlock<true>(inputs, outputs, sampleFrames);
}

VELORIN_REALIGN_STACK void ChorusEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processBlock<false>(inputs, outputs, sampleFrames);
}
