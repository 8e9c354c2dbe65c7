#include "vst3/Vst3Chorus.h"

#include <cmath>
#include <new>

#include "chorus/ParameterTable.h"
#include "chorus/ParameterText.h"
#include "host/FloatingPointControl.h"
#include "vst3/ClassInfo.h"
#include "vst3/EditorLink.h"
#include "vst3/EditorView.h"
#include "vst3/StreamIo.h"
#include "vst3/Utf16.h"
#include "vst3/ValueText.h"

namespace vst3 {

namespace {

constexpr int kLastProgram = ChorusEffect::kNumPrograms - 1;

// A list parameter's normalized value and its entry, as hosts convert them.
int programOf(ParamValue normalized) {
    const double scaled = normalized * (kLastProgram + 1);
    return scaled >= kLastProgram ? kLastProgram : scaled > 0.0 ? static_cast<int>(scaled) : 0;
}
ParamValue normalizedProgram(int program) { return static_cast<ParamValue>(program) / kLastProgram; }

bool isEffectParameter(ParamID id) { return id < static_cast<ParamID>(ChorusEffect::kNumParams); }

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

Vst3Chorus* Vst3Chorus::create(const EditorPlatform& platform) {
    Vst3Chorus* plugin = new (std::nothrow) Vst3Chorus(platform);
    if (plugin && !plugin->link) {
        delete plugin;
        plugin = nullptr;
    }
    return plugin;
}

Vst3Chorus::Vst3Chorus(const EditorPlatform& platform) : effect(nullptr), platform(platform) {
    if (!effect.isUsable()) return;
    // Every program starts as the effect's: named "Default " with its
    // default values, the first current.
    char name[64] = "";
    effect.getProgramName(name);
    for (int p = 0; p < ProgramBank::kPrograms; ++p) {
        bank.setName(p, name);
        for (int i = 0; i < ProgramBank::kValues; ++i) bank.setValue(p, i, effect.getParameter(i));
    }
    for (int i = 0; i < ProgramBank::kValues; ++i) defaults[i] = effect.getParameter(i);
    editor::EditorBackend* backend = platform.makeBackend();
    link = backend ? new (std::nothrow) EditorLink(*this, backend) : nullptr;
    if (!link) {
        delete backend;
        return;
    }
    effect.attachEditor(link);
}

Vst3Chorus::~Vst3Chorus() {
    if (handler) handler->release();
}

tresult VST3_CALL Vst3Chorus::queryInterface(const TUID iid, void** object) {
    if (!object) return kInvalidArgument;
    if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPluginBase::iid) || sameUid(iid, IComponent::iid))
        *object = static_cast<IComponent*>(this);
    else if (sameUid(iid, IAudioProcessor::iid))
        *object = static_cast<IAudioProcessor*>(this);
    else if (sameUid(iid, IEditController::iid))
        *object = static_cast<IEditController*>(this);
    else if (sameUid(iid, IUnitInfo::iid))
        *object = static_cast<IUnitInfo*>(this);
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
// object, may initialize it again; the plug-in needs nothing of the context.
tresult VST3_CALL Vst3Chorus::initialize(FUnknown*) { return kResultOk; }

tresult VST3_CALL Vst3Chorus::terminate() {
    setComponentHandler(nullptr);
    return kResultOk;
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
        effect.setProgram(effect.getProgram());
    }
    active.store(state != 0);
    return kResultOk;
}

tresult Vst3Chorus::getComponentStream(IBStream* stream) {
    if (!stream) return kInvalidArgument;
    unsigned char bytes[kStateSize];
    writeState(bank.snapshot(), bytes);
    return writeFully(stream, bytes, sizeof bytes) ? kResultOk : kResultFalse;
}

tresult Vst3Chorus::setComponentStream(IBStream* stream) { return loadState(stream, false); }

// The host hands the controller the component's state after giving it to
// the component; here both are one, so only a state that differs from the
// plug-in's own is applied.
tresult VST3_CALL Vst3Chorus::setComponentState(IBStream* stream) { return loadState(stream, true); }

tresult Vst3Chorus::setControllerStream(IBStream* stream) { return stream ? kResultOk : kInvalidArgument; }
tresult Vst3Chorus::getControllerStream(IBStream* stream) { return stream ? kResultOk : kInvalidArgument; }

