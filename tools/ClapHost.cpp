#include "tools/ClapHost.h"

#include <chrono>
#include <cstring>

#if !defined(_WIN32)
#include <poll.h>
#endif

#include "tools/LibraryLoading.h"

namespace claphost {

namespace {

TestHost& hostOf(const Host* host) { return *static_cast<TestHost*>(host->hostData); }

const HostThreadCheck kThreadCheck = {
    [](const Host* host) {
        TestHost& test = hostOf(host);
        const bool answer = test.audioThread != std::this_thread::get_id();
        test.questions.push_back({true, answer});
        return answer;
    },
    [](const Host* host) {
        TestHost& test = hostOf(host);
        const bool answer = test.audioThread == std::this_thread::get_id();
        test.questions.push_back({false, answer});
        return answer;
    },
};

const HostParams kParams = {
    [](const Host*, std::uint32_t) {},
    [](const Host*, Id, std::uint32_t) {},
    [](const Host* host) {
        TestHost& test = hostOf(host);
        ++test.flushRequests;
        if (test.onFlushRequest) test.onFlushRequest();
    },
};

const HostTimerSupport kTimers = {
    [](const Host* host, std::uint32_t period, Id* id) {
        TestHost& test = hostOf(host);
        *id = test.nextTimer++;
        test.timers.push_back({*id, period});
        return true;
    },
    [](const Host* host, Id id) {
        std::vector<TestHost::Timer>& timers = hostOf(host).timers;
        for (std::size_t i = 0; i < timers.size(); ++i)
            if (timers[i].id == id) {
                timers.erase(timers.begin() + static_cast<std::ptrdiff_t>(i));
                return true;
            }
        return false;
    },
};

const HostPosixFdSupport kDescriptors = {
    [](const Host* host, int fd, std::uint32_t) {
        hostOf(host).descriptors.push_back(fd);
        return true;
    },
    [](const Host*, int, std::uint32_t) { return true; },
    [](const Host* host, int fd) {
        std::vector<int>& watched = hostOf(host).descriptors;
        for (std::size_t i = 0; i < watched.size(); ++i)
            if (watched[i] == fd) {
                watched.erase(watched.begin() + static_cast<std::ptrdiff_t>(i));
                return true;
            }
        return false;
    },
};

const void* CLAP_CALL hostExtension(const Host* host, const char* id) {
    if (!hostOf(host).offersExtensions) return nullptr;
    if (std::strcmp(id, kExtThreadCheck) == 0) return &kThreadCheck;
    if (std::strcmp(id, kExtParams) == 0) return &kParams;
    if (std::strcmp(id, kExtTimerSupport) == 0) return &kTimers;
    if (std::strcmp(id, kExtPosixFdSupport) == 0) return &kDescriptors;
    return nullptr;
}

}  // namespace

std::string builtModulePath() { return library::programFolder() + "../lib/clap/Velorin2.clap"; }

Module::Module(const std::string& path) {
    unsigned long error = 0;
    library = library::open(path, error);
    if (!library) return;
    entry = static_cast<const PluginEntry*>(library::symbol(library, "clap_entry"));
    if (!entry || !entry->init(path.c_str())) {
        entry = nullptr;
        return;
    }
    factory = static_cast<const PluginFactory*>(entry->getFactory(kPluginFactoryId));
}

Module::~Module() {
    if (entry) entry->deinit();
    if (library) library::close(library);
}

TestHost::TestHost() : mainThread(std::this_thread::get_id()) {
    record = Host{kVersion, this, "Velorin test host", "Velorin", "", "1", hostExtension,
                  [](const Host*) {}, [](const Host*) {}, [](const Host*) {}};
}

void TestHost::runLoop(const Plugin* plugin, int milliseconds, bool watchDescriptors) {
    const auto* timerCalls = static_cast<const PluginTimerSupport*>(plugin->getExtension(plugin, kExtTimerSupport));
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::chrono::steady_clock::time_point> last;
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now - start >= std::chrono::milliseconds(milliseconds)) break;
#if !defined(_WIN32)
        // Copies: a call may take its own entry, or another, away.
        const std::vector<int> watched = watchDescriptors ? descriptors : std::vector<int>();
        for (int fd : watched) {
            const auto* fdCalls =
                static_cast<const PluginPosixFdSupport*>(plugin->getExtension(plugin, kExtPosixFdSupport));
            pollfd descriptor = {fd, POLLIN, 0};
            if (fdCalls && poll(&descriptor, 1, 0) > 0) fdCalls->onFd(plugin, fd, kPosixFdRead);
        }
#else
        (void)watchDescriptors;  // Windows' editor runs on the message loop
#endif
        const std::vector<Timer> due = timers;
        last.resize(due.size(), start);
        for (std::size_t i = 0; i < due.size(); ++i)
            if (timerCalls && now - last[i] >= std::chrono::milliseconds(due[i].period)) {
                last[i] = now;
                timerCalls->onTimer(plugin, due[i].id);
            }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

InputEventList::InputEventList() {
    calls.ctx = this;
    calls.size = [](const InputEvents* list) {
        return static_cast<std::uint32_t>(static_cast<InputEventList*>(list->ctx)->events.size());
    };
    calls.get = [](const InputEvents* list, std::uint32_t index) -> const EventHeader* {
        const auto& events = static_cast<InputEventList*>(list->ctx)->events;
        return index < events.size() ? reinterpret_cast<const EventHeader*>(events[index].data()) : nullptr;
    };
}

void InputEventList::add(std::uint32_t frame, Id param, double value, std::int16_t channel, std::int16_t key) {
    EventParamValue event{};
    event.header = {sizeof event, frame, kCoreEventSpace, kEventParamValue, 0};
    event.paramId = param;
    event.channel = channel;
    event.key = key;
    event.value = value;
    addRaw(event.header);
}

void InputEventList::addRaw(const EventHeader& event) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&event);
    // Kept aligned for the event's doubles and pointers.
    std::vector<unsigned char> copy(bytes, bytes + event.size);
    events.push_back(std::move(copy));
}

