// The one table of a benchmark run, in Markdown: throughput of our effect
// (native and the DLL under Wine) and of the LADSPA competitors, the ratios
// between them, the cost of the decay after a burst, and the targets.
#pragma once

#include <string>
#include <vector>

#include "tools/benchmark/Harness.h"

namespace bench {

// Names of the cases in the records.
extern const char* const kOurCases[3];  // 1, 2 and 4 voices
extern const char* const kLv2Cases[3];  // the same through the LV2 plug-in's entry
constexpr int kOurVoices[3] = {1, 2, 4};
extern const char* const kTapCase;
extern const char* const kSwhCase;
extern const char* const kCapsCase;
extern const char* const kFloorCase;  // the recurrences alone (RecurrenceFloor.h)

struct ReportContext {
    std::string machine;                        // processor and load
    ThroughputOptions throughput;
    BurstOptions burst;
    std::vector<std::string> competitorNotes;   // settings or why one is missing
};

void printReport(const Records& records, const ReportContext& context);

}  // namespace bench
