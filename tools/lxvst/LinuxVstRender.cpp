// velorin-lxvst-render: renders a stereo 32-bit float WAV file through the
// Linux VST library as a host does (dlopen, VSTPluginMain, then open, sample
// rate, block size, parameters, resume, processReplacing block by block),
// or through a VST 3 bundle (its module's factory, set-up, activation, the
// values as the first block's parameter changes, then block by block), or
// through a CLAP module (the same, the values as the first block's events),
// into a 32-bit float WAV file, for comparing its sound with the DLL's.  It
// reads and writes the samples itself: sox's raw conversions pass samples
// through 32-bit integers and change their last bits.
//
//   velorin-lxvst-render PLUGIN BLOCK IN.wav OUT.wav [--set NAME=VALUE]...
//   (PLUGIN: Velorin2.so, a bundle Velorin2.vst3, or a module Velorin2.clap)
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/ClapHost.h"
#include "tools/PluginLoader.h"
#include "tools/Vst3Host.h"

namespace {

std::uint32_t little32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t little16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

struct Stereo {
    std::uint32_t rate = 0;
    std::vector<float> samples;  // interleaved
};

// A RIFF file whose format is IEEE float (plain or extensible), two
// channels of 32 bits; false for anything else.
bool readWave(const char* path, Stereo& wave) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 || std::memcmp(data.data() + 8, "WAVE", 4) != 0)
        return false;
    bool floatStereo = false;
    for (std::size_t i = 12; i + 8 <= data.size();) {
        const unsigned char* chunk = data.data() + i;
        const std::uint32_t size = little32(chunk + 4);
        if (i + 8 + size > data.size()) return false;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            const std::uint16_t format = little16(chunk + 8);
            floatStereo = (format == 3 || format == 0xFFFE) && little16(chunk + 10) == 2 && little16(chunk + 22) == 32;
            wave.rate = little32(chunk + 12);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!floatStereo) return false;
            wave.samples.resize(size / sizeof(float));
            std::memcpy(wave.samples.data(), chunk + 8, wave.samples.size() * sizeof(float));
            return true;
        }
        i += 8 + size + (size & 1);
    }
    return false;
}

void put32(std::FILE* file, std::uint32_t v) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(bytes, 1, 4, file);
}
void put16(std::FILE* file, std::uint16_t v) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(bytes, 1, 2, file);
}

bool writeWave(const char* path, const Stereo& wave) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const std::uint32_t bytes = static_cast<std::uint32_t>(wave.samples.size() * sizeof(float));
    std::fwrite("RIFF", 1, 4, file);
    put32(file, 36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    put32(file, 16);
    put16(file, 3);  // IEEE float
    put16(file, 2);
    put32(file, wave.rate);
    put32(file, wave.rate * 8);
    put16(file, 8);
    put16(file, 32);
    std::fwrite("data", 1, 4, file);
    put32(file, bytes);
    const bool written = std::fwrite(wave.samples.data(), 1, bytes, file) == bytes;
    return std::fclose(file) == 0 && written;
}

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

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The wave through `process(inputs, outputs, frames, first)` in blocks of
// `block` frames, in place: separate channel buffers, the outputs silent
// before each block.
template <typename Process>
void renderBlocks(Stereo& wave, int block, Process process) {
    const std::size_t size = static_cast<std::size_t>(block);
    const std::size_t total = wave.samples.size() / 2;
    std::vector<float> channels(4 * size);
    float* inputs[2] = {channels.data(), channels.data() + size};
    float* outputs[2] = {channels.data() + 2 * size, channels.data() + 3 * size};
    for (std::size_t first = 0; first < total; first += size) {
        const std::size_t frames = total - first < size ? total - first : size;
        float* frame = wave.samples.data() + 2 * first;
        for (std::size_t k = 0; k < frames; ++k) {
            inputs[0][k] = frame[2 * k];
            inputs[1][k] = frame[2 * k + 1];
            outputs[0][k] = outputs[1][k] = 0.0f;
        }
        process(inputs, outputs, frames, first == 0);
        for (std::size_t k = 0; k < frames; ++k) {
            frame[2 * k] = outputs[0][k];
            frame[2 * k + 1] = outputs[1][k];
        }
    }
}

