#include "tests/wine/abuse/Reporting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "tests/wine/abuse/GuardedMemory.h"

namespace abuse {

namespace {

constexpr int kActivitySlots = 16;

struct ActivitySlot {
    std::atomic<const Activity*> activity{nullptr};
    std::atomic<DWORD> thread{0};
};

ActivitySlot activitySlots[kActivitySlots];
DWORD currentSlotIndex = TLS_OUT_OF_INDEXES;  // per thread: 1 + the slot of its current activity

std::atomic<HMODULE> pluginModule{nullptr};

// Written when a test starts, read by the fault catcher and the watchdog,
// which must not build strings of their own.
char replayText[600] = "replay: (no test running)";

struct Watchdog {
    std::atomic<ULONGLONG> deadline{0};
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

void writeOut(const char* text) {
    std::fflush(stdout);
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

// "Velorin2.dll+0x1a2b" for a code address.
void nameCodeAddress(const void* address, char* text, std::size_t capacity) {
    HMODULE module = nullptr;
    char path[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module))
        GetModuleFileNameA(module, path, sizeof path);
    const char* name = std::strrchr(path, '\\');
    name = name ? name + 1 : path;
    std::snprintf(text, capacity, "%s+0x%zx", name,
                  static_cast<std::size_t>(static_cast<const char*>(address) - reinterpret_cast<const char*>(module)));
}

void describeActivity(const Activity* activity, char* text, std::size_t capacity) {
    if (activity)
        activity->describe(text, capacity);
    else
        std::snprintf(text, capacity, "(nothing recorded)");
}

const Activity* activityOfThisThread() {
    if (currentSlotIndex == TLS_OUT_OF_INDEXES) return nullptr;
    const auto index = reinterpret_cast<std::uintptr_t>(TlsGetValue(currentSlotIndex));
    return index ? activitySlots[index - 1].activity.load() : nullptr;
}

bool inPlugin(const void* address) {
    HMODULE module = pluginModule.load();
    if (!module) return false;
    HMODULE owner = nullptr;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(address), &owner) &&
           owner == module;
}

const char* trapName(DWORD code) {
    switch (code) {
    case EXCEPTION_FLT_DENORMAL_OPERAND: return "x87 denormal-operand trap";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: return "x87 zero-divide trap";
    case EXCEPTION_FLT_INEXACT_RESULT: return "x87 precision trap";
    case EXCEPTION_FLT_INVALID_OPERATION: return "x87 invalid-operation trap";
    case EXCEPTION_FLT_OVERFLOW: return "x87 overflow trap";
    case EXCEPTION_FLT_STACK_CHECK: return "x87 stack fault";
    case EXCEPTION_FLT_UNDERFLOW: return "x87 underflow trap";
    case 0xC00002B4: return "SSE floating-point trap";  // STATUS_FLOAT_MULTIPLE_FAULTS
    case 0xC00002B5: return "SSE floating-point trap";  // STATUS_FLOAT_MULTIPLE_TRAPS
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return "misaligned data";
    default: return nullptr;
    }
}

LONG CALLBACK catchFault(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    char what[700];
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
        const void* address = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
        const ULONG_PTR kind = record.ExceptionInformation[0];
        char place[400];
        const bool guarded = describeGuardedAddress(address, place, sizeof place);
        // Faults elsewhere may be the system's own, probing memory under
        // its own handler.
        if (!guarded && !inPlugin(record.ExceptionAddress)) return EXCEPTION_CONTINUE_SEARCH;
        std::snprintf(what, sizeof what, "caught: %s at %p, %s", kind == 1 ? "write" : kind == 8 ? "execution" : "read",
                      address, guarded ? place : "outside any guarded memory");
    } else if (const char* trap = trapName(record.ExceptionCode)) {
        std::snprintf(what, sizeof what, "caught: %s (exception 0x%08lx)", trap,
                      static_cast<unsigned long>(record.ExceptionCode));
    } else {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    char code[300], doing[1000], report[2600];
    nameCodeAddress(record.ExceptionAddress, code, sizeof code);
    describeActivity(activityOfThisThread(), doing, sizeof doing);
    std::snprintf(report, sizeof report, "\n%s\n  instruction at %s%s\n  while: %s\n  %s\n", what, code,
                  inPlugin(record.ExceptionAddress) ? " (in the plug-in)" : "", doing, replayText);
    writeOut(report);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

DWORD WINAPI watchWatchdog(void*) {
    for (;;) {
        Sleep(250);
        const ULONGLONG deadline = watchdog.deadline.load();
        if (!deadline || GetTickCount64() < deadline) continue;
        char report[6000];
        std::size_t at = static_cast<std::size_t>(
            std::snprintf(report, sizeof report, "\nwatchdog: %s still running after %d s\n", watchdog.testName,
                          watchdog.seconds.load()));
        for (ActivitySlot& slot : activitySlots) {
            const Activity* activity = slot.activity.load();
            if (!activity || at + 100 >= sizeof report) continue;
            char doing[1000];
            activity->describe(doing, sizeof doing);
            at += static_cast<std::size_t>(std::snprintf(report + at, sizeof report - at, "  thread %lu: %s\n",
                                                          static_cast<unsigned long>(slot.thread.load()), doing));
        }
        if (at < sizeof report) std::snprintf(report + at, sizeof report - at, "  %s\n", replayText);
        writeOut(report);
        TerminateProcess(GetCurrentProcess(), 4);
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

CurrentActivity::CurrentActivity(const Activity& activity) : previous(nullptr), slot(-1) {
    previous = TlsGetValue(currentSlotIndex);
    for (int i = 0; i < kActivitySlots && slot < 0; ++i) {
        const Activity* empty = nullptr;
        if (activitySlots[i].activity.compare_exchange_strong(empty, &activity)) {
            activitySlots[i].thread = GetCurrentThreadId();
            slot = i;
        }
    }
    if (slot >= 0) TlsSetValue(currentSlotIndex, reinterpret_cast<void*>(static_cast<std::uintptr_t>(slot + 1)));
}

CurrentActivity::~CurrentActivity() {
    if (slot >= 0) activitySlots[slot].activity = nullptr;
    TlsSetValue(currentSlotIndex, const_cast<void*>(previous));
}

void installFaultCatcher() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    currentSlotIndex = TlsAlloc();
    AddVectoredExceptionHandler(1, catchFault);
    CloseHandle(CreateThread(nullptr, 0, watchWatchdog, nullptr, 0, nullptr));
    ::testing::UnitTest::GetInstance()->listeners().Append(new TestWatcher);
}

void setPluginModule(HMODULE module) { pluginModule = module; }

void armWatchdog(const char* testName, int seconds) {
    std::snprintf(watchdog.testName, sizeof watchdog.testName, "%s", testName);
    watchdog.seconds = seconds;
    watchdog.deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
}

void disarmWatchdog() { watchdog.deadline = 0; }

void recordFigure(const std::string& check, const std::string& figure) { figures().emplace_back(check, figure); }

void printFigures() {
    if (figures().empty()) return;
    std::printf("\nHost-abuse figures (seed %llu, %s):\n\n| check | figures |\n|---|---|\n",
                static_cast<unsigned long long>(options().seed), options().plugin.c_str());
    for (const auto& [check, figure] : figures()) std::printf("| %s | %s |\n", check.c_str(), figure.c_str());
    std::fflush(stdout);
}

std::string grouped(unsigned long long value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

}  // namespace abuse
