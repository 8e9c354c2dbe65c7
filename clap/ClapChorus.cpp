#include "clap/ClapChorus.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "chorus/ParameterTable.h"
#include "chorus/ParameterText.h"
#include "clap/EditorLink.h"
#include "clap/PluginCalls.h"
#include "host/FloatingPointControl.h"

namespace clap {

namespace {

bool isEffectParameter(Id id) { return id < static_cast<Id>(ChorusEffect::kNumParams); }

// A value is the effect's own from 0 to 1; NaN has no place at all.  A
// value that is a float reaches the effect as that very float.
bool takeValue(double value, float& result) {
    if (std::isnan(value)) return false;
    result = static_cast<float>(value < 0.0 ? 0.0 : value > 1.0 ? 1.0 : value);
    return true;
}

template <typename Extension>
const Extension* hostExtension(const Host& host, const char* id) {
    return host.getExtension ? static_cast<const Extension*>(host.getExtension(&host, id)) : nullptr;
}

bool isStereo(const AudioBuffer* buffers, std::uint32_t count) {
    return count >= 1 && buffers && buffers[0].channelCount == 2 && buffers[0].data32 && buffers[0].data32[0] &&
           buffers[0].data32[1];
}

// A parameter's new value, whatever voice, port, channel or key the event
// names: Qtractor sends zeros there, not the "any" of -1.  Everything else
// passes by.
struct Change {
    std::uint32_t time;
    VstInt32 index;
    float value;
};

bool changeOf(const EventHeader* event, Change& change) {
    if (!event || event->spaceId != kCoreEventSpace || event->type != kEventParamValue ||
        event->size < sizeof(EventParamValue))
        return false;
    const EventParamValue& parameter = *reinterpret_cast<const EventParamValue*>(event);
    if (!isEffectParameter(parameter.paramId) || !takeValue(parameter.value, change.value)) return false;
    change.time = event->time;
    change.index = static_cast<VstInt32>(parameter.paramId);
    return true;
}

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
    : plugin(pluginCalls(this)), host(host), platform(platform), effect(nullptr) {
    if (!effect.isUsable()) return;
    for (int i = 0; i < ChorusEffect::kNumParams; ++i) defaults[i] = effect.getParameter(i);
    editor::EditorBackend* backend = platform.makeBackend();
    link = backend ? new (std::nothrow) EditorLink(*this, backend) : nullptr;
    if (!link) {
        delete backend;
        return;
    }
    effect.attachEditor(link);
}

bool ClapChorus::init() {
    hostParams = hostExtension<HostParams>(*host, kExtParams);
    if (hostParams && !hostParams->requestFlush) hostParams = nullptr;
    threadCheck = hostExtension<HostThreadCheck>(*host, kExtThreadCheck);
    if (threadCheck && (!threadCheck->isMainThread || !threadCheck->isAudioThread)) threadCheck = nullptr;
    return true;
}

// The window goes first, while everything it shows is whole; a drag it
// ends then reaches the host no more.
void ClapChorus::destroy() {
    hostParams = nullptr;
    editorGui.destroy();
    delete this;
}

bool ClapChorus::onMainThread() const { return !threadCheck || threadCheck->isMainThread(host); }
bool ClapChorus::onAudioThread() const { return !threadCheck || threadCheck->isAudioThread(host); }

// Activation starts the sound afresh, as a new instance would: a silent
// delay line and the oscillator at its start, the values kept.
bool ClapChorus::activate(double sampleRate, std::uint32_t maxFrames) {
    if (active || !onMainThread() || !(sampleRate > 0.0 && sampleRate <= 3.0e38)) return false;
    const fpu::DefaultArithmetic arithmetic;
    effect.setSampleRate(static_cast<float>(sampleRate));
    effect.setBlockSize(maxFrames > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<VstInt32>(maxFrames));
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
    const fpu::DefaultArithmetic arithmetic;
    effect.setProgram(effect.getProgram());
}

// The block runs in pieces: at each frame where a change falls, the change
// is applied (in the platform's default floating-point environment, as the
// VST 2 plug-in applies a host's), then the effect processes up to the
// next one.  A change is a step: the value holds from its frame on.  The
// host sends them in the order of their frames; one out of order applies
// where the block has got to, one past its end after its last frame.  The
// editor's edits since the last block go to the host first.
std::int32_t ClapChorus::process(const Process& process) {
    reportEdits(process.outEvents);
    const bool audio = isStereo(process.audioInputs, process.audioInputsCount) &&
                       isStereo(process.audioOutputs, process.audioOutputsCount);
    const std::uint32_t frames = process.framesCount > 0x7FFFFFFF ? 0x7FFFFFFF : process.framesCount;
    const InputEvents* in = process.inEvents;
    const std::uint32_t count = in && in->size && in->get ? in->size(in) : 0;

    bool changed = false;
    fpu::HostEnvironment hostEnvironment{};
    std::uint32_t frame = 0;
    for (std::uint32_t i = 0; i <= count; ++i) {
        Change change{};
        if (i < count && !changeOf(in->get(in, i), change)) continue;
        const std::uint32_t at = i == count          ? frames
                                 : change.time < frame ? frame
                                 : change.time > frames ? frames
                                                        : change.time;
        if (at > frame && audio) {
            float* inputs[2] = {process.audioInputs[0].data32[0] + frame, process.audioInputs[0].data32[1] + frame};
            float* outputs[2] = {process.audioOutputs[0].data32[0] + frame,
                                 process.audioOutputs[0].data32[1] + frame};
            effect.processReplacing(inputs, outputs, static_cast<VstInt32>(at - frame));
        }
        frame = at;
        if (i == count) break;
        if (!changed) {
            hostEnvironment = fpu::enterDefaultArithmetic();
            changed = true;
        }
        effect.setParameter(change.index, change.value);
    }
    if (changed) fpu::leaveDefaultArithmetic(hostEnvironment);
    if (!audio) return kProcessError;
    process.audioOutputs[0].constantMask = 0;
    return kProcessContinue;
}

// Changes without audio, active or not: the host's calls are never at the
// same time as a block's.
void ClapChorus::flush(const InputEvents* in, const OutputEvents* out) {
    reportEdits(out);
    const std::uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    if (count == 0) return;
    const fpu::DefaultArithmetic arithmetic;
    for (std::uint32_t i = 0; i < count; ++i) {
        Change change;
        if (changeOf(in->get(in, i), change)) effect.setParameter(change.index, change.value);
    }
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
            event.value = effect.getParameter(parameter);
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
        effect.setParameter(index, value);
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
    if (index >= static_cast<std::uint32_t>(ChorusEffect::kNumParams)) return false;
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
    value = effect.getParameter(static_cast<VstInt32>(id));
    return true;
}

bool ClapChorus::valueToText(Id id, double value, char* text, std::uint32_t capacity) {
    float taken;
    if (!isEffectParameter(id) || !text || capacity == 0 || !takeValue(value, taken)) return false;
    const fpu::DefaultArithmetic arithmetic;
    char display[64] = "";
    chorus::formatParameterDisplay(static_cast<int>(id), taken, display);
    const char* label = chorus::parameterInfo(static_cast<VstInt32>(id))->label;
    std::snprintf(text, capacity, label[0] ? "%s %s" : "%s", display, label);
    return true;
}

bool ClapChorus::textToValue(Id, const char*, double&) { return false; }

bool ClapChorus::saveState(const OutputStream&) { return false; }

bool ClapChorus::loadState(const InputStream&) { return false; }

// The longest delay the parameters allow: Predelay and Depth at 1 and Rate
// at 0 give 10 + 0.4 × the sample rate frames, and no read reaches further
// back than the ring's 65536 samples.  A frame more for the interpolation.
std::uint32_t ClapChorus::tailFrames() {
    const fpu::DefaultArithmetic arithmetic;
    const double longest = std::ceil(0.4 * static_cast<double>(effect.getSampleRate())) + 11.0;
    return longest < ChorusEffect::kDelayLineLength ? static_cast<std::uint32_t>(longest)
                                                    : static_cast<std::uint32_t>(ChorusEffect::kDelayLineLength);
}

}  // namespace clap
