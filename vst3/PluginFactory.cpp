#include "vst3/PluginFactory.h"

#include <new>

#include "host/FloatingPointControl.h"
#include "vst3/ClassInfo.h"
#include "vst3/Utf16.h"
#include "vst3/Vst3Chorus.h"

namespace vst3 {

PluginFactory* PluginFactory::create(const EditorPlatform& platform) {
    return new (std::nothrow) PluginFactory(platform);
}

PluginFactory::~PluginFactory() {
    if (hostContext) hostContext->release();
}

tresult VST3_CALL PluginFactory::queryInterface(const TUID iid, void** object) {
    if (!object) return kInvalidArgument;
    if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPluginFactory::iid) || sameUid(iid, IPluginFactory2::iid) ||
        sameUid(iid, IPluginFactory3::iid)) {
        *object = static_cast<IPluginFactory3*>(this);
        addRef();
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

uint32 VST3_CALL PluginFactory::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32 VST3_CALL PluginFactory::release() {
    const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
}

tresult VST3_CALL PluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (!info) return kInvalidArgument;
    *info = PFactoryInfo{};
    copyAscii(kVendor, info->vendor);
    // Parameter and bus names come as UTF-16.
    info->flags = PFactoryInfo::kUnicode;
    return kResultOk;
}

int32 VST3_CALL PluginFactory::countClasses() { return 1; }

tresult VST3_CALL PluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    if (!info || index != 0) return kInvalidArgument;
    *info = PClassInfo{};
    copyUid(kChorusClassId, info->cid);
    info->cardinality = PClassInfo::kManyInstances;
    copyAscii(kClassCategory, info->category);
    copyAscii(kClassName, info->name);
    return kResultOk;
}

tresult VST3_CALL PluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    if (!info || index != 0) return kInvalidArgument;
    *info = PClassInfo2{};
    copyUid(kChorusClassId, info->cid);
    info->cardinality = PClassInfo::kManyInstances;
    copyAscii(kClassCategory, info->category);
    copyAscii(kClassName, info->name);
    // The component and the controller are one object: not distributable.
    info->classFlags = 0;
    copyAscii(kSubCategories, info->subCategories);
    copyAscii(kVendor, info->vendor);
    copyAscii(kClassVersion, info->version);
    copyAscii(kSdkVersion, info->sdkVersion);
    return kResultOk;
}

tresult VST3_CALL PluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    if (!info || index != 0) return kInvalidArgument;
    *info = PClassInfoW{};
    copyUid(kChorusClassId, info->cid);
    info->cardinality = PClassInfo::kManyInstances;
    copyAscii(kClassCategory, info->category);
    copyToUtf16(kClassName, info->name, 64);
    info->classFlags = 0;
    copyAscii(kSubCategories, info->subCategories);
    copyToUtf16(kVendor, info->vendor, 64);
    copyToUtf16(kClassVersion, info->version, 64);
    copyToUtf16(kSdkVersion, info->sdkVersion, 64);
    return kResultOk;
}

tresult VST3_CALL PluginFactory::setHostContext(FUnknown* context) {
    if (context) context->addRef();
    if (hostContext) hostContext->release();
    hostContext = context;
    return kResultOk;
}

// The effect's construction designs its first filter and rotation; the
// host's floating-point settings stay its own.
tresult VST3_CALL PluginFactory::createInstance(FIDString cid, FIDString iid, void** object) {
    if (!object) return kInvalidArgument;
    *object = nullptr;
    if (!sameUid(cid, kChorusClassId) || !iid) return kNoInterface;
    Vst3Chorus* plugin;
    {
        const fpu::DefaultArithmetic arithmetic;
        plugin = Vst3Chorus::create(platform, hostContext);
    }
    if (!plugin) return kOutOfMemory;
    const tresult result = plugin->queryInterface(iid, object);
    plugin->release();
    return result;
}

}  // namespace vst3
