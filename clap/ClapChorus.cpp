#include "clap/ClapChorus.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "bridge/BlockSplitter.h"
#include "bridge/StateFormat.h"
#include "bridge/ValueText.h"
#include "chorus/ParameterTable.h"
#include "editor/GestureEditor.h"
#include "clap/PluginCalls.h"
#include "host/FloatingPointControl.h"

namespace clap {

namespace {

constexpr int kValues = bridge::ChorusCore::kValues;

bool isEffectParameter(Id id) { return id < static_cast<Id>(kValues); }

template <typename Extension>
const Extension* hostExtension(const Host& host, const char* id) {
    return host.getExtension ? static_cast<const Extension*>(host.getExtension(&host, id)) : nullptr;
}

bool isStereo(const AudioBuffer* buffers, std::uint32_t count) {
    return count >= 1 && buffers && buffers[0].channelCount == 2 && buffers[0].data32 && buffers[0].data32[0] &&
           buffers[0].data32[1];
}

// The parameter values among a block's events, in the order the host sent
// them, whatever voice, port, channel or key they name: Qtractor sends
// zeros there, not the "any" of -1.  Everything else passes by.
class EventChanges {
public:
    explicit EventChanges(const InputEvents* in) : in(in), count(in && in->size && in->get ? in->size(in) : 0) {}

