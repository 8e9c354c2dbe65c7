// A process loads only DLLs of its own bitness: the 32-bit renderer cannot
// run a 64-bit plug-in, nor the 64-bit renderer a 32-bit one.  Windows would
// only answer "bad EXE format", so the renderer looks at the file first and
// names the renderer that can.
#pragma once

#include <string>

// Throws RenderError when `dllPath` is a PE image for another processor than
// this program's.  Anything it cannot read as a PE image is left to the
// loader, which reports it in its own words.
void requireSameBitness(const std::string& dllPath);
