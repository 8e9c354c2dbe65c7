// Our declarations of the VST 3 interfaces against the format's own
// headers (Debian's copy, used here only): every id's sixteen bytes, every
// method's slot in its table, every struct's size and field offsets.  A
// wrong id makes a host's query fail, a wrong slot calls the wrong method,
// a wrong offset reads the wrong field; none of it would show in a test of
// our plug-in with our own host, which shares our declarations.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "vst3/abi/Component.h"
#include "vst3/abi/Controller.h"
#include "vst3/abi/Factory.h"
#include "vst3/abi/Processor.h"
#include "vst3/abi/Units.h"
#include "vst3/abi/View.h"

namespace {

namespace sdk = Steinberg;
namespace sdkv = Steinberg::Vst;

// A pointer to a virtual method holds 1 + its offset in the table (the
// Itanium C++ ABI, which GCC follows on Linux and on Windows alike).
template <typename Method>
std::ptrdiff_t slotOf(Method method) {
    static_assert(sizeof method == 2 * sizeof(std::ptrdiff_t), "an unexpected pointer-to-method layout");
    std::ptrdiff_t words[2];
    std::memcpy(words, &method, sizeof words);
    return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

bool sameBytes(const vst3::Uid& ours, const sdk::TUID theirs) {
    const vst3::UidBytes bytes = vst3::bytesOf(ours);
    return std::memcmp(bytes.bytes, theirs, 16) == 0;
}

#define EXPECT_ID(ours, theirs) EXPECT_TRUE(sameBytes(vst3::ours::iid, theirs##_iid)) << #ours
#define EXPECT_SLOT(ours, theirs, method) \
    EXPECT_EQ(slotOf(&vst3::ours::method), slotOf(&theirs::method)) << #ours "::" #method
#define EXPECT_LAYOUT(ours, theirs, field) \
    EXPECT_EQ(offsetof(vst3::ours, field), offsetof(theirs, field)) << #ours "::" #field
#define EXPECT_SIZE(ours, theirs) EXPECT_EQ(sizeof(vst3::ours), sizeof(theirs)) << #ours

TEST(Vst3Declarations, InterfaceIdsAreTheFormats) {
    EXPECT_ID(FUnknown, sdk::FUnknown);
    EXPECT_ID(IBStream, sdk::IBStream);
    EXPECT_ID(IPluginBase, sdk::IPluginBase);
    EXPECT_ID(IPluginFactory, sdk::IPluginFactory);
    EXPECT_ID(IPluginFactory2, sdk::IPluginFactory2);
    EXPECT_ID(IPluginFactory3, sdk::IPluginFactory3);
    EXPECT_ID(IProcessContextRequirements, sdkv::IProcessContextRequirements);
    EXPECT_ID(IComponent, sdkv::IComponent);
    EXPECT_ID(IAudioProcessor, sdkv::IAudioProcessor);
    EXPECT_ID(IParamValueQueue, sdkv::IParamValueQueue);
    EXPECT_ID(IParameterChanges, sdkv::IParameterChanges);
    EXPECT_ID(IComponentHandler, sdkv::IComponentHandler);
    EXPECT_ID(IEditController, sdkv::IEditController);
    EXPECT_ID(IUnitInfo, sdkv::IUnitInfo);
    EXPECT_ID(IPlugView, sdk::IPlugView);
    EXPECT_ID(IPlugFrame, sdk::IPlugFrame);
#if !defined(_WIN32)
    EXPECT_ID(IRunLoop, sdk::Linux::IRunLoop);
    EXPECT_ID(IEventHandler, sdk::Linux::IEventHandler);
    EXPECT_ID(ITimerHandler, sdk::Linux::ITimerHandler);
#endif
}

TEST(Vst3Declarations, MethodsSitInTheFormatsSlots) {
    EXPECT_SLOT(FUnknown, sdk::FUnknown, queryInterface);
    EXPECT_SLOT(FUnknown, sdk::FUnknown, addRef);
    EXPECT_SLOT(FUnknown, sdk::FUnknown, release);
    EXPECT_SLOT(IBStream, sdk::IBStream, read);
    EXPECT_SLOT(IBStream, sdk::IBStream, write);
    EXPECT_SLOT(IBStream, sdk::IBStream, seek);
    EXPECT_SLOT(IBStream, sdk::IBStream, tell);
    EXPECT_SLOT(IPluginBase, sdk::IPluginBase, initialize);
    EXPECT_SLOT(IPluginBase, sdk::IPluginBase, terminate);
    EXPECT_SLOT(IPluginFactory, sdk::IPluginFactory, getFactoryInfo);
    EXPECT_SLOT(IPluginFactory, sdk::IPluginFactory, countClasses);
    EXPECT_SLOT(IPluginFactory, sdk::IPluginFactory, getClassInfo);
    EXPECT_SLOT(IPluginFactory, sdk::IPluginFactory, createInstance);
    EXPECT_SLOT(IPluginFactory2, sdk::IPluginFactory2, getClassInfo2);
    EXPECT_SLOT(IPluginFactory3, sdk::IPluginFactory3, getClassInfoUnicode);
    EXPECT_SLOT(IPluginFactory3, sdk::IPluginFactory3, setHostContext);
    EXPECT_SLOT(IProcessContextRequirements, sdkv::IProcessContextRequirements, getProcessContextRequirements);
    EXPECT_SLOT(IComponent, sdkv::IComponent, getControllerClassId);
    EXPECT_SLOT(IComponent, sdkv::IComponent, setIoMode);
    EXPECT_SLOT(IComponent, sdkv::IComponent, getBusCount);
    EXPECT_SLOT(IComponent, sdkv::IComponent, getBusInfo);
    EXPECT_SLOT(IComponent, sdkv::IComponent, getRoutingInfo);
    EXPECT_SLOT(IComponent, sdkv::IComponent, activateBus);
    EXPECT_SLOT(IComponent, sdkv::IComponent, setActive);
    EXPECT_SLOT(IComponent, sdkv::IComponent, setState);
    EXPECT_SLOT(IComponent, sdkv::IComponent, getState);
    EXPECT_SLOT(IAudioProcessor, sdkv::IAudioProcessor, setBusArrangements);
    EXPECT_SLOT(IAudioProcessor, sdkv::IAudioProcessor, getBusArrangement);
    EXPECT_SLOT(IAudioProcessor, sdkv::IAudioProcessor, canProcessSampleSize);
    EXPECT_SLOT(IAudioProcessor, sdkv::IAudioProcessor, getLatencySamples);
    EXPECT_SLOT(IAudioProcessor, sdkv::IAudioProcessor, setupProcessing);
    EXPECT_SLOT(IAudioProcessor, sdkv::IAudioProcessor, setProcessing);
    EXPECT_SLOT(IAudioProcessor, sdkv::IAudioProcessor, process);
    EXPECT_SLOT(IAudioProcessor, sdkv::IAudioProcessor, getTailSamples);
    EXPECT_SLOT(IParamValueQueue, sdkv::IParamValueQueue, getParameterId);
    EXPECT_SLOT(IParamValueQueue, sdkv::IParamValueQueue, getPointCount);
    EXPECT_SLOT(IParamValueQueue, sdkv::IParamValueQueue, getPoint);
    EXPECT_SLOT(IParamValueQueue, sdkv::IParamValueQueue, addPoint);
    EXPECT_SLOT(IParameterChanges, sdkv::IParameterChanges, getParameterCount);
    EXPECT_SLOT(IParameterChanges, sdkv::IParameterChanges, getParameterData);
    EXPECT_SLOT(IParameterChanges, sdkv::IParameterChanges, addParameterData);
    EXPECT_SLOT(IComponentHandler, sdkv::IComponentHandler, beginEdit);
    EXPECT_SLOT(IComponentHandler, sdkv::IComponentHandler, performEdit);
    EXPECT_SLOT(IComponentHandler, sdkv::IComponentHandler, endEdit);
    EXPECT_SLOT(IComponentHandler, sdkv::IComponentHandler, restartComponent);
    EXPECT_SLOT(IEditController, sdkv::IEditController, setComponentState);
    EXPECT_SLOT(IEditController, sdkv::IEditController, setState);
    EXPECT_SLOT(IEditController, sdkv::IEditController, getState);
    EXPECT_SLOT(IEditController, sdkv::IEditController, getParameterCount);
    EXPECT_SLOT(IEditController, sdkv::IEditController, getParameterInfo);
    EXPECT_SLOT(IEditController, sdkv::IEditController, getParamStringByValue);
    EXPECT_SLOT(IEditController, sdkv::IEditController, getParamValueByString);
    EXPECT_SLOT(IEditController, sdkv::IEditController, normalizedParamToPlain);
    EXPECT_SLOT(IEditController, sdkv::IEditController, plainParamToNormalized);
    EXPECT_SLOT(IEditController, sdkv::IEditController, getParamNormalized);
    EXPECT_SLOT(IEditController, sdkv::IEditController, setParamNormalized);
    EXPECT_SLOT(IEditController, sdkv::IEditController, setComponentHandler);
    EXPECT_SLOT(IEditController, sdkv::IEditController, createView);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, getUnitCount);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, getUnitInfo);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, getProgramListCount);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, getProgramListInfo);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, getProgramName);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, getProgramInfo);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, hasProgramPitchNames);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, getProgramPitchName);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, getSelectedUnit);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, selectUnit);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, getUnitByBus);
    EXPECT_SLOT(IUnitInfo, sdkv::IUnitInfo, setUnitProgramData);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, isPlatformTypeSupported);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, attached);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, removed);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, onWheel);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, onKeyDown);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, onKeyUp);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, getSize);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, onSize);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, onFocus);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, setFrame);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, canResize);
    EXPECT_SLOT(IPlugView, sdk::IPlugView, checkSizeConstraint);
    EXPECT_SLOT(IPlugFrame, sdk::IPlugFrame, resizeView);
