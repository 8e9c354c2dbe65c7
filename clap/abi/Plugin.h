// The module's entry, its plug-in factory, the host as a plug-in sees it,
// and the plug-in itself: a descriptor and a table of functions, each
// given the plug-in's own struct back.
#pragma once

#include "clap/abi/Base.h"

namespace clap {

struct Host {
    Version clapVersion;
    void* hostData;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    // An extension's table by its id, or null.  [thread-safe]
    const void*(CLAP_CALL* getExtension)(const Host* host, const char* extensionId);
    void(CLAP_CALL* requestRestart)(const Host* host);   // [thread-safe]
    void(CLAP_CALL* requestProcess)(const Host* host);   // [thread-safe]
    void(CLAP_CALL* requestCallback)(const Host* host);  // [thread-safe]: on_main_thread follows
};

struct PluginDescriptor {
    Version clapVersion;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manualUrl;
    const char* supportUrl;
    const char* version;
    const char* description;
    const char* const* features;  // ends with a null pointer
};

struct Process;

// The thread each function is called on, as the format names it: the main
// thread, where the host creates plug-ins and runs its windows, and the
// audio thread (any one thread at a time), where blocks are processed.
struct Plugin {
    const PluginDescriptor* desc;
    void* pluginData;
    bool(CLAP_CALL* init)(const Plugin* plugin);     // [main-thread]
    void(CLAP_CALL* destroy)(const Plugin* plugin);  // [main-thread & !active]
    bool(CLAP_CALL* activate)(const Plugin* plugin, double sampleRate, std::uint32_t minFramesCount,
                              std::uint32_t maxFramesCount);  // [main-thread & !active]
    void(CLAP_CALL* deactivate)(const Plugin* plugin);        // [main-thread & active]
    bool(CLAP_CALL* startProcessing)(const Plugin* plugin);   // [audio-thread & active & !processing]
    void(CLAP_CALL* stopProcessing)(const Plugin* plugin);    // [audio-thread & active & processing]
    void(CLAP_CALL* reset)(const Plugin* plugin);             // [audio-thread & active]
    std::int32_t(CLAP_CALL* process)(const Plugin* plugin, const Process* process);  // [audio-thread & processing]
    const void*(CLAP_CALL* getExtension)(const Plugin* plugin, const char* id);     // [thread-safe]
    void(CLAP_CALL* onMainThread)(const Plugin* plugin);                            // [main-thread]
};

constexpr char kPluginFactoryId[] = "clap.plugin-factory";

// [thread-safe], every function.
struct PluginFactory {
    std::uint32_t(CLAP_CALL* getPluginCount)(const PluginFactory* factory);
    const PluginDescriptor*(CLAP_CALL* getPluginDescriptor)(const PluginFactory* factory, std::uint32_t index);
    // The plug-in may not call the host before its init.
    const Plugin*(CLAP_CALL* createPlugin)(const PluginFactory* factory, const Host* host, const char* pluginId);
};

// The one symbol a module exports, "clap_entry".
struct PluginEntry {
    Version clapVersion;
    bool(CLAP_CALL* init)(const char* pluginPath);
    void(CLAP_CALL* deinit)();
    const void*(CLAP_CALL* getFactory)(const char* factoryId);  // [thread-safe]
};

}  // namespace clap
