// A stand-in effect for the renderer's tests: it passes its inputs through
// unchanged (so every sample conversion can be checked exactly) and appends
// each host request to the file named by VELORIN_PROBE_LOG.  The flags it
// reports come from VELORIN_PROBE_FLAGS (default: can replace); with
// VELORIN_PROBE_NO_MAGIC set, its record lacks the magic number.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/AEffect.h"

namespace {

struct Probe {
    AEffect effect;
    std::FILE* log;
    VstInt32 program;
    float parameters[2];
};

Probe* probeOf(AEffect* effect) { return static_cast<Probe*>(effect->object); }

void note(AEffect* effect, const char* format, double a = 0, double b = 0, double c = 0, double d = 0) {
    std::FILE* log = probeOf(effect)->log;
    if (!log) return;
    std::fprintf(log, format, a, b, c, d);
    std::fputc('\n', log);
    std::fflush(log);
}

VstIntPtr VELORIN_CALLBACK dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt) {
    Probe* probe = probeOf(effect);
    note(effect, "dispatch %g %g %g %g", opcode, index, static_cast<double>(value), opt);
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effClose:
        if (probe->log) std::fclose(probe->log);
        delete probe;
        return 1;
    case effSetProgram: probe->program = static_cast<VstInt32>(value); return 0;
    case effGetProgram: return probe->program;
    case effGetProgramName: std::sprintf(text, "Probe %d", static_cast<int>(probe->program)); return 0;
    case effGetParamName: std::strcpy(text, index == 0 ? "Alpha" : "Beta Level"); return 0;
    case effGetParamLabel: std::strcpy(text, "units"); return 0;
    case effGetParamDisplay: std::sprintf(text, "%.2f", static_cast<double>(probe->parameters[index])); return 0;
    default: return 0;
    }
}

void VELORIN_CALLBACK processAdding(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    note(effect, "process %g", frames);
    for (int c = 0; c < 2; ++c)
        for (VstInt32 i = 0; i < frames; ++i) outputs[c][i] += inputs[c][i];
}

void VELORIN_CALLBACK processReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    note(effect, "processReplacing %g", frames);
    for (int c = 0; c < 2; ++c) std::memcpy(outputs[c], inputs[c], sizeof(float) * frames);
}

void VELORIN_CALLBACK setParameter(AEffect* effect, VstInt32 index, float value) {
    note(effect, "setParameter %g %g", index, value);
    probeOf(effect)->parameters[index] = value;
}

float VELORIN_CALLBACK getParameter(AEffect* effect, VstInt32 index) { return probeOf(effect)->parameters[index]; }

}  // namespace

extern "C" AEffect* VELORIN_CALLBACK probeMain(audioMasterCallback host) {
    Probe* probe = new Probe{};
    const char* logPath = std::getenv("VELORIN_PROBE_LOG");
    probe->log = logPath ? std::fopen(logPath, "a") : nullptr;
    AEffect& e = probe->effect;
    e.magic = std::getenv("VELORIN_PROBE_NO_MAGIC") ? 0 : kEffectMagic;
    e.dispatcher = dispatch;
    e.process = processAdding;
    e.processReplacing = processReplacing;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.numPrograms = 3;
    e.numParams = 2;
    e.numInputs = 2;
    e.numOutputs = 2;
    const char* flags = std::getenv("VELORIN_PROBE_FLAGS");
    e.flags = flags ? std::atoi(flags) : effFlagsCanReplacing;
    e.ioRatio = 1.0f;
    e.object = probe;
    e.uniqueID = fourCharCode('P', 'r', 'b', 'e');
    e.version = 1;
    note(&e, "version %g", host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f));
    return &e;
}
