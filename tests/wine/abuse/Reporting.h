// How the suite reports: the seed and the replay line of every failure, a
// catcher for faults (a touched guard page, a floating-point trap, any
// fault inside the plug-in) that says what each thread was doing and ends
// the process, a watchdog per test, and the table of figures printed at
// the end of a run.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace abuse {

// The run's options: --seed=N (every test derives its own from it) and
// --plugin=FILE (a DLL beside the program, or a full path).
struct Options {
    std::uint64_t seed = 20240601;
    std::string plugin = "Velorin2.dll";
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
    const void* previous;
    int slot;
};

// Installs the fault catcher (once) and names the plug-in's module, so that
// a fault whose instruction lies in it is reported as the plug-in's.
void installFaultCatcher();
void setPluginModule(HMODULE module);

// A watchdog for the current test: past its limit it reports what every
// thread was doing and ends the process.
void armWatchdog(const char* testName, int seconds);
void disarmWatchdog();

// One row of the figures table.
void recordFigure(const std::string& check, const std::string& figure);
void printFigures();

// Numbers as the table shows them: 1,000,000.
std::string grouped(unsigned long long value);

}  // namespace abuse
