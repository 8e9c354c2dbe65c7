// What the effect needs of its editor: the editor base class, and the two
// notices the effect sends it.  Whoever assembles the plug-in makes the
// editor (a window in the DLL, none at all in the native builds) and hands it
// to the effect with ChorusEffect::attachEditor; the effect's library never
// links editor code.
#pragma once

#include "host/AEffEditor.h"

class ChorusEditorBase : public AEffEditor {
public:
    using AEffEditor::AEffEditor;

    // Called as the last step of every setParameter, on whatever thread set
    // the value: repaint that parameter's control if the window is shown.
    virtual void parameterChanged(VstInt32 index, float value) = 0;

    // Called after every program change: repaint the whole window if open.
    virtual void programChanged() = 0;

    // Called first thing when the effect is being destroyed, while it is
    // still whole: the editor's last chance to show it, after which nothing
    // of the editor may call the effect again.
    virtual void effectClosing() = 0;
};
