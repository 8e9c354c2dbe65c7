// The committed artwork against the resource script and the layout: every
// bitmap the script names exists with its size and depth, every BMP file is
// named, and the pictures put each control where the editor expects it.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "editor/EditorLayout.h"
#include "editor/win32/SkinResourceIds.h"

namespace {

const std::filesystem::path kResources = std::filesystem::path(VELORIN_SOURCE_DIR) / "resources";

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Resource number -> file name, from the bitmap lines of the script.
std::map<int, std::string> bitmapsOfScript() {
    const std::string script = readFile(kResources / "Velorin2.rc");
    std::map<int, std::string> bitmaps;
    const std::regex line(R"((\d+)\s+BITMAP\s+\"([^\"]+)\")");
    for (auto it = std::sregex_iterator(script.begin(), script.end(), line); it != std::sregex_iterator(); ++it)
        bitmaps[std::stoi((*it)[1])] = (*it)[2];
    return bitmaps;
}

struct Rgb {
    int r, g, b;
};

// A bitmap file as the resource compiler takes it: uncompressed, bottom-up.
struct Bitmap {
    int width = 0;
    int height = 0;
    int bits = 0;
    int compression = -1;
    std::vector<Rgb> palette;
    std::string data;
    std::uint32_t pixelOffset = 0;

    static std::uint32_t u32(const std::string& d, size_t at) {
        return static_cast<std::uint8_t>(d[at]) | static_cast<std::uint8_t>(d[at + 1]) << 8 |
               static_cast<std::uint8_t>(d[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(d[at + 3])) << 24;
    }
    explicit Bitmap(const std::filesystem::path& path) : data(readFile(path)) {
        if (data.size() < 54 || data.compare(0, 2, "BM") != 0) return;
        pixelOffset = u32(data, 10);
        width = static_cast<std::int32_t>(u32(data, 18));
        height = static_cast<std::int32_t>(u32(data, 22));
        bits = static_cast<std::uint8_t>(data[28]) | static_cast<std::uint8_t>(data[29]) << 8;
        compression = static_cast<int>(u32(data, 30));
        if (bits <= 8)
            for (int i = 0; i < (1 << bits); ++i) {
                const size_t at = 54 + 4 * i;
                palette.push_back({static_cast<std::uint8_t>(data[at + 2]), static_cast<std::uint8_t>(data[at + 1]),
                                   static_cast<std::uint8_t>(data[at])});
            }
    }
    Rgb at(int x, int y) const {
        const int rowBytes = ((width * bits + 31) / 32) * 4;
        const size_t row = pixelOffset + static_cast<size_t>(height - 1 - y) * rowBytes;
        if (bits == 24) {
            const size_t p = row + 3 * x;
            return {static_cast<std::uint8_t>(data[p + 2]), static_cast<std::uint8_t>(data[p + 1]),
                    static_cast<std::uint8_t>(data[p])};
        }
        const std::uint8_t byte = static_cast<std::uint8_t>(data[row + x / 2]);
        return palette[x % 2 ? byte & 15 : byte >> 4];
    }
};

bool isGrey(Rgb c) { return std::abs(c.r - c.g) < 12 && std::abs(c.g - c.b) < 12 && c.r > 60 && c.r < 170; }
bool isOrange(Rgb c) { return c.r > 200 && c.g > 90 && c.g < 190 && c.b < 110; }
bool isDarkOrange(Rgb c) { return c.r > 120 && c.r < 220 && c.g < 90 && c.b < 40; }
bool isBlue(Rgb c) { return c.b > 200 && c.r < 110 && c.g < 120; }

std::ostream& operator<<(std::ostream& out, Rgb c) { return out << '(' << c.r << ',' << c.g << ',' << c.b << ')'; }

TEST(SkinArtwork, ScriptNamesEveryBitmapWithItsSizeAndDepth) {
    struct Expected {
        int id, width, height, bits;
    };
    const Expected expected[] = {
        {editor::kSkinBitmap, 300, 200, 24},       {editor::kHighPassOffBitmap, 36, 18, 24},
        {editor::kLowPassOffBitmap, 36, 18, 24},   {editor::kPhasePlusOffBitmap, 36, 18, 24},
        {editor::kPhaseMinusOffBitmap, 36, 18, 24}, {editor::kClipOffBitmap, 22, 22, 24},
        {editor::kMarkerBitmap, 8, 8, 4},          {editor::kMarkerMaskBitmap, 8, 8, 4},
    };
    const std::map<int, std::string> bitmaps = bitmapsOfScript();
    EXPECT_EQ(bitmaps.size(), std::size(expected));
    for (const Expected& e : expected) {
        ASSERT_EQ(bitmaps.count(e.id), 1u) << "resource " << e.id;
        const Bitmap bitmap(kResources / bitmaps.at(e.id));
        EXPECT_EQ(bitmap.width, e.width) << bitmaps.at(e.id);
        EXPECT_EQ(bitmap.height, e.height) << bitmaps.at(e.id);
        EXPECT_EQ(bitmap.bits, e.bits) << bitmaps.at(e.id);
        EXPECT_EQ(bitmap.compression, 0) << bitmaps.at(e.id);
    }
}

TEST(SkinArtwork, EveryBitmapFileIsNamedByTheScript) {
    std::map<std::string, int> named;
    for (const auto& [id, file] : bitmapsOfScript()) named[file] = id;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kResources)) {
        if (entry.path().extension() != ".bmp") continue;
        ++files;
        EXPECT_EQ(named.count(entry.path().filename().string()), 1u) << entry.path().filename();
    }
    EXPECT_EQ(files, 8);
}

