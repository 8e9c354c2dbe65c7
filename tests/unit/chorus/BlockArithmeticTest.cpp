// The SSE2 building blocks of the frame loops (chorus/BlockArithmetic.h)
// against the exact model of ExactArithmetic.h: each +, −, ×, ÷ truncated to
// 24 bits, the store to float and the floor of a read position, one value
// and a pair at a time, on the operands a block meets.  And the MXCSR a host
// leaves behind: flush-to-zero or denormals-are-zero must neither reach the
// block's output nor be lost for the host.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "chorus/BlockArithmetic.h"
#include "host/FloatingPointControl.h"
#include "tests/unit/chorus/ExactArithmetic.h"
#include "tests/unit/chorus/ReferenceChorus.h"
#include "tests/unit/chorus/TestSeams.h"

namespace {

using model::Exact;

std::uint32_t bitsOf(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

std::uint64_t bitsOf(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// NaNs need not agree in payload.
bool sameDouble(double actual, const Exact& expected) {
    if (expected.isNan()) return std::isnan(actual);
    return bitsOf(actual) == bitsOf(expected.toDouble());
}

bool sameFloat(float actual, float expected) {
    if (std::isnan(expected)) return std::isnan(actual);
    return bitsOf(actual) == bitsOf(expected);
}

// Runs its scope under the block's MXCSR, entered from a host's MXCSR with
// flush-to-zero and denormals-are-zero set: the building blocks must not
// depend on what the host left.
class BlockMxcsr {
public:
    BlockMxcsr() {
        fpu::restoreMxcsr(saved | fpu::kMxcsrFlushToZero | fpu::kMxcsrDenormalsAreZero);
        fpu::enterBlockMxcsr();
    }
    ~BlockMxcsr() { fpu::restoreMxcsr(saved); }

private:
    std::uint32_t saved = fpu::mxcsr();
};

// The operands of a block: floats of every magnitude (denormals and values
// near FLT_MAX included), doubles of full precision (constants, rotation),
// 24-bit block results over the exponent range a block reaches, positions,
// signed zeros; now and then an infinity or a NaN.
class Operands {
public:
    explicit Operands(std::uint32_t seed) : state(seed) {}
    double next() {
        const std::uint32_t kind = step() % 12;
        const std::uint32_t a = step(), b = step();
        switch (kind) {
            case 0: {  // any finite float bit pattern
                std::uint32_t bits = a;
                if ((bits & 0x7F800000u) == 0x7F800000u) bits &= 0xBFFFFFFFu;
                float f;
                std::memcpy(&f, &bits, sizeof f);
                return f;
            }
            case 1: return std::ldexp(static_cast<float>(static_cast<std::int32_t>(a) >> 8), -23 - static_cast<int>(b % 8));
            case 2: {  // full precision near 1
                const std::uint64_t bits = (std::uint64_t{0x3FE} << 52) | ((std::uint64_t{a} << 20) ^ b);
                double d;
                std::memcpy(&d, &bits, sizeof d);
                return (b & 1) ? -d : d;
            }
            case 3: return static_cast<double>(static_cast<std::int32_t>(a % 140000) - 70000) + (b % 4) * 0.25;
            case 4: return (a & 1) ? -0.0 : 0.0;
            case 5: return std::ldexp(static_cast<float>(a >> 9), -149 + static_cast<int>(b % 30));  // denormals
            case 6: {  // near FLT_MAX
                const float f = std::ldexp(static_cast<float>((a >> 8) | 0x800000u), 104 - static_cast<int>(b % 3));
                return (b & 8) ? -f : f;
            }
            case 7: return (a % 16 == 0) ? ((b & 1) ? -HUGE_VAL : HUGE_VAL)
                                         : (a % 16 == 1 ? std::numeric_limits<double>::quiet_NaN() : 1.0);
            default:  // a 24-bit block result
                return std::ldexp(static_cast<double>((a >> 8) | 0x800000u), static_cast<int>(b % 500) - 250) *
                       ((b & 0x10000) ? -1 : 1);
        }
    }

private:
    std::uint32_t step() {
        state = state * 1664525u + 1013904223u;
        return state ^ (state >> 15);
    }
    std::uint32_t state;
};

std::vector<double> edgeOperands() {
    return {0.0,
            -0.0,
            1.0,
            -1.0,
            1.0 + std::ldexp(1.0, -23),  // with 2^-24 an exact tie at 24 bits
            std::ldexp(1.0, -24),
            std::ldexp(3.0, -25),
            0.1,
            static_cast<double>(0.1f),
            static_cast<double>(FLT_MAX),
            -static_cast<double>(FLT_MAX),
            static_cast<double>(FLT_MIN),
            static_cast<double>(std::numeric_limits<float>::denorm_min()),
            -3.0 * std::numeric_limits<float>::denorm_min(),
            std::ldexp(1.0, 127) * 1.5,
            std::ldexp(1.0, -126) * (1.0 - std::ldexp(1.0, -23)),  // largest float denormal
            65535.75,
            -0.5,
            HUGE_VAL,
            -HUGE_VAL,
            std::numeric_limits<double>::quiet_NaN()};
}

// Checks the four operations and the float store on one pair of operands,
// alone and as both lanes of a pair ({a, b} with {b, a}).  Returns a
// description of the first disagreement, or "".
std::string check(double a, double b) {
    const Exact ea = Exact::fromDouble(a), eb = Exact::fromDouble(b);
    const Exact expected[4] = {model::add(ea, eb), model::subtract(ea, eb), model::multiply(ea, eb),
                               model::divide(ea, eb)};
    const Exact swapped[4] = {model::add(eb, ea), model::subtract(eb, ea), model::multiply(eb, ea),
                              model::divide(eb, ea)};
    double scalar[4], pairLow[4], pairHigh[4];
    float stored[4], storedLow[4], storedHigh[4];
    {
        BlockMxcsr block;
        volatile double va = a, vb = b;  // no folding at compile time
        const double x = va, y = vb;
        scalar[0] = blockmath::add(x, y);
        scalar[1] = blockmath::sub(x, y);
        scalar[2] = blockmath::mul(x, y);
        scalar[3] = blockmath::div(x, y);
        const __m128d p = _mm_set_pd(y, x), q = _mm_set_pd(x, y);
        const __m128d pair[4] = {blockmath::add(p, q), blockmath::sub(p, q), blockmath::mul(p, q),
                                 blockmath::div(p, q)};
        for (int i = 0; i < 4; ++i) {
            pairLow[i] = _mm_cvtsd_f64(pair[i]);
            pairHigh[i] = _mm_cvtsd_f64(_mm_unpackhi_pd(pair[i], pair[i]));
            stored[i] = blockmath::toFloat(scalar[i]);
            const __m128 floats = blockmath::toFloats(pair[i]);
            storedLow[i] = _mm_cvtss_f32(floats);
            storedHigh[i] = _mm_cvtss_f32(_mm_shuffle_ps(floats, floats, 1));
        }
    }
    static const char* const names[4] = {"+", "-", "*", "/"};
    for (int i = 0; i < 4; ++i) {
        const std::string what = std::to_string(a) + " " + names[i] + " " + std::to_string(b);
        if (!sameDouble(scalar[i], expected[i])) return what + ": scalar";
        if (!sameDouble(pairLow[i], expected[i]) || !sameDouble(pairHigh[i], swapped[i])) return what + ": pair";
        const float f = expected[i].toFloat(), g = swapped[i].toFloat();
        if (!sameFloat(stored[i], f)) return what + ": stored to float";
        if (!sameFloat(storedLow[i], f) || !sameFloat(storedHigh[i], g)) return what + ": pair stored to float";
    }
    return "";
}

TEST(BlockArithmetic, OperationsAndFloatStoresMatchTheExactModel) {
    int failures = 0;
    auto run = [&](double a, double b) {
        const std::string difference = check(a, b);
        if (!difference.empty() && ++failures <= 5) ADD_FAILURE() << difference;
    };
    const std::vector<double> edges = edgeOperands();
    for (double a : edges)
        for (double b : edges) run(a, b);
    Operands operands(2024);
    for (int i = 0; i < 200000; ++i) {
        const double a = operands.next();
        run(a, operands.next());
    }
    EXPECT_EQ(failures, 0);
}

// The store of a double operand itself (a constant, a double of full
// precision): toward zero, denormal below FLT_MIN, FLT_MAX above it.
TEST(BlockArithmetic, FloatStoresOfDoublesRoundTowardZero) {
    std::vector<double> values = edgeOperands();
    for (double v : {std::ldexp(1.75, -148), std::ldexp(1.0, -150), -std::ldexp(1.0, -151), 1e39, -1e300, 1e-300,
                     static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103)})
        values.push_back(v);
    Operands operands(99);
    for (int i = 0; i < 100000; ++i) values.push_back(operands.next());
    BlockMxcsr block;
    for (double v : values) {
        volatile double source = v;
        const float f = blockmath::toFloat(source);
        ASSERT_TRUE(sameFloat(f, Exact::fromDouble(v).toFloat())) << v;
    }
}

// The floor of 24-bit positions, its exact integer and its low 16 bits, and
// the fraction beside it.
TEST(BlockArithmetic, TheFloorOfAPositionIsExact) {
    std::vector<double> positions = {0.0, -0.0, 0.5, -0.5, -1.0, -1.25, 65535.75, 65536.0, -65536.0, -65537.25,
                                     std::ldexp(1.0, 23) - 0.5, -std::ldexp(1.0, 23) + 0.5, -std::ldexp(1.0, 30),
                                     std::ldexp(1.0, 30) * 1.5};
    Operands operands(7);
    while (positions.size() < 100000) {
        const double p = blockmath::truncated(operands.next());
        if (std::fabs(p) < std::ldexp(1.0, 31)) positions.push_back(p);
    }
    BlockMxcsr block;
    for (std::size_t n = 0; n + 1 < positions.size(); n += 2) {
        const double p0 = positions[n], p1 = positions[n + 1];
        const model::Floor f0 = model::floorOf(Exact::fromDouble(p0)), f1 = model::floorOf(Exact::fromDouble(p1));
        std::uint32_t i0;
        const double w0 = blockmath::floorOf(p0, i0);
        ASSERT_TRUE(sameDouble(w0, f0.whole) || (w0 == 0.0 && f0.whole.toDouble() == 0.0)) << p0;
        ASSERT_EQ(i0 & 0xFFFFu, f0.low16) << p0;
        __m128i index;
        const __m128d whole = blockmath::floorOf(_mm_set_pd(p1, p0), index);
        ASSERT_EQ(_mm_cvtsd_f64(whole), f0.whole.toDouble()) << p0;
        ASSERT_EQ(_mm_cvtsd_f64(_mm_unpackhi_pd(whole, whole)), f1.whole.toDouble()) << p1;
        ASSERT_EQ(static_cast<std::uint32_t>(_mm_cvtsi128_si32(index)) & 0xFFFFu, f0.low16) << p0;
        ASSERT_EQ(static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 1))) & 0xFFFFu, f1.low16)
            << p1;
        // The pipelined loops' way, by 1.5 · 2^52: the fraction as a block
        // operation and the ring indices.
        blockmath::SplitPositions split;
        blockmath::splitPositions(_mm_set_pd(p1, p0), _mm_set1_pd(blockmath::kFloorShift), split);
        ASSERT_TRUE(sameDouble(_mm_cvtsd_f64(split.fraction), model::subtract(Exact::fromDouble(p0), f0.whole))) << p0;
        ASSERT_TRUE(sameDouble(_mm_cvtsd_f64(_mm_unpackhi_pd(split.fraction, split.fraction)),
                               model::subtract(Exact::fromDouble(p1), f1.whole)))
            << p1;
        ASSERT_EQ(split.index0(), f0.low16) << p0;
        ASSERT_EQ(split.index1(), f1.low16) << p1;
    }
}

