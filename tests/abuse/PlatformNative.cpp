#include <X11/Xlib.h>
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
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

// Nothing: the native suite's only window is the editor's host window.
void prepareHostProcess() {}

// Through the dynamic section of the loaded library: the slots of its
// procedure linkage table, and those of its global offset table that hold
// a function's address (code built without the linkage table calls
// through them).  The library is loaded with every symbol bound at once, so
// each slot holds the function itself.
void forEachImport(const void* codeInModule, const std::function<void(const char* name, void** slot)>& visit) {
    Dl_info info;
    link_map* map = nullptr;
    if (!dladdr1(codeInModule, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) return;
    // The loader has relocated most of the section's addresses in place;
    // one it has not is still an offset into the library.
    const auto address = [map](ElfW(Addr) value) { return value < map->l_addr ? value + map->l_addr : value; };
    const ElfW(Sym)* symbols = nullptr;
    const char* names = nullptr;
    const ElfW(Rela)* tables[2] = {};
    std::size_t sizes[2] = {};
    for (const ElfW(Dyn)* d = map->l_ld; d->d_tag != DT_NULL; ++d) {
        switch (d->d_tag) {
        case DT_SYMTAB: symbols = reinterpret_cast<const ElfW(Sym)*>(address(d->d_un.d_ptr)); break;
        case DT_STRTAB: names = reinterpret_cast<const char*>(address(d->d_un.d_ptr)); break;
        case DT_JMPREL: tables[0] = reinterpret_cast<const ElfW(Rela)*>(address(d->d_un.d_ptr)); break;
        case DT_PLTRELSZ: sizes[0] = d->d_un.d_val; break;
        case DT_RELA: tables[1] = reinterpret_cast<const ElfW(Rela)*>(address(d->d_un.d_ptr)); break;
        case DT_RELASZ: sizes[1] = d->d_un.d_val; break;
        default: break;
        }
    }
    if (!symbols || !names) return;
    for (int t = 0; t < 2; ++t) {
        for (std::size_t i = 0; tables[t] && i < sizes[t] / sizeof(ElfW(Rela)); ++i) {
            const ElfW(Rela)& r = tables[t][i];
            const ElfW(Sym)& symbol = symbols[ELF64_R_SYM(r.r_info)];
            const bool function = ELF64_R_TYPE(r.r_info) == R_X86_64_JUMP_SLOT ||
                                  (ELF64_R_TYPE(r.r_info) == R_X86_64_GLOB_DAT &&
                                   ELF64_ST_TYPE(symbol.st_info) == STT_FUNC && symbol.st_shndx == SHN_UNDEF);
            if (function) visit(names + symbol.st_name, reinterpret_cast<void**>(map->l_addr + r.r_offset));
        }
    }
}

// The slot may lie in memory the loader made read-only once it had bound
// everything; it stays writable afterwards, which harms nothing here.
void replaceImport(void** slot, void* function) {
    const auto page = reinterpret_cast<std::uintptr_t>(slot) & ~static_cast<std::uintptr_t>(kPageSize - 1);
    mprotect(reinterpret_cast<void*>(page), kPageSize, PROT_READ | PROT_WRITE);
    *slot = function;
}

void* codePages(std::size_t bytes) {
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
}

const void* threadPointer() {
    const void* pointer;
    __asm__("mov %%fs:0, %0" : "=r"(pointer));
    return pointer;
}

// A plain window on a connection of its own; the editor opens its own
// connection and its child window in this one.
HostWindow::HostWindow() {
    Display* x = XOpenDisplay(nullptr);
    if (!x) return;
    const Window made = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 300, 200, 0, 0, 0);
    XMapWindow(x, made);
    XSync(x, False);
    owner = x;
    window = reinterpret_cast<void*>(static_cast<std::uintptr_t>(made));
}

HostWindow::~HostWindow() {
    if (!owner) return;
    Display* x = static_cast<Display*>(owner);
    XDestroyWindow(x, static_cast<Window>(reinterpret_cast<std::uintptr_t>(window)));
    XCloseDisplay(x);
}

void HostWindow::runMessages() {}

}  // namespace abuse::platform
