#include "vst3/Vst3Chorus.h"

#include <cmath>
#include <new>

#include "bridge/Silence.h"
#include "bridge/StateFormat.h"
#include "bridge/ValueText.h"
#include "chorus/ParameterTable.h"
#include "host/FloatingPointControl.h"
#include "vst3/ClassInfo.h"
#include "editor/GestureEditor.h"
#include "vst3/EditorView.h"
#include "vst3/StreamIo.h"
#include "vst3/Utf16.h"

namespace vst3 {

namespace {

constexpr int kLastProgram = ChorusEffect::kNumPrograms - 1;
// How often the plug-in's timer looks for news from the audio thread.
constexpr unsigned kTimerMilliseconds = 50;

// A list parameter's normalized value and its entry, as hosts convert them.
int programOf(ParamValue normalized) {
    const double scaled = normalized * (kLastProgram + 1);
    return scaled >= kLastProgram ? kLastProgram : scaled > 0.0 ? static_cast<int>(scaled) : 0;
}
ParamValue normalizedProgram(int program) { return static_cast<ParamValue>(program) / kLastProgram; }

bool isEffectParameter(ParamID id) { return id < static_cast<ParamID>(ChorusEffect::kNumParams); }

// The bypass is a toggle: on from the middle up.
bool bypassOf(float normalized) { return normalized >= 0.5f; }

// Normalized values lie from 0 to 1; NaN has no place at all.
bool takeNormalized(ParamValue value, float& result) {
    if (std::isnan(value)) return false;
    result = static_cast<float>(value < 0.0 ? 0.0 : value > 1.0 ? 1.0 : value);
    return true;
}

bool isStereo(const AudioBusBuffers& bus) {
    return bus.numChannels == 2 && bus.channelBuffers32 && bus.channelBuffers32[0] && bus.channelBuffers32[1];
}

}  // namespace

Vst3Chorus* Vst3Chorus::create(const EditorPlatform& platform, FUnknown* hostContext) {
    Vst3Chorus* plugin = new (std::nothrow) Vst3Chorus(platform, hostContext);
    if (plugin && !plugin->link) {
        delete plugin;
        plugin = nullptr;
    }
    return plugin;
}

Vst3Chorus::Vst3Chorus(const EditorPlatform& platform, FUnknown* hostContext) : platform(platform) {
#if defined(__linux__)
    void* loop = nullptr;
    if (hostContext && hostContext->queryInterface(bytesOf(IRunLoop::iid).bytes, &loop) == kResultOk && loop)
        factoryRunLoop = static_cast<IRunLoop*>(loop);
#else
    (void)hostContext;
#endif
    if (!core.isUsable()) return;
    for (int i = 0; i < bridge::ChorusCore::kValues; ++i) defaults[i] = core.value(i);
    link = editor::GestureEditor::attach(core.effect(), *this, platform.makeBackend);
}

Vst3Chorus::~Vst3Chorus() {
    stopTimer();
#if defined(__linux__)
    if (factoryRunLoop) factoryRunLoop->release();
#endif
    if (handler) handler->release();
}

tresult VST3_CALL Vst3Chorus::queryInterface(const TUID iid, void** object) {
    if (!object) return kInvalidArgument;
    if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPluginBase::iid) || sameUid(iid, IComponent::iid))
        *object = static_cast<IComponent*>(this);
    else if (sameUid(iid, IAudioProcessor::iid))
        *object = static_cast<IAudioProcessor*>(this);
    else if (sameUid(iid, IProcessContextRequirements::iid))
        *object = static_cast<IProcessContextRequirements*>(this);
    else if (sameUid(iid, IEditController::iid))
        *object = static_cast<IEditController*>(this);
    else if (sameUid(iid, IUnitInfo::iid))
        *object = static_cast<IUnitInfo*>(this);
#if defined(__linux__)
    else if (sameUid(iid, ITimerHandler::iid))
        *object = static_cast<ITimerHandler*>(this);
