// Where a host finds the fields of the plug-in record, written down as plain
// numbers and independent of the project's own struct: tests read the record
// as raw bytes at these offsets and call its functions through the types
// below, the way a host compiled from other headers does.  The pointer-sized
// integer is the dispatcher's and callback's `value` and result and the two
// reserved fields; everything else is a 32-bit integer, a float or a pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace hostview {

#if defined(_WIN32) && !defined(_WIN64)
#define HOSTVIEW_CDECL __cdecl
#else
#define HOSTVIEW_CDECL
#endif

using IntPtr = std::conditional_t<sizeof(void*) == 8, std::int64_t, std::int32_t>;

using Dispatcher = IntPtr(HOSTVIEW_CDECL*)(void* record, std::int32_t opcode, std::int32_t index, IntPtr value,
                                           void* ptr, float opt);
using HostCallback = IntPtr(HOSTVIEW_CDECL*)(void* record, std::int32_t opcode, std::int32_t index, IntPtr value,
                                             void* ptr, float opt);
using Process = void(HOSTVIEW_CDECL*)(void* record, float** inputs, float** outputs, std::int32_t frames);
using SetParameter = void(HOSTVIEW_CDECL*)(void* record, std::int32_t index, float value);
using GetParameter = float(HOSTVIEW_CDECL*)(void* record, std::int32_t index);

struct Offsets {
    std::size_t size;
    std::size_t magic, dispatcher, process, setParameter, getParameter;
    std::size_t numPrograms, numParams, numInputs, numOutputs, flags;
    std::size_t resvd1, resvd2, initialDelay, realQualities, offQualities, ioRatio;
    std::size_t object, user, uniqueID, version, processReplacing, future;
};

constexpr Offsets kOffsets32 = {144, 0,  4,  8,  12, 16, 20, 24, 28, 32, 36,
                                40,  44, 48, 52, 56, 60, 64, 68, 72, 76, 80, 84};
constexpr Offsets kOffsets64 = {192, 0,  8,  16, 24, 32, 40, 44,  48,  52,  56,
                                64,  72, 80, 84, 88, 92, 96, 104, 112, 116, 120, 128};
constexpr const Offsets& kOffsets = sizeof(void*) == 8 ? kOffsets64 : kOffsets32;
constexpr std::size_t kFutureBytes = 60;

template <typename T>
T read(const void* record, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}

inline std::int32_t int32At(const void* record, std::size_t offset) { return read<std::int32_t>(record, offset); }
inline IntPtr intPtrAt(const void* record, std::size_t offset) { return read<IntPtr>(record, offset); }
inline void* pointerAt(const void* record, std::size_t offset) { return read<void*>(record, offset); }

inline IntPtr dispatch(void* record, std::int32_t opcode, std::int32_t index = 0, IntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
    return read<Dispatcher>(record, kOffsets.dispatcher)(record, opcode, index, value, ptr, opt);
}

constexpr bool k64Bit = sizeof(void*) == 8;

// A pointer-sized value whose low 32 bits alone would be a plausible number
// (`low`): what a host cutting a 64-bit value to 32 bits would see.
inline IntPtr withHighBits(std::int32_t low) {
    return k64Bit ? static_cast<IntPtr>((std::uint64_t{1} << 32) | static_cast<std::uint32_t>(low)) : low;
}

}  // namespace hostview