TEST(SkinArtwork, MarkerMaskIsExactlyTheGivenShape) {
    const std::map<int, std::string> bitmaps = bitmapsOfScript();
    const Bitmap mask(kResources / bitmaps.at(editor::kMarkerMaskBitmap));
    const Bitmap marker(kResources / bitmaps.at(editor::kMarkerBitmap));
    ASSERT_EQ(mask.width, 8);
    ASSERT_EQ(marker.width, 8);
    const char* rows[] = {"WWBBBBWW", "WBBBBBBW", "BBBBBBBB", "BBBBBBBB",
                          "BBBBBBBB", "BBBBBBBB", "WBBBBBBW", "WWBBBBWW"};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const Rgb m = mask.at(x, y);
            const Rgb dot = marker.at(x, y);
            ASSERT_EQ(rows[y][x], layout::markerMaskRows[y][x]);
            if (rows[y][x] == 'W') {
                EXPECT_TRUE(m.r == 255 && m.g == 255 && m.b == 255) << x << ", " << y;
                // Black outside the dot, so the transparent copy leaves the knob alone there.
                EXPECT_TRUE(dot.r == 0 && dot.g == 0 && dot.b == 0) << x << ", " << y;
            } else {
                EXPECT_TRUE(m.r == 0 && m.g == 0 && m.b == 0) << x << ", " << y;
                EXPECT_GT(dot.r, 90) << x << ", " << y;  // a visible grey on the knob
                EXPECT_EQ(dot.r, dot.g);
                EXPECT_EQ(dot.g, dot.b);
            }
        }
}

TEST(SkinArtwork, ControlsSitWhereTheLayoutPutsThem) {
    const std::map<int, std::string> bitmaps = bitmapsOfScript();
    const Bitmap skin(kResources / bitmaps.at(editor::kSkinBitmap));
    ASSERT_EQ(skin.width, 300);
    for (const layout::KnobCircle& knob : layout::knobCircles) {
        EXPECT_TRUE(isGrey(skin.at(knob.centreX, knob.centreY))) << skin.at(knob.centreX, knob.centreY);
        // The marker's whole path lies on the knob body.
        EXPECT_TRUE(isGrey(skin.at(knob.centreX - 9, knob.centreY))) << "knob " << knob.parameter;
        EXPECT_TRUE(isGrey(skin.at(knob.centreX, knob.centreY - 9))) << "knob " << knob.parameter;
        EXPECT_TRUE(isBlue(skin.at(knob.centreX, knob.centreY + 22))) << "knob " << knob.parameter;
    }
    // Lit buttons in the skin, dark ones in their own bitmaps; a point near
    // the corner, away from the icon.
    const std::pair<layout::Area, int> buttons[] = {
        {layout::highPassButton, editor::kHighPassOffBitmap},
        {layout::lowPassButton, editor::kLowPassOffBitmap},
        {layout::phasePlusButton, editor::kPhasePlusOffBitmap},
        {layout::phaseMinusButton, editor::kPhaseMinusOffBitmap},
    };
    for (const auto& [area, id] : buttons) {
        EXPECT_TRUE(isOrange(skin.at(area.left + 4, area.top + 9))) << skin.at(area.left + 4, area.top + 9);
        const Bitmap dark(kResources / bitmaps.at(id));
        EXPECT_TRUE(isDarkOrange(dark.at(4, 9))) << dark.at(4, 9);
        // The icon is light on both faces.
        const Rgb litIcon = skin.at(area.left + 18, area.top + 9);
        const Rgb darkIcon = dark.at(18, 9);
        EXPECT_GT(litIcon.g, 200) << litIcon;
        EXPECT_GT(darkIcon.g, 150) << darkIcon;
        EXPECT_LT(std::abs(darkIcon.r - darkIcon.b), 40) << darkIcon;
    }
    const layout::Area clip = layout::clipIndicator;
    const Rgb lit = skin.at(clip.left + 12, clip.top + 12);
    EXPECT_TRUE(lit.r > 150 && lit.g < 60 && lit.b < 60) << lit;
    const Bitmap clipOff(kResources / bitmaps.at(editor::kClipOffBitmap));
    const Rgb off = clipOff.at(12, 12);
    EXPECT_TRUE(off.r < 110 && off.r > off.g && off.g < 40) << off;
    for (int y = layout::dataBox.top; y < layout::dataBox.bottom; ++y)
        for (int x = layout::dataBox.left; x < layout::dataBox.right; ++x) {
            const Rgb c = skin.at(x, y);
            ASSERT_TRUE(c.r == 0 && c.g == 0 && c.b == 0) << x << ", " << y;
        }
}

}  // namespace
