// A small timing harness that compiles natively and for Windows alike, so
// that the numbers of the native build, of the DLL under Wine and of the
// LADSPA competitors come from the same code: a fixed-seed noise source,
// stereo block processors, interleaved throughput runs and the denormal tail
// after a burst.  It measures and reports; it judges nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

constexpr double kSampleRate = 44100.0;
constexpr int kBlockSizes[] = {64, 512, 4096};

// Nanoseconds from a monotonic clock (QueryPerformanceCounter on Windows).
double nowNs();

// White noise, uniform, from a fixed seed: the same numbers in every build.
class NoiseSource {
public:
    explicit NoiseSource(std::uint32_t seed = 0x5EEDu) : state(seed) {}
    // Uniform in [-peak, peak].
    float next(float peak);

private:
    std::uint32_t state;
};

// The RMS of uniform noise is peak / sqrt(3): this peak gives about -12 dBFS.
constexpr float kNoisePeak = 0.4330127f;

// Anything that turns stereo blocks into stereo blocks.
class BlockProcessor {
public:
    virtual ~BlockProcessor() = default;
    virtual void process(float** inputs, float** outputs, int frames) = 0;
};

// One row of a throughput run: a processor at one block size.
struct ThroughputCase {
    std::string name;  // "velorin-2v", "tap", ...
    BlockProcessor* processor;
    int blockSize;
};

struct ThroughputResult {
    std::string name;
    int blockSize;
    double medianNs;  // per stereo frame
    double minNs;
    double maxNs;
};

struct ThroughputOptions {
    // Short runs, many of them: on a shared machine some escape preemption.
    int framesPerRepetition = 65536;  // a multiple of every block size
    int warmups = 2;
    int repetitions = 41;
};

// Runs every case once per repetition, round-robin, so that whatever else
// the machine does at the time spreads over all cases alike.
std::vector<ThroughputResult> measureThroughput(const std::vector<ThroughputCase>& cases,
                                                const ThroughputOptions& options = {});

// The cost of blocks while the filter state and the delay line decay
// through the denormal range: -12 dBFS noise (the reference), then a
// full-scale burst, then silence, each block timed alone.  The run is
// repeated and every block keeps its cheapest repetition, which removes
// preemption by other processes but not a cost the data itself causes.
struct BurstOptions {
    int blockSize = 512;
    double noiseSeconds = 1.0;
    double burstSeconds = 0.5;
    double silenceSeconds = 2.0;
    int repetitions = 7;
};

struct BurstResult {
    std::string name;
    int blockSize;
    double noiseBlockNs;       // median block of noise
    double maxSilentBlockNs;   // dearest block in the silence after the burst
    double maxSilentAtSeconds; // where it was, counted from the burst's end
    double worstRawBlockNs;    // dearest single timing, preemption included
    long denormalOutputs;      // denormal samples in the silence's output: the decay did pass that range
    std::uint32_t outputHash;  // of the first run's output bits: equal builds give equal hashes
};

BurstResult measureBurst(const std::string& name, BlockProcessor& processor, const BurstOptions& options = {});

// Results cross from the Windows program to the native report as text
// lines; anything else on the line stream is ignored.
std::string formatRecord(const std::string& side, const ThroughputResult& result);
std::string formatRecord(const std::string& side, const BurstResult& result);

struct Records {
    std::vector<std::pair<std::string, ThroughputResult>> throughput;  // side, result
    std::vector<std::pair<std::string, BurstResult>> bursts;
};
void parseRecords(const std::string& text, Records& records);

// Frames per second over nanoseconds per frame: how many times faster than
// real time at 44.1 kHz.
inline double realTimeFactor(double nsPerFrame) { return 1e9 / kSampleRate / nsPerFrame; }

}  // namespace bench