#if !defined(_WIN32)
    EXPECT_SLOT(IEventHandler, sdk::Linux::IEventHandler, onFDIsSet);
    EXPECT_SLOT(ITimerHandler, sdk::Linux::ITimerHandler, onTimer);
    EXPECT_SLOT(IRunLoop, sdk::Linux::IRunLoop, registerEventHandler);
    EXPECT_SLOT(IRunLoop, sdk::Linux::IRunLoop, unregisterEventHandler);
    EXPECT_SLOT(IRunLoop, sdk::Linux::IRunLoop, registerTimer);
    EXPECT_SLOT(IRunLoop, sdk::Linux::IRunLoop, unregisterTimer);
#endif
}

TEST(Vst3Declarations, StructsHaveTheFormatsLayout) {
    EXPECT_SIZE(PFactoryInfo, sdk::PFactoryInfo);
    EXPECT_LAYOUT(PFactoryInfo, sdk::PFactoryInfo, url);
    EXPECT_LAYOUT(PFactoryInfo, sdk::PFactoryInfo, email);
    EXPECT_LAYOUT(PFactoryInfo, sdk::PFactoryInfo, flags);
    EXPECT_EQ(vst3::PFactoryInfo::kUnicode, sdk::PFactoryInfo::kUnicode);
    EXPECT_SIZE(PClassInfo, sdk::PClassInfo);
    EXPECT_LAYOUT(PClassInfo, sdk::PClassInfo, cardinality);
    EXPECT_LAYOUT(PClassInfo, sdk::PClassInfo, category);
    EXPECT_LAYOUT(PClassInfo, sdk::PClassInfo, name);
    EXPECT_EQ(vst3::PClassInfo::kManyInstances, sdk::PClassInfo::kManyInstances);
    EXPECT_SIZE(PClassInfo2, sdk::PClassInfo2);
    EXPECT_LAYOUT(PClassInfo2, sdk::PClassInfo2, classFlags);
    EXPECT_LAYOUT(PClassInfo2, sdk::PClassInfo2, subCategories);
    EXPECT_LAYOUT(PClassInfo2, sdk::PClassInfo2, vendor);
    EXPECT_LAYOUT(PClassInfo2, sdk::PClassInfo2, version);
    EXPECT_LAYOUT(PClassInfo2, sdk::PClassInfo2, sdkVersion);
    EXPECT_SIZE(PClassInfoW, sdk::PClassInfoW);
    EXPECT_LAYOUT(PClassInfoW, sdk::PClassInfoW, name);
    EXPECT_LAYOUT(PClassInfoW, sdk::PClassInfoW, classFlags);
    EXPECT_LAYOUT(PClassInfoW, sdk::PClassInfoW, subCategories);
    EXPECT_LAYOUT(PClassInfoW, sdk::PClassInfoW, vendor);
    EXPECT_LAYOUT(PClassInfoW, sdk::PClassInfoW, version);
    EXPECT_LAYOUT(PClassInfoW, sdk::PClassInfoW, sdkVersion);
    EXPECT_SIZE(BusInfo, sdkv::BusInfo);
    EXPECT_LAYOUT(BusInfo, sdkv::BusInfo, channelCount);
    EXPECT_LAYOUT(BusInfo, sdkv::BusInfo, name);
    EXPECT_LAYOUT(BusInfo, sdkv::BusInfo, busType);
    EXPECT_LAYOUT(BusInfo, sdkv::BusInfo, flags);
    EXPECT_SIZE(RoutingInfo, sdkv::RoutingInfo);
    EXPECT_SIZE(ProcessSetup, sdkv::ProcessSetup);
    EXPECT_LAYOUT(ProcessSetup, sdkv::ProcessSetup, maxSamplesPerBlock);
    EXPECT_LAYOUT(ProcessSetup, sdkv::ProcessSetup, sampleRate);
    EXPECT_SIZE(AudioBusBuffers, sdkv::AudioBusBuffers);
    EXPECT_LAYOUT(AudioBusBuffers, sdkv::AudioBusBuffers, silenceFlags);
    EXPECT_LAYOUT(AudioBusBuffers, sdkv::AudioBusBuffers, channelBuffers32);
    EXPECT_SIZE(ProcessData, sdkv::ProcessData);
    EXPECT_LAYOUT(ProcessData, sdkv::ProcessData, numSamples);
    EXPECT_LAYOUT(ProcessData, sdkv::ProcessData, inputs);
    EXPECT_LAYOUT(ProcessData, sdkv::ProcessData, outputs);
    EXPECT_LAYOUT(ProcessData, sdkv::ProcessData, inputParameterChanges);
    EXPECT_LAYOUT(ProcessData, sdkv::ProcessData, outputParameterChanges);
    EXPECT_LAYOUT(ProcessData, sdkv::ProcessData, processContext);
    EXPECT_SIZE(ParameterInfo, sdkv::ParameterInfo);
    EXPECT_LAYOUT(ParameterInfo, sdkv::ParameterInfo, title);
    EXPECT_LAYOUT(ParameterInfo, sdkv::ParameterInfo, units);
    EXPECT_LAYOUT(ParameterInfo, sdkv::ParameterInfo, stepCount);
    EXPECT_LAYOUT(ParameterInfo, sdkv::ParameterInfo, defaultNormalizedValue);
    EXPECT_LAYOUT(ParameterInfo, sdkv::ParameterInfo, unitId);
    EXPECT_LAYOUT(ParameterInfo, sdkv::ParameterInfo, flags);
    EXPECT_EQ(vst3::ParameterInfo::kIsProgramChange, sdkv::ParameterInfo::kIsProgramChange);
    EXPECT_EQ(vst3::ParameterInfo::kIsList, sdkv::ParameterInfo::kIsList);
    EXPECT_EQ(vst3::ParameterInfo::kIsBypass, sdkv::ParameterInfo::kIsBypass);
    EXPECT_EQ(vst3::kParamValuesChanged, sdkv::kParamValuesChanged);
    EXPECT_SIZE(UnitInfo, sdkv::UnitInfo);
    EXPECT_LAYOUT(UnitInfo, sdkv::UnitInfo, name);
    EXPECT_LAYOUT(UnitInfo, sdkv::UnitInfo, programListId);
    EXPECT_SIZE(ProgramListInfo, sdkv::ProgramListInfo);
    EXPECT_LAYOUT(ProgramListInfo, sdkv::ProgramListInfo, programCount);
    EXPECT_SIZE(ViewRect, sdk::ViewRect);
    EXPECT_EQ(vst3::kStereo, sdkv::SpeakerArr::kStereo);
}

TEST(Vst3Declarations, ResultCodesAreTheFormats) {
    EXPECT_EQ(vst3::kNoInterface, sdk::kNoInterface);
    EXPECT_EQ(vst3::kResultOk, sdk::kResultOk);
    EXPECT_EQ(vst3::kResultFalse, sdk::kResultFalse);
    EXPECT_EQ(vst3::kInvalidArgument, sdk::kInvalidArgument);
    EXPECT_EQ(vst3::kNotImplemented, sdk::kNotImplemented);
    EXPECT_EQ(vst3::kInternalError, sdk::kInternalError);
    EXPECT_EQ(vst3::kNotInitialized, sdk::kNotInitialized);
}

}  // namespace
