// The module's factory: one class, the chorus, made with the editor of the
// module's window system.  Every factory the module hands out is an object
// of its own, freed at its last release, so nothing of the module outlives
// what its host holds.
#pragma once

#include <atomic>

#include "vst3/EditorPlatform.h"
#include "vst3/abi/Factory.h"

namespace vst3 {

class PluginFactory final : public IPluginFactory2 {
public:
    // A new factory with one reference, or null.
    static PluginFactory* create(const EditorPlatform& platform);

    tresult VST3_CALL queryInterface(const TUID iid, void** object) override;
    uint32 VST3_CALL addRef() override;
    uint32 VST3_CALL release() override;

    tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) override;
    int32 VST3_CALL countClasses() override;
    tresult VST3_CALL getClassInfo(int32 index, PClassInfo* info) override;
    tresult VST3_CALL createInstance(FIDString cid, FIDString iid, void** object) override;
    tresult VST3_CALL getClassInfo2(int32 index, PClassInfo2* info) override;

private:
    explicit PluginFactory(const EditorPlatform& platform) : platform(platform) {}
    ~PluginFactory() = default;

    std::atomic<uint32> references{1};
    const EditorPlatform& platform;
};

}  // namespace vst3
