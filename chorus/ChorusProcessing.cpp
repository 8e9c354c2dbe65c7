// The audio processing: process and processReplacing.
//
// The stages of a frame, named as the code below names them:
//   oscillator  advance {oscSin, oscCos} (ModulationOscillator.h)
//   filter      the mono mix of the frame's inputs through the wet-path
//               filter, y for the ring (WetFilter.h)
//   positions   base = writePos − centerDelay; each voice's read position
//               (modDepth × m) + base, m its value of the oscillator
//   reads       floor and fraction of each position, and the interpolation
//               ((d1 − d0)·f) + d0 between two ring samples
//   wet sums    the voices spread over the left and the right channel
//   mix         (in × dryGain) + (wet × wetGain) per channel
//   clip        unless the mix is ≤ 1 (NaN included), the clip flag is set
//   delivery    store the mix, left before right (process adds it to what
//               the buffers hold)
//   ring write  y into the ring at writePos (after the frame's reads, or
//               at least as if after them)
//
// Arithmetic.  Every +, −, ×, ÷ of a block rounds its exact result to a
// 24-bit significand toward zero; double constants and fields take part
// unshortened.  The loops compute in SSE2 double registers with the
// building blocks of BlockArithmetic.h: for the block the MXCSR rounds
// toward zero, with flush-to-zero and denormals-are-zero off whatever the
// host left there (fpu::enterBlockMxcsr; the host's MXCSR comes back at the
// end of the block), so each double operation gives its exact result cut to
// 53 bits, and a mask then cuts it to 24.  Truncations compose, so that is
// the exact result rounded to 24 bits toward zero, as long as it is a normal
// double, which every value of a block is (BlockArithmetic.h gives the
// bounds).  Stores to float are cvtsd2ss / cvtpd2ps under the same rounding.
// The filter may also run in single precision, where that gives the same
// bits (WetFilter.h).  The per-block sweep values (SweepValues.h) use the
// same building blocks; nothing of the block runs on the x87, so the
// host's x87 settings are never touched, and the host's MXCSR comes back
// with its own flags at the end of the block.
//
// Two kinds of frame loop, one of each per voice count and delivery:
//   in order    one frame at a time, every stage of a frame before the
//               next frame.  It takes the frames that the pipelined loops
//               leave over and the blocks whose values they do not cover.
//   pipelined   four frames at a time in three streams: the recurrences
//               (oscillator and filter) of frames k to k + 3, the positions
//               of frames k − 4 to k − 1 and the rest of the voices of
//               frames k − 8 to k − 5, two frames per register.  One
//               frame's oscillator is a chain of 17 cycles that the next
//               frame waits for, while a frame's voices form a path of 50
//               cycles that nothing waits for; in frame order the processor
//               cannot overlap them, and instructions waiting on either
//               fill its queues.  Handing values from stream to stream
//               through a few slots in memory lets it overlap them, with
//               short paths in each.  The filter writes y into the ring as
//               it goes, up to twelve frames before those frames' reads,
//               which changes nothing as long as no read reaches that far
//               (pipelinedLoopsCover).
// Both give the same bits: the operations and their order within a frame
// are the same, and frames depend on each other only through the
// recurrences and the ring.

// Loop-carried state (oscillator, filter state, write position) and the
// coefficients live in locals for the block and are written back at its
// end.  The coefficients come whole from the exchange (CoefficientExchange.h),
// so a change of Rate, Filter or Cutoff that another thread makes during a
// block takes effect from the next block, and never half.  The processing
// state is the audio thread's alone: a program or sample-rate change only
// asks for its reset, which the next block makes at its start.
//
// The loop functions live in a section of their own, .text.chorus_frames,
// where tests/unit/chorus/check-frame-loops.sh inspects them: no function
// call (floor, lrint, ...), no control-word or MXCSR switch, no x87
// instruction.  The ring's silencing lives there too, and calls nothing
// either: the compiler would make its loop a call of memset, which this
// file's options forbid (chorus/CMakeLists.txt).
#include <emmintrin.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "chorus/BlockArithmetic.h"
#include "chorus/ChorusEffect.h"
#include "chorus/ModulationOscillator.h"
#include "chorus/ParameterTable.h"
#include "chorus/SweepValues.h"
#include "chorus/WetFilter.h"
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

