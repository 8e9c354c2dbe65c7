// Planted fault: a block of the C library's heap taken whenever the library
// is loaded and never given back, as a runtime linked into it might do.
// Included first into the entry points of one planted copy of the Linux VST
// (tests/abuse/CMakeLists.txt).
#pragma once

#include <cstdlib>

namespace {
void* volatile plantedKeptAtLoad = std::malloc(1000);
}  // namespace
