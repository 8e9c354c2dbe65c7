#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/abuse/Platform.h"
#include "tools/skin/EditorHost.h"

namespace abuse::platform {

void* reservePages(std::size_t bytes) { return VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS); }

bool makeAccessible(void* at, std::size_t bytes) { return VirtualAlloc(at, bytes, MEM_COMMIT, PAGE_READWRITE); }

// Decommitted pages fault on any access, like the guards.
void makeInaccessible(void* at, std::size_t bytes) { VirtualFree(at, bytes, MEM_DECOMMIT); }

void releasePages(void* base, std::size_t) { VirtualFree(base, 0, MEM_RELEASE); }

// Walked block by block, on every heap of the process.
std::size_t heapBytesInUse() {
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    std::size_t total = 0;
    for (DWORD i = 0; i < count && i < 256; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = nullptr;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

unsigned long currentThreadId() { return GetCurrentThreadId(); }

namespace {

DWORD activitySlotIndex() {
    static const DWORD index = TlsAlloc();
    return index;
}

}  // namespace

int activitySlotOfThisThread() {
    const DWORD index = activitySlotIndex();
    return index == TLS_OUT_OF_INDEXES ? 0 : static_cast<int>(reinterpret_cast<std::uintptr_t>(TlsGetValue(index)));
}

void setActivitySlotOfThisThread(int slot) {
    const DWORD index = activitySlotIndex();
    if (index != TLS_OUT_OF_INDEXES) TlsSetValue(index, reinterpret_cast<void*>(static_cast<std::uintptr_t>(slot)));
}

void writeOut(const char* text) {
    std::fflush(stdout);
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

void endProcess(int status) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    for (;;) Sleep(INFINITE);
}

const void* moduleContaining(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module))
        return nullptr;
    return module;
}

void nameCodeAddress(const void* address, char* text, std::size_t capacity) {
    const auto module = static_cast<HMODULE>(const_cast<void*>(moduleContaining(address)));
    char path[MAX_PATH] = "?";
    if (module) GetModuleFileNameA(module, path, sizeof path);
    const char* name = std::strrchr(path, '\\');
    name = name ? name + 1 : path;
    std::snprintf(text, capacity, "%s+0x%zx", name,
                  static_cast<std::size_t>(static_cast<const char*>(address) - reinterpret_cast<const char*>(module)));
}

std::string loadFailure(unsigned long error) { return "error " + std::to_string(error); }

// The suite's windows, the plug-in's message boxes among them, are left
// unmanaged: closing a managed window waits two seconds for a window
// manager that the virtual display does not have.
void prepareHostProcess() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\abuse_tests.exe\\X11 Driver", 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(key);
    }
}

// Functions only: a data import (a runtime's variable) lies outside
// executable memory.
void forEachImport(const void* codeInModule, const std::function<void(const char* name, void** slot)>& visit) {
    auto* const base = static_cast<BYTE*>(const_cast<void*>(moduleContaining(codeInModule)));
    if (!base) return;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress) return;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); d->Name; ++d) {
        const DWORD nameTable = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + nameTable);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            MEMORY_BASIC_INFORMATION target;
            if (!VirtualQuery(reinterpret_cast<const void*>(slots->u1.Function), &target, sizeof target) ||
                !(target.Protect & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE)))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            visit(reinterpret_cast<const char*>(byName->Name), reinterpret_cast<void**>(&slots->u1.Function));
        }
    }
}

void replaceImport(void** slot, void* function) {
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = function;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

void* codePages(std::size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE);
}

const void* threadPointer() {
    const void* block;
#if defined(_WIN64)
    __asm__("movq %%gs:0x30, %0" : "=r"(block));
#else
    __asm__("movl %%fs:0x18, %0" : "=r"(block));
#endif
    return block;
}

HostWindow::HostWindow() {
    auto* parent = new ParentWindow;
    owner = parent;
    window = parent->handle();
}

HostWindow::~HostWindow() { delete static_cast<ParentWindow*>(owner); }

void HostWindow::runMessages() { pumpMessages(0); }

}  // namespace abuse::platform
