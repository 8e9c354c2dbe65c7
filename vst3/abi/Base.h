// The VST 3 binary interface, declared here from its public description:
// the basic types, the result codes, the 16-byte ids and FUnknown, from
// which every interface derives.  An interface is a class of pure virtual
// methods and nothing else, so that its object starts with a pointer to a
// table of the methods in their declared order: the layout COM uses, which
// is what hosts expect on every platform.  tests/vst3 checks the sizes,
// offsets, ids and method slots against the format's own headers.
#pragma once

#include <cstdint>
#include <cstring>

// The methods' calling convention: stdcall on Windows (the COM convention;
// it matters in 32-bit code only), the platform's own elsewhere.
#if defined(_WIN32)
#define VST3_CALL __stdcall
#else
#define VST3_CALL
#endif

namespace vst3 {

using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using tresult = std::int32_t;
using TBool = std::uint8_t;
using char16 = char16_t;
using String128 = char16[128];
using FIDString = const char*;
using TUID = char[16];

// Results: Windows uses COM's HRESULTs, other systems small numbers.
#if defined(_WIN32)
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// An id as it is written: four 32-bit words.  Its sixteen bytes differ by
// system: Windows lays out the first word and the two halves of the second
// as a GUID does (least significant byte first), other systems write all
// four words most significant byte first.
struct Uid {
    uint32 l1, l2, l3, l4;
};

struct UidBytes {
    char bytes[16];
};

constexpr UidBytes bytesOf(const Uid& id) {
    UidBytes b{};
    const uint32 words[4] = {id.l1, id.l2, id.l3, id.l4};
    for (int w = 0; w < 4; ++w)
        for (int i = 0; i < 4; ++i) b.bytes[w * 4 + i] = static_cast<char>(words[w] >> (24 - 8 * i) & 0xFF);
#if defined(_WIN32)
    const auto byte = [&](int w, int shift) { return static_cast<char>(words[w] >> shift & 0xFF); };
    b.bytes[0] = byte(0, 0);
    b.bytes[1] = byte(0, 8);
    b.bytes[2] = byte(0, 16);
    b.bytes[3] = byte(0, 24);
    b.bytes[4] = byte(1, 16);
    b.bytes[5] = byte(1, 24);
    b.bytes[6] = byte(1, 0);
    b.bytes[7] = byte(1, 8);
#endif
    return b;
}

inline bool sameUid(const char* bytes, const Uid& id) {
    const UidBytes expected = bytesOf(id);
    return bytes && std::memcmp(bytes, expected.bytes, 16) == 0;
}

inline void copyUid(const Uid& id, char* bytes) {
    const UidBytes b = bytesOf(id);
    std::memcpy(bytes, b.bytes, 16);
}

struct FUnknown {
    static constexpr Uid iid = {0x00000000, 0x00000000, 0xC0000000, 0x00000046};
    virtual tresult VST3_CALL queryInterface(const TUID iid, void** object) = 0;
    virtual uint32 VST3_CALL addRef() = 0;
    virtual uint32 VST3_CALL release() = 0;
};

// A host's or plug-in's stream of bytes: reads and writes may move fewer
// bytes than asked.
struct IBStream : FUnknown {
    static constexpr Uid iid = {0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B};
    enum SeekMode : int32 { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };
    virtual tresult VST3_CALL read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
    virtual tresult VST3_CALL write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;
    virtual tresult VST3_CALL seek(int64 position, int32 mode, int64* result) = 0;
    virtual tresult VST3_CALL tell(int64* position) = 0;
};

// What the component and the controller share: the host's context on
// creation, and an end before release.
struct IPluginBase : FUnknown {
    static constexpr Uid iid = {0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625};
    virtual tresult VST3_CALL initialize(FUnknown* context) = 0;
    virtual tresult VST3_CALL terminate() = 0;
};

}  // namespace vst3
