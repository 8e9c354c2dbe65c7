// The editor's X11 window: a 300 x 200 child of the host's window, on a
// display connection of its own, showing a picture that the editor core
// draws into memory (PixelCanvas) with XPutImage.  Everything X happens in
// open, idle and close, on the host's UI thread; the host calls idle
// regularly, and idle handles the window's events, the repaints that were
// asked for and the clip indicator's tick.
//
// Rules of a plug-in's window in someone else's process: no global state,
// so that several instances live side by side; never XInitThreads (the
// host decides); and a host that destroyed the parent window first must not
// be brought down by the errors our requests then cause, so our
// connection takes every error of its own, whenever it arrives, and leaves
// everyone else's to the host's own handler.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "editor/EditorBackend.h"
#include "editor/PixelCanvas.h"
#include "editor/SkinPictures.h"

typedef struct _XDisplay Display;
typedef struct _XImage XImage;
typedef struct _XGC* GC;
union _XEvent;

namespace editor {

class X11EditorWindow final : public EditorBackend {
public:
    X11EditorWindow() = default;
    ~X11EditorWindow() override;
    X11EditorWindow(const X11EditorWindow&) = delete;
    X11EditorWindow& operator=(const X11EditorWindow&) = delete;

    // `parent` carries the host's X11 window id.
    bool open(void* parent, EditorCore& core) override;
    void close() override;
    void idle() override;
    // Linux has no dialog that a plug-in may pop up from a host's close.
    void sayFarewell() override {}

    // From any thread: the area joins those that the next idle paints.
    void invalidate(const layout::Area& area, bool erase) override;
    // X gives the window every pointer event while a button held down on
    // it stays down; the drag ends with the release, or with the first
    // move without the button, the window's or the parent's unmapping or
    // destruction, or close.
    void captureMouse() override {}
    void releaseMouse() override {}
    EditorCanvas* beginDrawing() override;
    void endDrawing(EditorCanvas* canvas) override;

    // The window's id, 0 while none is open.
    unsigned long windowId() const { return window; }
    // The descriptor of the display connection, for a host's run loop to
    // watch; -1 while none is open.
    int connectionNumber() const;

private:
    // False when the host closed the editor inside a call that the event
    // led to: nothing of this object may be touched for it any more.
    bool handle(_XEvent& event);
    void takeLaterMoves(_XEvent& event);
    void paintPending();
    void show(const layout::Area& area);
    void releaseConnection();

    Display* display = nullptr;
    unsigned long window = 0;  // 0 once the host has destroyed it
    GC gc = nullptr;
    XImage* image = nullptr;
    std::uint32_t* imagePixels = nullptr;  // the image's own memory
    std::uint32_t opaqueBits = 0;          // the visual's alpha, if it has one
    EditorCore* core = nullptr;

    SkinPictures skin;
    Picture picture;
    PixelCanvas canvas{skin, picture};

    // Areas asked to be painted and not yet painted, packed into one word
    // (left, top, right, bottom, 16 bits each) so that any thread can add
    // to them without a lock.
    std::atomic<std::uint64_t> pendingArea{0};
    std::chrono::steady_clock::time_point nextTick;
};

}  // namespace editor
