// The plug-in's editor as the VST host sees it: the editor core on a
// window system's backend, showing the chorus effect through
// ChorusEffectModel.  The host reaches it through the effect's dispatcher
// (getRect, open, close, idle), the effect through its notices
// (ChorusEditorBase).  Portable: the window system is the backend's.
#pragma once

#include "chorus/ChorusEditorBase.h"
#include "editor/ChorusEffectModel.h"
#include "editor/EditorBackend.h"
#include "editor/EditorCore.h"

class ChorusEffect;

class ChorusEditor final : public ChorusEditorBase {
public:
    // Takes `backend`, which it deletes; both must exist.
    ChorusEditor(ChorusEffect* effect, editor::EditorBackend* backend);
    ~ChorusEditor() override;

    VstInt32 getRect(ERect** rect) override;
    VstInt32 open(void* parentWindow) override;
    void close() override;
    void idle() override;
    void update() override;

    void parameterChanged(VstInt32 index, float value) override;
    void programChanged() override;
    void effectClosing() override;

private:
    editor::ChorusEffectModel model;
    editor::EditorBackend* backend;
    editor::EditorCore core;
};

// What a plug-in's entry point makes: the chorus effect with its editor on
// the backend that `makeBackend` makes.  Null, with nothing left behind,
// when the effect, its delay line, the backend or the editor cannot be had.
AudioEffect* createChorusWithEditor(audioMasterCallback audioMaster, editor::EditorBackend* (*makeBackend)());
