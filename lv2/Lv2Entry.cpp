// The LV2 plug-in's one export, lv2_descriptor, and the C functions a host
// calls through the descriptor.
#include <lv2/core/lv2.h>

#include <new>

#include "lv2/Lv2Chorus.h"
#include "lv2/Lv2Uri.h"

namespace {

Lv2Chorus* instanceOf(LV2_Handle handle) { return static_cast<Lv2Chorus*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const*) {
    if (!(sampleRate > 0.0)) return nullptr;
    Lv2Chorus* chorus = new (std::nothrow) Lv2Chorus(sampleRate);
    if (chorus && !chorus->isUsable()) {
        delete chorus;
        chorus = nullptr;
    }
    return chorus;
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) { instanceOf(handle)->connectPort(port, data); }

void activate(LV2_Handle handle) { instanceOf(handle)->activate(); }

void run(LV2_Handle handle, uint32_t frames) { instanceOf(handle)->run(frames); }

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle) { delete instanceOf(handle); }

const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor descriptor = {
    lv2uri::kPlugin, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData,
};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
