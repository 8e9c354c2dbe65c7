// A small VST 3 host of our own, for tests and tools: the module loaded as
// hosts load it (the library, its entry on Linux, the factory), and the
// objects a host hands a plug-in (parameter changes, streams, the component
// handler), each counting its references so that the tests see what the
// plug-in keeps.  Built natively and for both Windows bitnesses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vst3/abi/Component.h"
#include "vst3/abi/Controller.h"
#include "vst3/abi/Factory.h"
#include "vst3/abi/Processor.h"
#include "vst3/abi/Units.h"
#include "vst3/abi/View.h"

namespace vst3host {

using namespace vst3;

// The bundle's module where the build puts it, for this system.
std::string builtModulePath();

class Module {
public:
    explicit Module(const std::string& path = builtModulePath());
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool loaded() const { return factoryEntry != nullptr; }
    // A new factory reference from GetPluginFactory.
    IPluginFactory* factory() const;

private:
    void* library = nullptr;
    IPluginFactory*(VST3_CALL* factoryEntry)() = nullptr;
};

// Host objects live on the test's stack; their counts show what a plug-in
// took and gave back.
template <typename Interface>
class HostObject : public Interface {
public:
    tresult VST3_CALL queryInterface(const TUID iid, void** object) override {
        if (sameUid(iid, FUnknown::iid) || sameUid(iid, Interface::iid)) {
            *object = this;
            addRef();
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    uint32 VST3_CALL addRef() override { return ++references; }
    uint32 VST3_CALL release() override { return --references; }
    int references = 1;
};

class ValueQueue final : public HostObject<IParamValueQueue> {
public:
    struct Point {
        int32 offset;
        ParamValue value;
    };
    explicit ValueQueue(ParamID id = 0) : id(id) {}
    ParamID VST3_CALL getParameterId() override { return id; }
    int32 VST3_CALL getPointCount() override { return static_cast<int32>(points.size()); }
    tresult VST3_CALL getPoint(int32 index, int32& offset, ParamValue& value) override;
    tresult VST3_CALL addPoint(int32 offset, ParamValue value, int32& index) override;

    ParamID id;
    std::vector<Point> points;
};

class ParameterChanges final : public HostObject<IParameterChanges> {
public:
    int32 VST3_CALL getParameterCount() override { return static_cast<int32>(queues.size()); }
    IParamValueQueue* VST3_CALL getParameterData(int32 index) override;
    IParamValueQueue* VST3_CALL addParameterData(const ParamID& id, int32& index) override;

    // A point for `id`, in a queue of its own for each id.
    void add(ParamID id, int32 offset, ParamValue value);
    // The last value reported for `id`, or -1.
    ParamValue last(ParamID id) const;
    void clear() { queues.clear(); }

    std::vector<ValueQueue> queues;
};

// A stream over bytes in memory that moves at most `perCall` bytes a call.
class MemoryStream final : public HostObject<IBStream> {
public:
    explicit MemoryStream(std::vector<unsigned char> bytes = {}, int32 perCall = 0x7FFFFFFF)
        : bytes(std::move(bytes)), perCall(perCall) {}
    tresult VST3_CALL read(void* buffer, int32 numBytes, int32* numBytesRead) override;
    tresult VST3_CALL write(void* buffer, int32 numBytes, int32* numBytesWritten) override;
    tresult VST3_CALL seek(int64 position, int32 mode, int64* result) override;
    tresult VST3_CALL tell(int64* position) override;

    std::vector<unsigned char> bytes;
    std::size_t position = 0;
    int32 perCall;
};

class ComponentHandler : public HostObject<IComponentHandler> {
public:
    struct Call {
        char what;  // 'b'egin, 'p'erform, 'e'nd, 'r'estart
        ParamID id;
        ParamValue value;
    };
    tresult VST3_CALL beginEdit(ParamID id) override;
    tresult VST3_CALL performEdit(ParamID id, ParamValue value) override;
    tresult VST3_CALL endEdit(ParamID id) override;
    tresult VST3_CALL restartComponent(int32 flags) override;

    std::vector<Call> calls;
};

// A Linux host's run loop, offered through the host's context: it keeps
// the timers a plug-in registers, and the test runs them.
class RunLoop final : public HostObject<IRunLoop> {
public:
    tresult VST3_CALL registerEventHandler(IEventHandler*, FileDescriptor) override { return kResultOk; }
    tresult VST3_CALL unregisterEventHandler(IEventHandler*) override { return kResultOk; }
    tresult VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) override;
    tresult VST3_CALL unregisterTimer(ITimerHandler* handler) override;
    // Every timer once, as its interval passing would.
    void fireTimers();

    std::vector<ITimerHandler*> timers;  // counted
};

// The context a host hands the factory and every instance: its run loop.
class HostContext final : public HostObject<FUnknown> {
public:
    tresult VST3_CALL queryInterface(const TUID iid, void** object) override;
    RunLoop runLoop;
};

// Lets the host's UI thread run what it has queued for a while (the
// plug-in's timer on Windows); natively, the run loop's timers.
void runUiThread(HostContext& context, int milliseconds);

// One instance as a host holds it: the component and the interfaces asked
// of it, released together.
struct Instance {
    explicit Instance(IPluginFactory* factory, FUnknown* context = nullptr);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    // Set up for 32-bit stereo at `sampleRate` and activated.
    void start(double sampleRate, int32 maxBlock = 4096);
    // One block, in place of the host's own: stereo in, stereo out; the
    // output's silence flags come back.
    uint64 process(const float* inLeft, const float* inRight, float* outLeft, float* outRight, int32 frames,
                   IParameterChanges* changes = nullptr, IParameterChanges* reported = nullptr,
                   uint64 inputSilence = 0);
    std::vector<unsigned char> state();
    // Refused or not, as the plug-in answers.
    tresult load(const std::vector<unsigned char>& bytes);

    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    IUnitInfo* units = nullptr;
    // What the last release of each reference answered: 0 at the very last.
    uint32 lastCount = 0;
};

// The id a host derives for a VST 3 plug-in that replaces the VST 2 one
// with `uniqueId` and `name`, by the format's published rule, as bytes.
UidBytes replacementClassId(std::uint32_t uniqueId, const char* name);

}  // namespace vst3host
