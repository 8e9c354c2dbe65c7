// The edit controller: the parameters as the host shows them, their texts,
// the editor's view, and the host's handler that hears of the user's edits.
#pragma once

#include "vst3/abi/Base.h"
#include "vst3/abi/Processor.h"

namespace vst3 {

struct IPlugView;

struct ParameterInfo {
    enum Flags : int32 {
        kNoFlags = 0,
        kCanAutomate = 1,
        kIsReadOnly = 2,
        kIsWrapAround = 4,
        kIsList = 8,
        kIsHidden = 16,
        kIsProgramChange = 0x8000,
        kIsBypass = 0x10000,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount;
    alignas(8) ParamValue defaultNormalizedValue;
    int32 unitId;
    int32 flags;
};

enum RestartFlags : int32 { kReloadComponent = 1, kIoChanged = 2, kParamValuesChanged = 4, kLatencyChanged = 8 };

struct IComponentHandler : FUnknown {
    static constexpr Uid iid = {0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6};
    virtual tresult VST3_CALL beginEdit(ParamID id) = 0;
    virtual tresult VST3_CALL performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult VST3_CALL endEdit(ParamID id) = 0;
    virtual tresult VST3_CALL restartComponent(int32 flags) = 0;
};

struct IEditController : IPluginBase {
    static constexpr Uid iid = {0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E};
    virtual tresult VST3_CALL setComponentState(IBStream* state) = 0;
    virtual tresult VST3_CALL setState(IBStream* state) = 0;
    virtual tresult VST3_CALL getState(IBStream* state) = 0;
    virtual int32 VST3_CALL getParameterCount() = 0;
    virtual tresult VST3_CALL getParameterInfo(int32 index, ParameterInfo& info) = 0;
    virtual tresult VST3_CALL getParamStringByValue(ParamID id, ParamValue valueNormalized, char16* string) = 0;
    virtual tresult VST3_CALL getParamValueByString(ParamID id, char16* string, ParamValue& valueNormalized) = 0;
    virtual ParamValue VST3_CALL normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue VST3_CALL plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue VST3_CALL getParamNormalized(ParamID id) = 0;
    virtual tresult VST3_CALL setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult VST3_CALL setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* VST3_CALL createView(FIDString name) = 0;
};

}  // namespace vst3
