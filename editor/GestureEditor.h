// The editor of a plug-in whose host hears edits as gestures (VST 3,
// CLAP): the effect's editor, whose notices of parameter and program
// changes reach the core, and the core's model of the effect, whose edits
// go through the format's bridge to its host.  The bridge opens and closes
// the window as its host asks (a VST 3 view, a CLAP gui).
#pragma once

#include "chorus/ChorusEditorBase.h"
#include "editor/EditorBackend.h"
#include "editor/EditorCore.h"
#include "editor/EditorModel.h"

class ChorusEffect;

namespace editor {

// What a format's bridge does with the editor's edits, on the host's UI
// thread: sets the effect at once, as the VST 2 plug-in does, and tells its
// host.  A host may close the editor inside any of them.
class GestureHost {
public:
    virtual void editBegin(int index) = 0;
    virtual void editValue(int index, float value) = 0;
    virtual void editEnd(int index) = 0;

protected:
    ~GestureHost() = default;
};

class GestureEditor final : public ChorusEditorBase, private EditorModel {
public:
    // The editor on the backend that `makeBackend` makes, handed to
    // `effect`, which then owns it; null, with nothing left behind, when
    // the backend or the editor cannot be had.
    static GestureEditor* attach(ChorusEffect& effect, GestureHost& host, EditorBackend* (*makeBackend)());
    ~GestureEditor() override;

    bool openWindow(void* parent) { return backend->open(parent, core); }
    void closeWindow() { backend->close(); }
    void idleWindow() { backend->idle(); }
    EditorBackend& windowBackend() { return *backend; }

    // The effect's notices.
    void parameterChanged(VstInt32 index, float value) override;
    void programChanged() override;
    // These plug-ins close silently, their window with them: the farewell
    // box is the VST 2 DLL's own.
    void effectClosing() override { backend->close(); }

private:
    // Takes `backend`, which it deletes.
    GestureEditor(ChorusEffect& effect, GestureHost& host, EditorBackend* backend);

    // EditorModel
    float value(int parameter) override;
    void valueText(int parameter, char* text, int capacity) override;
    void beginGesture(int parameter) override;
    void gestureValue(int parameter, float value) override;
    void endGesture(int parameter) override;
    void pressValue(int parameter, float value) override;
    bool takeClip() override;

    ChorusEffect& effect;
    GestureHost& host;
    EditorBackend* backend;
    EditorCore core;
};

}  // namespace editor
