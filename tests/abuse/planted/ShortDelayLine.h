// Planted fault: the delay line is obtained four samples short (16 bytes,
// so that its end still meets the guard page under any alignment the
// suite's allocator gives), and the ring's last samples lie past the memory
// the plug-in obtained.  Included first into the platform seam of one
// planted copy of the DLL (plugin/CMakeLists.txt).
#pragma once

#include <windows.h>

#define GlobalAlloc(flags, bytes) GlobalAlloc((flags), (bytes) - 4 * sizeof(float))
