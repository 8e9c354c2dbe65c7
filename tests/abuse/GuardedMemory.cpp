#include "tests/abuse/GuardedMemory.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "tests/abuse/Platform.h"

namespace abuse {

namespace {

constexpr std::size_t kPage = platform::kPageSize;
constexpr std::size_t kCapacity = 8192;          // registry entries
constexpr std::size_t kQuarantineBlocks = 256;   // freed blocks kept inaccessible ...
constexpr std::size_t kQuarantineBytes = 64u << 20;  // ... up to this many bytes of them

enum class State : unsigned char { unused, live, freed };

struct Entry {
    char* base;          // the reservation: guard, data pages, guard
    std::size_t baseBytes;
    char* data;          // the committed pages between the guards
    std::size_t dataBytes;
    char* user;          // the block itself
    std::size_t size;
    const char* origin;
    unsigned serial;
    Owner owner;
    State state;
};

// Readers and a writer in one word: the fault catcher can try it from any
// thread and in any state, since it calls nothing.
class SharedLock {
public:
    void lock() {
        for (int free = 0; !state.compare_exchange_weak(free, -1, std::memory_order_acquire); free = 0)
            std::this_thread::yield();
    }
    void unlock() { state.store(0, std::memory_order_release); }
    bool tryLockShared() {
        int readers = state.load(std::memory_order_relaxed);
        while (readers >= 0)
            if (state.compare_exchange_weak(readers, readers + 1, std::memory_order_acquire)) return true;
        return false;
    }
    void lockShared() {
        while (!tryLockShared()) std::this_thread::yield();
    }
    void unlockShared() { state.fetch_sub(1, std::memory_order_release); }

private:
    std::atomic<int> state{0};  // -1 for a writer, else the number of readers
};

struct Registry {
    SharedLock lock;
    Entry* entries = nullptr;
    std::size_t used = 0;  // entries below this index have been used
    std::size_t quarantine[kQuarantineBlocks] = {};
    std::size_t quarantineFirst = 0, quarantineCount = 0, quarantineBytes = 0;
    unsigned nextSerial = 1;
    MemoryCounts counts;
};

std::size_t roundUp(std::size_t value, std::size_t step) { return (value + step - 1) / step * step; }

Registry& registry() {
    static Registry& r = *[] {
        static Registry made;
        const std::size_t bytes = roundUp(kCapacity * sizeof(Entry), kPage);
        void* pages = platform::reservePages(bytes);
        if (pages && platform::makeAccessible(pages, bytes)) made.entries = static_cast<Entry*>(pages);
        return &made;
    }();
    return r;
}

Entry* findLive(Registry& r, const void* block) {
    for (std::size_t i = 0; i < r.used; ++i)
        if (r.entries[i].state == State::live && r.entries[i].user == block) return &r.entries[i];
    return nullptr;
}

Entry* freeSlot(Registry& r) {
    for (std::size_t i = 0; i < r.used; ++i)
        if (r.entries[i].state == State::unused) return &r.entries[i];
    return r.used < kCapacity ? &r.entries[r.used++] : nullptr;
}

void releaseOldestQuarantined(Registry& r) {
    Entry& e = r.entries[r.quarantine[r.quarantineFirst]];
    r.quarantineFirst = (r.quarantineFirst + 1) % kQuarantineBlocks;
    --r.quarantineCount;
    r.quarantineBytes -= e.dataBytes;
    platform::releasePages(e.base, e.baseBytes);
    e.state = State::unused;
}

}  // namespace

void* guardedAllocate(std::size_t size, std::size_t alignment, Flush flush, Owner owner, const char* origin,
                      bool zeroed) {
    if (size > (1u << 30)) return nullptr;
    const std::size_t rounded = roundUp(size, alignment);
    const std::size_t dataBytes = roundUp(rounded ? rounded : 1, kPage);
    const std::size_t baseBytes = dataBytes + 2 * kPage;
    char* base = static_cast<char*>(platform::reservePages(baseBytes));
    if (!base) return nullptr;
    char* data = base + kPage;
    if (!platform::makeAccessible(data, dataBytes)) {
        platform::releasePages(base, baseBytes);
        return nullptr;
    }
    char* user = flush == Flush::end ? data + dataBytes - rounded : data;
    if (!zeroed) std::memset(user, 0xFF, size);

    Registry& r = registry();
    if (!r.entries) {
        platform::releasePages(base, baseBytes);
        return nullptr;
    }
    r.lock.lock();
    Entry* e = freeSlot(r);
    if (!e) {
        r.lock.unlock();
        platform::releasePages(base, baseBytes);
        return nullptr;
    }
    *e = {base, baseBytes, data, dataBytes, user, size, origin, r.nextSerial++, owner, State::live};
    if (owner == Owner::plugin) {
        ++r.counts.pluginBlocks;
        r.counts.pluginBytes += size;
        ++r.counts.pluginAllocations;
    }
    r.lock.unlock();
    return user;
}

bool guardedFree(void* block) {
    if (!block) return false;
    Registry& r = registry();
    r.lock.lock();
    Entry* e = findLive(r, block);
    if (!e) {
        r.lock.unlock();
        return false;
    }
    platform::makeInaccessible(e->data, e->dataBytes);
    e->state = State::freed;
    if (e->owner == Owner::plugin) {
        --r.counts.pluginBlocks;
        r.counts.pluginBytes -= e->size;
    }
    if (r.quarantineCount == kQuarantineBlocks) releaseOldestQuarantined(r);
    r.quarantine[(r.quarantineFirst + r.quarantineCount) % kQuarantineBlocks] = static_cast<std::size_t>(e - r.entries);
    ++r.quarantineCount;
    r.quarantineBytes += e->dataBytes;
    while (r.quarantineBytes > kQuarantineBytes && r.quarantineCount > 1) releaseOldestQuarantined(r);
    r.lock.unlock();
    return true;
}

std::size_t guardedSize(const void* block) {
    Registry& r = registry();
    r.lock.lockShared();
    const Entry* e = findLive(r, block);
    const std::size_t size = e ? e->size : SIZE_MAX;
    r.lock.unlockShared();
    return size;
}

MemoryCounts memoryCounts() {
    Registry& r = registry();
    r.lock.lockShared();
    MemoryCounts counts = r.counts;
    counts.quarantined = r.quarantineCount;
    r.lock.unlockShared();
    return counts;
}

void describeLivePluginBlocks(char* text, std::size_t capacity) {
    Registry& r = registry();
    r.lock.lockShared();
    std::size_t at = 0;
    text[0] = '\0';
    for (std::size_t i = 0; i < r.used && at + 1 < capacity; ++i) {
        const Entry& e = r.entries[i];
        if (e.state != State::live || e.owner != Owner::plugin) continue;
        const int n = std::snprintf(text + at, capacity - at, "  block #%u: %zu bytes from %s\n", e.serial, e.size,
                                    e.origin);
        if (n < 0) break;
        at += static_cast<std::size_t>(n);
    }
    r.lock.unlockShared();
}

bool describeGuardedAddress(const void* address, char* text, std::size_t capacity) {
    Registry& r = registry();
    if (!r.entries) return false;
    // A thread that faults inside the allocator holds the lock; the report
    // is then made from the registry as it stands.
    const bool locked = r.lock.tryLockShared();
    const char* a = static_cast<const char*>(address);
    bool found = false;
    for (std::size_t i = 0; i < r.used && !found; ++i) {
        const Entry& e = r.entries[i];
        if (e.state == State::unused || a < e.base || a >= e.base + e.baseBytes) continue;
        found = true;
        const char* kind = e.owner == Owner::plugin ? "plug-in block" : "host buffer";
        if (e.state == State::freed)
            std::snprintf(text, capacity, "inside freed %s #%u (%zu bytes from %s), at start + %zd", kind,
                          e.serial, e.size, e.origin, static_cast<std::ptrdiff_t>(a - e.user));
        else if (a < e.data)
            std::snprintf(text, capacity, "before the start of %s #%u (%zu bytes from %s), at start - %zd", kind,
                          e.serial, e.size, e.origin, static_cast<std::ptrdiff_t>(e.user - a));
        else if (a >= e.data + e.dataBytes)
            std::snprintf(text, capacity, "past the end of %s #%u (%zu bytes from %s), at end + %zd", kind,
                          e.serial, e.size, e.origin, static_cast<std::ptrdiff_t>(a - (e.user + e.size)));
        else
            std::snprintf(text, capacity, "inside %s #%u (%zu bytes from %s)", kind, e.serial, e.size, e.origin);
    }
    if (locked) r.lock.unlockShared();
    return found;
}

}  // namespace abuse