// The header first, so that a foreign or newer stream is refused without
// reading past it; then the rest.  Nothing changes unless all of it is
// read and sound.
tresult Vst3Chorus::loadState(IBStream* stream, bool onlyIfDifferent) {
    if (!stream) return kInvalidArgument;
    unsigned char bytes[kStateSize];
    if (!readFully(stream, bytes, kStateHeaderSize) || checkStateHeader(bytes) != StateError::none)
        return kResultFalse;
    BankState state;
    if (!readFully(stream, bytes + kStateHeaderSize, kStateSize - kStateHeaderSize) ||
        readState(bytes, state) != StateError::none)
        return kResultFalse;
    if (onlyIfDifferent) {
        unsigned char own[kStateSize];
        writeState(bank.snapshot(), own);
        unsigned char theirs[kStateSize];
        writeState(state, theirs);
        if (std::memcmp(own, theirs, kStateSize) == 0) return kResultOk;
    }
    applyState(state);
    return kResultOk;
}

// The effect takes a program's values only while it is current, so each
// program is made current in turn; the saved one last.
void Vst3Chorus::applyState(const BankState& state) {
    const fpu::DefaultArithmetic arithmetic;
    for (int p = 0; p < ProgramBank::kPrograms; ++p) {
        effect.setProgram(p);
        for (int i = 0; i < ProgramBank::kValues; ++i) {
            effect.setParameter(i, state.programs[p].values[i]);
            bank.setValue(p, i, state.programs[p].values[i]);
        }
        char name[BankState::kNameLength];
        std::memcpy(name, state.programs[p].name, sizeof name);
        effect.setProgramName(name);
        bank.setName(p, name);
    }
    effect.setProgram(state.currentProgram);
    bank.setCurrent(state.currentProgram);
    if (handler) handler->restartComponent(kParamValuesChanged);
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
    effect.setSampleRate(static_cast<float>(setup.sampleRate));
    effect.setBlockSize(setup.maxSamplesPerBlock);
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::setProcessing(TBool) { return kResultOk; }

// The longest delay the parameters allow: Predelay and Depth at 1 and Rate
// at 0 give 10 + 0.4 × the sample rate frames, and no read reaches further
// back than the ring's 65536 samples.  A frame more for the interpolation.
uint32 VST3_CALL Vst3Chorus::getTailSamples() {
    const fpu::DefaultArithmetic arithmetic;
    const double longest = std::ceil(0.4 * static_cast<double>(effect.getSampleRate())) + 11.0;
    return longest < ChorusEffect::kDelayLineLength ? static_cast<uint32>(longest)
                                                    : static_cast<uint32>(ChorusEffect::kDelayLineLength);
}

namespace {

// One parameter's queue as the block walks through it.
struct QueueCursor {
    IParamValueQueue* queue;
    ParamID id;
    int32 count;
    int32 next;
    int32 frame;  // of the next point, within 0 to the block's length; INT32_MAX when done
    ParamValue value;

    void load(int32 frames) {
        int32 offset = 0;
        if (next < count && queue->getPoint(next, offset, value) == kResultOk) {
            frame = offset < 0 ? 0 : offset > frames ? frames : offset;
        } else {
            frame = INT32_MAX;
        }
    }
};

constexpr int kMaxQueues = 32;

}  // namespace

// The block runs in pieces: at each frame where a change falls, the changes
// due there are applied (in the platform's default floating-point
// environment, as the VST 2 plug-in applies a host's), then the effect
// processes up to the next one.  Points are steps: the value holds from its
// frame on.  A point past the block's end is applied after its last frame,
// and a block of 0 frames applies its changes and nothing else.
tresult VST3_CALL Vst3Chorus::process(ProcessData& data) {
    if (data.symbolicSampleSize != kSample32 || data.numSamples < 0) return kInvalidArgument;
    const int32 frames = data.numSamples;

    QueueCursor cursors[kMaxQueues];
    int queues = 0;
    if (IParameterChanges* changes = data.inputParameterChanges) {
        const int32 count = changes->getParameterCount();
        for (int32 q = 0; q < count && queues < kMaxQueues; ++q) {
            IParamValueQueue* queue = changes->getParameterData(q);
            if (!queue) continue;
            QueueCursor& cursor = cursors[queues];
            cursor.queue = queue;
            cursor.id = queue->getParameterId();
            if (!isEffectParameter(cursor.id) && cursor.id != kProgramParameter) continue;
            cursor.count = queue->getPointCount();
            cursor.next = 0;
            cursor.load(frames);
            ++queues;
        }
    }

    const bool audio = data.numInputs > 0 && data.numOutputs > 0 && data.inputs && data.outputs &&
                       isStereo(data.inputs[0]) && isStereo(data.outputs[0]);
    if (audio) data.outputs[0].silenceFlags = 0;

    bool changed = false;
    fpu::HostEnvironment host;
    int32 frame = 0;
    for (;;) {
        int32 nextChange = frames;
        for (int q = 0; q < queues; ++q) {
            QueueCursor& cursor = cursors[q];
            while (cursor.frame <= frame) {
                if (!changed) {
                    host = fpu::enterDefaultArithmetic();
                    changed = true;
                }
                applyParameter(cursor.id, cursor.value, frame, data);
                ++cursor.next;
                cursor.load(frames);
            }
            if (cursor.frame < nextChange) nextChange = cursor.frame;
        }
        if (frame >= frames) break;
        if (audio) {
            float* in[2] = {data.inputs[0].channelBuffers32[0] + frame, data.inputs[0].channelBuffers32[1] + frame};
            float* out[2] = {data.outputs[0].channelBuffers32[0] + frame,
                             data.outputs[0].channelBuffers32[1] + frame};
            effect.processReplacing(in, out, nextChange - frame);
        }
        frame = nextChange;
    }
    if (changed) fpu::leaveDefaultArithmetic(host);
    return kResultOk;
}

// On the audio thread, in the default arithmetic.
void Vst3Chorus::applyParameter(ParamID id, ParamValue value, int32 frame, ProcessData& data) {
    float normalized;
    if (!takeNormalized(value, normalized)) return;
    if (isEffectParameter(id)) {
        effect.setParameter(static_cast<VstInt32>(id), normalized);
        bank.setValue(bank.current(), static_cast<int>(id), normalized);
        return;
    }
    const int program = programOf(normalized);
    if (program == bank.current()) return;
    applyProgram(program);
    // The host's controls follow from the values reported with the block,
    // and from a restart request on its UI thread later.
    if (IParameterChanges* out = data.outputParameterChanges) {
        for (int i = 0; i < ProgramBank::kValues; ++i) {
            int32 index = 0;
            const ParamID valueId = static_cast<ParamID>(i);
            if (IParamValueQueue* queue = out->addParameterData(valueId, index))
                queue->addPoint(frame, bank.value(program, i), index);
        }
    }
    programChangedInProcess.store(true, std::memory_order_relaxed);
}

void Vst3Chorus::applyProgram(int program) {
    effect.setProgram(program);
    bank.setCurrent(program);
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
    const chorus::ParameterInfo* parameter = chorus::parameterInfo(index);
    copyToUtf16(parameter->name, info.title, 128);
    copyToUtf16(parameter->name, info.shortTitle, 128);
    copyToUtf16(parameter->label, info.units, 128);
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
        copyToUtf16(bank.name(programOf(normalized)), string, 128);
        return kResultOk;
    }
    if (!isEffectParameter(id)) return kInvalidArgument;
    char text[64] = "";
    chorus::formatParameterDisplay(static_cast<int>(id), normalized, text);
    copyToUtf16(text, string, 128);
    return kResultOk;
}

