// The LV2 UI's one export, lv2ui_descriptor, and the C functions a host
// calls through it.  The UI needs the host's parent window and idle calls,
// takes the resize and touch features when the host offers them, and no
// instance access: it talks to the plug-in through ports only.
#include <lv2/ui/ui.h>

#include <cstring>
#include <new>

#include "editor/EditorLayout.h"
#include "lv2/Lv2Ui.h"
#include "lv2/Lv2Uri.h"

namespace {

Lv2Ui* instanceOf(LV2UI_Handle handle) { return static_cast<Lv2Ui*>(handle); }

const void* feature(const LV2_Feature* const* features, const char* uri) {
    for (const LV2_Feature* const* f = features; f && *f; ++f)
        if (std::strcmp((*f)->URI, uri) == 0) return (*f)->data;
    return nullptr;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    if (!pluginUri || std::strcmp(pluginUri, lv2uri::kPlugin) != 0 || !write || !widget) return nullptr;
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (!parent) return nullptr;
    const auto* touch = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch));
    Lv2Ui* ui = new (std::nothrow) Lv2Ui(write, controller, touch);
    if (!ui) return nullptr;
    if (!ui->open(parent)) {
        ui->destroy();
        return nullptr;
    }
    if (const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize)))
        resize->ui_resize(resize->handle, layout::kWidth, layout::kHeight);
    *widget = ui->widget();
    return ui;
}

void cleanup(LV2UI_Handle handle) { instanceOf(handle)->destroy(); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer) {
    instanceOf(handle)->portEvent(port, bufferSize, format, buffer);
}

int idle(LV2UI_Handle handle) { return instanceOf(handle)->idle(); }

const LV2UI_Idle_Interface idleInterface = {idle};

const void* extensionData(const char* uri) {
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

const LV2UI_Descriptor descriptor = {lv2uri::kUi, instantiate, cleanup, portEvent, extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