// The frame loops: separate functions in their own section, so that their
// compiled code can be found and inspected by its section.
#define VELORIN_FRAME_LOOP __attribute__((noinline, section(".text.chorus_frames")))
#define VELORIN_INLINE __attribute__((always_inline)) inline

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
    chorus::WetFilterCoefficients filter;
    chorus::WetFilterRanges filterRanges;
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

// positions: base = writePos − centerDelay.
inline double basePosition(std::uint32_t writePos, const BlockValues& v) {
    return sub(static_cast<double>(static_cast<std::int32_t>(writePos)), v.centerDelay);
}

// ---------------------------------------------------------------------------
// The stages of one frame, for the in-order loops.

// reads: ((d1 − d0)·f) + d0 with f = pos − floor(pos), which is exact
// (BlockArithmetic.h's floorOf).  The index arithmetic is unsigned 32-bit,
// masked to the ring.  Positions beyond ±2^31 come only from huge parameter
// values: the fraction is then not that of an exact floor and the block's
// output is spoiled, but the read stays in the ring.
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

// mix, clip and delivery of one frame.  in and wet are the pairs {left,
// right}.  The test is on the mixed values before any store: !(x <= 1), so
// NaN counts.  process adds them to the buffers' earlier content, the right
// buffer read after the left store (a host may pass one buffer twice).
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

// ---------------------------------------------------------------------------
// The stages of two frames at once, for the pipelined loops: each register
// holds one voice, or one channel, of frames j and j + 1.

// Per-block values of the pipelined loops as register pairs.  The
// constants are opaque to the compiler (BlockArithmetic.h).
struct PairValues {
    explicit PairValues(const BlockValues& v)
        : modDepth(_mm_set1_pd(v.modDepth)),
          centerDelay(_mm_set1_pd(v.centerDelay)),
          dryGain(_mm_set1_pd(v.dryGain)),
          wetGain(_mm_set1_pd(v.wetGain)),
          floorShift(opaque(_mm_set1_pd(kFloorShift))),
          quarter(opaque(_mm_set1_pd(0.25))),
          threeQuarters(opaque(_mm_set1_pd(0.75))),
          one(opaque(_mm_set1_pd(1.0))),
          aboveOne(opaque(_mm_set1_pd(1.00000011920928955078125))),  // 1 + 2^-23
          two(opaque(_mm_set1_pd(2.0))),
          four(opaque(_mm_set1_pd(4.0))) {}
    __m128d modDepth, centerDelay, dryGain, wetGain;
    __m128d floorShift, quarter, threeQuarters, one, aboveOne, two, four;
};

// reads: {ring[i], ring[i + 1]} as doubles, with the wrap after the ring's
// last slot (one frame in 65536 per voice reads across it).
VELORIN_INLINE __m128d samplePair(const float* ring, std::uint32_t i) {
    if (__builtin_expect(i == kRingMask, 0))
        return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(ring + i), _mm_load_ss(ring)));
    return pairOfFloats(ring + i);
}

// reads: one voice of frames j and j + 1, interpolated between the sample
// pairs at its indices.
VELORIN_INLINE __m128d voicePair(const float* ring, const SplitPositions& p) {
    const __m128d samplesJ = samplePair(ring, p.index0());
    const __m128d samplesNext = samplePair(ring, p.index1());
    const __m128d d0 = _mm_unpacklo_pd(samplesJ, samplesNext);
    const __m128d d1 = _mm_unpackhi_pd(samplesJ, samplesNext);
    return add(mul(sub(d1, d0), p.fraction), d0);
}

