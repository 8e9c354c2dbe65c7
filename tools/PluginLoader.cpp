#include "tools/PluginLoader.h"

#include <windows.h>

#include <cstdlib>

RecordingHost& RecordingHost::instance() {
    static RecordingHost host;
    return host;
}

VstIntPtr VELORIN_CALLBACK RecordingHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                   void* ptr, float opt) {
    RecordingHost& host = instance();
    host.calls.push_back({effect, opcode, index, value, ptr, opt});
    return opcode == audioMasterVersion ? host.versionAnswer : host.otherAnswer;
}

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

PluginLoader::PluginLoader(const std::string& dllPath) {
    HMODULE handle = LoadLibraryA(fullPath(dllPath).c_str());
    if (!handle) {
        loadError = GetLastError();
        lastError = "cannot load " + dllPath;
        return;
    }
    module = handle;
    mainEntry = reinterpret_cast<AEffect*(VELORIN_CALLBACK*)(audioMasterCallback)>(
        reinterpret_cast<void*>(GetProcAddress(handle, "main")));
    if (!mainEntry) lastError = dllPath + " exports no \"main\"";
}

PluginLoader::~PluginLoader() {
    if (module) FreeLibrary(static_cast<HMODULE>(module));
}

AEffect* PluginLoader::create(audioMasterCallback callback) { return mainEntry ? mainEntry(callback) : nullptr; }

std::string PluginInstance::text(VstInt32 opcode, VstInt32 index) const {
    char buffer[256] = {};
    dispatch(opcode, index, 0, buffer);
    return buffer;
}

VstIntPtr PluginInstance::close() {
    VstIntPtr result = dispatch(effClose);
    effect = nullptr;
    return result;
}

std::string programFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string pluginBesideProgram() { return programFolder() + "Velorin2.dll"; }

std::string builtPluginPath() {
    if (const char* path = std::getenv("VELORIN_PLUGIN")) return path;
    return pluginBesideProgram();
}
