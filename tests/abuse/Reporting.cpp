#include "tests/abuse/Reporting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "tests/abuse/GuardedMemory.h"
#include "tests/abuse/Platform.h"

namespace abuse {

namespace {

constexpr int kActivitySlots = 16;

struct ActivitySlot {
    std::atomic<const Activity*> activity{nullptr};
    std::atomic<unsigned long> thread{0};
};

// A thread's current activity is in the slot numbered one less than the
// thread's platform::activitySlotOfThisThread().
ActivitySlot activitySlots[kActivitySlots];

std::atomic<const void*> pluginModule{nullptr};

// Written when a test starts, read by the fault catcher and the watchdog,
// which must not build strings of their own.
char replayText[600] = "replay: (no test running)";

long long millisecondsNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Watchdog {
    std::atomic<long long> deadline{0};  // in millisecondsNow(); 0 when disarmed
    std::atomic<int> seconds{0};
    char testName[200] = "";
};
Watchdog watchdog;

std::vector<std::pair<std::string, std::string>>& figures() {
    static std::vector<std::pair<std::string, std::string>> rows;
    return rows;
}

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

void describeActivity(const Activity* activity, char* text, std::size_t capacity) {
    if (activity)
        activity->describe(text, capacity);
    else
        std::snprintf(text, capacity, "(nothing recorded)");
}

const Activity* activityOfThisThread() {
    const int slot = platform::activitySlotOfThisThread();
    return slot > 0 && slot <= kActivitySlots ? activitySlots[slot - 1].activity.load() : nullptr;
}

void watchWatchdog() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const long long deadline = watchdog.deadline.load();
        if (!deadline || millisecondsNow() < deadline) continue;
        char report[6000];
        std::size_t at = static_cast<std::size_t>(
            std::snprintf(report, sizeof report, "\nwatchdog: %s still running after %d s\n", watchdog.testName,
                          watchdog.seconds.load()));
        for (ActivitySlot& slot : activitySlots) {
            const Activity* activity = slot.activity.load();
            if (!activity || at + 100 >= sizeof report) continue;
            char doing[1000];
            activity->describe(doing, sizeof doing);
            at += static_cast<std::size_t>(
                std::snprintf(report + at, sizeof report - at, "  thread %lu: %s\n", slot.thread.load(), doing));
        }
        if (at < sizeof report) std::snprintf(report + at, sizeof report - at, "  %s\n", replayText);
        platform::writeOut(report);
        platform::endProcess(4);
    }
}

// Keeps the replay line and a watchdog for each test.
class TestWatcher : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& test) override {
        const std::string name = std::string(test.test_suite_name()) + "." + test.name();
        const std::string plugin = options().plugin == Options().plugin ? "" : " --plugin=" + options().plugin;
        std::snprintf(replayText, sizeof replayText, "replay: abuse_tests --gtest_filter=%s --seed=%llu%s",
                      name.c_str(), static_cast<unsigned long long>(options().seed), plugin.c_str());
        std::printf("seed %llu for %s (%s)\n", static_cast<unsigned long long>(seedFor(name.c_str())), name.c_str(),
                    replayText);
        armWatchdog(name.c_str(), 240);
    }
    void OnTestEnd(const ::testing::TestInfo&) override { disarmWatchdog(); }
};

}  // namespace

Options& options() {
    static Options o;
    return o;
}

std::uint64_t seedFor(const char* testName) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const char* c = testName; *c; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    return mix(options().seed ^ hash);
}

std::string replayLine() { return replayText; }

CurrentActivity::CurrentActivity(const Activity& activity)
    : previous(platform::activitySlotOfThisThread()), slot(-1) {
    for (int i = 0; i < kActivitySlots && slot < 0; ++i) {
        const Activity* empty = nullptr;
        if (activitySlots[i].activity.compare_exchange_strong(empty, &activity)) {
            activitySlots[i].thread = platform::currentThreadId();
            slot = i;
        }
    }
    if (slot >= 0) platform::setActivitySlotOfThisThread(slot + 1);
}

CurrentActivity::~CurrentActivity() {
    if (slot >= 0) activitySlots[slot].activity = nullptr;
    platform::setActivitySlotOfThisThread(previous);
}

void installFaultCatcher() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    platform::catchFaults();
    std::thread(watchWatchdog).detach();
    ::testing::UnitTest::GetInstance()->listeners().Append(new TestWatcher);
}

void setPluginModule(const void* module) { pluginModule = module; }

bool inPluginCode(const void* instruction) {
    const void* module = pluginModule.load();
    return module && platform::moduleContaining(instruction) == module;
}

void reportFault(const char* what, const void* instruction) {
    char code[300], doing[1000], report[2600];
    platform::nameCodeAddress(instruction, code, sizeof code);
    describeActivity(activityOfThisThread(), doing, sizeof doing);
    std::snprintf(report, sizeof report, "\n%s\n  instruction at %s%s\n  while: %s\n  %s\n", what, code,
                  inPluginCode(instruction) ? " (in the plug-in)" : "", doing, replayText);
    platform::writeOut(report);
    platform::endProcess(3);
}

void armWatchdog(const char* testName, int seconds) {
    std::snprintf(watchdog.testName, sizeof watchdog.testName, "%s", testName);
    watchdog.seconds = seconds;
    watchdog.deadline = millisecondsNow() + static_cast<long long>(seconds) * 1000;
}

void disarmWatchdog() { watchdog.deadline = 0; }

void recordFigure(const std::string& check, const std::string& figure) { figures().emplace_back(check, figure); }

void printFigures() {
    if (figures().empty()) return;
    const char* const scale = kUnderAddressSanitizer ? ", under AddressSanitizer" : "";
    std::printf("\nHost-abuse figures (seed %llu, %s%s):\n\n| check | figures |\n|---|---|\n",
                static_cast<unsigned long long>(options().seed), options().plugin.c_str(), scale);
    for (const auto& [check, figure] : figures()) std::printf("| %s | %s |\n", check.c_str(), figure.c_str());
    std::fflush(stdout);
}

std::string scaledNote() {
    return kBlockWorkDivisor == 1 ? "" : " (1/" + std::to_string(kBlockWorkDivisor) + " of a full run)";
}

std::string grouped(unsigned long long value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

}  // namespace abuse
