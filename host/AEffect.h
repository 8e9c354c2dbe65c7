// The plug-in record a host receives from "main", and the numbers both sides
// agree on: opcodes, callback opcodes and flag bits.  The layout is a binary
// interface with 32- and 64-bit Windows hosts and must never change.
#pragma once

#include <cstddef>
#include <cstdint>

using VstInt32 = std::int32_t;

// The integer as wide as a pointer: 32 bits in a 32-bit process, 64 in a
// 64-bit one.  A 64-bit host passes and expects it in exactly four places:
// the `value` argument and the result of the dispatcher and of the host
// callback, and the two reserved fields after `flags`.  Everything else
// keeps its size in both.
using VstIntPtr = std::intptr_t;
static_assert(sizeof(VstIntPtr) == sizeof(void*), "VstIntPtr is pointer-sized");

// Hosts and plug-ins on 32-bit Windows call each other with the C convention.
#if defined(_WIN32) && !defined(_WIN64)
#define VELORIN_CALLBACK __cdecl
#else
#define VELORIN_CALLBACK
#endif

struct AEffect;

using audioMasterCallback = VstIntPtr(VELORIN_CALLBACK*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                         VstIntPtr value, void* ptr, float opt);
using AEffectDispatcherProc = VstIntPtr(VELORIN_CALLBACK*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                           VstIntPtr value, void* ptr, float opt);
using AEffectProcessProc = void(VELORIN_CALLBACK*)(AEffect* effect, float** inputs, float** outputs,
                                                   VstInt32 sampleFrames);
using AEffectSetParameterProc = void(VELORIN_CALLBACK*)(AEffect* effect, VstInt32 index, float value);
using AEffectGetParameterProc = float(VELORIN_CALLBACK*)(AEffect* effect, VstInt32 index);

// A four-character code: the first character is the most significant byte.
constexpr VstInt32 fourCharCode(char a, char b, char c, char d) {
    return static_cast<VstInt32>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr VstInt32 kEffectMagic = fourCharCode('V', 's', 't', 'P');

struct AEffect {
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;
    VstInt32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    char future[60];
};

// Every offset is part of the contract with the hosts.  In a 64-bit process
// the pointers and the two reserved fields take eight bytes each and are
// aligned to eight, and the record's size is rounded up to a multiple of
// eight.  Hosts read the record at these offsets, not through this struct:
// a field of the wrong width shifts everything after it, and a host would
// then take half of a code pointer for the unique id.
#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(AEffect) == 144, "the record is 144 bytes");
static_assert(offsetof(AEffect, magic) == 0, "magic");
static_assert(offsetof(AEffect, dispatcher) == 4, "dispatcher");
static_assert(offsetof(AEffect, process) == 8, "process");
static_assert(offsetof(AEffect, setParameter) == 12, "setParameter");
static_assert(offsetof(AEffect, getParameter) == 16, "getParameter");
static_assert(offsetof(AEffect, numPrograms) == 20, "numPrograms");
static_assert(offsetof(AEffect, numParams) == 24, "numParams");
static_assert(offsetof(AEffect, numInputs) == 28, "numInputs");
static_assert(offsetof(AEffect, numOutputs) == 32, "numOutputs");
static_assert(offsetof(AEffect, flags) == 36, "flags");
static_assert(offsetof(AEffect, resvd1) == 40, "resvd1");
static_assert(offsetof(AEffect, resvd2) == 44, "resvd2");
static_assert(offsetof(AEffect, initialDelay) == 48, "initialDelay");
static_assert(offsetof(AEffect, realQualities) == 52, "realQualities");
static_assert(offsetof(AEffect, offQualities) == 56, "offQualities");
static_assert(offsetof(AEffect, ioRatio) == 60, "ioRatio");
static_assert(offsetof(AEffect, object) == 64, "object");
static_assert(offsetof(AEffect, user) == 68, "user");
static_assert(offsetof(AEffect, uniqueID) == 72, "uniqueID");
static_assert(offsetof(AEffect, version) == 76, "version");
static_assert(offsetof(AEffect, processReplacing) == 80, "processReplacing");
static_assert(offsetof(AEffect, future) == 84, "future");
static_assert(sizeof(VstIntPtr) == 4, "VstIntPtr");
#elif defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(AEffect) == 192, "the record is 192 bytes");
static_assert(offsetof(AEffect, magic) == 0, "magic");
static_assert(offsetof(AEffect, dispatcher) == 8, "dispatcher");
static_assert(offsetof(AEffect, process) == 16, "process");
static_assert(offsetof(AEffect, setParameter) == 24, "setParameter");
static_assert(offsetof(AEffect, getParameter) == 32, "getParameter");
static_assert(offsetof(AEffect, numPrograms) == 40, "numPrograms");
static_assert(offsetof(AEffect, numParams) == 44, "numParams");
static_assert(offsetof(AEffect, numInputs) == 48, "numInputs");
static_assert(offsetof(AEffect, numOutputs) == 52, "numOutputs");
static_assert(offsetof(AEffect, flags) == 56, "flags");
static_assert(offsetof(AEffect, resvd1) == 64, "resvd1");
static_assert(offsetof(AEffect, resvd2) == 72, "resvd2");
static_assert(offsetof(AEffect, initialDelay) == 80, "initialDelay");
static_assert(offsetof(AEffect, realQualities) == 84, "realQualities");
static_assert(offsetof(AEffect, offQualities) == 88, "offQualities");
static_assert(offsetof(AEffect, ioRatio) == 92, "ioRatio");
static_assert(offsetof(AEffect, object) == 96, "object");
static_assert(offsetof(AEffect, user) == 104, "user");
static_assert(offsetof(AEffect, uniqueID) == 112, "uniqueID");
static_assert(offsetof(AEffect, version) == 116, "version");
static_assert(offsetof(AEffect, processReplacing) == 120, "processReplacing");
static_assert(offsetof(AEffect, future) == 128, "future");
static_assert(sizeof(VstIntPtr) == 8, "VstIntPtr");
#else
#error "the record's layout is known for x86 and x86-64 only"
#endif

enum AEffectFlags : VstInt32 {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
};

// Requests from the host, answered by AudioEffect::dispatcher.
enum AEffectOpcodes : VstInt32 {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
};

constexpr VstInt32 kEffectIdentity = fourCharCode('N', 'v', 'E', 'f');

// Requests to the host through its callback.
enum AudioMasterOpcodes : VstInt32 {
    audioMasterAutomate = 0,
    audioMasterVersion,
    audioMasterCurrentId,
    audioMasterIdle,
    audioMasterPinConnected,
};
