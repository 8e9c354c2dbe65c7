// The DLL behind the golden scenarios' interface, driven through its record
// as a host drives it; closed with the object.
#pragma once

#include "tests/unit/chorus/GoldenScenarios.h"
#include "tools/PluginLoader.h"

class DllChorus : public golden::Chorus {
public:
    explicit DllChorus(AEffect* record) : plugin(record) {}
    ~DllChorus() override { plugin.close(); }
    void setSampleRate(float rate) override { plugin.dispatch(effSetSampleRate, 0, 0, nullptr, rate); }
    void setParameter(int index, float value) override { plugin.setParameter(index, value); }
    void setProgram(int program) override { plugin.dispatch(effSetProgram, 0, program); }
    void process(float** inputs, float** outputs, int frames, bool accumulate) override {
        if (accumulate)
            plugin.process(inputs, outputs, frames);
        else
            plugin.processReplacing(inputs, outputs, frames);
    }
    PluginInstance plugin;
};