// The voices of two frames in two steps.  positions: each voice's read
// positions of both frames, split into fraction and ring indices (m holds
// one voice's oscillator values of both frames).  reads: the ring samples
// and their interpolation, and the wet sums.
struct Wet {
    __m128d left, right;
};

// One voice, m = oscSin, in both channels.
struct OneVoice {
    static constexpr bool kSameInBothChannels = true;
    VELORIN_INLINE static void positions(const PairValues& v, __m128d sin, __m128d, __m128d base,
                                         SplitPositions* p) {
        splitPositions(add(mul(v.modDepth, sin), base), v.floorShift, p[0]);
    }
    VELORIN_INLINE static Wet reads(const PairValues&, const SplitPositions* p, const float* ring) {
        const __m128d r1 = voicePair(ring, p[0]);
        return {r1, r1};
    }
};

// Two voices: m = oscSin to the left, m = oscCos to the right.
struct TwoVoices {
    static constexpr bool kSameInBothChannels = false;
    VELORIN_INLINE static void positions(const PairValues& v, __m128d sin, __m128d cos, __m128d base,
                                         SplitPositions* p) {
        splitPositions(add(mul(v.modDepth, sin), base), v.floorShift, p[0]);
        splitPositions(add(mul(v.modDepth, cos), base), v.floorShift, p[1]);
    }
    VELORIN_INLINE static Wet reads(const PairValues&, const SplitPositions* p, const float* ring) {
        return {voicePair(ring, p[0]), voicePair(ring, p[1])};
    }
};

// Four voices: m = oscSin, oscCos, −oscSin, −oscCos, spread left to right.
// Voices 3 and 4 use base − (modDepth × m), which is (modDepth × −m) + base
// to the bit: rounding toward zero is symmetric, so the product with −m is
// the negated product with m.  wet sums in exactly this grouping:
//   wetL = r1 + ((0.25·r3) + (0.75·r2));  wetR = ((0.75·r3) + (0.25·r2)) + r4
// 0.25 and 0.75 are exact, and a product with 0.25 needs no mask.
struct FourVoices {
    static constexpr bool kSameInBothChannels = false;
    VELORIN_INLINE static void positions(const PairValues& v, __m128d sin, __m128d cos, __m128d base,
                                         SplitPositions* p) {
        const __m128d sweepS = mul(v.modDepth, sin);
        const __m128d sweepC = mul(v.modDepth, cos);
        splitPositions(add(sweepS, base), v.floorShift, p[0]);
        splitPositions(add(sweepC, base), v.floorShift, p[1]);
        splitPositions(sub(base, sweepS), v.floorShift, p[2]);
        splitPositions(sub(base, sweepC), v.floorShift, p[3]);
    }
    VELORIN_INLINE static Wet reads(const PairValues& v, const SplitPositions* p, const float* ring) {
        const __m128d r2 = voicePair(ring, p[1]);
        const __m128d r3 = voicePair(ring, p[2]);
        const __m128d wetL = add(voicePair(ring, p[0]), add(_mm_mul_pd(v.quarter, r3), mul(v.threeQuarters, r2)));
        const __m128d wetR = add(add(mul(v.threeQuarters, r3), _mm_mul_pd(v.quarter, r2)), voicePair(ring, p[3]));
        return {wetL, wetR};
    }
};

