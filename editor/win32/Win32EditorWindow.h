// The editor's Win32 window: a 300 x 200 child of the host's window whose
// window procedure hands paint, timer and mouse messages to the editor
// core, with the skin bitmaps, the marker, the DATA font and the clip
// indicator's timer that live with the window.
#pragma once

#include <windows.h>

#include <atomic>

#include "editor/EditorBackend.h"
#include "editor/win32/PendingRepaints.h"
#include "editor/win32/Win32Canvas.h"

namespace editor {

// The window as hosts and tests find it.
constexpr char kWindowClassName[] = "Velorin2WndClass_____";  // five underscores
constexpr char kWindowTitle[] = "Velorin 2 VST";

class Win32EditorWindow final : public EditorBackend {
public:
    Win32EditorWindow() = default;
    ~Win32EditorWindow() override;
    Win32EditorWindow(const Win32EditorWindow&) = delete;
    Win32EditorWindow& operator=(const Win32EditorWindow&) = delete;

    bool open(void* parent, EditorCore& core) override;
    void close() override;
    // The window's own timer and messages do the work; an idle call asks
    // for the repaints other threads marked meanwhile.
    void idle() override { askForMarkedRepaints(); }
    void sayFarewell() override;

    void invalidate(const layout::Area& area, bool erase) override;
    void captureMouse() override;
    void releaseMouse() override;
    EditorCanvas* beginDrawing() override;
    void endDrawing(EditorCanvas* canvas) override;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void createResources();
    void destroyResources();
    void detachFromWindow();
    void askForRepaint(const layout::Area& area, bool erase);
    void askForMarkedRepaints();

    HWND window = nullptr;
    // The thread that owns the window, by its thread environment block (a
    // register read away, no call): only it asks the window system for
    // repaints, other threads mark them.
    std::atomic<const void*> windowThread{nullptr};
    PendingRepaints marked;
    EditorCore* core = nullptr;
    Win32Skin pictures;
    // The canvas of beginDrawing, on a device context borrowed until
    // endDrawing.
    HDC drawingDC = nullptr;
    Win32Canvas drawingCanvas{pictures, nullptr};
    // An open() not yet matched by close(): this window holds one count of
    // the shared window class.
    bool holdsClass = false;
    // The farewell box is up: the window still paints, but takes no input.
    bool farewell = false;
};

}  // namespace editor
