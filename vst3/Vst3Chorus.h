// The VST 3 plug-in: one object that is the component, the audio processor
// and the edit controller, with the program list of its unit, around the
// effect as every bridge holds it (bridge::ChorusCore).  Its calls become
// the effect's own operations, the ones the VST 2 host interface makes: a
// block of a host's becomes pieces of the effect's processReplacing between
// the frames where the host changes parameters, so the output is the VST 2
// plug-in's for the same values at the same frames.  What it reports of
// values, programs and names it reads from the effect's programs.
#pragma once

#include <atomic>

#include "bridge/BlockSplitter.h"
#include "bridge/ChorusCore.h"
#include "editor/GestureEditor.h"
#include "vst3/EditorPlatform.h"
#include "vst3/HostValues.h"
#include "vst3/abi/Component.h"
#include "vst3/abi/Controller.h"
#include "vst3/abi/Processor.h"
#include "vst3/abi/Units.h"
#include "vst3/abi/View.h"

namespace vst3 {

class EditorView;

// Parameter ids: the effect's nine in their VST 2 order, then the program
// and the bypass.
constexpr ParamID kProgramParameter = 9;
constexpr ParamID kBypassParameter = 10;
constexpr int32 kParameterCount = 11;
constexpr int32 kProgramListId = 1;

// IComponent and IEditController each have a setState and a getState of
// the same signature, which one class could only override together; these
// give the component's and the controller's their own names.
struct ComponentStateCalls : IComponent {
    tresult VST3_CALL setState(IBStream* state) final { return setComponentStream(state); }
    tresult VST3_CALL getState(IBStream* state) final { return getComponentStream(state); }
    virtual tresult setComponentStream(IBStream* state) = 0;
    virtual tresult getComponentStream(IBStream* state) = 0;
};

struct ControllerStateCalls : IEditController {
    tresult VST3_CALL setState(IBStream* state) final { return setControllerStream(state); }
    tresult VST3_CALL getState(IBStream* state) final { return getControllerStream(state); }
    virtual tresult setControllerStream(IBStream* state) = 0;
    virtual tresult getControllerStream(IBStream* state) = 0;
};

class Vst3Chorus final : public ComponentStateCalls,
                         public IAudioProcessor,
                         public IProcessContextRequirements,
                         public ControllerStateCalls,
                         public IUnitInfo,
                         private editor::GestureHost
#if defined(__linux__)
    ,
                         public ITimerHandler
#endif
{
public:
    // A new plug-in with one reference, or null when the effect, its delay
    // line or its editor cannot be had.  `hostContext` is the one the host
    // gave the factory, if any.
    static Vst3Chorus* create(const EditorPlatform& platform, FUnknown* hostContext);

    // FUnknown, for every interface at once.
    tresult VST3_CALL queryInterface(const TUID iid, void** object) override;
    uint32 VST3_CALL addRef() override;
    uint32 VST3_CALL release() override;

    // IPluginBase
    tresult VST3_CALL initialize(FUnknown* context) override;
    tresult VST3_CALL terminate() override;

    // IComponent
    tresult VST3_CALL getControllerClassId(TUID classId) override;
    tresult VST3_CALL setIoMode(int32 mode) override;
    int32 VST3_CALL getBusCount(int32 type, int32 direction) override;
    tresult VST3_CALL getBusInfo(int32 type, int32 direction, int32 index, BusInfo& bus) override;
    tresult VST3_CALL getRoutingInfo(RoutingInfo& in, RoutingInfo& out) override;
    tresult VST3_CALL activateBus(int32 type, int32 direction, int32 index, TBool state) override;
    tresult VST3_CALL setActive(TBool state) override;
    // The effect's programs (bridge/StateFormat.h).
    tresult setComponentStream(IBStream* state) override;
    tresult getComponentStream(IBStream* state) override;

    // IAudioProcessor
    tresult VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                         int32 numOuts) override;
    tresult VST3_CALL getBusArrangement(int32 direction, int32 index, SpeakerArrangement& arrangement) override;
    tresult VST3_CALL canProcessSampleSize(int32 symbolicSampleSize) override;
    uint32 VST3_CALL getLatencySamples() override;
    tresult VST3_CALL setupProcessing(ProcessSetup& setup) override;
    tresult VST3_CALL setProcessing(TBool state) override;
    tresult VST3_CALL process(ProcessData& data) override;
    uint32 VST3_CALL getTailSamples() override;

    // IProcessContextRequirements: the effect needs nothing of the context.
    uint32 VST3_CALL getProcessContextRequirements() override { return 0; }

