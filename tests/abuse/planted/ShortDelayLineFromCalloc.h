// Planted fault: the delay line is obtained four samples short from the C
// library, and the ring's last samples lie past the memory the plug-in
// obtained.  Included first into the platform seam of one planted copy of
// the Linux VST (tests/abuse/CMakeLists.txt).
#pragma once

#include <cstdlib>

#define calloc(count, size) calloc((count) - 4, (size))