// mix, clip and delivery of frames j and j + 1 (k is j's index in the
// buffers).  The inputs are read again here, before the frames' outputs are
// stored: with in-place buffers they are still the inputs.
template <class Voices, bool Accumulate>
VELORIN_INLINE void deliverPair(const PairValues& v, const float* inL, const float* inR, float* outL, float* outR,
                                std::int32_t k, Wet wet, __m128d& clip) {
    const __m128d wetL = mul(wet.left, v.wetGain);
    const __m128d wetR = Voices::kSameInBothChannels ? wetL : mul(wet.right, v.wetGain);
    if (Accumulate) {
        const __m128d mixL = add(mul(pairOfFloats(inL + k), v.dryGain), wetL);
        const __m128d mixR = add(mul(pairOfFloats(inR + k), v.dryGain), wetR);
        clip = _mm_or_pd(clip, _mm_or_pd(_mm_cmpnle_pd(mixL, v.one), _mm_cmpnle_pd(mixR, v.one)));
        // The sum's mask would change nothing before the store to float.
        storeAsFloats(outL + k, _mm_add_pd(pairOfFloats(outL + k), mixL));
        storeAsFloats(outR + k, _mm_add_pd(pairOfFloats(outR + k), mixR));
    } else {
        // The mix unshortened: the store to float truncates it all the
        // same, and its 24-bit cut is above 1 exactly when it reaches
        // 1 + 2^-23 (not less than, so NaN counts).
        const __m128d mixL = _mm_add_pd(mul(pairOfFloats(inL + k), v.dryGain), wetL);
        const __m128d mixR = _mm_add_pd(mul(pairOfFloats(inR + k), v.dryGain), wetR);
        clip = _mm_or_pd(clip, _mm_or_pd(_mm_cmpnlt_pd(mixL, v.aboveOne), _mm_cmpnlt_pd(mixR, v.aboveOne)));
        storeAsFloats(outL + k, mixL);
        storeAsFloats(outR + k, mixR);
    }
}

// The per-block test for the pipelined loops.  They write each frame's y
// into the ring up to twelve frames before its reads, so every delay must
// leave the frame's own slot and the next eleven alone: delays between 1
// and 65536 − 12 frames (anything at 44.1 or 96 kHz; at sample rates above
// about 163 kHz long sweeps reach beyond the ring and take the in-order
// loops).  And read positions below 2^31 in magnitude, where the floor by
// way of 1.5 · 2^52 and the in-order loops' truncation agree.  The
// oscillator's amplitude A stays at most 1 + 2^-20 over the block if it
// starts at most √3: its step makes it A·(1.5 − 0.5·A²) ≤ 1, and rounding
// adds less than 2^-21.  The positions' own rounding errors stay below a
// tenth of a frame; a margin of a frame covers them.
bool pipelinedLoopsCover(const BlockValues& v, const CarriedState& state) {
    const double s = state.oscSin, c = state.oscCos;
    const double sweep = (v.modDepth < 0.0 ? -v.modDepth : v.modDepth) * (1.0 + 0x1p-18);
    const double shortest = v.centerDelay - sweep - 1.0, longest = v.centerDelay + sweep + 1.0;
    return shortest > 1.0 && longest < 65536.0 - 12.0 && s * s + c * c <= 3.0 && v.rotCos <= 1.0 &&
           v.rotCos >= -1.0 && v.rotSin <= 1.0 && v.rotSin >= -1.0;
}

// ---------------------------------------------------------------------------
// The loops.  Each runs `count` frames from frame `first` without passing
// the end of the ring (the caller splits the block there), so the write
// position needs no wrap test inside the loop.  They run inside the block's
// MXCSR (processBlock).

using FrameLoop = void (*)(const BlockValues&, CarriedState&, float*, float**, float**, std::int32_t, std::int32_t);

