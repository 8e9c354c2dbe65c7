// Faults reach a vectored exception handler before any handler of the
// plug-in's or the system's own.
#include <windows.h>

#include <cstdio>

#include "tests/abuse/GuardedMemory.h"
#include "tests/abuse/Platform.h"
#include "tests/abuse/Reporting.h"

namespace abuse::platform {

namespace {

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
        if (!guarded && !inPluginCode(record.ExceptionAddress)) return EXCEPTION_CONTINUE_SEARCH;
        std::snprintf(what, sizeof what, "caught: %s at %p, %s", kind == 1 ? "write" : kind == 8 ? "execution" : "read",
                      address, guarded ? place : "outside any guarded memory");
    } else if (const char* trap = trapName(record.ExceptionCode)) {
        std::snprintf(what, sizeof what, "caught: %s (exception 0x%08lx)", trap,
                      static_cast<unsigned long>(record.ExceptionCode));
    } else {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    reportFault(what, record.ExceptionAddress);
}

}  // namespace

void catchFaults() { AddVectoredExceptionHandler(1, catchFault); }

}  // namespace abuse::platform