    // IEditController
    tresult VST3_CALL setComponentState(IBStream* state) override;
    // The controller keeps nothing of its own: its state is empty.
    tresult setControllerStream(IBStream* state) override;
    tresult getControllerStream(IBStream* state) override;
    int32 VST3_CALL getParameterCount() override;
    tresult VST3_CALL getParameterInfo(int32 index, ParameterInfo& info) override;
    tresult VST3_CALL getParamStringByValue(ParamID id, ParamValue valueNormalized, char16* string) override;
    tresult VST3_CALL getParamValueByString(ParamID id, char16* string, ParamValue& valueNormalized) override;
    ParamValue VST3_CALL normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
    ParamValue VST3_CALL plainParamToNormalized(ParamID id, ParamValue plainValue) override;
    ParamValue VST3_CALL getParamNormalized(ParamID id) override;
    tresult VST3_CALL setParamNormalized(ParamID id, ParamValue value) override;
    tresult VST3_CALL setComponentHandler(IComponentHandler* handler) override;
    IPlugView* VST3_CALL createView(FIDString name) override;

    // IUnitInfo
    int32 VST3_CALL getUnitCount() override;
    tresult VST3_CALL getUnitInfo(int32 unitIndex, UnitInfo& info) override;
    int32 VST3_CALL getProgramListCount() override;
    tresult VST3_CALL getProgramListInfo(int32 listIndex, ProgramListInfo& info) override;
    tresult VST3_CALL getProgramName(int32 listId, int32 programIndex, char16* name) override;
    tresult VST3_CALL getProgramInfo(int32 listId, int32 programIndex, const char* attributeId,
                                     char16* attributeValue) override;
    tresult VST3_CALL hasProgramPitchNames(int32 listId, int32 programIndex) override;
    tresult VST3_CALL getProgramPitchName(int32 listId, int32 programIndex, std::int16_t midiPitch,
                                          char16* name) override;
    int32 VST3_CALL getSelectedUnit() override;
    tresult VST3_CALL selectUnit(int32 unitId) override;
    tresult VST3_CALL getUnitByBus(int32 type, int32 direction, int32 busIndex, int32 channel,
                                   int32& unitId) override;
    tresult VST3_CALL setUnitProgramData(int32 listOrUnitId, int32 programIndex, IBStream* data) override;

    // A program change made on the audio thread, reported to the host's
    // controls from its UI thread: the plug-in's timer, or the editor's.
    void reportProgramChange();
#if defined(__linux__)
    // ITimerHandler, on the host's run loop.
    void VST3_CALL onTimer() override { tick(this); }
#endif

    ChorusEffect& chorus() { return core.effect(); }
    const EditorPlatform& editorPlatform() const { return platform; }
    editor::GestureEditor& editorLink() { return *link; }
    // The view that shows the editor's window, while one does: false for
    // another meanwhile.
    bool showView(EditorView* view);
    void hideView(EditorView* view);

private:
    Vst3Chorus(const EditorPlatform& platform, FUnknown* hostContext);
    ~Vst3Chorus();

    void applyChange(const bridge::Change& change, int32 frame, ProcessData& data);
    tresult loadState(IBStream* stream, bool onlyIfDifferent);
    // The timer that reports what the audio thread changed, on the host's
    // UI thread, from initialize to terminate.
    void startTimer(FUnknown* context);
    void stopTimer();
    static void tick(void* plugin);

    std::atomic<uint32> references{1};
    bridge::ChorusCore core;
    const EditorPlatform& platform;
    // The editor's edits, on the host's UI thread: a knob or a button sets
    // the effect at once, as in the VST 2 plug-in, and tells the host
    // through its component handler.
    void editBegin(int index) override;
    void editValue(int index, float value) override;
    void editEnd(int index) override;

    editor::GestureEditor* link = nullptr;  // the effect's editor, which the effect owns
    EditorView* view = nullptr;  // the one showing the window
    IComponentHandler* handler = nullptr;
    HostValues<kParameterCount> hostValues;
    float defaults[bridge::ChorusCore::kValues];
    void* timer = nullptr;  // the system's (Windows)
#if defined(__linux__)
    IRunLoop* runLoop = nullptr;  // counted, while the timer runs on it
    IRunLoop* factoryRunLoop = nullptr;  // counted: the one the factory's host context offered
#endif
    std::atomic<bool> active{false};
    // Whether process calls may come: from setActive(true) and
    // setProcessing(true) until setProcessing(false) or setActive(false).
    std::atomic<bool> processing{false};
    std::atomic<bool> programChangedInProcess{false};
};

}  // namespace vst3
