// Memory with inaccessible pages around it, for the blocks the plug-in
// allocates (where its imports are hooked, PluginResources.h) and the
// buffers the host hands it.  Every block has a page without access right
// before and right after its data; a block is placed so that one of its
// ends touches a guard page exactly.  Freed blocks stay inaccessible in a
// quarantine for a while, so a late read or write of them faults too.  The
// registry lives outside the process heaps, so that measuring those heaps
// does not measure the registry.
#pragma once

#include <cstddef>
#include <cstdint>

namespace abuse {

// Which end of a block's data touches a guard page; the other end is
// rounded to the alignment.
enum class Flush { end, start };

enum class Owner { plugin, host };

// What the allocator holds at one moment.
struct MemoryCounts {
    std::size_t pluginBlocks = 0;  // live blocks the plug-in allocated
    std::size_t pluginBytes = 0;
    std::size_t pluginAllocations = 0;  // every plug-in allocation so far
    std::size_t quarantined = 0;
};

// Zero-filled when `zeroed`, else filled with 0xFF bytes (NaN as floats, an
// unmapped address as pointers), so that code that reads memory it never
// wrote shows it.  Null when the address space is exhausted.
void* guardedAllocate(std::size_t size, std::size_t alignment, Flush flush, Owner owner, const char* origin,
                      bool zeroed);

// Frees a block of guardedAllocate into the quarantine; false (and nothing
// done) for an address that is not the start of a live block.
bool guardedFree(void* block);

// The size of a live block, or SIZE_MAX for an address that is not one.
std::size_t guardedSize(const void* block);

MemoryCounts memoryCounts();

// The origin of every live plug-in block, one per line, for a failure
// message.
void describeLivePluginBlocks(char* text, std::size_t capacity);

// Says where an address lies relative to the guarded blocks: inside a
// guard page before or after a block, or inside a freed one.  False when
// it is none of these.  Takes no lock that a faulting thread could hold.
bool describeGuardedAddress(const void* address, char* text, std::size_t capacity);

}  // namespace abuse
