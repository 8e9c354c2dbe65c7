// The module's factory: what the module holds, and a way to make it.
#pragma once

#include "vst3/abi/Base.h"

namespace vst3 {

struct PFactoryInfo {
    enum Flags : int32 {
        kNoFlags = 0,
        kClassesDiscardable = 1,
        kLicenseCheck = 2,
        kComponentNonDiscardable = 8,
        kUnicode = 16,
    };
    char vendor[64];
    char url[256];
    char email[128];
    int32 flags;
};

struct PClassInfo {
    static constexpr int32 kManyInstances = 0x7FFFFFFF;
    TUID cid;
    int32 cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2 {
    TUID cid;
    int32 cardinality;
    char category[32];
    char name[64];
    uint32 classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

// PClassInfo2 with the texts a user reads in UTF-16.
struct PClassInfoW {
    TUID cid;
    int32 cardinality;
    char category[32];
    char16 name[64];
    uint32 classFlags;
    char subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

struct IPluginFactory : FUnknown {
    static constexpr Uid iid = {0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F};
    virtual tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 VST3_CALL countClasses() = 0;
    virtual tresult VST3_CALL getClassInfo(int32 index, PClassInfo* info) = 0;
    virtual tresult VST3_CALL createInstance(FIDString cid, FIDString iid, void** object) = 0;
};

struct IPluginFactory2 : IPluginFactory {
    static constexpr Uid iid = {0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB};
    virtual tresult VST3_CALL getClassInfo2(int32 index, PClassInfo2* info) = 0;
};

// The host hands the factory its context, where a Linux host offers its
// run loop to plug-ins without an editor.
struct IPluginFactory3 : IPluginFactory2 {
    static constexpr Uid iid = {0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931};
    virtual tresult VST3_CALL getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
    virtual tresult VST3_CALL setHostContext(FUnknown* context) = 0;
};

}  // namespace vst3
