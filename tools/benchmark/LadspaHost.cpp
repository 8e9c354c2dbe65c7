#include "tools/benchmark/LadspaHost.h"

#include <dlfcn.h>
#include <ladspa.h>

#include <algorithm>
#include <cstdlib>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace bench {

namespace {

// Where Debian's packages put LADSPA plug-ins, after the user's own path.
void* openLibrary(const std::string& file, std::string& error) {
    std::vector<std::string> folders;
    if (const char* path = std::getenv("LADSPA_PATH")) {
        std::string list = path;
        for (std::size_t start = 0; start <= list.size();) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start) folders.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    folders.push_back("/usr/lib/ladspa");
    folders.push_back("/usr/local/lib/ladspa");
    for (const std::string& folder : folders) {
        if (void* library = dlopen((folder + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL)) return library;
    }
    error = file + " not found in LADSPA_PATH or /usr/lib/ladspa";
    return nullptr;
}

// Some plug-in libraries switch the whole process to flush-to-zero and
// denormals-are-zero when they are loaded (caps.so does, from a static
// constructor).  That would change the conditions for every other effect
// measured in the process, ours included, so the host undoes it.
class KeepFloatingPointMode {
public:
#if defined(__SSE__)
    KeepFloatingPointMode() : mxcsr(_mm_getcsr()) {}
    ~KeepFloatingPointMode() { _mm_setcsr(mxcsr); }

private:
    unsigned mxcsr;
#endif
};

}  // namespace

std::unique_ptr<LadspaPlugin> LadspaPlugin::load(const std::string& file, const std::string& label,
                                                 const Controls& controls, std::string& error) {
    const KeepFloatingPointMode keep;
    std::unique_ptr<LadspaPlugin> plugin(new LadspaPlugin);
    plugin->library = openLibrary(file, error);
    if (!plugin->library) return nullptr;
    auto entry = reinterpret_cast<LADSPA_Descriptor_Function>(dlsym(plugin->library, "ladspa_descriptor"));
    if (!entry) {
        error = file + " has no ladspa_descriptor";
        return nullptr;
    }
    const LADSPA_Descriptor* d = nullptr;
    for (unsigned long i = 0; (d = entry(i)) != nullptr; ++i) {
        if (label == d->Label) break;
    }
    if (!d) {
        error = file + " has no plug-in labelled " + label;
        return nullptr;
    }
    plugin->descriptor = d;

    std::vector<unsigned long> ins, outs;
    plugin->controlValues.assign(d->PortCount, 0.0f);
    for (unsigned long port = 0; port < d->PortCount; ++port) {
        const LADSPA_PortDescriptor kind = d->PortDescriptors[port];
        if (LADSPA_IS_PORT_AUDIO(kind)) {
            (LADSPA_IS_PORT_INPUT(kind) ? ins : outs).push_back(port);
        } else if (LADSPA_IS_PORT_INPUT(kind)) {
            bool named = false;
            for (const auto& control : controls) {
                if (control.first == d->PortNames[port]) {
                    plugin->controlValues[port] = control.second;
                    named = true;
                }
            }
            if (!named) {
                error = label + ": no value given for control \"" + d->PortNames[port] + "\"";
                return nullptr;
            }
        }
    }
    for (const auto& control : controls) {
        bool found = false;
        for (unsigned long port = 0; port < d->PortCount; ++port) found = found || control.first == d->PortNames[port];
        if (!found) {
            error = label + ": no control \"" + control.first + "\"";
            return nullptr;
        }
    }

    // A stereo plug-in runs once; a mono one runs once per channel.
    int instanceCount;
    if (ins.size() == 2 && outs.size() == 2) {
        instanceCount = 1;
        plugin->audioIn = ins;
        plugin->audioOut = outs;
    } else if (ins.size() == 1 && outs.size() == 1) {
        instanceCount = 2;
        plugin->audioIn = {ins[0], ins[0]};
        plugin->audioOut = {outs[0], outs[0]};
    } else {
        error = label + ": neither mono nor stereo";
        return nullptr;
    }

    static float silence[16] = {};
    static float discard[16];
    for (int i = 0; i < instanceCount; ++i) {
        LADSPA_Handle handle = d->instantiate(d, static_cast<unsigned long>(kSampleRate));
        if (!handle) {
            error = label + ": instantiate failed";
            return nullptr;
        }
        plugin->handles.push_back(handle);
        for (unsigned long port = 0; port < d->PortCount; ++port) {
            const LADSPA_PortDescriptor kind = d->PortDescriptors[port];
            if (LADSPA_IS_PORT_CONTROL(kind))
                d->connect_port(handle, port, &plugin->controlValues[port]);
            else
                d->connect_port(handle, port, LADSPA_IS_PORT_INPUT(kind) ? silence : discard);
        }
        if (d->activate) d->activate(handle);
    }
    return plugin;
}

LadspaPlugin::~LadspaPlugin() {
    for (void* handle : handles) {
        if (descriptor->deactivate) descriptor->deactivate(handle);
        descriptor->cleanup(handle);
    }
    // The library stays loaded: some plug-ins leave exit handlers behind.
}

void LadspaPlugin::process(float** inputs, float** outputs, int frames) {
    const auto count = static_cast<unsigned long>(frames);
    if (handles.size() == 1) {
        descriptor->connect_port(handles[0], audioIn[0], inputs[0]);
        descriptor->connect_port(handles[0], audioIn[1], inputs[1]);
        descriptor->connect_port(handles[0], audioOut[0], outputs[0]);
        descriptor->connect_port(handles[0], audioOut[1], outputs[1]);
        descriptor->run(handles[0], count);
        return;
    }
    for (int channel = 0; channel < 2; ++channel) {
        descriptor->connect_port(handles[channel], audioIn[channel], inputs[channel]);
        descriptor->connect_port(handles[channel], audioOut[channel], outputs[channel]);
        descriptor->run(handles[channel], count);
    }
}

}  // namespace bench
