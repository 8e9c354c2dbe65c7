// A minimal LADSPA host for the comparison: it loads one plug-in by file and
// label, sets every input control by its port name, and runs it on stereo
// blocks, one instance per channel when the plug-in is mono.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tools/benchmark/Harness.h"

struct _LADSPA_Descriptor;

namespace bench {

class LadspaPlugin final : public BlockProcessor {
public:
    // Control values by exact port name; every input control must be named,
    // so that the settings in the report are all the settings there are.
    using Controls = std::vector<std::pair<std::string, float>>;

    // Null with a reason in `error` when the library, the label, a port or
    // the channel layout does not fit.
    static std::unique_ptr<LadspaPlugin> load(const std::string& file, const std::string& label,
                                              const Controls& controls, std::string& error);
    ~LadspaPlugin() override;

    void process(float** inputs, float** outputs, int frames) override;
    int instances() const { return static_cast<int>(handles.size()); }

private:
    LadspaPlugin() = default;

    void* library = nullptr;
    const _LADSPA_Descriptor* descriptor = nullptr;
    std::vector<void*> handles;         // one per channel group
    std::vector<unsigned long> audioIn, audioOut;  // port numbers, per instance
    std::vector<float> controlValues;   // indexed by port number
};

}  // namespace bench
