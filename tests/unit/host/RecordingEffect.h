// A bare effect for exercising the base class: it records which virtual
// operations the dispatcher reached, and lets a test choose getVu's answer.
#pragma once

#include <string>
#include <vector>

#include "host/AudioEffect.h"

class RecordingEffect : public AudioEffect {
public:
    explicit RecordingEffect(audioMasterCallback audioMaster = nullptr) : AudioEffect(audioMaster, 4, 3) {}

    void process(float**, float**, VstInt32) override { log.push_back("process"); }
    void setParameter(VstInt32 index, float value) override {
        log.push_back("setParameter " + std::to_string(index));
        lastValue = value;
    }
    void open() override { log.push_back("open"); }
    void close() override { log.push_back("close"); }
    void setProgram(VstInt32 program) override {
        log.push_back("setProgram " + std::to_string(program));
        AudioEffect::setProgram(program);
    }
    void suspend() override { log.push_back("suspend"); }
    void resume() override { log.push_back("resume"); }
    float getVu() override { return vu; }

    // Exposes the protected members a test needs to see.
    float sampleRateValue() const { return sampleRate; }
    VstInt32 blockSizeValue() const { return blockSize; }
    VstInt32 currentProgram() const { return curProgram; }

    std::vector<std::string> log;
    float lastValue = 0.0f;
    float vu = 0.0f;
};
