#include <windows.h>

#include "tools/LibraryLoading.h"

namespace library {

namespace {

// LoadLibrary looks for a relative path in its search folders, the
// program's own first, even when the path starts with ".\\"; the full path
// is the file that the caller named.
std::string fullPath(const std::string& path) {
    const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::string full(size, '\0');
    const DWORD length = GetFullPathNameA(path.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

}  // namespace

const char* const kEntryNames[] = {"main"};
const int kEntryNameCount = 1;
const char kPluginBesideProgram[] = "Velorin2.dll";

void* open(const std::string& path, unsigned long& error) {
    HMODULE handle = LoadLibraryA(fullPath(path).c_str());
    error = handle ? 0 : GetLastError();
    return handle;
}

void* symbol(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void close(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

std::string programFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

}  // namespace library
