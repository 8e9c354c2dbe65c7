#include "tools/Vst3Host.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "tools/LibraryLoading.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vst3host {

std::string builtModulePath() {
#if defined(_WIN32) && defined(_WIN64)
    const char* architecture = "x86_64-win/Velorin2.vst3";
#elif defined(_WIN32)
    const char* architecture = "x86-win/Velorin2.vst3";
#else
    const char* architecture = "x86_64-linux/Velorin2.so";
#endif
    return library::programFolder() + "../lib/vst3/Velorin2.vst3/Contents/" + architecture;
}

Module::Module(const std::string& path) {
    unsigned long error = 0;
    library = library::open(path, error);
    if (!library) return;
#if !defined(_WIN32)
    auto entry = reinterpret_cast<bool (*)(void*)>(library::symbol(library, "ModuleEntry"));
    if (!entry || !entry(library)) return;
#endif
    factoryEntry = reinterpret_cast<IPluginFactory*(VST3_CALL*)()>(library::symbol(library, "GetPluginFactory"));
}

Module::~Module() {
    if (!library) return;
#if !defined(_WIN32)
    if (auto exit = reinterpret_cast<bool (*)()>(library::symbol(library, "ModuleExit"))) exit();
#endif
    library::close(library);
}

IPluginFactory* Module::factory() const { return factoryEntry ? factoryEntry() : nullptr; }

tresult VST3_CALL ValueQueue::getPoint(int32 index, int32& offset, ParamValue& value) {
    if (index < 0 || index >= getPointCount()) return kInvalidArgument;
    offset = points[static_cast<std::size_t>(index)].offset;
    value = points[static_cast<std::size_t>(index)].value;
    return kResultOk;
}

tresult VST3_CALL ValueQueue::addPoint(int32 offset, ParamValue value, int32& index) {
    index = getPointCount();
    points.push_back({offset, value});
    return kResultOk;
}

IParamValueQueue* VST3_CALL ParameterChanges::getParameterData(int32 index) {
    return index >= 0 && index < getParameterCount() ? &queues[static_cast<std::size_t>(index)] : nullptr;
}

IParamValueQueue* VST3_CALL ParameterChanges::addParameterData(const ParamID& id, int32& index) {
    for (std::size_t q = 0; q < queues.size(); ++q)
        if (queues[q].id == id) {
            index = static_cast<int32>(q);
            return &queues[q];
        }
    queues.reserve(32);  // the plug-in holds queue pointers through a block
    queues.emplace_back(id);
    index = getParameterCount() - 1;
    return &queues.back();
}

void ParameterChanges::add(ParamID id, int32 offset, ParamValue value) {
    int32 index = 0;
    addParameterData(id, index)->addPoint(offset, value, index);
}

ParamValue ParameterChanges::last(ParamID id) const {
    for (const ValueQueue& queue : queues)
        if (queue.id == id && !queue.points.empty()) return queue.points.back().value;
    return -1.0;
}

tresult VST3_CALL MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
    if (numBytes < 0) return kInvalidArgument;
    std::size_t count = static_cast<std::size_t>(numBytes < perCall ? numBytes : perCall);
    if (count > bytes.size() - position) count = bytes.size() - position;
    if (count) std::memcpy(buffer, bytes.data() + position, count);
    position += count;
    if (numBytesRead) *numBytesRead = static_cast<int32>(count);
    return kResultOk;
}

tresult VST3_CALL MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
    if (numBytes < 0) return kInvalidArgument;
    const std::size_t count = static_cast<std::size_t>(numBytes < perCall ? numBytes : perCall);
    if (bytes.size() < position + count) bytes.resize(position + count);
    std::memcpy(bytes.data() + position, buffer, count);
    position += count;
    if (numBytesWritten) *numBytesWritten = static_cast<int32>(count);
    return kResultOk;
}

tresult VST3_CALL MemoryStream::seek(int64 offset, int32 mode, int64* result) {
    const int64 base = mode == kSeekSet ? 0 : mode == kSeekCur ? static_cast<int64>(position)
                                                               : static_cast<int64>(bytes.size());
    if (base + offset < 0) return kInvalidArgument;
    position = static_cast<std::size_t>(base + offset);
    if (result) *result = static_cast<int64>(position);
    return kResultOk;
}

tresult VST3_CALL MemoryStream::tell(int64* where) {
    if (where) *where = static_cast<int64>(position);
    return kResultOk;
}

tresult VST3_CALL ComponentHandler::beginEdit(ParamID id) {
    calls.push_back({'b', id, 0.0});
    return kResultOk;
}
tresult VST3_CALL ComponentHandler::performEdit(ParamID id, ParamValue value) {
    calls.push_back({'p', id, value});
    return kResultOk;
}
tresult VST3_CALL ComponentHandler::endEdit(ParamID id) {
    calls.push_back({'e', id, 0.0});
    return kResultOk;
}
tresult VST3_CALL ComponentHandler::restartComponent(int32 flags) {
    calls.push_back({'r', static_cast<ParamID>(flags), 0.0});
    return kResultOk;
}

