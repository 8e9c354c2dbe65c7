// The component: the plug-in's buses, activation and state.
#pragma once

#include "vst3/abi/Base.h"

namespace vst3 {

enum MediaType : int32 { kAudio = 0, kEvent = 1 };
enum BusDirection : int32 { kInput = 0, kOutput = 1 };
enum BusType : int32 { kMain = 0, kAux = 1 };

struct BusInfo {
    enum Flags : uint32 { kDefaultActive = 1 };
    int32 mediaType;
    int32 direction;
    int32 channelCount;
    String128 name;
    int32 busType;
    uint32 flags;
};

struct RoutingInfo {
    int32 mediaType;
    int32 busIndex;
    int32 channel;
};

struct IComponent : IPluginBase {
    static constexpr Uid iid = {0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802};
    virtual tresult VST3_CALL getControllerClassId(TUID classId) = 0;
    virtual tresult VST3_CALL setIoMode(int32 mode) = 0;
    virtual int32 VST3_CALL getBusCount(int32 type, int32 direction) = 0;
    virtual tresult VST3_CALL getBusInfo(int32 type, int32 direction, int32 index, BusInfo& bus) = 0;
    virtual tresult VST3_CALL getRoutingInfo(RoutingInfo& in, RoutingInfo& out) = 0;
    virtual tresult VST3_CALL activateBus(int32 type, int32 direction, int32 index, TBool state) = 0;
    virtual tresult VST3_CALL setActive(TBool state) = 0;
    virtual tresult VST3_CALL setState(IBStream* state) = 0;
    virtual tresult VST3_CALL getState(IBStream* state) = 0;
};

}  // namespace vst3
