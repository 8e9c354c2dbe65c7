// Prints what decides the sound of this build's DLL, one line per item, so
// that the 32- and 64-bit builds can be compared line for line
// (same-sound-as-32-bit.sh): a hash of the DLL's output for every golden
// scenario, and hashes of the filter coefficients and oscillator rotations
// over a grid of Cutoff and Rate values at every common sample rate.  The
// golden tests hold each DLL to the reference model, but the model takes its
// coefficients and rotations from the same compiled code as the DLL, so
// only this comparison sees a difference in the C runtime's tan or the
// x87's cos between the two bitnesses.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "chorus/FilterDesign.h"
#include "chorus/OscillatorRotation.h"
#include "tests/unit/chorus/GoldenScenarios.h"
#include "tests/wine/chorus/DllChorus.h"
#include "tools/PluginLoader.h"

namespace {

class Hash {
public:
    template <typename T>
    void add(T value) {
        unsigned char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        for (unsigned char b : bytes) state = (state ^ b) * 1099511628211ull;  // FNV-1a
    }
    unsigned long long value() const { return state; }

private:
    std::uint64_t state = 14695981039346656037ull;
};

// 0 to 1 in steps of 2^-16, then every 64th float of that range: the even
// grid that hosts' automation produces and the fine structure near 0.
template <typename Visit>
void forEachParameterValue(Visit visit) {
    for (int i = 0; i <= 65536; ++i) visit(static_cast<float>(i) / 65536.0f);
    for (std::uint32_t bits = 0; bits <= 0x3F800000u; bits += 64 * 4099) {
        float value;
        std::memcpy(&value, &bits, sizeof value);
        visit(value);
    }
}

}  // namespace

int main() {
    PluginLoader loader(builtPluginPath());
    if (!loader.loaded()) {
        std::fprintf(stderr, "%s\n", loader.error().c_str());
        return 1;
    }
    for (const golden::Scenario& scenario : golden::scenarios()) {
        DllChorus dll(loader.create());
        if (!dll.plugin.record()) {
            std::fprintf(stderr, "the DLL's main returned no effect\n");
            return 1;
        }
        const golden::Output output = golden::run(scenario, dll);
        Hash hash;
        for (std::size_t k = 0; k < output.left.size(); ++k) {
            hash.add(output.left[k]);
            hash.add(output.right[k]);
        }
        std::printf("scenario %s %016llx\n", scenario.name.c_str(), hash.value());
    }
    for (float sampleRate : {22050.0f, 32000.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f}) {
        Hash filter, rotation;
        forEachParameterValue([&](float value) {
            for (bool lowPass : {true, false}) {
                const chorus::FilterCoefficients c = chorus::designFilter(lowPass, value, sampleRate);
                for (float coefficient : {c.a0, c.a1, c.a2, c.b1, c.b2}) filter.add(coefficient);
            }
            const chorus::OscillatorRotation r = chorus::oscillatorRotation(value, sampleRate);
            rotation.add(r.cosine);
            rotation.add(r.sine);
        });
        std::printf("filter %g %016llx\nrotation %g %016llx\n", sampleRate, filter.value(), sampleRate,
                    rotation.value());
    }
    return 0;
}
