// Faults arrive as signals: SIGSEGV and SIGBUS for memory, SIGFPE for
// traps, SIGILL.  The handler runs on an alternate stack, so that a stack
// overflow of the main thread is reported too.  A memory fault that is
// neither in guarded memory nor in the plug-in's code (a wild pointer
// handed to the C library, a fault of the host's own) goes back to a
// handler that was there before, AddressSanitizer's with its stack trace:
// the instruction faults again and that one takes it.  Without one it is
// reported here like the others.
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstdint>
#include <cstdio>

#include "tests/abuse/GuardedMemory.h"
#include "tests/abuse/Platform.h"
#include "tests/abuse/Reporting.h"

#if !defined(__x86_64__)
#error "the native fault catcher reads x86-64 registers"
#endif

namespace abuse::platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction previous[kSignalCount];

const mcontext_t& registersOf(const void* context) { return static_cast<const ucontext_t*>(context)->uc_mcontext; }

const void* instructionOf(const void* context) {
    return reinterpret_cast<const void*>(registersOf(context).gregs[REG_RIP]);
}

// Whether a fault lies within 64 KB of the stack pointer: the memory there
// is the thread's stack, which faults only where it has run out of room
// (in a large frame, above the stack pointer too).
bool atStackEnd(const void* address, const void* context) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    const auto stack = static_cast<std::uintptr_t>(registersOf(context).gregs[REG_RSP]);
    return at + 65536 >= stack && at <= stack + 65536;
}

// The page fault's error code: bit 1 for a write, bit 4 for an
// instruction fetch.
const char* accessKind(const void* context) {
    const greg_t code = registersOf(context).gregs[REG_ERR];
    return code & 16 ? "execution" : code & 2 ? "write" : "read";
}

// A trap is the x87's while its status word has an unmasked exception
// pending (bit 7); otherwise the SSE unit's.
const char* trapName(int code, const void* context) {
    const fpregset_t fpu = registersOf(context).fpregs;
    const bool x87 = fpu && (fpu->swd & 0x80);
    switch (code) {
    case FPE_INTDIV: return "integer division by zero";
    case FPE_INTOVF: return "integer overflow";
    case FPE_FLTDIV: return x87 ? "x87 zero-divide trap" : "SSE zero-divide trap";
    case FPE_FLTOVF: return x87 ? "x87 overflow trap" : "SSE overflow trap";
    case FPE_FLTUND: return x87 ? "x87 underflow trap" : "SSE underflow trap";
    case FPE_FLTRES: return x87 ? "x87 precision trap" : "SSE precision trap";
    case FPE_FLTINV: return x87 ? "x87 invalid-operation trap" : "SSE invalid-operation trap";
    default: return x87 ? "x87 floating-point trap" : "SSE floating-point trap";
    }
}

int indexOf(int signal) {
    for (int i = 0; i < kSignalCount; ++i)
        if (kSignals[i] == signal) return i;
    return 0;
}

// Whether an action calls a function, rather than the default or nothing.
bool isHandler(const struct sigaction& action) {
    if (action.sa_flags & SA_SIGINFO) return action.sa_sigaction != nullptr;
    return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

void catchFault(int signal, siginfo_t* info, void* context) {
    const void* instruction = instructionOf(context);
    char what[700];
    if (signal == SIGSEGV || signal == SIGBUS) {
        char place[400];
        const bool guarded = describeGuardedAddress(info->si_addr, place, sizeof place);
        const struct sigaction& before = previous[indexOf(signal)];
        if (!guarded && !inPluginCode(instruction) && isHandler(before)) {
            sigaction(signal, &before, nullptr);
            return;
        }
        if (!guarded && atStackEnd(info->si_addr, context))
            std::snprintf(what, sizeof what, "caught: stack overflow (%s at %p)", accessKind(context), info->si_addr);
        else
            std::snprintf(what, sizeof what, "caught: %s at %p, %s", accessKind(context), info->si_addr,
                          guarded ? place : "outside any guarded memory");
    } else if (signal == SIGFPE) {
        std::snprintf(what, sizeof what, "caught: %s (signal SIGFPE, code %d)", trapName(info->si_code, context),
                      info->si_code);
    } else {
        std::snprintf(what, sizeof what, "caught: illegal instruction (signal SIGILL, code %d)", info->si_code);
    }
    reportFault(what, instruction);
}

// Unless one is set already (AddressSanitizer sets its own).
void giveThisThreadAnAlternateStack() {
    stack_t current;
    if (sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_DISABLE)) return;
    constexpr std::size_t kBytes = 256 * 1024;
    void* memory = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return;
    stack_t stack = {};
    stack.ss_sp = memory;
    stack.ss_size = kBytes;
    sigaltstack(&stack, nullptr);
}

}  // namespace

void catchFaults() {
    giveThisThreadAnAlternateStack();
    struct sigaction action = {};
    action.sa_sigaction = catchFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &action, &previous[i]);
}

}  // namespace abuse::platform
