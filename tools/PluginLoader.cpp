#include "tools/PluginLoader.h"

#include <cstdlib>

#include "tools/LibraryLoading.h"

RecordingHost& RecordingHost::instance() {
    static RecordingHost host;
    return host;
}

VstIntPtr VELORIN_CALLBACK RecordingHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                   void* ptr, float opt) {
    RecordingHost& host = instance();
    const HostCall call = {effect, opcode, index, value, ptr, opt};
    host.calls.push_back(call);
    if (host.listener) host.listener(call);
    return opcode == audioMasterVersion ? host.versionAnswer : host.otherAnswer;
}

PluginLoader::PluginLoader(const std::string& path) {
    module = library::open(path, loadError);
    if (!module) {
        lastError = "cannot load " + path;
        return;
    }
    for (int i = 0; i < library::kEntryNameCount && !mainEntry; ++i)
        mainEntry = reinterpret_cast<AEffect*(VELORIN_CALLBACK*)(audioMasterCallback)>(
            library::symbol(module, library::kEntryNames[i]));
    if (!mainEntry) lastError = path + " exports no \"" + library::kEntryNames[0] + "\"";
}

PluginLoader::~PluginLoader() {
    if (module) library::close(module);
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

std::string programFolder() { return library::programFolder(); }

std::string pluginBesideProgram() { return programFolder() + library::kPluginBesideProgram; }

std::string builtPluginPath() {
    if (const char* path = std::getenv("VELORIN_PLUGIN")) return path;
    return pluginBesideProgram();
}
