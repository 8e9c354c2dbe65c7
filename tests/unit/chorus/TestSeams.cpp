#include "tests/unit/chorus/TestSeams.h"

#include <cstdlib>
#include <new>

#include "host/Platform.h"

namespace seams {

bool failEditorCreation = false;
bool failSampleAllocation = false;
int liveSampleBuffers = 0;

EditorLog& editorLog() {
    static EditorLog log;
    return log;
}

}  // namespace seams

namespace {

class RecordingEditor final : public ChorusEditorBase {
public:
    explicit RecordingEditor(ChorusEffect* effect) : ChorusEditorBase(effect) {
        seams::editorLog() = {};
        effect->setEditor(this);
    }
    void parameterChanged(VstInt32 index, float value) override {
        seams::EditorLog& log = seams::editorLog();
        log.entries.push_back("parameterChanged " + std::to_string(index));
        log.indices.push_back(index);
        log.values.push_back(value);
    }
    void programChanged() override { seams::editorLog().entries.push_back("programChanged"); }
};

}  // namespace

ChorusEditorBase* createChorusEditor(ChorusEffect* effect) {
    if (seams::failEditorCreation) return nullptr;
    return new (std::nothrow) RecordingEditor(effect);
}

namespace platform {

float* allocateSamples(std::size_t count) {
    if (seams::failSampleAllocation) return nullptr;
    float* samples = static_cast<float*>(std::calloc(count, sizeof(float)));
    if (samples) ++seams::liveSampleBuffers;
    return samples;
}

void freeSamples(float* samples) {
    if (!samples) return;
    --seams::liveSampleBuffers;
    std::free(samples);
}

}  // namespace platform
