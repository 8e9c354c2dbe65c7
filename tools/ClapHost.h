// A small CLAP host of our own, for tests and tools: the module loaded as
// hosts load it (the library, clap_entry, its factory), and what a host
// hands a plug-in: the host struct with its extensions (thread questions,
// flush requests, timers, watched descriptors), event lists and streams.
// The host records what the plug-in asks of it, so that the tests see it.
// Built natively and for both Windows bitnesses.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "clap/abi/Audio.h"
#include "clap/abi/Gui.h"
#include "clap/abi/Params.h"
#include "clap/abi/Plugin.h"
#include "clap/abi/Process.h"
#include "clap/abi/State.h"
#include "clap/abi/Threads.h"

namespace claphost {

using namespace clap;

// The module where the build puts it.
std::string builtModulePath();

class Module {
public:
    explicit Module(const std::string& path = builtModulePath());
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool loaded() const { return factory != nullptr; }
    const PluginEntry* entry = nullptr;
    const PluginFactory* factory = nullptr;

private:
    void* library = nullptr;
};

// The host's side.  The thread that makes it is the main thread; the
// audio thread is the one the test names so (Audio, below).
class TestHost {
public:
    TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    const Host* host() const { return &record; }

    // Which extensions the host offers: all by default, none as a plain
    // host (a scanner) has.
    bool offersExtensions = true;

    // The thread questions the plug-in asked, with the asking thread's
    // answer: a plug-in asks from the threads the format names, or a
    // question answered false shows where it did not.
    struct Question {
        bool mainThread;  // which question
        bool answer;
    };
    std::vector<Question> questions;
    std::atomic<std::thread::id> audioThread{};  // the thread now processing, if any

    int flushRequests = 0;
    // What the host does when asked for a flush, besides counting: some
    // hosts flush at once, inside the request.
    std::function<void()> onFlushRequest;

    // Timers and watched descriptors, run on the main thread by runLoop.
    struct Timer {
        Id id;
        std::uint32_t period;
    };
    std::vector<Timer> timers;
    std::vector<int> descriptors;
    Id nextTimer = 7;
    // For the given milliseconds: due timers, and descriptors with input,
    // each told through `plugin` (timers only when `watchDescriptors` is
    // false).
    void runLoop(const Plugin* plugin, int milliseconds, bool watchDescriptors = true);

private:
    Host record;
    std::thread::id mainThread;
};

// The audio thread's turn: the test host answers that this thread is it.
class Audio {
public:
    explicit Audio(TestHost& host) : host(host) { host.audioThread = std::this_thread::get_id(); }
    ~Audio() { host.audioThread = std::thread::id(); }

private:
    TestHost& host;
};

// Events in the order of their frames, as a host hands them over.
class InputEventList {
public:
    InputEventList();
    // A parameter value at `frame`; the other fields as Qtractor leaves
    // them (0), unless given.
    void add(std::uint32_t frame, Id param, double value, std::int16_t channel = 0, std::int16_t key = 0);
    // Any event, copied.
    void addRaw(const EventHeader& event);
    void clear() { events.clear(); }
    const InputEvents* list() const { return &calls; }

private:
    std::vector<std::vector<unsigned char>> events;
    InputEvents calls;
};

// What the plug-in pushes: parameter values and gestures, in order.
class OutputEventList {
public:
    OutputEventList();
    struct Event {
        char what;  // 'b'egin, 'v'alue, 'e'nd, '?'
        Id param;
        double value;
        std::uint32_t time;
    };
    std::vector<Event> events;
    // Refuses pushes from then on, as a host's full queue does.
    bool full = false;
    // Told of every event taken, inside the plug-in's push.
    std::function<void(const Event&)> onPush;
    const OutputEvents* list() const { return &calls; }

private:
    OutputEvents calls;
};

// Streams over bytes in memory that move at most `perCall` bytes a call.
struct ReadStream {
    explicit ReadStream(std::vector<unsigned char> bytes, std::uint64_t perCall = UINT64_MAX);
    std::vector<unsigned char> bytes;
    std::size_t position = 0;
    std::uint64_t perCall;
    bool failAtEnd = false;  // -1 instead of 0 at the end
    InputStream stream;
};

struct WriteStream {
    explicit WriteStream(std::uint64_t perCall = UINT64_MAX);
    std::vector<unsigned char> bytes;
    std::uint64_t perCall;
    bool fail = false;  // -1 for every write
    OutputStream stream;
};

// One plug-in as a host holds it, made through the factory and initialized,
// with its extensions; destroyed (deactivated first) with this.
struct Instance {
    Instance(const Module& module, TestHost& host);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    // Activated at `sampleRate` and processing.
    bool start(double sampleRate, std::uint32_t maxFrames = 4096);
    // One block on the audio thread's turn, stereo in and out (the same
    // buffers for both, when the host processes in place).
    std::int32_t process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                         std::uint32_t frames, const InputEventList* in = nullptr, OutputEventList* out = nullptr);
    std::vector<unsigned char> state();
    double value(Id param);

    TestHost& host;
    const Plugin* plugin = nullptr;
    const PluginAudioPorts* ports = nullptr;
    const PluginParams* params = nullptr;
    const PluginState* stateCalls = nullptr;
    const PluginGui* gui = nullptr;
    const PluginLatency* latency = nullptr;
    const PluginTail* tail = nullptr;
    bool active = false;
    bool processing = false;
};

}  // namespace claphost
