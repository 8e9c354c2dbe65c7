// The effect's side of its coupling with the editor: the two notices it
// sends.  The editor library supplies the implementation (a Win32 window in
// the DLL, a window-less stand-in in the native build).
#pragma once

#include "editor/AEffEditor.h"

class ChorusEffect;

class ChorusEditorBase : public AEffEditor {
public:
    using AEffEditor::AEffEditor;

    // Called as the last step of every setParameter, on whatever thread set
    // the value: repaint that parameter's control if the window is shown.
    virtual void parameterChanged(VstInt32 index, float value) = 0;

    // Called after every program change: repaint the whole window if open.
    virtual void programChanged() = 0;
};

// Creates the editor for an effect; the editor attaches itself with setEditor.
// Null when it cannot be made.
ChorusEditorBase* createChorusEditor(ChorusEffect* effect);
