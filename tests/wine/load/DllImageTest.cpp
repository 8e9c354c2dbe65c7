// Reads the built DLL as a file: a PE image for the build's own processor
// (PE32 for i386 in the 32-bit build, PE32+ for x86-64 in the 64-bit one)
// that exports exactly "main" and imports nothing but Windows' own system
// DLLs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tools/PluginLoader.h"

namespace {

class PeImage {
public:
    explicit PeImage(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), {});
    }
    std::uint32_t u32(std::size_t at) const {
        std::uint32_t v = 0;
        if (at + 4 <= bytes.size()) std::memcpy(&v, &bytes[at], 4);
        return v;
    }
    std::uint16_t u16(std::size_t at) const {
        std::uint16_t v = 0;
        if (at + 2 <= bytes.size()) std::memcpy(&v, &bytes[at], 2);
        return v;
    }
    std::size_t peHeader() const { return u32(0x3C); }
    std::size_t optionalHeader() const { return peHeader() + 24; }
    bool isPe32Plus() const { return u16(optionalHeader()) == 0x020B; }
    // Maps a relative virtual address to a file offset through the sections.
    std::size_t offsetOf(std::uint32_t rva) const {
        const std::size_t sections = optionalHeader() + u16(peHeader() + 20);
        for (int i = 0; i < u16(peHeader() + 6); ++i) {
            const std::size_t s = sections + 40 * i;
            const std::uint32_t va = u32(s + 12), size = std::max(u32(s + 8), u32(s + 16)), raw = u32(s + 20);
            if (rva >= va && rva < va + size) return raw + (rva - va);
        }
        return 0;
    }
    std::string stringAt(std::uint32_t rva) const {
        std::size_t at = offsetOf(rva);
        std::string s;
        while (at < bytes.size() && bytes[at]) s += bytes[at++];
        return s;
    }
    // The data directories follow the optional header's fixed part, which
    // PE32+ makes 16 bytes longer (its image base and stack and heap sizes
    // are 64-bit).
    std::uint32_t directory(int index) const { return u32(optionalHeader() + (isPe32Plus() ? 112 : 96) + 8 * index); }

    std::vector<std::string> exports() const {
        std::vector<std::string> names;
        const std::size_t dir = offsetOf(directory(0));
        if (!dir) return names;
        const std::uint32_t count = u32(dir + 24), table = u32(dir + 32);
        // A misread directory must fail the test, not exhaust the memory.
        if (count > bytes.size() / 4) return {"(" + std::to_string(count) + " names?)"};
        for (std::uint32_t i = 0; i < count; ++i) names.push_back(stringAt(u32(offsetOf(table) + 4 * i)));
        return names;
    }
    std::vector<std::string> imports() const {
        std::vector<std::string> names;
        std::size_t at = offsetOf(directory(1));
        while (at && at + 20 <= bytes.size() && u32(at + 12) != 0) {
            std::string name = stringAt(u32(at + 12));
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            names.push_back(name);
            at += 20;
        }
        return names;
    }

    std::vector<char> bytes;
};

// A host loads only a DLL of its own bitness.
TEST(DllImage, IsAWindowsDllForTheBuildsProcessor) {
#if defined(_WIN64)
    const std::uint16_t machine = 0x8664, optionalMagic = 0x020B;  // x86-64, PE32+
#else
    const std::uint16_t machine = 0x014C, optionalMagic = 0x010B;  // i386, PE32
#endif
    PeImage image(builtPluginPath());
    ASSERT_GT(image.bytes.size(), 1024u);
    ASSERT_EQ(image.u32(image.peHeader()), 0x00004550u);  // "PE\0\0"
    EXPECT_EQ(image.u16(image.peHeader() + 4), machine);
    EXPECT_EQ(image.u16(image.optionalHeader()), optionalMagic);
    EXPECT_TRUE(image.u16(image.peHeader() + 22) & 0x2000);  // IMAGE_FILE_DLL
}

TEST(DllImage, ExportsExactlyMain) {
    PeImage image(builtPluginPath());
    EXPECT_EQ(image.exports(), std::vector<std::string>{"main"});
}

TEST(DllImage, ImportsOnlyWindowsSystemDlls) {
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll",
                                          "advapi32.dll", "winmm.dll"};
    PeImage image(builtPluginPath());
    const auto imports = image.imports();
    EXPECT_FALSE(imports.empty());
    for (const auto& name : imports) EXPECT_TRUE(system.count(name)) << "imports " << name;
}

}  // namespace