// The VST 3 bundle: the values go to the processor with the first block, at
// its first frame, as a host delivers them.
int renderVst3(const std::string& bundle, int block, Stereo& wave, int argc, char** argv) {
    using namespace vst3host;
    Module module(bundle + "/Contents/x86_64-linux/Velorin2.so");
    if (!module.loaded()) return fail("cannot load the VST 3 bundle " + bundle);
    IPluginFactory* factory = module.factory();
    int status = 0;
    {
        Instance plugin(factory);
        if (!plugin.processor || !plugin.controller) return fail("the bundle made no plug-in");
        plugin.start(wave.rate, block);
        ParameterChanges changes;
        for (int i = 5; i + 1 < argc; i += 2) {
            const std::string setting = argv[i + 1];
            const std::size_t equals = setting.find('=');
            int id = -1;
            for (int p = 0; p < plugin.controller->getParameterCount() && equals != std::string::npos; ++p) {
                ParameterInfo info{};
                plugin.controller->getParameterInfo(p, info);
                std::string title;
                for (int c = 0; c < 128 && info.title[c]; ++c) title += static_cast<char>(info.title[c]);
                if (lower(title) == lower(setting.substr(0, equals))) id = static_cast<int>(info.id);
            }
            if (std::strcmp(argv[i], "--set") != 0 || id < 0) return fail("bad setting " + setting);
            changes.add(static_cast<ParamID>(id), 0, std::strtof(setting.c_str() + equals + 1, nullptr));
        }
        renderBlocks(wave, block, [&](float** in, float** out, std::size_t frames, bool first) {
            plugin.process(in[0], in[1], out[0], out[1], static_cast<int32>(frames), first ? &changes : nullptr);
        });
    }
    factory->release();
    return status;
}

// The CLAP module: the values go to the plug-in with the first block, at
// its first frame, as a host delivers them.
int renderClap(const std::string& path, int block, Stereo& wave, int argc, char** argv) {
    using namespace claphost;
    Module module(path);
    if (!module.loaded()) return fail("cannot load the CLAP module " + path);
    TestHost host;
    Instance plugin(module, host);
    if (!plugin.params || !plugin.start(wave.rate, static_cast<std::uint32_t>(block)))
        return fail("the module made no plug-in");
    InputEventList events;
    for (int i = 5; i + 1 < argc; i += 2) {
        const std::string setting = argv[i + 1];
        const std::size_t equals = setting.find('=');
        int id = -1;
        for (std::uint32_t p = 0; p < plugin.params->count(plugin.plugin) && equals != std::string::npos; ++p) {
            ParamInfo info{};
            plugin.params->getInfo(plugin.plugin, p, &info);
            if (lower(info.name) == lower(setting.substr(0, equals))) id = static_cast<int>(info.id);
        }
        if (std::strcmp(argv[i], "--set") != 0 || id < 0) return fail("bad setting " + setting);
        events.add(0, static_cast<Id>(id), std::strtof(setting.c_str() + equals + 1, nullptr));
    }
    renderBlocks(wave, block, [&](float** in, float** out, std::size_t frames, bool first) {
        plugin.process(in[0], in[1], out[0], out[1], static_cast<std::uint32_t>(frames), first ? &events : nullptr);
    });
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) return fail("usage: velorin-lxvst-render PLUGIN BLOCK IN.wav OUT.wav [--set NAME=VALUE]...");
    const int block = std::atoi(argv[2]);
    Stereo wave;
    if (block <= 0) return fail("bad block size");
    if (!readWave(argv[3], wave)) return fail(std::string(argv[3]) + " is no stereo 32-bit float WAV file");
    const bool vst3 = endsWith(argv[1], ".vst3") || endsWith(argv[1], ".vst3/");
    if (vst3 || endsWith(argv[1], ".clap")) {
        const int status = vst3 ? renderVst3(argv[1], block, wave, argc, argv) : renderClap(argv[1], block, wave, argc, argv);
        if (status != 0) return status;
        return writeWave(argv[4], wave) ? 0 : fail(std::string("cannot write ") + argv[4]);
    }
    PluginLoader loader(argv[1]);
    if (!loader.loaded()) return fail(loader.error());
    PluginInstance plugin(loader.create());
    if (!plugin.record()) return fail("the plug-in returned no effect");

    plugin.dispatch(effOpen);
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(wave.rate));
    plugin.dispatch(effSetBlockSize, 0, block);
    for (int i = 5; i + 1 < argc; i += 2) {
        const std::string setting = argv[i + 1];
        const std::size_t equals = setting.find('=');
        const VstInt32 index = std::strcmp(argv[i], "--set") == 0 && equals != std::string::npos
                                   ? parameterNamed(plugin, setting.substr(0, equals))
                                   : -1;
        if (index < 0) return fail("bad setting " + setting);
        plugin.setParameter(index, std::strtof(setting.c_str() + equals + 1, nullptr));
    }
    plugin.dispatch(effMainsChanged, 0, 1);

    renderBlocks(wave, block, [&](float** in, float** out, std::size_t frames, bool) {
        plugin.processReplacing(in, out, static_cast<VstInt32>(frames));
    });
    plugin.dispatch(effMainsChanged, 0, 0);
    plugin.close();
    return writeWave(argv[4], wave) ? 0 : fail(std::string("cannot write ") + argv[4]);
}
