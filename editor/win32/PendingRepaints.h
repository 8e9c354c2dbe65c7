// Areas of the editor window that a thread other than the window's asked
// to be painted again: the host's audio thread automating a parameter, for
// one.  Marking an area is a few atomic operations, with no call into the
// window system and nothing that waits for the window's thread; the
// window's thread takes the marks at its next timer tick or idle call and
// asks the window system for the repaints then.
//
// Each mark is one word: the area and whether it is erased.  A mark already
// there is not added twice, so a knob automated a thousand times between
// two ticks takes one slot; the editor has fewer distinct areas than slots,
// and should the slots ever be full the whole window is repainted.
#pragma once

#include <atomic>
#include <cstdint>

#include "editor/EditorLayout.h"

namespace editor {

class PendingRepaints {
public:
    // Any thread.  The release pairs with take's acquire: the window's
    // thread paints at least the values stored before the mark.
    void mark(const layout::Area& area, bool erase) {
        const std::uint64_t word = pack(area, erase);
        for (std::atomic<std::uint64_t>& slot : slots) {
            std::uint64_t held = slot.load(std::memory_order_relaxed);
            if (held == 0 && slot.compare_exchange_strong(held, word, std::memory_order_release,
                                                          std::memory_order_relaxed))
                return;
            if (held == word) return;
        }
        wholeWindow.store(true, std::memory_order_release);
    }

    // The window's thread: ask(area, erase) for every mark, which is gone
    // afterwards.
    template <typename Ask>
    void take(Ask ask) {
        for (std::atomic<std::uint64_t>& slot : slots) {
            const std::uint64_t word = slot.exchange(0, std::memory_order_acquire);
            if (word) ask(unpack(word), (word & kErase) != 0);
        }
        if (wholeWindow.exchange(false, std::memory_order_acquire))
            ask(layout::Area{0, 0, layout::kWidth, layout::kHeight}, true);
    }

private:
    static constexpr int kSlots = 16;
    static constexpr std::uint64_t kMarked = std::uint64_t{1} << 62;  // no mark is 0
    static constexpr std::uint64_t kErase = std::uint64_t{1} << 63;

    // Four coordinates of 15 bits each: the window is 300 × 200.
    static std::uint64_t pack(const layout::Area& a, bool erase) {
        const auto field = [](int v) { return static_cast<std::uint64_t>(v < 0 ? 0 : v > 0x7FFF ? 0x7FFF : v); };
        return kMarked | (erase ? kErase : 0) | field(a.left) | field(a.top) << 15 | field(a.right) << 30 |
               field(a.bottom) << 45;
    }
    static layout::Area unpack(std::uint64_t word) {
        const auto field = [word](int shift) { return static_cast<int>(word >> shift & 0x7FFF); };
        return {field(0), field(15), field(30), field(45)};
    }

    std::atomic<std::uint64_t> slots[kSlots] = {};
    std::atomic<bool> wholeWindow{false};
};

}  // namespace editor
