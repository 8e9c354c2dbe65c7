// Counts the calls that one thread of the host makes through the plug-in's
// imports: into the C runtime, the system, or any other library.  A host's
// audio thread must make none, as neither a lock nor the kernel can be
// trusted to return in time.
//
// Every function import of the plug-in's module is pointed at a few
// instructions of the suite's own, one piece per import: they read the
// calling thread's pointer from its segment register, count the call if
// that is the watched thread, and jump on to the function with every
// argument register and the stack as they were.  Other threads pass
// through uncounted.  Instrumented builds (the sanitizers') call their
// runtime's imports from every access, so there is nothing to count there.
#pragma once

#include <string>

namespace abuse {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kImportCallsCountable = false;
#else
constexpr bool kImportCallsCountable = true;
#endif

// Puts the counting in front of every function import of the module that
// `codeInPlugin` lies in; returns how many imports that is.
int countImportCalls(const void* codeInPlugin);

// From now on the calling thread's calls are counted (the counts start
// from 0), until stopCountingCalls.
void countCallsOfThisThread();
void stopCountingCalls();

// "memset 3, InvalidateRect 1": the imports that the watched thread
// called, by name, with their counts; empty for none.
std::string importCallsCounted();

}  // namespace abuse
