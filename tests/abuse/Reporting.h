// How the suite reports: the seed and the replay line of every failure, a
// catcher for faults (a touched guard page, a floating-point trap, any
// fault inside the plug-in) that says what each thread was doing and ends
// the process, a watchdog per test, and the table of figures printed at
// the end of a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/LibraryLoading.h"

namespace abuse {

// The run's options: --seed=N (every test derives its own from it) and
// --plugin=FILE (relative to the program's folder, or a full path; the
// built plug-in where the build puts it by default).
struct Options {
    std::uint64_t seed = 20240601;
    std::string plugin = library::kPluginBesideProgram;
};
Options& options();

// A test's own seed, derived from the run's seed and its name.
std::uint64_t seedFor(const char* testName);

// "replay: <program> --gtest_filter=<current test> --seed=N [--plugin=...]"
std::string replayLine();

// Something a thread is doing, described on demand: what it was at and
// what repeats it beyond the replay line.
class Activity {
public:
    virtual void describe(char* text, std::size_t capacity) const = 0;

protected:
    ~Activity() = default;
};

// Makes an activity the calling thread's current one while it lives.
class CurrentActivity {
public:
    explicit CurrentActivity(const Activity& activity);
    ~CurrentActivity();
    CurrentActivity(const CurrentActivity&) = delete;
    CurrentActivity& operator=(const CurrentActivity&) = delete;

private:
    int previous;
    int slot;
};

// Installs the fault catcher and the watchdog (once).
void installFaultCatcher();
// Names the plug-in's module (as platform::moduleContaining gives it, null
// for none), so that a fault whose instruction lies in it is reported as
// the plug-in's.
void setPluginModule(const void* module);
bool inPluginCode(const void* instruction);
// For the platform's fault catcher: prints what was caught ("caught: ..."),
// the instruction's place, what the thread was doing and the replay line,
// and ends the process.
[[noreturn]] void reportFault(const char* what, const void* instruction);

// A watchdog for the current test: past its limit it reports what every
// thread was doing and ends the process.
void armWatchdog(const char* testName, int seconds);
void disarmWatchdog();

// AddressSanitizer makes the plug-in's blocks some thirty times slower: a
// check that spends its time in long blocks does a part of its work under
// it (and its figures say so, with scaledNote()); the table's heading says
// that the run was instrumented.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
constexpr int kBlockWorkDivisor = 10;
#else
constexpr bool kUnderAddressSanitizer = false;
constexpr int kBlockWorkDivisor = 1;
#endif
// "" for a full run, else " (1/10 of a full run)".
std::string scaledNote();

// One row of the figures table.
void recordFigure(const std::string& check, const std::string& figure);
void printFigures();

// Numbers as the table shows them: 1,000,000.
std::string grouped(unsigned long long value);

}  // namespace abuse
