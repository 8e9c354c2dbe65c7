// What the abuse suite needs of the operating system, and no more: pages
// whose access it sets, the process's heap figure, the fault catcher, the
// threads' ids and current activities, output that takes no lock of the C
// library's, the modules that code addresses lie in and their imports, and
// a host window for the editor.  Win32 gives them
// in the Windows build (PlatformWin32.cpp, FaultCatcherWin32.cpp), the
// POSIX system natively (PlatformNative.cpp, FaultCatcherNative.cpp); the
// tests and the host above them are the same on both.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace abuse::platform {

// Pages: an inaccessible reservation, part of which is made readable and
// writable and later inaccessible again (its memory given back), and
// finally released whole.  Sizes are multiples of the page size.
constexpr std::size_t kPageSize = 4096;
void* reservePages(std::size_t bytes);  // null when the address space is exhausted
bool makeAccessible(void* at, std::size_t bytes);
void makeInaccessible(void* at, std::size_t bytes);
void releasePages(void* base, std::size_t bytes);

// Bytes in use on the process's heaps, as the platform's allocator counts
// them.
std::size_t heapBytesInUse();

// Sends faults (a touched guard page, a floating-point trap, a fault inside
// the plug-in) to reportFault (Reporting.h); the rest go on to whatever
// handled them before.  Once per process.
void catchFaults();

// The calling thread's id as the system's tools show it.
unsigned long currentThreadId();

// A small number per thread, 0 until set: which activity slot is current.
// Readable from the fault catcher.
int activitySlotOfThisThread();
void setActivitySlotOfThisThread(int slot);

// Straight to the standard output, after what the C library holds; usable
// from the fault catcher and the watchdog.
void writeOut(const char* text);
[[noreturn]] void endProcess(int status);

// The module (program or library) that an address lies in, as an address
// that identifies it; null for none.
const void* moduleContaining(const void* address);
// "Velorin2.dll+0x1a2b" for a code address.
void nameCodeAddress(const void* address, char* text, std::size_t capacity);

// Why library::open failed, given the error it reported.
std::string loadFailure(unsigned long error);

// What the host process sets up before the first test.
void prepareHostProcess();

// The function imports of a loaded module (one that `codeInModule` lies
// in): each function's name and the slot through which the module's code
// calls it (the DLL's import address table, the Linux library's global
// offset table).  replaceImport points a slot elsewhere.
void forEachImport(const void* codeInModule, const std::function<void(const char* name, void** slot)>& visit);
void replaceImport(void** slot, void* function);

// Readable, writable and executable memory (the suite's own code), never
// given back.
void* codePages(std::size_t bytes);

// The calling thread's thread pointer, as a code can read it from its
// segment register (Win32: the thread environment block; natively: the
// thread control block, at %fs:0).
const void* threadPointer();

// A host's window to open the plug-in's editor in, on the calling thread,
// and that thread's share of running it: the window system's messages
// (Win32; natively the editor has its own connection).  Its handle is null
// where there is no display.
class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    void* handle() const { return window; }
    void runMessages();

private:
    void* owner = nullptr;  // the X connection; the Win32 window's object
    void* window = nullptr;
};

}  // namespace abuse::platform