#endif
    else {
        *object = nullptr;
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

uint32 VST3_CALL Vst3Chorus::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32 VST3_CALL Vst3Chorus::release() {
    const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
}

// Hosts initialize the component and, finding the controller in the same
// object, may initialize it again; of the context the plug-in needs only a
// Linux host's run loop, for its timer.
tresult VST3_CALL Vst3Chorus::initialize(FUnknown* context) {
    startTimer(context);
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::terminate() {
    stopTimer();
    setComponentHandler(nullptr);
    return kResultOk;
}

// On Linux the host's run loop, from the context or else from the
// factory's; on Windows the message loop of the thread that initializes
// the plug-in, which is the host's UI thread.  Without either, what the
// timer reports waits for the editor's.
void Vst3Chorus::startTimer(FUnknown* context) {
#if defined(__linux__)
    if (runLoop) return;
    void* loop = nullptr;
    if (context && context->queryInterface(bytesOf(IRunLoop::iid).bytes, &loop) == kResultOk && loop) {
        runLoop = static_cast<IRunLoop*>(loop);
    } else if (factoryRunLoop) {
        runLoop = factoryRunLoop;
        runLoop->addRef();
    }
    if (runLoop && runLoop->registerTimer(this, kTimerMilliseconds) != kResultOk) {
        runLoop->release();
        runLoop = nullptr;
    }
#else
    (void)context;
    if (!timer && platform.startTimer) timer = platform.startTimer(tick, this, kTimerMilliseconds);
#endif
}

void Vst3Chorus::stopTimer() {
#if defined(__linux__)
    if (!runLoop) return;
    runLoop->unregisterTimer(this);
    runLoop->release();
    runLoop = nullptr;
#else
    if (timer) platform.stopTimer(timer);
    timer = nullptr;
#endif
}

// A host may release the plug-in from inside what the tick tells it: the
// plug-in keeps itself alive until the tick is over.
void Vst3Chorus::tick(void* context) {
    auto* plugin = static_cast<Vst3Chorus*>(context);
    plugin->addRef();
    plugin->reportProgramChange();
    plugin->release();
}

// The controller is this object: hosts find it by asking the component.
tresult VST3_CALL Vst3Chorus::getControllerClassId(TUID) { return kResultFalse; }

tresult VST3_CALL Vst3Chorus::setIoMode(int32) { return kResultOk; }

int32 VST3_CALL Vst3Chorus::getBusCount(int32 type, int32 direction) {
    return type == kAudio && (direction == kInput || direction == kOutput) ? 1 : 0;
}

tresult VST3_CALL Vst3Chorus::getBusInfo(int32 type, int32 direction, int32 index, BusInfo& bus) {
    if (type != kAudio || index != 0 || (direction != kInput && direction != kOutput)) return kInvalidArgument;
    bus = BusInfo{};
    bus.mediaType = kAudio;
    bus.direction = direction;
    bus.channelCount = 2;
    copyToUtf16(direction == kInput ? "Stereo In" : "Stereo Out", bus.name, 128);
    bus.busType = kMain;
    bus.flags = BusInfo::kDefaultActive;
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::getRoutingInfo(RoutingInfo&, RoutingInfo&) { return kNotImplemented; }

tresult VST3_CALL Vst3Chorus::activateBus(int32 type, int32 direction, int32 index, TBool) {
    return type == kAudio && index == 0 && (direction == kInput || direction == kOutput) ? kResultOk
                                                                                         : kInvalidArgument;
}

// Activation starts the sound afresh, as a new instance would: a silent
// delay line and the oscillator at its start, the values kept.
tresult VST3_CALL Vst3Chorus::setActive(TBool state) {
    if (state) {
        const fpu::DefaultArithmetic arithmetic;
        core.effect().setProgram(core.currentProgram());
    }
    processing.store(state != 0);
    active.store(state != 0);
    return kResultOk;
}

tresult Vst3Chorus::getComponentStream(IBStream* stream) {
    if (!stream) return kInvalidArgument;
    StreamOutput output(stream);
    return bridge::writeState(core.snapshot(), output) ? kResultOk : kResultFalse;
}

tresult Vst3Chorus::setComponentStream(IBStream* stream) { return loadState(stream, false); }

// The host hands the controller the component's state after giving it to
// the component; here both are one, so only a state that differs from the
// plug-in's own is applied.
tresult VST3_CALL Vst3Chorus::setComponentState(IBStream* stream) { return loadState(stream, true); }

tresult Vst3Chorus::setControllerStream(IBStream* stream) { return stream ? kResultOk : kInvalidArgument; }
tresult Vst3Chorus::getControllerStream(IBStream* stream) { return stream ? kResultOk : kInvalidArgument; }

// Nothing changes unless all of the state is read and sound.  The load
// cannot mix with the audio thread's changes (bridge/StateHandover.h), and
// it is complete when the host reads the values back.
tresult Vst3Chorus::loadState(IBStream* stream, bool onlyIfDifferent) {
    if (!stream) return kInvalidArgument;
    bridge::BankState state = core.snapshot();
    StreamInput input(stream);
    if (bridge::readState(input, state) != bridge::StateError::none) return kResultFalse;
    if (onlyIfDifferent) {
        unsigned char own[bridge::kStateSize];
        bridge::encodeState(core.snapshot(), own);
        unsigned char theirs[bridge::kStateSize];
        bridge::encodeState(state, theirs);
        if (std::memcmp(own, theirs, sizeof own) == 0) return kResultOk;
    }
    core.loadState(state, active.load() && processing.load());
    hostValues.allTaken();
    if (handler) handler->restartComponent(kParamValuesChanged);
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                 SpeakerArrangement* outputs, int32 numOuts) {
    const bool stereo = numIns == 1 && numOuts == 1 && inputs && outputs && inputs[0] == kStereo &&
                        outputs[0] == kStereo;
    return stereo ? kResultTrue : kResultFalse;
}

tresult VST3_CALL Vst3Chorus::getBusArrangement(int32 direction, int32 index, SpeakerArrangement& arrangement) {
    if (index != 0 || (direction != kInput && direction != kOutput)) return kInvalidArgument;
    arrangement = kStereo;
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::canProcessSampleSize(int32 size) { return size == kSample32 ? kResultTrue : kResultFalse; }

uint32 VST3_CALL Vst3Chorus::getLatencySamples() { return 0; }

tresult VST3_CALL Vst3Chorus::setupProcessing(ProcessSetup& setup) {
    if (setup.symbolicSampleSize != kSample32) return kResultFalse;
    if (!(setup.sampleRate > 0.0 && setup.sampleRate <= 3.0e38)) return kInvalidArgument;
    const fpu::DefaultArithmetic arithmetic;
    core.effect().setSampleRate(static_cast<float>(setup.sampleRate));
    core.effect().setBlockSize(setup.maxSamplesPerBlock);
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::setProcessing(TBool state) {
    processing.store(state != 0);
    return kResultOk;
}

uint32 VST3_CALL Vst3Chorus::getTailSamples() {
    const fpu::DefaultArithmetic arithmetic;
    return core.tailFrames();
}

namespace {

// A block's parameter queues, one per parameter, as one source of changes
// in time order; points of the same frame in the order of the queues.
class QueueChanges {
public:
    QueueChanges(IParameterChanges* changes, ParamID lastId) {
        const int32 count = changes ? changes->getParameterCount() : 0;
        for (int32 q = 0; q < count && queues < kMaxQueues; ++q) {
            IParamValueQueue* queue = changes->getParameterData(q);
            if (!queue || queue->getParameterId() > lastId) continue;
            Cursor& cursor = cursors[queues++];
            cursor.queue = queue;
            cursor.id = queue->getParameterId();
            cursor.count = queue->getPointCount();
            cursor.load();
        }
    }

    int32 nextFrame() {
        earliest = nullptr;
        for (int q = 0; q < queues; ++q)
            if (cursors[q].frame != bridge::kNoChange && (!earliest || cursors[q].frame < earliest->frame))
                earliest = &cursors[q];
        return earliest ? earliest->frame : bridge::kNoChange;
    }

    // After nextFrame found one.
    bridge::Change take() {
        const bridge::Change change = {earliest->frame, earliest->id, earliest->value};
        ++earliest->next;
        earliest->load();
        return change;
    }

private:
    struct Cursor {
        IParamValueQueue* queue;
        ParamID id;
        int32 count;
        int32 next = 0;
        int32 frame;  // of the next point; kNoChange when done
        ParamValue value;

        void load() {
            int32 offset = 0;
            frame = next < count && queue->getPoint(next, offset, value) == kResultOk ? offset : bridge::kNoChange;
        }
    };

    static constexpr int kMaxQueues = 32;
    Cursor cursors[kMaxQueues];
    int queues = 0;
    Cursor* earliest = nullptr;
};

}  // namespace

// A state handed over is applied first; then the block runs in pieces
// between the host's changes (bridge/BlockSplitter.h).
tresult VST3_CALL Vst3Chorus::process(ProcessData& data) {
    if (data.symbolicSampleSize != kSample32 || data.numSamples < 0) return kInvalidArgument;
    const int32 frames = data.numSamples;
    bridge::ChorusCore::AudioBlock block(core);

    const bool audio = data.numInputs > 0 && data.numOutputs > 0 && data.inputs && data.outputs &&
                       isStereo(data.inputs[0]) && isStereo(data.outputs[0]);
    QueueChanges changes(data.inputParameterChanges, kBypassParameter);
    bridge::runBlock(
        frames, changes,
        [&](const bridge::Change& change, int32 frame) {
            if (block.mayChange()) applyChange(change, frame, data);
        },
        [&](int32 start, int32 count) {
            if (!audio) return;
            float* in[2] = {data.inputs[0].channelBuffers32[0] + start, data.inputs[0].channelBuffers32[1] + start};
            float* out[2] = {data.outputs[0].channelBuffers32[0] + start,
                             data.outputs[0].channelBuffers32[1] + start};
            core.render(in, out, count);
        });
    // A channel whose block is silent says so, and the host may skip work
    // after us.
    if (audio) {
        data.outputs[0].silenceFlags = 0;
        for (int c = 0; c < 2; ++c)
            if (bridge::isSilent(data.outputs[0].channelBuffers32[c], frames))
                data.outputs[0].silenceFlags |= uint64{1} << c;
    }
    return kResultOk;
}

// On the audio thread, in the default arithmetic.
void Vst3Chorus::applyChange(const bridge::Change& change, int32 frame, ProcessData& data) {
    float normalized;
    if (!takeNormalized(change.value, normalized)) return;
    if (isEffectParameter(change.id) || change.id == kBypassParameter) {
        if (change.id == kBypassParameter)
            core.setBypassed(bypassOf(normalized));
        else
            core.setValue(static_cast<int>(change.id), normalized);
        hostValues.taken(change.id);
        return;
    }
    const int program = programOf(normalized);
    if (!core.selectProgram(program)) return;
    for (int i = 0; i < bridge::ChorusCore::kValues; ++i) hostValues.taken(static_cast<ParamID>(i));
    // The host's controls follow from the values reported with the block,
    // and from a restart request on its UI thread later.
    if (IParameterChanges* out = data.outputParameterChanges) {
        for (int i = 0; i < bridge::ChorusCore::kValues; ++i) {
            int32 index = 0;
            const ParamID valueId = static_cast<ParamID>(i);
            if (IParamValueQueue* queue = out->addParameterData(valueId, index))
                queue->addPoint(frame, core.programValue(program, i), index);
        }
    }
    programChangedInProcess.store(true, std::memory_order_relaxed);
}

void Vst3Chorus::reportProgramChange() {
    if (programChangedInProcess.exchange(false, std::memory_order_relaxed) && handler)
        handler->restartComponent(kParamValuesChanged);
}

int32 VST3_CALL Vst3Chorus::getParameterCount() { return kParameterCount; }

tresult VST3_CALL Vst3Chorus::getParameterInfo(int32 index, ParameterInfo& info) {
    if (index < 0 || index >= kParameterCount) return kInvalidArgument;
    info = ParameterInfo{};
    info.id = static_cast<ParamID>(index);
    info.unitId = kRootUnitId;
    if (static_cast<ParamID>(index) == kProgramParameter) {
        copyToUtf16("Program", info.title, 128);
        copyToUtf16("Program", info.shortTitle, 128);
        info.stepCount = kLastProgram;
        info.defaultNormalizedValue = 0.0;
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsProgramChange;
        return kResultOk;
    }
    if (static_cast<ParamID>(index) == kBypassParameter) {
        copyToUtf16("Bypass", info.title, 128);
        copyToUtf16("Bypass", info.shortTitle, 128);
        info.stepCount = 1;
        info.defaultNormalizedValue = 0.0;
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass;
        return kResultOk;
    }
    const chorus::ParameterInfo* parameter = chorus::parameterInfo(index);
    copyToUtf16(parameter->name, info.title, 128);
    copyToUtf16(parameter->name, info.shortTitle, 128);
    copyToUtf16(bridge::unitOf(index), info.units, 128);
    // Continuous, as in VST 2: the effect's own texts say what a value does.
    info.stepCount = 0;
    info.defaultNormalizedValue = defaults[index];
    info.flags = ParameterInfo::kCanAutomate;
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::getParamStringByValue(ParamID id, ParamValue value, char16* string) {
    const fpu::DefaultArithmetic arithmetic;
    float normalized;
    if (!string || !takeNormalized(value, normalized)) return kInvalidArgument;
    if (id == kProgramParameter) {
        char name[bridge::BankState::kNameLength];
        core.programName(programOf(normalized), name);
        copyToUtf16(name, string, 128);
        return kResultOk;
    }
    if (id == kBypassParameter) {
        copyToUtf16(bridge::bypassText(bypassOf(normalized)), string, 128);
        return kResultOk;
    }
    if (!isEffectParameter(id)) return kInvalidArgument;
    char text[bridge::kValueTextCapacity];
    bridge::formatValue(static_cast<int>(id), normalized, text);
    copyToUtf16(text, string, 128);
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::getParamValueByString(ParamID id, char16* string, ParamValue& value) {
    if (!string || (!isEffectParameter(id) && id != kBypassParameter)) return kInvalidArgument;
    char text[64];
    int i = 0;
    for (; i < 63 && string[i]; ++i) text[i] = string[i] < 128 ? static_cast<char>(string[i]) : '?';
    text[i] = '\0';
    bool on = false;
    if (id == kBypassParameter) {
        if (!bridge::parseBypassText(text, on)) return kResultFalse;
        value = on ? 1.0 : 0.0;
        return kResultOk;
    }
    const fpu::DefaultArithmetic arithmetic;
    return bridge::parseValueText(static_cast<int>(id), text, value) ? kResultOk : kResultFalse;
}

// The values are the effect's own from 0 to 1; the program list's plain
// value is the program's number.
ParamValue VST3_CALL Vst3Chorus::normalizedParamToPlain(ParamID id, ParamValue value) {
    const fpu::DefaultArithmetic arithmetic;
    return id == kProgramParameter ? programOf(value) : value;
}

ParamValue VST3_CALL Vst3Chorus::plainParamToNormalized(ParamID id, ParamValue plain) {
    if (id != kProgramParameter) return plain;
    const fpu::DefaultArithmetic arithmetic;
    return plain <= 0.0 ? 0.0 : plain >= kLastProgram ? 1.0 : plain / kLastProgram;
}

// What the host set last, until the effect has it; else the effect's own.
ParamValue VST3_CALL Vst3Chorus::getParamNormalized(ParamID id) {
    ParamValue value = 0.0;
    if (hostValues.get(id, value)) return value;
    if (id == kProgramParameter) return normalizedProgram(core.currentProgram());
    if (id == kBypassParameter) return core.bypassed() ? 1.0 : 0.0;
    return isEffectParameter(id) ? core.value(static_cast<int>(id)) : 0.0;
}

// The host tells the controller a value that it also hands the processor,
// at the frame where it belongs; applied here as well, it would reach the
// sound early.  So a value reaches the effect from here only while the
// plug-in is inactive, when no block will carry it; until a block does,
// the controller answers with what the host set.  A program chosen here
// is applied at once, and the block that carries it again finds it
// current.
tresult VST3_CALL Vst3Chorus::setParamNormalized(ParamID id, ParamValue value) {
    const fpu::DefaultArithmetic arithmetic;
    float normalized;
    if (!takeNormalized(value, normalized)) return kInvalidArgument;
    if (id == kProgramParameter) {
        if (!core.selectProgram(programOf(normalized))) return kResultOk;
        for (int i = 0; i < bridge::ChorusCore::kValues; ++i) hostValues.taken(static_cast<ParamID>(i));
        if (handler) handler->restartComponent(kParamValuesChanged);
        return kResultOk;
    }
    if (!isEffectParameter(id) && id != kBypassParameter) return kInvalidArgument;
    if (active.load()) {
        hostValues.set(id, value < 0.0 ? 0.0 : value > 1.0 ? 1.0 : value);
        return kResultOk;
    }
    if (id == kBypassParameter)
        core.setBypassed(bypassOf(normalized));
    else
        core.setValue(static_cast<int>(id), normalized);
    hostValues.taken(id);
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::setComponentHandler(IComponentHandler* newHandler) {
    if (newHandler == handler) return kResultOk;
    if (newHandler) newHandler->addRef();
    if (handler) handler->release();
    handler = newHandler;
    return kResultOk;
}

// Views are made as hosts ask for them (some make the next before
// releasing the last, or inside a call of the last one's); only one at a
// time shows the editor's one window.
IPlugView* VST3_CALL Vst3Chorus::createView(FIDString name) {
    if (!name || std::strcmp(name, "editor") != 0) return nullptr;
    return new (std::nothrow) EditorView(*this);
}

bool Vst3Chorus::showView(EditorView* shown) {
    if (view && view != shown) return false;
    view = shown;
    return true;
}

void Vst3Chorus::hideView(EditorView* hidden) {
    if (view == hidden) view = nullptr;
}

void Vst3Chorus::editBegin(int index) {
    if (handler) handler->beginEdit(static_cast<ParamID>(index));
}

void Vst3Chorus::editValue(int index, float value) {
    {
        const fpu::DefaultArithmetic arithmetic;
        core.effect().setParameter(index, value);
    }
    hostValues.taken(static_cast<ParamID>(index));
    if (handler) handler->performEdit(static_cast<ParamID>(index), value);
}

void Vst3Chorus::editEnd(int index) {
    if (handler) handler->endEdit(static_cast<ParamID>(index));
}

int32 VST3_CALL Vst3Chorus::getUnitCount() { return 1; }

tresult VST3_CALL Vst3Chorus::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    if (unitIndex != 0) return kInvalidArgument;
    info = UnitInfo{};
    info.id = kRootUnitId;
    info.parentUnitId = kNoParentUnitId;
    copyToUtf16(kClassName, info.name, 128);
    info.programListId = kProgramListId;
    return kResultOk;
}

int32 VST3_CALL Vst3Chorus::getProgramListCount() { return 1; }

tresult VST3_CALL Vst3Chorus::getProgramListInfo(int32 listIndex, ProgramListInfo& info) {
    if (listIndex != 0) return kInvalidArgument;
    info = ProgramListInfo{};
    info.id = kProgramListId;
    copyToUtf16("Programs", info.name, 128);
    info.programCount = ChorusEffect::kNumPrograms;
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::getProgramName(int32 listId, int32 programIndex, char16* name) {
    if (listId != kProgramListId || programIndex < 0 || programIndex > kLastProgram || !name)
        return kInvalidArgument;
    char text[bridge::BankState::kNameLength];
    core.programName(programIndex, text);
    copyToUtf16(text, name, 128);
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::getProgramInfo(int32, int32, const char*, char16*) { return kNotImplemented; }
tresult VST3_CALL Vst3Chorus::hasProgramPitchNames(int32, int32) { return kResultFalse; }
tresult VST3_CALL Vst3Chorus::getProgramPitchName(int32, int32, std::int16_t, char16*) { return kNotImplemented; }
int32 VST3_CALL Vst3Chorus::getSelectedUnit() { return kRootUnitId; }
tresult VST3_CALL Vst3Chorus::selectUnit(int32 unitId) { return unitId == kRootUnitId ? kResultOk : kInvalidArgument; }

tresult VST3_CALL Vst3Chorus::getUnitByBus(int32, int32, int32, int32, int32& unitId) {
    unitId = kRootUnitId;
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::setUnitProgramData(int32, int32, IBStream*) { return kNotImplemented; }

}  // namespace vst3
