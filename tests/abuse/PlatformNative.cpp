#include <dlfcn.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator statistics (GCC ships no header for them).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "tests/abuse/Platform.h"

namespace abuse::platform {

void* reservePages(std::size_t bytes) {
    void* base = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return base == MAP_FAILED ? nullptr : base;
}

bool makeAccessible(void* at, std::size_t bytes) { return mprotect(at, bytes, PROT_READ | PROT_WRITE) == 0; }

// Fresh inaccessible pages in place of the old ones: the memory goes back
// to the system and any access faults, like the guards.
void makeInaccessible(void* at, std::size_t bytes) {
    mmap(at, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0);
}

void releasePages(void* base, std::size_t bytes) { munmap(base, bytes); }

// Under AddressSanitizer its own allocator serves every malloc and the C
// library's heap stays as it was, so the sanitizer counts; otherwise the C
// library's arenas and the blocks it maps on their own.
std::size_t heapBytesInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

unsigned long currentThreadId() { return static_cast<unsigned long>(gettid()); }

namespace {

// Defined in the program, so reading it takes no call into the loader and
// is safe inside a signal handler.
thread_local int activitySlot = 0;

}  // namespace

int activitySlotOfThisThread() { return activitySlot; }

void setActivitySlotOfThisThread(int slot) { activitySlot = slot; }

void writeOut(const char* text) {
    std::fflush(stdout);
    for (std::size_t left = std::strlen(text); left > 0;) {
        const ssize_t written = write(STDOUT_FILENO, text, left);
        if (written <= 0) return;
        text += written;
        left -= static_cast<std::size_t>(written);
    }
}

void endProcess(int status) { _exit(status); }

const void* moduleContaining(const void* address) {
    Dl_info info;
    return dladdr(address, &info) ? info.dli_fbase : nullptr;
}

void nameCodeAddress(const void* address, char* text, std::size_t capacity) {
    Dl_info info;
    const bool known = dladdr(address, &info) && info.dli_fname;
    const char* name = known ? std::strrchr(info.dli_fname, '/') : nullptr;
    name = name ? name + 1 : known ? info.dli_fname : "?";
    const std::uintptr_t base = known ? reinterpret_cast<std::uintptr_t>(info.dli_fbase) : 0;
    std::snprintf(text, capacity, "%s+0x%zx", name,
                  static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(address) - base));
}

std::string loadFailure(unsigned long error) {
    const char* why = dlerror();
    return why ? why : "error " + std::to_string(error);
}

// Nothing: the native suite opens no windows of its own.
void prepareHostProcess() {}

}  // namespace abuse::platform
