// A window system under the editor: the window inside the host's, its
// events delivered to the editor core, and the core's window services
// (EditorWindow).  Win32 (editor/win32) and X11 (editor/x11) implement it;
// the plug-in's assembly chooses one.  A host may close the editor inside
// any call that an event leads to: a backend stops handling the event when
// the core answers that its window is no longer open, and tells the core
// of a close only after its window is gone (EditorCore.h).
#pragma once

#include "editor/EditorCore.h"
#include "editor/EditorWindow.h"

namespace editor {

class EditorBackend : public EditorWindow {
public:
    virtual ~EditorBackend() = default;

    // A kWidth x kHeight window inside the host's `parent` (a window handle
    // of the platform's kind), its events delivered to `core`; false when
    // none can be made.  Opening an open window keeps it.
    virtual bool open(void* parent, EditorCore& core) = 0;
    // Takes the window down; safe when the host destroyed it already, and
    // when nothing is open.
    virtual void close() = 0;
    // The host's regular call on the window's thread.
    virtual void idle() = 0;
    // The effect is closed with the window still shown: the platform's
    // farewell, where it has one.  The core's events stop meanwhile.
    virtual void sayFarewell() = 0;
};

}  // namespace editor
