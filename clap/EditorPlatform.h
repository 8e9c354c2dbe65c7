// What the module of each system hands the CLAP plug-in for its editor:
// the window system's backend, the name of the window system as the
// format knows it, and on Linux the descriptor of the backend's display
// connection, which the host watches for the plug-in.
#pragma once

#include "editor/EditorBackend.h"

namespace clap {

struct EditorPlatform {
    editor::EditorBackend* (*makeBackend)();
    const char* windowApi;  // "win32", "x11"
    // Whether the window needs the host's timer and descriptor watching
    // (X11, whose events nobody delivers to us), or runs on the host's
    // message loop by itself (Win32).
    bool needsHostLoop;
    // -1 where the backend has no connection open.
    int (*eventDescriptor)(editor::EditorBackend& backend);
};

}  // namespace clap
