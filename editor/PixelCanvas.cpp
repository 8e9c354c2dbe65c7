#include "editor/PixelCanvas.h"

#include <algorithm>

#include "editor/DataFont.h"

namespace editor {

namespace {

constexpr std::uint32_t kDataBackground = 0x000000;
constexpr std::uint32_t kDataText = 0x00FF00;

}  // namespace

layout::Area unite(const layout::Area& a, const layout::Area& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

layout::Area intersect(const layout::Area& a, const layout::Area& b) {
    const layout::Area common = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                                 std::min(a.bottom, b.bottom)};
    return common.empty() ? layout::Area{0, 0, 0, 0} : common;
}

void PixelCanvas::clipTo(const layout::Area& area) {
    clip = intersect(area, {0, 0, target.width, target.height});
}

layout::Area PixelCanvas::takeDrawnArea() {
    const layout::Area area = drawn;
    drawn = {0, 0, 0, 0};
    return area;
}

void PixelCanvas::drew(const layout::Area& area) { drawn = unite(drawn, area); }

// A copy from outside the source picture (a missing bitmap is empty) leaves
// those pixels alone, as a copy from a missing GDI bitmap draws nothing.
void PixelCanvas::copyFace(Face face, const layout::Area& to, int sourceX, int sourceY) {
    const Picture& source = skin.face(face);
    const layout::Area area = intersect(to, clip);
    for (int y = area.top; y < area.bottom; ++y) {
        const int sy = sourceY + (y - to.top);
        if (sy < 0 || sy >= source.height) continue;
        for (int x = area.left; x < area.right; ++x) {
            const int sx = sourceX + (x - to.left);
            if (sx >= 0 && sx < source.width) target.at(x, y) = source.at(sx, sy);
        }
    }
    drew(area);
}

// ((window XOR dot) AND mask) XOR dot, as the GDI canvas's three copies
// compute it: the window where the mask is white, the dot where it is black.
void PixelCanvas::drawMarker(int left, int top) {
    const Picture& image = skin.marker;
    const Picture& mask = skin.markerMask;
    if (image.width < layout::kMarkerSize || mask.width < layout::kMarkerSize) return;
    const layout::Area to = {left, top, left + layout::kMarkerSize, top + layout::kMarkerSize};
    const layout::Area area = intersect(to, clip);
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const std::uint32_t dot = image.at(x - left, y - top);
            target.at(x, y) = ((target.at(x, y) ^ dot) & mask.at(x - left, y - top)) ^ dot;
        }
    drew(area);
}

// The box is filled and the text clipped to it, as the GDI canvas does; the
// font's capitals sit one pixel below and right of the text origin, in the
// middle of the box.
void PixelCanvas::drawDataText(const char* text) {
    const layout::Area box = intersect(layout::dataBox, clip);
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) target.at(x, y) = kDataBackground;
    drawDataFontText(target, layout::kDataTextX + 1, layout::kDataTextY + 1, text, kDataText, box);
    drew(box);
}

}  // namespace editor
