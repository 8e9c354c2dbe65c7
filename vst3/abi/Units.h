// Units and program lists: how a host finds the plug-in's programs and
// their names.
#pragma once

#include "vst3/abi/Base.h"

namespace vst3 {

constexpr int32 kRootUnitId = 0;
constexpr int32 kNoParentUnitId = -1;
constexpr int32 kNoProgramListId = -1;

struct UnitInfo {
    int32 id;
    int32 parentUnitId;
    String128 name;
    int32 programListId;
};

struct ProgramListInfo {
    int32 id;
    String128 name;
    int32 programCount;
};

struct IUnitInfo : FUnknown {
    static constexpr Uid iid = {0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1};
    virtual int32 VST3_CALL getUnitCount() = 0;
    virtual tresult VST3_CALL getUnitInfo(int32 unitIndex, UnitInfo& info) = 0;
    virtual int32 VST3_CALL getProgramListCount() = 0;
    virtual tresult VST3_CALL getProgramListInfo(int32 listIndex, ProgramListInfo& info) = 0;
    virtual tresult VST3_CALL getProgramName(int32 listId, int32 programIndex, char16* name) = 0;
    virtual tresult VST3_CALL getProgramInfo(int32 listId, int32 programIndex, const char* attributeId,
                                             char16* attributeValue) = 0;
    virtual tresult VST3_CALL hasProgramPitchNames(int32 listId, int32 programIndex) = 0;
    virtual tresult VST3_CALL getProgramPitchName(int32 listId, int32 programIndex, std::int16_t midiPitch,
                                                  char16* name) = 0;
    virtual int32 VST3_CALL getSelectedUnit() = 0;
    virtual tresult VST3_CALL selectUnit(int32 unitId) = 0;
    virtual tresult VST3_CALL getUnitByBus(int32 type, int32 direction, int32 busIndex, int32 channel,
                                           int32& unitId) = 0;
    virtual tresult VST3_CALL setUnitProgramData(int32 listOrUnitId, int32 programIndex, IBStream* data) = 0;
};

}  // namespace vst3
