#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "tools/LibraryLoading.h"

namespace library {

const char* const kEntryNames[] = {"VSTPluginMain", "main"};
const int kEntryNameCount = 2;
const char kPluginBesideProgram[] = "../lib/lxvst/Velorin2.so";

// dlopen searches the system's folders only for a name without a slash.
void* open(const std::string& path, unsigned long& error) {
    const std::string named = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(named.c_str(), RTLD_NOW | RTLD_LOCAL);
    error = handle ? 0 : 1;
    return handle;
}

void* symbol(void* module, const char* name) { return dlsym(module, name); }

void close(void* module) { dlclose(module); }

std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0) return "./";
    const std::string program(path, static_cast<std::size_t>(length));
    return program.substr(0, program.find_last_of('/') + 1);
}

}  // namespace library
