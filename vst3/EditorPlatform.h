// What the module of each system hands the VST 3 plug-in: for its editor,
// the window system's backend, the platform type of window a host gives
// it, and on Linux the descriptor of the backend's display connection,
// which the host's run loop watches; and a timer on the host's UI thread,
// which tells the host what the audio thread changed with no editor open.
#pragma once

#include "editor/EditorBackend.h"

namespace vst3 {

struct EditorPlatform {
    editor::EditorBackend* (*makeBackend)();
    const char* windowType;  // "HWND", "X11EmbedWindowID"
    // -1 where the backend needs no watching, or has no connection open.
    int (*eventDescriptor)(editor::EditorBackend& backend);
    // On the calling thread, which runs the system's event loop: calls
    // tick(context) about every `milliseconds` until stopped; null when it
    // cannot.  Null functions where the system has no such timer for a
    // plug-in (Linux: the host's run loop serves instead).
    void* (*startTimer)(void (*tick)(void*), void* context, unsigned milliseconds);
    void (*stopTimer)(void* timer);
};

}  // namespace vst3
