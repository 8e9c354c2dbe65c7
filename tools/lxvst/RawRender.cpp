// velorin-lxvst-render: renders raw stereo 32-bit float samples through the
// Linux VST library as a host does (dlopen, VSTPluginMain, then open, sample
// rate, block size, parameters, resume, processReplacing block by block),
// for comparing its sound with the DLL's.  sox makes and reads the raw
// samples (tests/lv2/hosts-match-the-dll.sh).
//
//   velorin-lxvst-render PLUGIN RATE BLOCK [--set NAME=VALUE]... <IN.f32 >OUT.f32
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/PluginLoader.h"

namespace {

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

VstInt32 parameterNamed(const PluginInstance& plugin, const std::string& name) {
    for (VstInt32 i = 0; i < plugin.record()->numParams; ++i)
        if (lower(plugin.text(effGetParamName, i)) == lower(name)) return i;
    return -1;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "velorin-lxvst-render: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return fail("usage: velorin-lxvst-render PLUGIN RATE BLOCK [--set NAME=VALUE]... <IN >OUT");
    PluginLoader loader(argv[1]);
    if (!loader.loaded()) return fail(loader.error());
    PluginInstance plugin(loader.create());
    if (!plugin.record()) return fail("the plug-in returned no effect");
    const float rate = std::strtof(argv[2], nullptr);
    const int block = std::atoi(argv[3]);
    if (!(rate > 0.0f) || block <= 0) return fail("bad rate or block size");

    plugin.dispatch(effOpen);
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    plugin.dispatch(effSetBlockSize, 0, block);
    for (int i = 4; i + 1 < argc; i += 2) {
        const std::string setting = argv[i + 1];
        const std::size_t equals = setting.find('=');
        const VstInt32 index = std::strcmp(argv[i], "--set") == 0 && equals != std::string::npos
                                   ? parameterNamed(plugin, setting.substr(0, equals))
                                   : -1;
        if (index < 0) return fail("bad setting " + setting);
        plugin.setParameter(index, std::strtof(setting.c_str() + equals + 1, nullptr));
    }
    plugin.dispatch(effMainsChanged, 0, 1);

    std::vector<float> interleaved(2 * static_cast<std::size_t>(block));
    std::vector<float> channels(4 * static_cast<std::size_t>(block));
    float* inputs[2] = {channels.data(), channels.data() + block};
    float* outputs[2] = {channels.data() + 2 * block, channels.data() + 3 * block};
    for (;;) {
        const std::size_t frames = std::fread(interleaved.data(), 2 * sizeof(float), block, stdin);
        if (frames == 0) break;
        for (std::size_t k = 0; k < frames; ++k) {
            inputs[0][k] = interleaved[2 * k];
            inputs[1][k] = interleaved[2 * k + 1];
            outputs[0][k] = outputs[1][k] = 0.0f;
        }
        plugin.processReplacing(inputs, outputs, static_cast<VstInt32>(frames));
        for (std::size_t k = 0; k < frames; ++k) {
            interleaved[2 * k] = outputs[0][k];
            interleaved[2 * k + 1] = outputs[1][k];
        }
        if (std::fwrite(interleaved.data(), 2 * sizeof(float), frames, stdout) != frames) return fail("cannot write");
    }
    plugin.dispatch(effMainsChanged, 0, 0);
    plugin.close();
    return 0;
}