tresult VST3_CALL Vst3Chorus::getParamValueByString(ParamID id, char16* string, ParamValue& value) {
    if (!string || !isEffectParameter(id)) return kInvalidArgument;
    char text[64];
    int i = 0;
    for (; i < 63 && string[i]; ++i) text[i] = string[i] < 128 ? static_cast<char>(string[i]) : '?';
    text[i] = '\0';
    const fpu::DefaultArithmetic arithmetic;
    return parseValueText(static_cast<int>(id), text, value) ? kResultOk : kResultFalse;
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

ParamValue VST3_CALL Vst3Chorus::getParamNormalized(ParamID id) {
    if (id == kProgramParameter) return normalizedProgram(bank.current());
    return isEffectParameter(id) ? bank.value(bank.current(), static_cast<int>(id)) : 0.0;
}

// The host tells the controller a value that it also hands the processor,
// at the frame where it belongs; applied here as well, it would reach the
// sound early.  So a value reaches the effect from here only while the
// plug-in is inactive, when no block will carry it.  A program chosen here
// is applied at once, and the block that carries it again finds it
// current.
tresult VST3_CALL Vst3Chorus::setParamNormalized(ParamID id, ParamValue value) {
    const fpu::DefaultArithmetic arithmetic;
    float normalized;
    if (!takeNormalized(value, normalized)) return kInvalidArgument;
    if (id == kProgramParameter) {
        const int program = programOf(normalized);
        if (program != bank.current()) {
            applyProgram(program);
            if (handler) handler->restartComponent(kParamValuesChanged);
        }
        return kResultOk;
    }
    if (!isEffectParameter(id)) return kInvalidArgument;
    if (!active.load()) {
        effect.setParameter(static_cast<VstInt32>(id), normalized);
        bank.setValue(bank.current(), static_cast<int>(id), normalized);
    }
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
        effect.setParameter(index, value);
    }
    bank.setValue(bank.current(), index, value);
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
    copyToUtf16(bank.name(programIndex), name, 128);
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
