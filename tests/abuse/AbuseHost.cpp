#include "tests/abuse/AbuseHost.h"

#include <atomic>
#include <cstring>

#include "tests/abuse/Platform.h"
#include "tests/abuse/PluginResources.h"
#include "tests/abuse/Reporting.h"
#include "tools/LibraryLoading.h"

namespace abuse {

namespace {

std::atomic<long> automations{0};

bool isFullPath(const std::string& path) {
    return (path.size() > 1 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

constexpr std::uint32_t kCanarySample = 0x7FC0DEADu;  // a NaN no arithmetic makes

}  // namespace

HostResult VELORIN_CALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, HostValue, void*, float) {
    if (opcode == audioMasterAutomate) ++automations;
    return opcode == audioMasterVersion ? 2400 : 0;
}

long automationCount() { return automations.load(); }

std::string pluginPath() {
    const std::string& name = options().plugin;
    return isFullPath(name) ? name : programFolder() + name;
}

PluginLibrary::PluginLibrary() {
    unsigned long error = 0;
    handle = library::open(pluginPath(), error);
    if (!handle) {
        problem = "cannot load " + pluginPath() + " (" + platform::loadFailure(error) + ")";
        return;
    }
    watchPlugin(handle);
    for (int i = 0; i < library::kEntryNameCount && !mainEntry; ++i)
        mainEntry = reinterpret_cast<AEffect*(VELORIN_CALLBACK*)(audioMasterCallback)>(
            library::symbol(handle, library::kEntryNames[i]));
    if (!mainEntry) {
        problem = pluginPath() + " exports no \"" + library::kEntryNames[0] + "\"";
        return;
    }
    setPluginModule(platform::moduleContaining(reinterpret_cast<const void*>(mainEntry)));
}

PluginLibrary::~PluginLibrary() {
    if (!handle) return;
    setPluginModule(nullptr);
    library::close(handle);
}

void Plugin::start(float sampleRate, VstInt32 blockSize) const {
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

void Plugin::close() {
    dispatch(effMainsChanged, 0, 0);
    PluginInstance::close();
}

Random::Random(std::uint64_t seed) {
    auto split = [&seed] {
        std::uint64_t z = (seed += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    a = split();
    b = split() | 1;
}

std::uint64_t Random::next() {
    std::uint64_t x = a;
    const std::uint64_t y = b;
    a = y;
    x ^= x << 23;
    b = x ^ y ^ (x >> 17) ^ (y >> 26);
    return b + y;
}

HostBuffers::HostBuffers(int capacity) : capacity(capacity) {
    static const char* const names[4] = {"host buffer: input left", "host buffer: input right",
                                         "host buffer: output left", "host buffer: output right"};
    // Whole pages, so that both ends of each block touch a guard page.
    const std::size_t bytes = (static_cast<std::size_t>(capacity) * sizeof(float) + 4095) / 4096 * 4096;
    this->capacity = static_cast<int>(bytes / sizeof(float));
    for (int i = 0; i < 4; ++i)
        blocks[i] =
            static_cast<float*>(guardedAllocate(bytes, sizeof(float), Flush::start, Owner::host, names[i], true));
    inputArray = static_cast<float**>(
        guardedAllocate(2 * sizeof(float*), sizeof(float*), Flush::end, Owner::host, "host's input pointers", true));
    outputArray = static_cast<float**>(
        guardedAllocate(2 * sizeof(float*), sizeof(float*), Flush::end, Owner::host, "host's output pointers", true));
}

void HostBuffers::place(int frames, Flush flush, bool inPlace) {
    placedFrames = frames > 0 ? (frames < capacity ? frames : capacity) : 0;
    placedFlush = flush;
    for (int i = 0; i < 4; ++i) {
        placed[i] = flush == Flush::end ? blocks[i] + capacity - placedFrames : blocks[i];
        if (inPlace && i >= 2) placed[i] = placed[i - 2];
    }
    for (int i = 0; i < 4; ++i) {
        float* canaries = flush == Flush::end ? placed[i] - kCanaries : placed[i] + placedFrames;
        if (canaries < blocks[i] || canaries + kCanaries > blocks[i] + capacity) continue;
        for (int k = 0; k < kCanaries; ++k) std::memcpy(canaries + k, &kCanarySample, sizeof(float));
    }
    inputArray[0] = placed[0];
    inputArray[1] = placed[1];
    outputArray[0] = placed[2];
    outputArray[1] = placed[3];
}

bool HostBuffers::canariesIntact() const {
    for (int i = 0; i < 4; ++i) {
        const float* canaries = placedFlush == Flush::end ? placed[i] - kCanaries : placed[i] + placedFrames;
        if (canaries < blocks[i] || canaries + kCanaries > blocks[i] + capacity) continue;
        for (int k = 0; k < kCanaries; ++k)
            if (std::memcmp(canaries + k, &kCanarySample, sizeof(float)) != 0) return false;
    }
    return true;
}

TextBuffer::TextBuffer()
    : text(static_cast<char*>(guardedAllocate(kSize, 1, Flush::end, Owner::host, "host's text buffer", false))) {
    fillWithCanaries();
}

void TextBuffer::fillWithCanaries() { std::memset(text, kCanary, kSize); }

std::size_t TextBuffer::writtenExtent() const {
    for (std::size_t i = kSize; i > 0; --i)
        if (static_cast<unsigned char>(text[i - 1]) != kCanary) return i;
    return 0;
}

bool TextBuffer::terminatedWithin(std::size_t limit) const {
    return std::memchr(text, '\0', limit < kSize ? limit : kSize) != nullptr;
}

}  // namespace abuse
