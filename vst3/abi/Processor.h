// The audio processor: bus arrangements, the processing set-up and the
// blocks, with the parameter changes that come with each block.
#pragma once

#include "vst3/abi/Base.h"

namespace vst3 {

using ParamID = uint32;
using ParamValue = double;
using SpeakerArrangement = uint64;

constexpr SpeakerArrangement kSpeakerL = 1;
constexpr SpeakerArrangement kSpeakerR = 2;
constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;

enum SymbolicSampleSize : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessMode : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };

// The 64-bit fields are aligned to eight bytes in 32-bit code too, as the
// Windows compilers that hosts are built with lay them out.
struct ProcessSetup {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    alignas(8) double sampleRate;
};

struct AudioBusBuffers {
    int32 numChannels;
    alignas(8) uint64 silenceFlags;
    union {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};

// One parameter's changes within a block: points of (frame offset, value)
// in the order of their offsets.
struct IParamValueQueue : FUnknown {
    static constexpr Uid iid = {0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA};
    virtual ParamID VST3_CALL getParameterId() = 0;
    virtual int32 VST3_CALL getPointCount() = 0;
    virtual tresult VST3_CALL getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;
    virtual tresult VST3_CALL addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;
};

struct IParameterChanges : FUnknown {
    static constexpr Uid iid = {0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D};
    virtual int32 VST3_CALL getParameterCount() = 0;
    virtual IParamValueQueue* VST3_CALL getParameterData(int32 index) = 0;
    virtual IParamValueQueue* VST3_CALL addParameterData(const ParamID& id, int32& index) = 0;
};

struct IEventList;
struct ProcessContext;

struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

struct IAudioProcessor : FUnknown {
    static constexpr Uid iid = {0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D};
    virtual tresult VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                 SpeakerArrangement* outputs, int32 numOuts) = 0;
    virtual tresult VST3_CALL getBusArrangement(int32 direction, int32 index, SpeakerArrangement& arrangement) = 0;
    virtual tresult VST3_CALL canProcessSampleSize(int32 symbolicSampleSize) = 0;
    virtual uint32 VST3_CALL getLatencySamples() = 0;
    virtual tresult VST3_CALL setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult VST3_CALL setProcessing(TBool state) = 0;
    virtual tresult VST3_CALL process(ProcessData& data) = 0;
    virtual uint32 VST3_CALL getTailSamples() = 0;
};

// What a processor needs of the host's process context (transport, tempo,
// time): flags, none of which a plug-in may then rely on.
struct IProcessContextRequirements : FUnknown {
    static constexpr Uid iid = {0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0};
    virtual uint32 VST3_CALL getProcessContextRequirements() = 0;
};

}  // namespace vst3
