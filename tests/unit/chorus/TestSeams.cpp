#include "tests/unit/chorus/TestSeams.h"

#include <cstdlib>

namespace seams {

bool failSampleAllocation = false;
int liveSampleBuffers = 0;

namespace {

class RecordingEditor final : public ChorusEditorBase {
public:
    explicit RecordingEditor(ChorusEffect* effect) : ChorusEditorBase(effect) {}
    void parameterChanged(VstInt32 index, float value) override {
        log.entries.push_back("parameterChanged " + std::to_string(index));
        log.indices.push_back(index);
        log.values.push_back(value);
    }
    void programChanged() override { log.entries.push_back("programChanged"); }
    void effectClosing() override { log.entries.push_back("effectClosing"); }

    EditorLog log;
};

float* allocateCounted(std::size_t count) {
    if (failSampleAllocation) return nullptr;
    float* samples = static_cast<float*>(std::calloc(count, sizeof(float)));
    if (samples) ++liveSampleBuffers;
    return samples;
}

void releaseCounted(float* samples) {
    if (!samples) return;
    --liveSampleBuffers;
    std::free(samples);
}

}  // namespace

EditorLog& attachRecordingEditor(ChorusEffect& effect) {
    auto* editor = new RecordingEditor(&effect);
    effect.attachEditor(editor);
    return editor->log;
}

const platform::SampleMemory& countingSampleMemory() {
    static constexpr platform::SampleMemory memory = {allocateCounted, releaseCounted};
    return memory;
}

}  // namespace seams
