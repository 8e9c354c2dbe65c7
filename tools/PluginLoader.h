// Loads a plug-in library the way a host does (LoadLibrary, then "main"
// with a host callback, for a DLL; dlopen, then "VSTPluginMain", for the
// Linux VST) and gives typed access to its record and five functions.  The
// callback records every request the plug-in makes, for tests and tools.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/AEffect.h"

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

// The recording host: one per process, since a plug-in's version request
// carries no record to tell hosts apart.
class RecordingHost {
public:
    static RecordingHost& instance();
    static VstIntPtr VELORIN_CALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                               void* ptr, float opt);

    std::vector<HostCall> calls;
    // Told of each request once it is recorded: a test's host may act on
    // it from inside the plug-in's call, as hosts do.
    std::function<void(const HostCall&)> listener;
    VstIntPtr versionAnswer = 2400;  // what the host answers to audioMasterVersion
    VstIntPtr otherAnswer = 0;       // what it answers to everything else
};

class PluginLoader {
public:
    // Loads the library; loaded() tells whether it and its entry point were
    // found.  A relative path is taken from the current folder, never from
    // the folders where the system looks for libraries.
    explicit PluginLoader(const std::string& path);
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    bool loaded() const { return mainEntry != nullptr; }
    const std::string& error() const { return lastError; }
    // Why loading failed: the library itself (with the system's error
    // code), or only its "main".
    bool libraryFound() const { return module != nullptr; }
    unsigned long systemError() const { return loadError; }

    // Calls "main" with the given callback (the recording host by default).
    AEffect* create(audioMasterCallback callback = RecordingHost::callback);

    // Leaves the library in the process when the loader goes: for a record
    // that cannot be closed safely, whose code may still be running.
    void keepLoaded() { module = nullptr; }

private:
    void* module = nullptr;
    AEffect*(VELORIN_CALLBACK* mainEntry)(audioMasterCallback) = nullptr;
    unsigned long loadError = 0;
    std::string lastError;
};

// Typed access to a created effect's record.
class PluginInstance {
public:
    explicit PluginInstance(AEffect* effect) : effect(effect) {}

    AEffect* record() const { return effect; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void process(float** inputs, float** outputs, VstInt32 frames) const {
        effect->process(effect, inputs, outputs, frames);
    }
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) const {
        effect->processReplacing(effect, inputs, outputs, frames);
    }
    void setParameter(VstInt32 index, float value) const { effect->setParameter(effect, index, value); }
    float getParameter(VstInt32 index) const { return effect->getParameter(effect, index); }

    // A text opcode answered into a roomy buffer.
    std::string text(VstInt32 opcode, VstInt32 index = 0) const;
    // effClose: the record is gone afterwards.
    VstIntPtr close();

private:
    AEffect* effect;
};

// The folder of the running program, with its trailing separator.
std::string programFolder();

// The plug-in where the build puts it: Velorin2.dll next to the running
// program, Velorin2.so in lib/lxvst beside the programs' bin.
std::string pluginBesideProgram();

// The plug-in that tests and tools use: the one VELORIN_PLUGIN names, or
// else the built one.
std::string builtPluginPath();
