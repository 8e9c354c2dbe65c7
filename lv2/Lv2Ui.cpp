#include "lv2/Lv2Ui.h"

#include <cstdint>
#include <cstring>

static_assert(lv2port::kClipHoldMilliseconds >= editor::EditorCore::kClipTickMilliseconds,
              "the clip port holds a clip for at least the indicator's period");

LV2UI_Widget Lv2Ui::widget() const {
    return reinterpret_cast<LV2UI_Widget>(static_cast<std::uintptr_t>(window.windowId()));
}

// Control ports arrive as floats (format 0); anything else is not ours.
void Lv2Ui::portEvent(std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format, const void* buffer) {
    if (format != 0 || bufferSize != sizeof(float) || !buffer) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    const int parameter = model.portEvent(port, value);
    if (parameter >= 0) core.parameterChanged(parameter);
}

int Lv2Ui::idle() {
    ++idleCalls;
    window.idle();
    --idleCalls;
    if (!destroyed) return window.windowId() ? 0 : 1;
    if (idleCalls == 0) delete this;
    return 1;
}

void Lv2Ui::destroy() {
    window.close();
    if (idleCalls > 0)
        destroyed = true;
    else
        delete this;
}