tresult VST3_CALL RunLoop::registerTimer(ITimerHandler* handler, TimerInterval) {
    if (!handler) return kInvalidArgument;
    handler->addRef();
    timers.push_back(handler);
    return kResultOk;
}

tresult VST3_CALL RunLoop::unregisterTimer(ITimerHandler* handler) {
    for (std::size_t t = 0; t < timers.size(); ++t)
        if (timers[t] == handler) {
            timers.erase(timers.begin() + static_cast<std::ptrdiff_t>(t));
            handler->release();
            return kResultOk;
        }
    return kInvalidArgument;
}

// A timer may unregister itself, or another, when it runs.
void RunLoop::fireTimers() {
    const std::vector<ITimerHandler*> now = timers;
    for (ITimerHandler* timer : now)
        for (ITimerHandler* still : timers)
            if (still == timer) {
                timer->onTimer();
                break;
            }
}

tresult VST3_CALL HostContext::queryInterface(const TUID iid, void** object) {
    if (sameUid(iid, IRunLoop::iid)) {
        *object = &runLoop;
        runLoop.addRef();
        return kResultOk;
    }
    return HostObject<FUnknown>::queryInterface(iid, object);
}

void runUiThread(HostContext& context, int milliseconds) {
#if defined(_WIN32)
    (void)context;
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
#else
    (void)milliseconds;
    context.runLoop.fireTimers();
#endif
}

Instance::Instance(IPluginFactory* factory, FUnknown* context) {
    void* object = nullptr;
    PClassInfo info{};
    if (!factory || factory->getClassInfo(0, &info) != kResultOk ||
        factory->createInstance(info.cid, bytesOf(IComponent::iid).bytes, &object) != kResultOk)
        return;
    component = static_cast<IComponent*>(object);
    component->initialize(context);
    if (component->queryInterface(bytesOf(IAudioProcessor::iid).bytes, &object) == kResultOk)
        processor = static_cast<IAudioProcessor*>(object);
    if (component->queryInterface(bytesOf(IEditController::iid).bytes, &object) == kResultOk)
        controller = static_cast<IEditController*>(object);
    if (component->queryInterface(bytesOf(IUnitInfo::iid).bytes, &object) == kResultOk)
        units = static_cast<IUnitInfo*>(object);
}

Instance::~Instance() {
    if (!component) return;
    component->setActive(0);
    component->terminate();
    if (units) units->release();
    if (controller) controller->release();
    if (processor) processor->release();
    lastCount = component->release();
}

void Instance::start(double sampleRate, int32 maxBlock) {
    SpeakerArrangement stereo = kStereo;
    SpeakerArrangement stereoOut = kStereo;
    processor->setBusArrangements(&stereo, 1, &stereoOut, 1);
    ProcessSetup setup{kRealtime, kSample32, maxBlock, sampleRate};
    processor->setupProcessing(setup);
    component->setActive(1);
    processor->setProcessing(1);
}

uint64 Instance::process(const float* inLeft, const float* inRight, float* outLeft, float* outRight, int32 frames,
                         IParameterChanges* changes, IParameterChanges* reported, uint64 inputSilence) {
    float* in[2] = {const_cast<float*>(inLeft), const_cast<float*>(inRight)};
    float* out[2] = {outLeft, outRight};
    AudioBusBuffers input{};
    input.numChannels = 2;
    input.channelBuffers32 = in;
    input.silenceFlags = inputSilence;
    AudioBusBuffers output{};
    output.numChannels = 2;
    output.channelBuffers32 = out;
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &input;
    data.outputs = &output;
    data.inputParameterChanges = changes;
    data.outputParameterChanges = reported;
    processor->process(data);
    return output.silenceFlags;
}

std::vector<unsigned char> Instance::state() {
    MemoryStream stream;
    component->getState(&stream);
    return stream.bytes;
}

tresult Instance::load(const std::vector<unsigned char>& bytes) {
    MemoryStream stream(bytes);
    return component->setState(&stream);
}

UidBytes replacementClassId(std::uint32_t uniqueId, const char* name) {
    char hex[33];
    std::snprintf(hex, 16, "%06X%08X", ('V' << 16) | ('S' << 8) | 'T', uniqueId);
    for (int i = 0; i < 9; ++i) {
        const std::size_t length = std::strlen(name);
        const unsigned char c = i < static_cast<int>(length) ? static_cast<unsigned char>(std::tolower(name[i])) : 0;
        std::snprintf(hex + 14 + 2 * i, 3, "%02X", c);
    }
    Uid words{};
    std::uint32_t* word[4] = {&words.l1, &words.l2, &words.l3, &words.l4};
    for (int w = 0; w < 4; ++w) {
        char part[9] = {};
        std::memcpy(part, hex + 8 * w, 8);
        *word[w] = static_cast<std::uint32_t>(std::strtoul(part, nullptr, 16));
    }
    return bytesOf(words);
}

}  // namespace vst3host
