// The host of the abuse suite: it loads the plug-in as hosts do (the DLL
// with LoadLibrary, then "main" with a host callback; the Linux VST with
// dlopen, then "VSTPluginMain"), watches it (PluginResources.h), and hands
// it guarded buffers.  Written for 32- and 64-bit processes alike: the
// dispatcher's and the callback's value and result are pointer-sized.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/AEffect.h"
#include "tests/abuse/GuardedMemory.h"
#include "tools/PluginLoader.h"

namespace abuse {

using DispatchValue = VstIntPtr;
using DispatchResult = VstIntPtr;
using HostValue = VstIntPtr;
using HostResult = VstIntPtr;

// The host's callback: version 2400, 0 to everything else.  Thread-safe.
HostResult VELORIN_CALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, HostValue value, void* ptr,
                                         float opt);
long automationCount();

// The plug-in file: options().plugin relative to the program's folder, or
// a full path.
std::string pluginPath();

// The plug-in loaded and watched; unloaded with the object.
class PluginLibrary {
public:
    PluginLibrary();
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool loaded() const { return mainEntry != nullptr; }
    const std::string& error() const { return problem; }
    // The entry point with the host's callback.
    AEffect* create() const { return mainEntry ? mainEntry(hostCallback) : nullptr; }

private:
    void* handle = nullptr;
    AEffect*(VELORIN_CALLBACK* mainEntry)(audioMasterCallback) = nullptr;
    std::string problem;
};

// Typed calls on a record, with what a host does around them.
class Plugin : public PluginInstance {
public:
    explicit Plugin(AEffect* effect = nullptr) : PluginInstance(effect) {}

    // What a host does before the first block: open, sample rate, block
    // size, resume.
    void start(float sampleRate, VstInt32 blockSize) const;
    // Suspend and effClose; the record is gone afterwards.
    void close();
};

// A small fast generator (xorshift128+), seeded by splitting a 64-bit seed.
class Random {
public:
    explicit Random(std::uint64_t seed);
    std::uint64_t next();
    // 0 <= below(n) < n, for n > 0.
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>((next() >> 32) * n >> 32); }
    bool chance(double p) { return unit() < p; }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // Uniform in [-amplitude, amplitude), finite for every finite amplitude.
    float around(float amplitude) { return static_cast<float>((2.0 * unit() - 1.0) * amplitude); }
    template <typename T, std::size_t N>
    const T& pick(const T (&items)[N]) {
        return items[below(static_cast<std::uint32_t>(N))];
    }

private:
    std::uint64_t a, b;
};

// Two input and two output buffers of up to `capacity` frames, each in its
// own guarded block, and the host's pointer arrays, guarded too.  Each
// block of a call is placed touching a guard page at one end; next to its
// other end lie canary samples that the plug-in must leave alone.
class HostBuffers {
public:
    explicit HostBuffers(int capacity);
    HostBuffers(const HostBuffers&) = delete;
    HostBuffers& operator=(const HostBuffers&) = delete;

    // Places `frames` frames (none for 0 or less); in place, the outputs
    // are the inputs.  Writes the canaries.
    void place(int frames, Flush flush, bool inPlace);
    float** inputs() const { return inputArray; }
    float** outputs() const { return outputArray; }
    int frames() const { return placedFrames; }
    // Whether the canary samples beside every placed buffer are as written.
    bool canariesIntact() const;

private:
    static constexpr int kCanaries = 256;
    int capacity;
    int placedFrames = 0;
    Flush placedFlush = Flush::end;
    float* blocks[4];
    float* placed[4] = {};
    float** inputArray;
    float** outputArray;
};

// A host's text buffer of 256 bytes that ends at a guard page; canary bytes
// everywhere until the plug-in writes.
class TextBuffer {
public:
    static constexpr std::size_t kSize = 256;
    static constexpr unsigned char kCanary = 0xCD;
    TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    char* data() const { return text; }
    void fillWithCanaries();
    // One past the last byte that is no longer a canary; 0 when none is.
    std::size_t writtenExtent() const;
    // Whether a terminator lies before `limit`.
    bool terminatedWithin(std::size_t limit) const;

private:
    char* text;
};

}  // namespace abuse
