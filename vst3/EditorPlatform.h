// What the module of each system hands the VST 3 plug-in for its editor:
// the window system's backend, the platform type of window a host gives
// it, and on Linux the descriptor of the backend's display connection,
// which the host's run loop watches.
#pragma once

#include "editor/EditorBackend.h"

namespace vst3 {

struct EditorPlatform {
    editor::EditorBackend* (*makeBackend)();
    const char* windowType;  // "HWND", "X11EmbedWindowID"
    // -1 where the backend needs no watching, or has no connection open.
    int (*eventDescriptor)(editor::EditorBackend& backend);
};

}  // namespace vst3
