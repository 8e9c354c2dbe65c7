#include "tools/benchmark/Lv2Host.h"

#include <dlfcn.h>
#include <lv2/core/lv2.h>

#include "chorus/ParameterIndex.h"
#include "lv2/Lv2Ports.h"
#include "lv2/Lv2Uri.h"

namespace bench {

std::unique_ptr<Lv2Plugin> Lv2Plugin::load(const std::string& binary, float voices, std::string& error) {
    std::unique_ptr<Lv2Plugin> plugin(new Lv2Plugin);
    plugin->library = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin->library) {
        error = dlerror();
        return nullptr;
    }
    using DescriptorFunction = const LV2_Descriptor* (*)(uint32_t);
    auto entry = reinterpret_cast<DescriptorFunction>(dlsym(plugin->library, "lv2_descriptor"));
    plugin->descriptor = entry ? entry(0) : nullptr;
    if (!plugin->descriptor || std::string(plugin->descriptor->URI) != lv2uri::kPlugin) {
        error = binary + " has no descriptor for " + lv2uri::kPlugin;
        return nullptr;
    }
    const LV2_Feature* const features[] = {nullptr};
    plugin->handle = plugin->descriptor->instantiate(plugin->descriptor, kSampleRate, "", features);
    if (!plugin->handle) {
        error = "the plug-in did not instantiate";
        return nullptr;
    }
    plugin->controls.resize(lv2port::kControlCount);
    for (int i = 0; i < lv2port::kControlCount; ++i) {
        plugin->controls[i] = lv2port::controlPorts()[i].defaultValue;
        if (lv2port::controlPorts()[i].parameter == chorus::kVoices) plugin->controls[i] = voices;
        plugin->descriptor->connect_port(plugin->handle, lv2port::kFirstControl + i, &plugin->controls[i]);
    }
    plugin->descriptor->connect_port(plugin->handle, lv2port::kClip, &plugin->clip);
    plugin->descriptor->activate(plugin->handle);
    return plugin;
}

Lv2Plugin::~Lv2Plugin() {
    if (handle) {
        descriptor->deactivate(handle);
        descriptor->cleanup(handle);
    }
    if (library) dlclose(library);
}

void Lv2Plugin::process(float** inputs, float** outputs, int frames) {
    descriptor->connect_port(handle, lv2port::kInputLeft, inputs[0]);
    descriptor->connect_port(handle, lv2port::kInputRight, inputs[1]);
    descriptor->connect_port(handle, lv2port::kOutputLeft, outputs[0]);
    descriptor->connect_port(handle, lv2port::kOutputRight, outputs[1]);
    descriptor->run(handle, static_cast<uint32_t>(frames));
}

}  // namespace bench
