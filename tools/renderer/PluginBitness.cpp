#include "tools/renderer/PluginBitness.h"

#include <cstdint>
#include <cstdio>
#include <fstream>

#include "tools/renderer/RenderError.h"

namespace {

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineX64 = 0x8664;
#if defined(_WIN64)
constexpr std::uint16_t kOwnMachine = kMachineX64;
#else
constexpr std::uint16_t kOwnMachine = kMachineI386;
#endif

std::string bitnessOf(std::uint16_t machine) { return machine == kMachineX64 ? "64-bit" : "32-bit"; }

template <typename T>
bool readAt(std::ifstream& file, std::streamoff offset, T& value) {
    unsigned char bytes[sizeof(T)];
    if (!file.seekg(offset) || !file.read(reinterpret_cast<char*>(bytes), sizeof bytes)) return false;
    value = 0;
    for (std::size_t i = sizeof bytes; i-- > 0;) value = static_cast<T>((value << 8) | bytes[i]);
    return true;
}

}  // namespace

void requireSameBitness(const std::string& dllPath) {
    std::ifstream file(dllPath, std::ios::binary);
    std::uint16_t mz = 0, machine = 0;
    std::uint32_t peOffset = 0, signature = 0;
    if (!readAt(file, 0, mz) || mz != 0x5A4D) return;  // "MZ"
    if (!readAt(file, 0x3C, peOffset) || !readAt(file, peOffset, signature) || signature != 0x00004550) return;
    if (!readAt(file, peOffset + 4, machine) || machine == kOwnMachine) return;
    const std::string own = bitnessOf(kOwnMachine);
    if (machine != kMachineI386 && machine != kMachineX64) {
        char type[8];
        std::snprintf(type, sizeof type, "0x%04X", static_cast<unsigned>(machine));
        throw RenderError("plug-in '" + dllPath + "' is a DLL for machine type " + type +
                          ", which this " + own + " velorin-render.exe cannot load");
    }
    const std::string other = bitnessOf(machine);
    throw RenderError("plug-in '" + dllPath + "' is a " + other + " DLL and this velorin-render.exe is " + own +
                      ": use the " + other + " velorin-render.exe (build/" + (machine == kMachineX64 ? "win64" : "win32") +
                      "/bin)");
}
