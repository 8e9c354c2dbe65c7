// The editor of builds without a window system: it reports the editor's size
// but never opens a window, so notices from the effect have nothing to do.
#include <new>

#include "chorus/ChorusEditorBase.h"
#include "chorus/ChorusEffect.h"
#include "editor/EditorLayout.h"

namespace {

class HeadlessChorusEditor final : public ChorusEditorBase {
public:
    explicit HeadlessChorusEditor(ChorusEffect* effect) : ChorusEditorBase(effect) { effect->setEditor(this); }

    VstInt32 getRect(ERect** rect) override {
        *rect = const_cast<ERect*>(&layout::editorRect);
        return 1;
    }
    VstInt32 open(void*) override { return 0; }
    void parameterChanged(VstInt32, float) override {}
    void programChanged() override {}
};

}  // namespace

ChorusEditorBase* createChorusEditor(ChorusEffect* effect) { return new (std::nothrow) HeadlessChorusEditor(effect); }
