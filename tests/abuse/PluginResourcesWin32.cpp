#include "tests/abuse/PluginResources.h"

#include <windows.h>

#include "tests/abuse/GuardedMemory.h"
#include "tests/abuse/ImportHooks.h"

namespace abuse {

void watchPlugin(void* module) { hookImports(static_cast<HMODULE>(module)); }

bool pluginResourcesCounted() { return true; }

PluginResourceTotals pluginResourceTotals() {
    PluginResourceTotals totals;
    totals.allocations = memoryCounts().pluginAllocations;
    totals.gdiObjectsCreated = windowTotals().gdiCreated;
    return totals;
}

std::string pluginResourcesHeld() {
    std::string held;
    if (const std::size_t blocks = memoryCounts().pluginBlocks) {
        char described[2000];
        describeLivePluginBlocks(described, sizeof described);
        held += std::to_string(blocks) + " blocks:\n" + described;
    }
    if (const std::size_t moveable = moveableBlocksHeld())
        held += std::to_string(moveable) + " moveable memory blocks\n";
    if (const int objects = windowResources().gdiObjects)
        held += std::to_string(objects) + " GDI objects:\n" + describeHeldGdiObjects();
    return held;
}

}  // namespace abuse