    std::int32_t nextFrame() {
        for (; next < count; ++next) {
            const EventHeader* event = in->get(in, next);
            if (event && event->spaceId == kCoreEventSpace && event->type == kEventParamValue &&
                event->size >= sizeof(EventParamValue))
                return event->time < static_cast<std::uint32_t>(bridge::kNoChange)
                           ? static_cast<std::int32_t>(event->time)
                           : bridge::kNoChange - 1;
        }
        return bridge::kNoChange;
    }
    bridge::Change take() {
        const auto& event = *reinterpret_cast<const EventParamValue*>(in->get(in, next++));
        return {static_cast<std::int32_t>(event.header.time), event.paramId, event.value};
    }

private:
    const InputEvents* in;
    std::uint32_t count;
    std::uint32_t next = 0;
};

// A host's streams, which may move fewer bytes per call than asked.
class StreamInput final : public bridge::InputBytes {
public:
    explicit StreamInput(const InputStream& stream) : stream(stream) {}
    bool read(void* bytes, std::size_t count) override {
        return bridge::moveAll(static_cast<unsigned char*>(bytes), count,
                               [this](unsigned char* at, std::size_t asked) { return stream.read(&stream, at, asked); });
    }

private:
    const InputStream& stream;
};

class StreamOutput final : public bridge::OutputBytes {
public:
    explicit StreamOutput(const OutputStream& stream) : stream(stream) {}
    bool write(const void* bytes, std::size_t count) override {
        auto* from = static_cast<unsigned char*>(const_cast<void*>(bytes));
        return bridge::moveAll(from, count,
                               [this](unsigned char* at, std::size_t asked) { return stream.write(&stream, at, asked); });
    }

private:
    const OutputStream& stream;
};

}  // namespace

const Plugin* ClapChorus::create(const Host* host, const EditorPlatform& platform) {
    if (!host || host->clapVersion.major < 1) return nullptr;
    ClapChorus* chorus;
    {
        // The effect's construction designs its first filter and rotation;
        // the host's floating-point settings stay its own.
        const fpu::DefaultArithmetic arithmetic;
        chorus = new (std::nothrow) ClapChorus(host, platform);
    }
    if (chorus && !chorus->link) {
        delete chorus;
        chorus = nullptr;
    }
    return chorus ? &chorus->plugin : nullptr;
}

ClapChorus::ClapChorus(const Host* host, const EditorPlatform& platform)
    : plugin(pluginCalls(this)), host(host), platform(platform) {
    if (!core.isUsable()) return;
    for (int i = 0; i < kValues; ++i) defaults[i] = core.value(i);
    link = editor::GestureEditor::attach(core.effect(), *this, platform.makeBackend);
}

bool ClapChorus::init() {
    hostParams = hostExtension<HostParams>(*host, kExtParams);
    if (hostParams && (!hostParams->requestFlush || !hostParams->rescan)) hostParams = nullptr;
    threadCheck = hostExtension<HostThreadCheck>(*host, kExtThreadCheck);
    if (threadCheck && (!threadCheck->isMainThread || !threadCheck->isAudioThread)) threadCheck = nullptr;
    return true;
}

// The window goes first, while everything it shows is whole; a drag it
// ends then asks the host for nothing more.
void ClapChorus::destroy() {
    hostParams = nullptr;
    editorGui.destroy();
    delete this;
}

bool ClapChorus::onMainThread() const { return !threadCheck || threadCheck->isMainThread(host); }
bool ClapChorus::onAudioThread() const { return !threadCheck || threadCheck->isAudioThread(host); }

// Activation starts the sound afresh at the new rate, as a new instance
// would: a silent delay line and the oscillator at its start, the values
// kept.
bool ClapChorus::activate(double sampleRate, std::uint32_t maxFrames) {
    if (active || !onMainThread() || !(sampleRate > 0.0 && sampleRate <= 3.0e38)) return false;
    const fpu::DefaultArithmetic arithmetic;
    core.effect().setSampleRate(static_cast<float>(sampleRate));
    core.effect().setBlockSize(maxFrames > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<VstInt32>(maxFrames));
    active = true;
    return true;
}

void ClapChorus::deactivate() {
    active = false;
    processing.store(false);
}

bool ClapChorus::startProcessing() {
    if (!onAudioThread()) return false;
    processing.store(true);
    return true;
}

void ClapChorus::stopProcessing() { processing.store(false); }

// The sound starts afresh, the values stay.
void ClapChorus::reset() {
    const bridge::ChorusCore::AudioBlock block(core);
    if (!block.mayChange()) return;
    const fpu::DefaultArithmetic arithmetic;
    core.effect().setProgram(core.currentProgram());
}

// The block runs in pieces between the frames where the host's changes fall
// (bridge::runBlock); the editor's edits since the last block go to the
// host first.
std::int32_t ClapChorus::process(const Process& process) {
    bridge::ChorusCore::AudioBlock block(core);
    reportEdits(process.outEvents);
    const bool audio = isStereo(process.audioInputs, process.audioInputsCount) &&
                       isStereo(process.audioOutputs, process.audioOutputsCount);
    const std::int32_t frames = process.framesCount > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(process.framesCount);
    EventChanges changes(process.inEvents);
    bridge::runBlock(
        frames, changes,
        [&](const bridge::Change& change, std::int32_t) {
            if (block.mayChange() && isEffectParameter(change.id)) core.setValue(static_cast<int>(change.id), change.value);
        },
        [&](std::int32_t start, std::int32_t count) {
            if (!audio) return;
            float* const* in = process.audioInputs[0].data32;
            float* const* out = process.audioOutputs[0].data32;
            float* inputs[2] = {in[0] + start, in[1] + start};
            float* outputs[2] = {out[0] + start, out[1] + start};
            core.render(inputs, outputs, count);
        });
    if (!audio) return kProcessError;
    process.audioOutputs[0].constantMask = 0;
    return kProcessContinue;
}

// Changes without audio, active or not: the host's calls are never at the
// same time as a block's.
void ClapChorus::flush(const InputEvents* in, const OutputEvents* out) {
    bridge::ChorusCore::AudioBlock block(core);
    reportEdits(out);
    EventChanges changes(in);
    bridge::runBlock(
        0, changes,
        [&](const bridge::Change& change, std::int32_t) {
            if (block.mayChange() && isEffectParameter(change.id)) core.setValue(static_cast<int>(change.id), change.value);
        },
        [](std::int32_t, std::int32_t) {});
}

void ClapChorus::reportEdits(const OutputEvents* out) {
    if (!out || !out->tryPush) return;
    edits.deliver([&](char what, int parameter) {
        if (what == 'v') {
            EventParamValue event{};
            event.header = {sizeof event, 0, kCoreEventSpace, kEventParamValue, 0};
            event.paramId = static_cast<Id>(parameter);
            event.noteId = -1;
            event.portIndex = event.channel = event.key = -1;
            event.value = core.value(parameter);
            return out->tryPush(out, &event.header);
        }
        EventParamGesture event{};
        event.header = {sizeof event, 0, kCoreEventSpace,
                        what == 'b' ? kEventParamGestureBegin : kEventParamGestureEnd, 0};
        event.paramId = static_cast<Id>(parameter);
        return out->tryPush(out, &event.header);
    });
}

void ClapChorus::editBegin(int index) {
    edits.begin(index);
    askForFlush();
}

void ClapChorus::editValue(int index, float value) {
    {
        const fpu::DefaultArithmetic arithmetic;
        core.setValue(index, value);
    }
    edits.value(index);
    askForFlush();
}

void ClapChorus::editEnd(int index) {
    edits.end(index);
    askForFlush();
}

// While blocks run, the next one carries the edits; otherwise the host is
// asked for a flush, once until it comes.
void ClapChorus::askForFlush() {
    if (hostParams && !processing.load() && edits.claimRequest()) hostParams->requestFlush(host);
}

bool ClapChorus::paramInfo(std::uint32_t index, ParamInfo& info) const {
    if (index >= static_cast<std::uint32_t>(kValues)) return false;
    std::memset(&info, 0, sizeof info);
    info.id = index;
    // Continuous, as in VST 2: the effect's own texts say what a value does.
    info.flags = kParamIsAutomatable;
    std::snprintf(info.name, sizeof info.name, "%s", chorus::parameterInfo(static_cast<VstInt32>(index))->name);
    info.minValue = 0.0;
    info.maxValue = 1.0;
    info.defaultValue = defaults[index];
    return true;
}

bool ClapChorus::paramValue(Id id, double& value) {
    if (!isEffectParameter(id)) return false;
    value = core.value(static_cast<int>(id));
    return true;
}

// The effect's text of the value as a float, the one the effect would run,
// with its unit.
bool ClapChorus::valueToText(Id id, double value, char* text, std::uint32_t capacity) {
    if (!isEffectParameter(id) || !text || capacity == 0 || std::isnan(value)) return false;
    const fpu::DefaultArithmetic arithmetic;
    char formatted[bridge::kValueTextCapacity];
    bridge::formatValueWithUnit(static_cast<int>(id), static_cast<float>(value < 0.0 ? 0.0 : value > 1.0 ? 1.0 : value),
                                formatted);
    std::snprintf(text, capacity, "%s", formatted);
    return true;
}

bool ClapChorus::textToValue(Id id, const char* text, double& value) {
    if (!isEffectParameter(id)) return false;
    const fpu::DefaultArithmetic arithmetic;
    return bridge::parseValueText(static_cast<int>(id), text, value);
}

// The format has no bypass of its own: a state says "not bypassed", and a
// bypass in a state from another format stays off here, where nobody could
// switch it back.
bool ClapChorus::saveState(const OutputStream& stream) {
    if (!onMainThread()) return false;
    bridge::BankState state = core.snapshot();
    state.bypassed = false;
    StreamOutput output(stream);
    return bridge::writeState(state, output);
}

// A state that cannot be read whole changes nothing.  One that can reaches
// the record without mixing with the audio thread's changes; the host then
// reads the values again.
bool ClapChorus::loadState(const InputStream& stream) {
    if (!onMainThread()) return false;
    bridge::BankState state = core.snapshot();
    StreamInput input(stream);
    if (bridge::readState(input, state) != bridge::StateError::none) return false;
    state.bypassed = false;
    core.loadState(state, active && processing.load());
    if (hostParams) hostParams->rescan(host, kParamRescanValues);
    return true;
}

std::uint32_t ClapChorus::tailFrames() {
    const fpu::DefaultArithmetic arithmetic;
    return core.tailFrames();
}

}  // namespace clap