template <class Voices, bool Accumulate>
VELORIN_INLINE void framesInOrder(const BlockValues& v, CarriedState& state, float* ring, float** inputs,
                                  float** outputs, std::int32_t first, std::int32_t count) {
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
        const float y = chorus::filterFrame(inL, inR, v.filter, z1, z2);
        osc.advance();
        const double base = basePosition(writePos, v);
        __m128d wet;
        if constexpr (Voices::kSameInBothChannels) {
            wet = _mm_set1_pd(readVoice(ring, add(mul(v.modDepth, osc.sin()), base)));
        } else {
            const __m128d sweep = mul(_mm_set1_pd(v.modDepth), osc.value);  // {modDepth·sin, modDepth·cos}
            const __m128d r12 = readVoices(ring, add(sweep, _mm_set1_pd(base)));
            if constexpr (std::is_same_v<Voices, TwoVoices>) {
                wet = r12;
            } else {
                // wet sums as FourVoices says; the inner sums as the pair
                // {q, p}, then {r1 + q, r4 + p}: the outer additions commute.
                const __m128d r34 = readVoices(ring, sub(_mm_set1_pd(base), sweep));
                const __m128d r3 = _mm_unpacklo_pd(r34, r34);
                const __m128d r2 = _mm_unpackhi_pd(r12, r12);
                const __m128d inner = add(mul(_mm_set_pd(0.75, 0.25), r3), mul(_mm_set_pd(0.25, 0.75), r2));
                wet = add(_mm_move_sd(r34, r12), inner);  // {r1, r4} + {q, p}
            }
        }
        deliver<Accumulate>(outLeft, outRight, k, _mm_set_pd(inR, inL), wet, v, clipMask);
        // ring write, after the frame's reads.
        ring[writePos] = y;
        ++writePos;
    }
    state = {osc.sin(), osc.cos(), static_cast<float>(z1), static_cast<float>(z2), writePos,
             state.clipped || clipMask != 0};
}

// The pipelined loops hand frames from the recurrences to the positions
// kLag frames later, and from the positions to the reads kLag frames later
// still, through these slots.
constexpr std::int32_t kLag = 4;
constexpr std::int32_t kShortestPipelined = 2 * kLag + 4;

// What one frame pair hands from stage to stage, padded so that the slots
// are indexed by a shift.
struct alignas(16) PairSlot {
    double sin[2];
    double cos[2];
    SplitPositions positions[4];  // per voice
    char padding[256 - 2 * 16 - 4 * sizeof(SplitPositions)];
};
constexpr std::int32_t kPairSlots = 8;  // a power of two, at least (2 · kLag + 4) / 2

// count: a multiple of four, at least kShortestPipelined.
template <class Voices, bool Accumulate>
VELORIN_INLINE void framesPipelined(const BlockValues& values, CarriedState& state, float* ring, float** inputs,
                                    float** outputs, std::int32_t first, std::int32_t count) {
    const PairValues v(values);
    chorus::ModulationOscillator osc(state.oscSin, state.oscCos, values.rotCos, values.rotSin);
    chorus::WetFilter filter(state.z1, state.z2, values.filter, values.filterRanges);
    PairSlot slots[kPairSlots];
    const float* const inL = inputs[0] + first;
    const float* const inR = inputs[1] + first;
    float* const outL = outputs[0] + first;
    float* const outR = outputs[1] + first;
    float* const ringAtFirst = ring + state.writePos;
    __m128d writePositions =  // of the positions' frames
        _mm_set_pd(static_cast<double>(state.writePos + 1), static_cast<double>(state.writePos));
    __m128d clip = _mm_setzero_pd();

    // The slots of frames a and a + 1 (a even).
    const auto slotOf = [&](std::int32_t a) __attribute__((always_inline)) {
        return slots + ((a >> 1) & (kPairSlots - 1));
    };
    // The recurrences: the filter of frames a to a + 3, its y straight into
    // the ring, and the oscillator of a frame pair.
    const auto filterFour = [&](std::int32_t a) __attribute__((always_inline)) {
        filter.fourFrames(inL + a, inR + a, ringAtFirst + a);
    };
    const auto oscillatorPair = [&](PairSlot& slot) __attribute__((always_inline)) {
        osc.advance();
        const __m128d first = osc.value;
        osc.advance();
        _mm_store_pd(slot.sin, _mm_unpacklo_pd(first, osc.value));
        _mm_store_pd(slot.cos, _mm_unpackhi_pd(first, osc.value));
    };
    // The positions of a frame pair.
    const auto positionPair = [&](PairSlot& slot) __attribute__((always_inline)) {
        Voices::positions(v, _mm_load_pd(slot.sin), _mm_load_pd(slot.cos), sub(writePositions, v.centerDelay),
                          slot.positions);
        writePositions = _mm_add_pd(writePositions, v.two);
    };
    // The reads, wet sums, mix and delivery of frames j and j + 1.
    const auto voicePairs = [&](std::int32_t j, const PairSlot& slot) __attribute__((always_inline)) {
        const Wet wet = Voices::reads(v, slot.positions, ring);
        deliverPair<Voices, Accumulate>(v, inL, inR, outL, outR, j, wet, clip);
    };

    filterFour(0);
    oscillatorPair(*slotOf(0));
    oscillatorPair(*slotOf(2));
    filterFour(kLag);
    oscillatorPair(*slotOf(kLag));
    positionPair(*slotOf(0));
    oscillatorPair(*slotOf(kLag + 2));
    positionPair(*slotOf(2));
    std::int32_t a = 2 * kLag;  // the recurrences' next frame; the positions' is a − kLag, the reads' a − 2 kLag
    for (; a < count; a += 4) {
        PairSlot* const recurrences = slotOf(a);
        PairSlot* const positions = slotOf(a - kLag);
        PairSlot* const reads = slotOf(a - 2 * kLag);
        filterFour(a);
        oscillatorPair(recurrences[0]);
        positionPair(positions[0]);
        voicePairs(a - 2 * kLag, reads[0]);
        oscillatorPair(recurrences[1]);
        positionPair(positions[1]);
        voicePairs(a - 2 * kLag + 2, reads[1]);
    }
    positionPair(*slotOf(a - kLag));
    voicePairs(a - 2 * kLag, *slotOf(a - 2 * kLag));
    positionPair(*slotOf(a - kLag + 2));
    voicePairs(a - 2 * kLag + 2, *slotOf(a - 2 * kLag + 2));
    voicePairs(a - kLag, *slotOf(a - kLag));
    voicePairs(a - kLag + 2, *slotOf(a - kLag + 2));
    state = {osc.sin(),
             osc.cos(),
             filter.z1(),
             filter.z2(),
             state.writePos + static_cast<std::uint32_t>(count),
             state.clipped || _mm_movemask_pd(clip) != 0};
}

