// A minimal LV2 host for the benchmark: it loads the project's own bundle's
// shared object, instantiates the plug-in and runs it on stereo blocks, so
// that the same effect is measured through its other entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/benchmark/Harness.h"

struct LV2_Descriptor;

namespace bench {

class Lv2Plugin final : public BlockProcessor {
public:
    // The plug-in with every control at its default but `voices` (1, 2 or
    // 4); null with a reason in `error` when it cannot be loaded.
    static std::unique_ptr<Lv2Plugin> load(const std::string& binary, float voices, std::string& error);
    ~Lv2Plugin() override;

    void process(float** inputs, float** outputs, int frames) override;

private:
    Lv2Plugin() = default;

    void* library = nullptr;
    const LV2_Descriptor* descriptor = nullptr;
    void* handle = nullptr;
    std::vector<float> controls;
    float clip = 0.0f;
};

}  // namespace bench
