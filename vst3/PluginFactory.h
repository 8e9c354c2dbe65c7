// The module's factory: one class, the chorus, made with the editor of the
// module's window system.  Every factory the module hands out is an object
// of its own, freed at its last release, so nothing of the module outlives
// what its host holds.  A host may hand it its context, which the plug-ins
// it makes afterwards search for the host's run loop.
#pragma once

#include <atomic>

#include "vst3/EditorPlatform.h"
#include "vst3/abi/Factory.h"

namespace vst3 {

class PluginFactory final : public IPluginFactory3 {
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
    tresult VST3_CALL getClassInfoUnicode(int32 index, PClassInfoW* info) override;
    tresult VST3_CALL setHostContext(FUnknown* context) override;

private:
    explicit PluginFactory(const EditorPlatform& platform) : platform(platform) {}
    ~PluginFactory();

    std::atomic<uint32> references{1};
    const EditorPlatform& platform;
    FUnknown* hostContext = nullptr;  // counted
};

}  // namespace vst3