OutputEventList::OutputEventList() {
    calls.ctx = this;
    calls.tryPush = [](const OutputEvents* list, const EventHeader* event) {
        OutputEventList& out = *static_cast<OutputEventList*>(list->ctx);
        if (out.full) return false;
        Event recorded{'?', kInvalidId, 0.0, event->time};
        if (event->type == kEventParamValue) {
            const auto& value = *reinterpret_cast<const EventParamValue*>(event);
            recorded = {'v', value.paramId, value.value, event->time};
        } else if (event->type == kEventParamGestureBegin || event->type == kEventParamGestureEnd) {
            const auto& gesture = *reinterpret_cast<const EventParamGesture*>(event);
            recorded = {event->type == kEventParamGestureBegin ? 'b' : 'e', gesture.paramId, 0.0, event->time};
        }
        out.events.push_back(recorded);
        if (out.onPush) out.onPush(recorded);
        return true;
    };
}

ReadStream::ReadStream(std::vector<unsigned char> data, std::uint64_t perCall)
    : bytes(std::move(data)), perCall(perCall) {
    stream.ctx = this;
    stream.read = [](const InputStream* s, void* buffer, std::uint64_t size) -> std::int64_t {
        ReadStream& self = *static_cast<ReadStream*>(s->ctx);
        std::uint64_t count = size < self.perCall ? size : self.perCall;
        if (count > self.bytes.size() - self.position) count = self.bytes.size() - self.position;
        if (count == 0) return self.failAtEnd ? -1 : 0;
        std::memcpy(buffer, self.bytes.data() + self.position, count);
        self.position += count;
        return static_cast<std::int64_t>(count);
    };
}

WriteStream::WriteStream(std::uint64_t perCall) : perCall(perCall) {
    stream.ctx = this;
    stream.write = [](const OutputStream* s, const void* buffer, std::uint64_t size) -> std::int64_t {
        WriteStream& self = *static_cast<WriteStream*>(s->ctx);
        if (self.fail) return -1;
        const std::uint64_t count = size < self.perCall ? size : self.perCall;
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        self.bytes.insert(self.bytes.end(), bytes, bytes + count);
        return static_cast<std::int64_t>(count);
    };
}

Instance::Instance(const Module& module, TestHost& host) : host(host) {
    const PluginDescriptor* descriptor = module.factory ? module.factory->getPluginDescriptor(module.factory, 0) : nullptr;
    if (!descriptor) return;
    plugin = module.factory->createPlugin(module.factory, host.host(), descriptor->id);
    if (!plugin) return;
    if (!plugin->init(plugin)) {
        plugin->destroy(plugin);
        plugin = nullptr;
        return;
    }
    auto extension = [&](const char* id) { return plugin->getExtension(plugin, id); };
    ports = static_cast<const PluginAudioPorts*>(extension(kExtAudioPorts));
    params = static_cast<const PluginParams*>(extension(kExtParams));
    stateCalls = static_cast<const PluginState*>(extension(kExtState));
    gui = static_cast<const PluginGui*>(extension(kExtGui));
    latency = static_cast<const PluginLatency*>(extension(kExtLatency));
    tail = static_cast<const PluginTail*>(extension(kExtTail));
}

Instance::~Instance() {
    if (!plugin) return;
    if (processing) {
        const Audio audio(host);
        plugin->stopProcessing(plugin);
    }
    if (active) plugin->deactivate(plugin);
    plugin->destroy(plugin);
}

bool Instance::start(double sampleRate, std::uint32_t maxFrames) {
    active = plugin->activate(plugin, sampleRate, 1, maxFrames);
    const Audio audio(host);
    processing = active && plugin->startProcessing(plugin);
    return processing;
}

std::int32_t Instance::process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                               std::uint32_t frames, const InputEventList* in, OutputEventList* out) {
    float* inputs[2] = {const_cast<float*>(inLeft), const_cast<float*>(inRight)};
    float* outputs[2] = {outLeft, outRight};
    AudioBuffer input{inputs, nullptr, 2, 0, 0};
    AudioBuffer output{outputs, nullptr, 2, 0, 0};
    const InputEventList none;
    OutputEventList ignored;
    const Process block{-1, frames, nullptr, &input, &output, 1, 1, (in ? in : &none)->list(),
                        (out ? out : &ignored)->list()};
    const Audio audio(host);
    return plugin->process(plugin, &block);
}

std::vector<unsigned char> Instance::state() {
    WriteStream stream;
    return stateCalls->save(plugin, &stream.stream) ? stream.bytes : std::vector<unsigned char>();
}

double Instance::value(Id param) {
    double value = -1.0;
    params->getValue(plugin, param, &value);
    return value;
}

}  // namespace claphost