// A host that leaves flush-to-zero, denormals-are-zero and rounding upward
// in the MXCSR: the output is still the model's to the bit (with denormal
// inputs and outputs, which either flag would change), and the host gets
// its MXCSR back, as well as the platform's x87 control word.
TEST(BlockArithmetic, AHostsMxcsrNeitherReachesTheBlockNorIsLost) {
    const std::uint32_t normal = fpu::mxcsr();
    const std::uint32_t host = normal | fpu::kMxcsrFlushToZero | fpu::kMxcsrDenormalsAreZero | 0x4000u;
    for (float voices : {0.0f, 0.5f, 0.9f}) {
        for (bool accumulate : {false, true}) {
            ChorusEffect effect(nullptr);
            model::ReferenceChorus reference;
            effect.setParameter(8, voices);
            reference.setParameter(8, voices);
            const int frames = 4000;
            std::vector<float> inL(frames), inR(frames);
            std::uint32_t seed = 77;
            for (int k = 0; k < frames; ++k) {
                seed = seed * 1664525u + 1013904223u;
                inL[k] = std::ldexp(static_cast<float>(static_cast<std::int32_t>(seed) >> 8), -150);
                seed = seed * 1664525u + 1013904223u;
                inR[k] = std::ldexp(static_cast<float>(static_cast<std::int32_t>(seed) >> 8), -150);
            }
            std::vector<float> outL(frames, accumulate ? 1e-39f : 0.0f), outR = outL;
            std::vector<float> expectedL = outL, expectedR = outR;
            reference.process(inL.data(), inR.data(), expectedL.data(), expectedR.data(), frames, accumulate);

            float* in[2] = {inL.data(), inR.data()};
            float* out[2] = {outL.data(), outR.data()};
            fpu::restoreMxcsr(host);
            if (accumulate)
                effect.process(in, out, frames);
            else
                effect.processReplacing(in, out, frames);
            const std::uint32_t after = fpu::mxcsr();
            fpu::restoreMxcsr(normal);

            EXPECT_EQ(after, host);
            int denormals = 0, differences = 0;
            for (int k = 0; k < frames; ++k) {
                denormals += std::fpclassify(expectedL[k]) == FP_SUBNORMAL;
                differences += bitsOf(outL[k]) != bitsOf(expectedL[k]);
                differences += bitsOf(outR[k]) != bitsOf(expectedR[k]);
            }
            EXPECT_GT(denormals, frames / 2) << "the outputs must be denormal for the test to mean anything";
            EXPECT_EQ(differences, 0) << "voices " << voices << (accumulate ? ", process" : ", processReplacing");
        }
    }
}

}  // namespace