// The loop functions, in their section.
#define VELORIN_LOOP_FUNCTION(name, kind, Voices, Accumulate)                                                  \
    VELORIN_FRAME_LOOP void name(const BlockValues& v, CarriedState& state, float* ring, float** inputs,       \
                                 float** outputs, std::int32_t first, std::int32_t count) {                   \
        kind<Voices, Accumulate>(v, state, ring, inputs, outputs, first, count);                              \
    }
VELORIN_LOOP_FUNCTION(inOrderOneVoiceAdding, framesInOrder, OneVoice, true)
VELORIN_LOOP_FUNCTION(inOrderOneVoiceReplacing, framesInOrder, OneVoice, false)
VELORIN_LOOP_FUNCTION(inOrderTwoVoicesAdding, framesInOrder, TwoVoices, true)
VELORIN_LOOP_FUNCTION(inOrderTwoVoicesReplacing, framesInOrder, TwoVoices, false)
VELORIN_LOOP_FUNCTION(inOrderFourVoicesAdding, framesInOrder, FourVoices, true)
VELORIN_LOOP_FUNCTION(inOrderFourVoicesReplacing, framesInOrder, FourVoices, false)
VELORIN_LOOP_FUNCTION(pipelinedOneVoiceAdding, framesPipelined, OneVoice, true)
VELORIN_LOOP_FUNCTION(pipelinedOneVoiceReplacing, framesPipelined, OneVoice, false)
VELORIN_LOOP_FUNCTION(pipelinedTwoVoicesAdding, framesPipelined, TwoVoices, true)
VELORIN_LOOP_FUNCTION(pipelinedTwoVoicesReplacing, framesPipelined, TwoVoices, false)
VELORIN_LOOP_FUNCTION(pipelinedFourVoicesAdding, framesPipelined, FourVoices, true)
VELORIN_LOOP_FUNCTION(pipelinedFourVoicesReplacing, framesPipelined, FourVoices, false)
#undef VELORIN_LOOP_FUNCTION

