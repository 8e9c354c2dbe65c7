#include "editor/SkinPictures.h"

#include <cstring>

// The bitmap files themselves, assembled into read-only data: resources/ is
// the one home of the skin, for the DLL's resources and for this.
#define VELORIN_EMBED(name, file)                                                  \
    __asm__(".pushsection .rodata\n"                                               \
            ".balign 4\n"                                                          \
            ".type velorin_" #name "_bmp, @object\n"                               \
            "velorin_" #name "_bmp:\n"                                             \
            ".incbin \"" VELORIN_RESOURCE_DIR "/" file "\"\n"                      \
            "velorin_" #name "_bmp_end:\n"                                         \
            ".popsection\n");                                                      \
    extern "C" __attribute__((visibility("hidden"))) const unsigned char velorin_##name##_bmp[]; \
    extern "C" __attribute__((visibility("hidden"))) const unsigned char velorin_##name##_bmp_end[];

VELORIN_EMBED(skin, "Skin.bmp")
VELORIN_EMBED(high_pass_off, "HighPassOff.bmp")
VELORIN_EMBED(low_pass_off, "LowPassOff.bmp")
VELORIN_EMBED(phase_plus_off, "PhasePlusOff.bmp")
VELORIN_EMBED(phase_minus_off, "PhaseMinusOff.bmp")
VELORIN_EMBED(clip_off, "ClipOff.bmp")
VELORIN_EMBED(marker, "Marker.bmp")
VELORIN_EMBED(marker_mask, "MarkerMask.bmp")
#undef VELORIN_EMBED

namespace editor {

namespace {

std::uint32_t little32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t little16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

Picture decode(const unsigned char* begin, const unsigned char* end) {
    return decodeBmp(begin, static_cast<std::size_t>(end - begin));
}

}  // namespace

// File header (14 bytes: "BM", size, reserved, offset of the pixels), info
// header (its size, width, height, planes, bits per pixel, compression, ...,
// colours used), colour table, then rows bottom-up, each padded to 4 bytes.
Picture decodeBmp(const unsigned char* file, std::size_t size) {
    Picture picture;
    if (size < 54 || file[0] != 'B' || file[1] != 'M') return picture;
    const std::uint32_t pixelOffset = little32(file + 10);
    const std::uint32_t headerSize = little32(file + 14);
    const std::int32_t width = static_cast<std::int32_t>(little32(file + 18));
    const std::int32_t height = static_cast<std::int32_t>(little32(file + 22));
    const int bits = little16(file + 28);
    if (little32(file + 30) != 0 || width <= 0 || height <= 0 || width > 4096 || height > 4096) return picture;
    if (bits != 4 && bits != 8 && bits != 24) return picture;
    const std::uint32_t used = little32(file + 46);
    const std::uint32_t colours = bits <= 8 ? (used ? used : 1u << bits) : 0;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const unsigned char* table = file + 14 + headerSize;
    if (14 + headerSize + 4 * colours > size || pixelOffset + stride * height > size) return picture;

    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = file + pixelOffset + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t rgb = 0;
            if (bits == 24) {
                const unsigned char* p = row + 3 * x;
                rgb = (p[2] << 16) | (p[1] << 8) | p[0];
            } else {
                const unsigned index = bits == 8 ? row[x] : (x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4);
                if (index < colours) {
                    const unsigned char* entry = table + 4 * index;
                    rgb = (entry[2] << 16) | (entry[1] << 8) | entry[0];
                }
            }
            picture.at(x, y) = rgb;
        }
    }
    return picture;
}

SkinPictures loadSkinPictures() {
    SkinPictures pictures;
    pictures.faces[static_cast<int>(Face::skin)] = decode(velorin_skin_bmp, velorin_skin_bmp_end);
    pictures.faces[static_cast<int>(Face::highPassOff)] = decode(velorin_high_pass_off_bmp, velorin_high_pass_off_bmp_end);
    pictures.faces[static_cast<int>(Face::lowPassOff)] = decode(velorin_low_pass_off_bmp, velorin_low_pass_off_bmp_end);
    pictures.faces[static_cast<int>(Face::phasePlusOff)] =
        decode(velorin_phase_plus_off_bmp, velorin_phase_plus_off_bmp_end);
    pictures.faces[static_cast<int>(Face::phaseMinusOff)] =
        decode(velorin_phase_minus_off_bmp, velorin_phase_minus_off_bmp_end);
    pictures.faces[static_cast<int>(Face::clipOff)] = decode(velorin_clip_off_bmp, velorin_clip_off_bmp_end);
    pictures.marker = decode(velorin_marker_bmp, velorin_marker_bmp_end);
    pictures.markerMask = decode(velorin_marker_mask_bmp, velorin_marker_mask_bmp_end);
    return pictures;
}

}  // namespace editor
