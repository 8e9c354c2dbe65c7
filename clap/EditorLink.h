// The CLAP plug-in's editor as the effect and the editor core see it: the
// effect's editor (its notices of parameter and program changes reach the
// core), and the core's model of the effect, whose edits go through the
// plug-in to its host.  The gui extension (EditorGui) opens and closes the
// window.
#pragma once

#include "chorus/ChorusEditorBase.h"
#include "editor/EditorBackend.h"
#include "editor/EditorCore.h"
#include "editor/EditorModel.h"

class ChorusEffect;

namespace clap {

class ClapChorus;

class EditorLink final : public ChorusEditorBase, private editor::EditorModel {
public:
    // Takes `backend`, which it deletes.
    EditorLink(ClapChorus& plugin, editor::EditorBackend* backend);
    ~EditorLink() override;

    bool openWindow(void* parent) { return backend->open(parent, core); }
    void closeWindow() { backend->close(); }
    void idleWindow() { backend->idle(); }
    editor::EditorBackend& windowBackend() { return *backend; }

    // The effect's notices.
    void parameterChanged(VstInt32 index, float value) override;
    void programChanged() override;
    // The CLAP plug-in closes silently, its window with it.
    void effectClosing() override { backend->close(); }

private:
    // editor::EditorModel
    float value(int parameter) override;
    void valueText(int parameter, char* text, int capacity) override;
    void beginGesture(int parameter) override;
    void gestureValue(int parameter, float value) override;
    void endGesture(int parameter) override;
    void pressValue(int parameter, float value) override;
    bool takeClip() override;

    ClapChorus& plugin;
    ChorusEffect& effect;
    editor::EditorBackend* backend;
    editor::EditorCore core;
};

}  // namespace clap
