// What the host sees of the resources the plug-in takes for itself.  The
// Windows build hooks the DLL's imports (ImportHooks.h): its allocations go
// to guarded memory and are counted, and so are the window-system objects
// it creates.  Natively nothing hooks the Linux VST: where AddressSanitizer
// runs, it watches the library's memory (overruns, use after free, leaks
// at exit), and this host counts nothing.
#pragma once

#include <cstddef>
#include <string>

namespace abuse {

// Starts watching a library that was just loaded.
void watchPlugin(void* module);

// Whether this host counts the plug-in's blocks and window-system objects.
bool pluginResourcesCounted();

struct PluginResourceTotals {
    std::size_t allocations = 0;  // every block the plug-in allocated so far
    long gdiObjectsCreated = 0;
};
PluginResourceTotals pluginResourceTotals();

// Empty while the plug-in holds no block, moveable memory or GDI object of
// its own; else what it holds, for a failure message.
std::string pluginResourcesHeld();

}  // namespace abuse
