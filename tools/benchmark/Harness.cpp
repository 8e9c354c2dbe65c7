#include "tools/benchmark/Harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace bench {

double nowNs() {
#if defined(_WIN32)
    static const double nsPerTick = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1e9 / static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * nsPerTick;
#else
    return static_cast<double>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
#endif
}

float NoiseSource::next(float peak) {
    // xorshift32: plenty for test noise, identical on every compiler.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const float unit = static_cast<float>(state >> 8) * (1.0f / 8388608.0f) - 1.0f;  // [-1, 1)
    return unit * peak;
}

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// Stereo buffers for one block at a time.
struct StereoBlock {
    explicit StereoBlock(int frames) : left(frames), right(frames) {}
    std::vector<float> left, right;
    float* channels[2] = {left.data(), right.data()};
};

// The input every throughput case reads, walked through block by block.
struct NoiseInput {
    static constexpr int kFrames = 16384;  // a multiple of every block size
    NoiseInput() : left(kFrames), right(kFrames) {
        NoiseSource noise;
        for (int i = 0; i < kFrames; ++i) {
            left[i] = noise.next(kNoisePeak);
            right[i] = noise.next(kNoisePeak);
        }
    }
    std::vector<float> left, right;
};

}  // namespace

std::vector<ThroughputResult> measureThroughput(const std::vector<ThroughputCase>& cases,
                                                const ThroughputOptions& options) {
    static const NoiseInput input;
    StereoBlock output(4096);
    for (const ThroughputCase& c : cases) {
        if (NoiseInput::kFrames % c.blockSize || options.framesPerRepetition % c.blockSize || c.blockSize > 4096) {
            std::fprintf(stderr, "block size %d does not fit the harness\n", c.blockSize);
            return {};
        }
    }

    std::vector<std::vector<double>> nsPerFrame(cases.size());
    for (int repetition = 0; repetition < options.warmups + options.repetitions; ++repetition) {
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const ThroughputCase& c = cases[i];
            int position = 0;
            const double start = nowNs();
            for (int done = 0; done < options.framesPerRepetition; done += c.blockSize) {
                float* inputs[2] = {const_cast<float*>(input.left.data()) + position,
                                    const_cast<float*>(input.right.data()) + position};
                c.processor->process(inputs, output.channels, c.blockSize);
                position = (position + c.blockSize) % NoiseInput::kFrames;
            }
            const double elapsed = nowNs() - start;
            if (repetition >= options.warmups) nsPerFrame[i].push_back(elapsed / options.framesPerRepetition);
        }
    }

    std::vector<ThroughputResult> results;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::vector<double>& samples = nsPerFrame[i];
        results.push_back({cases[i].name, cases[i].blockSize, median(samples),
                           *std::min_element(samples.begin(), samples.end()),
                           *std::max_element(samples.begin(), samples.end())});
    }
    return results;
}

BurstResult measureBurst(const std::string& name, BlockProcessor& processor, const BurstOptions& options) {
    const int block = options.blockSize;
    auto blocksIn = [&](double seconds) { return static_cast<int>(seconds * kSampleRate / block + 0.5); };
    const int noiseBlocks = blocksIn(options.noiseSeconds);
    const int burstBlocks = blocksIn(options.burstSeconds);
    const int silentBlocks = blocksIn(options.silenceSeconds);
    const int totalBlocks = noiseBlocks + burstBlocks + silentBlocks;
    const int frames = totalBlocks * block;

    std::vector<float> left(frames, 0.0f), right(frames, 0.0f);
    NoiseSource noise(0xB0257u);
    for (int i = 0; i < (noiseBlocks + burstBlocks) * block; ++i) {
        const float peak = i < noiseBlocks * block ? kNoisePeak : 1.0f;
        left[i] = noise.next(peak);
        right[i] = noise.next(peak);
    }

    StereoBlock output(block);
    std::vector<double> cheapest(totalBlocks, 1e300);
    double worstRaw = 0.0;
    long denormals = 0;
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (int repetition = 0; repetition < options.repetitions; ++repetition) {
        for (int b = 0; b < totalBlocks; ++b) {
            float* inputs[2] = {left.data() + b * block, right.data() + b * block};
            const double start = nowNs();
            processor.process(inputs, output.channels, block);
            const double elapsed = nowNs() - start;
            cheapest[b] = std::min(cheapest[b], elapsed);
            const bool silent = b >= noiseBlocks + burstBlocks;
            if (silent && repetition > 0) worstRaw = std::max(worstRaw, elapsed);
            if (repetition > 0) continue;
            // The first run's output, by the bits (a comparison would see
            // denormals as zero under denormals-are-zero).
            for (float* channel : output.channels) {
                for (int i = 0; i < block; ++i) {
                    std::uint32_t bits;
                    std::memcpy(&bits, &channel[i], sizeof bits);
                    hash = (hash ^ bits) * 16777619u;
                    if (silent) denormals += (bits & 0x7F800000u) == 0 && (bits & 0x007FFFFFu) != 0;
                }
            }
        }
    }

    BurstResult result{name, block, 0.0, 0.0, 0.0, worstRaw, denormals, hash};
    result.noiseBlockNs = median(std::vector<double>(cheapest.begin(), cheapest.begin() + noiseBlocks));
    for (int b = noiseBlocks + burstBlocks; b < totalBlocks; ++b) {
        if (cheapest[b] > result.maxSilentBlockNs) {
            result.maxSilentBlockNs = cheapest[b];
            result.maxSilentAtSeconds = (b - noiseBlocks - burstBlocks) * block / kSampleRate;
        }
    }
    return result;
}

std::string formatRecord(const std::string& side, const ThroughputResult& r) {
    char line[256];
    std::snprintf(line, sizeof line, "record throughput %s %s %d %.4f %.4f %.4f", side.c_str(), r.name.c_str(),
                  r.blockSize, r.medianNs, r.minNs, r.maxNs);
    return line;
}

std::string formatRecord(const std::string& side, const BurstResult& r) {
    char line[256];
    std::snprintf(line, sizeof line, "record burst %s %s %d %.1f %.1f %.4f %.1f %ld %08x", side.c_str(),
                  r.name.c_str(), r.blockSize, r.noiseBlockNs, r.maxSilentBlockNs, r.maxSilentAtSeconds,
                  r.worstRawBlockNs, r.denormalOutputs, static_cast<unsigned>(r.outputHash));
    return line;
}

void parseRecords(const std::string& text, Records& records) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string tag, kind, side;
        if (!(fields >> tag >> kind >> side) || tag != "record") continue;
        if (kind == "throughput") {
            ThroughputResult r{};
            if (fields >> r.name >> r.blockSize >> r.medianNs >> r.minNs >> r.maxNs)
                records.throughput.emplace_back(side, r);
        } else if (kind == "burst") {
            BurstResult r{};
            if (fields >> r.name >> r.blockSize >> r.noiseBlockNs >> r.maxSilentBlockNs >> r.maxSilentAtSeconds >>
                r.worstRawBlockNs >> r.denormalOutputs >> std::hex >> r.outputHash)
                records.bursts.emplace_back(side, r);
        }
    }
}

}  // namespace bench