struct FrameLoops {
    FrameLoop inOrder;
    FrameLoop pipelined;
};

template <bool Accumulate>
FrameLoops frameLoopsFor(int voiceCount) {
    if (Accumulate) {
        if (voiceCount == 1) return {inOrderOneVoiceAdding, pipelinedOneVoiceAdding};
        if (voiceCount == 2) return {inOrderTwoVoicesAdding, pipelinedTwoVoicesAdding};
        return {inOrderFourVoicesAdding, pipelinedFourVoicesAdding};
    }
    if (voiceCount == 1) return {inOrderOneVoiceReplacing, pipelinedOneVoiceReplacing};
    if (voiceCount == 2) return {inOrderTwoVoicesReplacing, pipelinedTwoVoicesReplacing};
    return {inOrderFourVoicesReplacing, pipelinedFourVoicesReplacing};
}

// A jump of the filter's feedback coefficients to a larger gain of its
// recursive part would multiply a state built up under the old filter.  At
// a low cutoff the state holds the signal's low frequencies scaled by about
// 1/p, with p = 1 + b1 + b2 the recursive part's gain at DC, and a jump to a
// high cutoff would turn thousands into a burst.  Near half the sample rate
// (a cutoff close to the limit, at low sample rates) the state holds the
// signal's highest frequencies scaled by about 1/q, with q = 1 − b1 + b2 its
// gain at half the sample rate, and a jump away from there does the same.
// Two rules, in this order, give the state the new filter would hold for
// the same content; each applies only where the gain would grow, so a set
// to the same value, a type switch at the same cutoff (both types share p
// and q) and a jump that lowers a gain change nothing:
//   DC:       p = (1 + b1) + b2;  if p_old > 0 and p_new > p_old:
//             r = p_old / p_new;  z1 ← float(z1·r);  z2 ← float(z2·r)
//   highest:  q = (1 − b1) + b2;  if q_old > 0 and q_new > q_old:
//             r = q_old / q_new;  s = (z1 + z2)·0.5;  d = ((z1 − z2)·0.5)·r
//             z1 ← float(s + d);  z2 ← float(s − d)
// The second scales only the part of the state that alternates from frame
// to frame: sweeping a low-pass down keeps its bass.
inline void followCoefficientChange(float oldB1, float oldB2, const BlockValues& v, float& z1, float& z2) {
    const double pOld = add(add(1.0, oldB1), oldB2);
    const double pNew = add(add(1.0, v.filter.b1), v.filter.b2);
    if (pOld > 0.0 && pNew > pOld) {
        const double r = div(pOld, pNew);
        z1 = toFloat(mul(z1, r));
        z2 = toFloat(mul(z2, r));
    }
    const double qOld = add(sub(1.0, oldB1), oldB2);
    const double qNew = add(sub(1.0, v.filter.b1), v.filter.b2);
    if (qOld > 0.0 && qNew > qOld) {
        const double r = div(qOld, qNew);
        const double sum = mul(add(z1, z2), 0.5);
        const double difference = mul(mul(sub(z1, z2), 0.5), r);
        z1 = toFloat(add(sum, difference));
        z2 = toFloat(sub(sum, difference));
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

// Stores of its own rather than memset: the audio thread calls no library
// function.
VELORIN_FRAME_LOOP void silenceRing(float* ring) {
    const __m128 zero = _mm_setzero_ps();
    for (int i = 0; i < ChorusEffect::kDelayLineLength; i += 4) _mm_storeu_ps(ring + i, zero);
}

}  // namespace

// A program change silences the ring and restarts the oscillator and the
// write position; a sample-rate change also silences the filter, whose
// state the filter of another rate built.
void ChorusEffect::makePendingResets() {
    if (pendingResets.load(std::memory_order_relaxed) == 0) return;
    const std::uint32_t resets = pendingResets.exchange(0, std::memory_order_acquire);
    if (resets & kSilenceFilter) {
        filterZ1 = 0.0f;
        filterZ2 = 0.0f;
    }
    if (resets & kRestart) {
        silenceRing(delayLine);
        oscSin = 0.0;
        oscCos = 1.0;
        writePos = 0;
    }
}

template <bool Accumulate>
VELORIN_REALIGN_STACK void ChorusEffect::processBlock(float** inputs, float** outputs, VstInt32 sampleFrames) {
    // Nothing to do, and nothing is touched: not even the MXCSR.
    if (sampleFrames <= 0) return;
    // The switch is a compiler barrier (host/FloatingPointControl.h): no
    // arithmetic of the block moves across it.  The block does no x87 work,
    // so the host's x87 control and status words stay as they are.
    const std::uint32_t hostMxcsr = fpu::enterBlockMxcsr();

    // The newest whole set of coefficients (or, failing that, the previous
    // block's), then the resets asked for: taken in this order, a set that
    // a sample-rate change published comes with the silent filter that the
    // change asked for before.
    const chorus::ProcessingCoefficients previous = blockCoefficients;
    coefficients.takeNewest(blockCoefficients, blockCoefficientsName);
    makePendingResets();

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
    const chorus::FilterCoefficients& c = blockCoefficients.filter;

    const chorus::SweepValues sweep = chorus::sweepValues(rate, depth, predelay, sampleRate);
    const chorus::WetFilterCoefficients filter = {c.a0, c.a1, c.a2, c.b1, c.b2};
    const BlockValues v = {sweep.modDepth,
                           sweep.centerDelay,
                           blockCoefficients.rotation.cosine,
                           blockCoefficients.rotation.sine,
                           dry,
                           chorus::isPhaseReversed(phase) ? -wet : wet,
                           filter,
                           chorus::WetFilterRanges(filter)};
    const FrameLoops loops = frameLoopsFor<Accumulate>(chorus::voiceCountFor(voices));

    CarriedState st;
    st.oscSin = oscSin;
    st.oscCos = oscCos;
    st.z1 = filterZ1;
    st.z2 = filterZ2;
    st.writePos = static_cast<std::uint32_t>(writePos) & kRingMask;
    st.clipped = false;

    // The filter state follows a change of the feedback coefficients since
    // the previous block.
    if (v.filter.b1 != previous.filter.b1 || v.filter.b2 != previous.filter.b2)
        followCoefficientChange(previous.filter.b1, previous.filter.b2, v, st.z1, st.z2);
    const bool pipelined = pipelinedLoopsCover(v, st);

    // Split the block where the write position wraps, so that the loops
    // need no wrap test.  The pipelined loops take multiples of four
    // frames; the in-order loops the frames before them, short pieces and
    // blocks that the pipelined loops do not cover.
    std::int32_t done = 0;
    while (done < sampleFrames) {
        const std::int32_t untilWrap = static_cast<std::int32_t>(kDelayLineLength - st.writePos);
        std::int32_t count = sampleFrames - done < untilWrap ? sampleFrames - done : untilWrap;
        if (pipelined && count >= kShortestPipelined) {
            const std::int32_t lead = count % 4;
            if (lead) {
                loops.inOrder(v, st, delayLine, inputs, outputs, done, lead);
                done += lead;
                count -= lead;
            }
            loops.pipelined(v, st, delayLine, inputs, outputs, done, count);
        } else {
            loops.inOrder(v, st, delayLine, inputs, outputs, done, count);
        }
        done += count;
        st.writePos &= kRingMask;
    }

    filterZ1 = st.z1;
    filterZ2 = st.z2;
    oscSin = st.oscSin;
    oscCos = st.oscCos;
    writePos = static_cast<VstInt32>(st.writePos);
    if (st.clipped) clipFlag.store(1, std::memory_order_relaxed);
    fpu::restoreMxcsr(hostMxcsr);
}

VELORIN_REALIGN_STACK void ChorusEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processBlock<true>(inputs, outputs, sampleFrames);
}

VELORIN_REALIGN_STACK void ChorusEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processBlock<false>(inputs, outputs, sampleFrames);
}
