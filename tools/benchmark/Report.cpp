#include "tools/benchmark/Report.h"

#include <algorithm>
#include <cstdio>

namespace bench {

const char* const kOurCases[3] = {"velorin-1v", "velorin-2v", "velorin-4v"};
const char* const kTapCase = "tap-chorusflanger";
const char* const kSwhCase = "swh-multivoice";
const char* const kCapsCase = "caps-chorusI";
const char* const kFloorCase = "floor";
const char* const kLv2Cases[3] = {"velorin-lv2-1v", "velorin-lv2-2v", "velorin-lv2-4v"};

namespace {

const char* const kNative = "native";
const char* const kWine = "wine";      // the 32-bit DLL
const char* const kWine64 = "wine64";  // the 64-bit DLL

const char* buildName(const char* side) {
    if (side == kWine) return "32-bit DLL under Wine";
    if (side == kWine64) return "64-bit DLL under Wine";
    return "native";
}

// On a shared machine the fastest run is the one that nothing else
// disturbed: each case counts with its fastest run over all rounds.
const ThroughputResult* find(const Records& records, const char* side, const char* name, int block) {
    const ThroughputResult* best = nullptr;
    for (const auto& entry : records.throughput) {
        const ThroughputResult& r = entry.second;
        if (entry.first == side && r.name == name && r.blockSize == block && (!best || r.minNs < best->minNs))
            best = &r;
    }
    return best;
}

// The burst counts with its median round: per-block minima already remove
// preemption, and the median neither favours nor punishes one round.
const BurstResult* findBurst(const Records& records, const char* side, const char* name) {
    std::vector<const BurstResult*> rounds;
    for (const auto& entry : records.bursts) {
        if (entry.first == side && entry.second.name == name) rounds.push_back(&entry.second);
    }
    if (rounds.empty()) return nullptr;
    std::sort(rounds.begin(), rounds.end(), [](const BurstResult* a, const BurstResult* b) {
        return a->maxSilentBlockNs / a->noiseBlockNs < b->maxSilentBlockNs / b->noiseBlockNs;
    });
    return rounds[(rounds.size() - 1) / 2];
}

// numerator / denominator of two fastest runs, or a negative value if one is
// missing.
double ratio(const ThroughputResult* numerator, const ThroughputResult* denominator) {
    return numerator && denominator ? numerator->minNs / denominator->minNs : -1.0;
}

void printRatioCell(double value) {
    if (value < 0)
        std::printf(" n/a |");
    else
        std::printf(" %.2f |", value);
}

void printThroughputRow(const Records& records, const char* label, const char* build, const char* side,
                        const char* name) {
    std::printf("| %s | %s |", label, build);
    double spread = 0.0;
    bool any = false;
    for (int block : kBlockSizes) {
        const ThroughputResult* r = find(records, side, name, block);
        if (!r) {
            std::printf(" n/a |");
            continue;
        }
        any = true;
        std::printf(" %.1f ns (%.0fx) |", r->minNs, realTimeFactor(r->minNs));
        spread = std::max(spread, r->medianNs / r->minNs - 1.0);
    }
    if (any)
        std::printf(" %.0f %% |\n", 100.0 * spread);
    else
        std::printf(" |\n");
}

// Worst case of a ratio over the block sizes: the smallest for "theirs /
// ours" (we must be faster everywhere), the largest for "DLL / native".
struct Worst {
    bool wantSmall;
    double value = -1.0;
    void add(double r) {
        if (r < 0) return;
        if (value < 0 || (wantSmall ? r < value : r > value)) value = r;
    }
};

void printTarget(const char* what, const char* measure, double value, bool pass) {
    if (value < 0)
        std::printf("| %s | %s: n/a | not measured |\n", what, measure);
    else
        std::printf("| %s | %s: %.2f | %s |\n", what, measure, value, pass ? "PASS" : "MISS");
}

// The figures the targets are judged by: worst cases over the block sizes.
struct TargetFigures {
    Worst floor[3] = {Worst{false}, Worst{false}, Worst{false}};  // ours / floor, native, per voice count
    Worst tap{true};
    Worst swh{true};
    Worst dll{false};  // either DLL / native
    Worst burst{false};
};

void printThroughput(const Records& records, const ReportContext& context) {
    const ThroughputOptions& t = context.throughput;
    std::printf("## Throughput\n\n");
    int rounds = 0;
    for (const auto& entry : records.throughput)
        rounds += entry.first == kNative && entry.second.name == kOurCases[1] && entry.second.blockSize == 512;
    std::printf("%s. 44.1 kHz, uniform white noise at -12 dBFS RMS from a fixed seed. Nanoseconds per stereo frame "
                "in the fastest of %d runs of %d frames per case (the cases interleaved) over %d round(s) that "
                "alternate between the DLL and the native build; real-time factor at 44.1 kHz in brackets. "
                "Spread = median run / fastest run - 1 in that round, worst block size: how much the machine's "
                "other work disturbed the runs.\n\n",
                context.machine.c_str(), t.repetitions, t.framesPerRepetition, rounds);
    std::printf("| effect | build | block 64 | block 512 | block 4096 | spread |\n");
    std::printf("|---|---|---:|---:|---:|---:|\n");
    const char* voiceLabels[3] = {"Velorin 2, 1 voice", "Velorin 2, 2 voices", "Velorin 2, 4 voices"};
    for (int v = 0; v < 3; ++v) {
        for (const char* side : {kNative, kWine, kWine64})
            printThroughputRow(records, voiceLabels[v], buildName(side), side, kOurCases[v]);
        printThroughputRow(records, voiceLabels[v], "LV2 plug-in, native", kNative, kLv2Cases[v]);
    }
    printThroughputRow(records, "Floor: oscillator and filter recurrences alone", "native", kNative, kFloorCase);
    printThroughputRow(records, "Floor: oscillator and filter recurrences alone", "DLL under Wine", kWine, kFloorCase);
    printThroughputRow(records, "TAP Chorus/Flanger (1 voice per channel)", "LADSPA, native", kNative, kTapCase);
    printThroughputRow(records, "swh Multivoice Chorus (2 voices per channel, 1 instance per channel)",
                       "LADSPA, native", kNative, kSwhCase);
    printThroughputRow(records, "caps ChorusI (1 instance per channel)", "LADSPA, native", kNative, kCapsCase);
    if (!context.competitorNotes.empty()) {
        std::printf("\nCompetitor settings:\n");
        for (const std::string& note : context.competitorNotes) std::printf("- %s\n", note.c_str());
    }
}

struct Comparison {
    std::string label;
    const char* numeratorSide;
    const char* numerator;
    const char* denominatorSide;
    const char* denominator;
};

std::vector<Comparison> comparisons() {
    std::vector<Comparison> list;
    const char* counts[3] = {"1 voice", "2 voices", "4 voices"};
    for (int v = 0; v < 3; ++v)
        list.push_back({std::string("our ") + counts[v] + " / floor, native", kNative, kOurCases[v], kNative, kFloorCase});
    for (int v = 0; v < 3; ++v)
        list.push_back({std::string("our ") + counts[v] + " / floor, DLL under Wine", kWine, kOurCases[v], kWine,
                        kFloorCase});
    list.push_back({"TAP Chorus/Flanger / our 2 voices", kNative, kTapCase, kNative, kOurCases[1]});
    list.push_back({"swh Multivoice (2 per channel) / our 4 voices", kNative, kSwhCase, kNative, kOurCases[2]});
    list.push_back({"caps ChorusI / our 2 voices", kNative, kCapsCase, kNative, kOurCases[1]});
    for (const char* side : {kWine, kWine64}) {
        for (int v = 0; v < 3; ++v)
            list.push_back({std::string(buildName(side)) + " / native, " + counts[v], side, kOurCases[v], kNative,
                            kOurCases[v]});
    }
    for (int v = 0; v < 3; ++v)
        list.push_back({std::string("LV2 plug-in / native effect, ") + counts[v], kNative, kLv2Cases[v], kNative,
                        kOurCases[v]});
    return list;
}

void printRatios(const Records& records, TargetFigures& figures) {
    std::printf("\n## Ratios\n\nOurs / floor: how far above the two recurrences alone (each build against its own "
                "floor). Theirs / ours: above 1 means ours is faster. DLL / native: above 1 means the DLL under Wine "
                "is slower. LV2 / native: the same effect through the LV2 plug-in's entry. Fastest runs, as in the "
                "table above.\n\n");
    std::printf("| ratio | block 64 | block 512 | block 4096 |\n|---|---:|---:|---:|\n");
    for (const Comparison& c : comparisons()) {
        std::printf("| %s |", c.label.c_str());
        for (int block : kBlockSizes) {
            const double r = ratio(find(records, c.numeratorSide, c.numerator, block),
                                   find(records, c.denominatorSide, c.denominator, block));
            printRatioCell(r);
            for (int v = 0; v < 3; ++v) {
                if (c.numeratorSide == kNative && c.numerator == kOurCases[v] && c.denominator == kFloorCase)
                    figures.floor[v].add(r);
            }
            if (c.numerator == kTapCase) figures.tap.add(r);
            if (c.numerator == kSwhCase) figures.swh.add(r);
            if (c.numeratorSide != kNative && c.denominatorSide == kNative) figures.dll.add(r);
        }
        std::printf("\n");
    }
}

void printBursts(const Records& records, const ReportContext& context, TargetFigures& figures) {
    const BurstOptions& b = context.burst;
    std::printf("\n## Decay after a burst\n\nBlocks of %d frames: %.1f s of -12 dBFS noise, %.1f s of full-scale noise, "
                "then %.1f s of silence while the filter state and the delay line decay through the denormal range. "
                "Each block keeps its cheapest of %d runs; the median round by ratio is shown; the dearest single "
                "timing in the silence includes preemption; denormal outputs counts the output samples of the "
                "silence (first run) in the denormal range, the evidence that the decay passes it.\n\n",
                b.blockSize, b.noiseSeconds, b.burstSeconds, b.silenceSeconds, b.repetitions);
    std::printf("| voices | build | noise block | dearest silent block | at (s after burst) | ratio | dearest single "
                "timing | denormal outputs |\n|---|---|---:|---:|---:|---:|---:|---:|\n");
    for (const char* side : {kNative, kWine, kWine64}) {
        for (int v = 0; v < 3; ++v) {
            const BurstResult* r = findBurst(records, side, kOurCases[v]);
            if (!r) continue;
            const double factor = r->maxSilentBlockNs / r->noiseBlockNs;
            figures.burst.add(factor);
            std::printf("| %d | %s | %.1f us | %.1f us | %.2f | %.2f | %.1f us | %ld |\n", kOurVoices[v],
                        buildName(side), r->noiseBlockNs / 1000, r->maxSilentBlockNs / 1000, r->maxSilentAtSeconds,
                        factor, r->worstRawBlockNs / 1000, r->denormalOutputs);
        }
    }
}

// The builds must do the same work to be compared at all.
void printOutputIdentity(const Records& records) {
    for (const char* side : {kWine, kWine64}) {
        std::printf("\nOutput of this scenario, %s against native:", buildName(side));
        for (int v = 0; v < 3; ++v) {
            const BurstResult* native = findBurst(records, kNative, kOurCases[v]);
            const BurstResult* dll = findBurst(records, side, kOurCases[v]);
            std::printf(" %d voice%s ", kOurVoices[v], v ? "s" : "");
            if (!native || !dll)
                std::printf("n/a");
            else if (native->outputHash == dll->outputHash)
                std::printf("identical bits");
            else
                std::printf("DIFFERENT (hash %08x native, %08x DLL)", static_cast<unsigned>(native->outputHash),
                            static_cast<unsigned>(dll->outputHash));
            std::printf(v < 2 ? ";" : ".");
        }
    }
    std::printf("\n");
}

void printTargets(const TargetFigures& f) {
    std::printf("\n## Targets (information only: a benchmark, not a test)\n\n| target | measured (worst block size) "
                "| |\n|---|---|---|\n");
    const double floorLimits[3] = {1.4, 1.4, 2.0};
    const char* floorTargets[3] = {"our 1 voice at most 1.4x the floor (native)",
                                   "our 2 voices at most 1.4x the floor (native)",
                                   "our 4 voices at most 2.0x the floor (native)"};
    for (int v = 0; v < 3; ++v)
        printTarget(floorTargets[v], "ours / floor", f.floor[v].value, f.floor[v].value <= floorLimits[v]);
    printTarget("our 2 voices at least 1.3x as fast as TAP Chorus/Flanger", "TAP / ours", f.tap.value,
                f.tap.value >= 1.3);
    printTarget("our 4 voices at least 1.3x as fast as swh Multivoice at 2 voices per channel", "swh / ours",
                f.swh.value, f.swh.value >= 1.3);
    printTarget("each DLL under Wine, and the LV2 plug-in, at most 1.15x native", "DLL / native", f.dll.value,
                f.dll.value <= 1.15);
    printTarget("no block after the burst above 1.5x a noise block", "dearest / noise block", f.burst.value,
                f.burst.value <= 1.5);
}

}  // namespace

void printReport(const Records& records, const ReportContext& context) {
    TargetFigures figures;
    printThroughput(records, context);
    printRatios(records, figures);
    printBursts(records, context, figures);
    printOutputIdentity(records);
    printTargets(figures);
}

}  // namespace bench
