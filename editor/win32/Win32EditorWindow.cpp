#include "editor/win32/Win32EditorWindow.h"

#include <new>

#include "editor/win32/SkinBitmap.h"
#include "editor/win32/SkinResourceIds.h"
#include "host/ModuleHandle.h"

namespace editor {

namespace {

constexpr UINT_PTR kClipTimer = 1;

// The calling thread's environment block, read from the segment register
// that points at it (what NtCurrentTeb reads; its intrinsic upsets GCC's
// bounds warnings).
const void* currentThread() {
    const void* block;
#if defined(_WIN64)
    __asm__("movq %%gs:0x30, %0" : "=r"(block));
#else
    __asm__("movl %%fs:0x18, %0" : "=r"(block));
#endif
    return block;
}

// Editors of every effect in the process share one window class; it is
// registered while any of them holds an open() not yet matched by close().
int windowCount = 0;

HINSTANCE moduleInstance() { return static_cast<HINSTANCE>(hInstance); }

void registerWindowClass(WNDPROC procedure) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = moduleInstance();
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClassName;
    RegisterClassA(&windowClass);
}

void acquireWindowClass(WNDPROC procedure) {
    if (++windowCount == 1) registerWindowClass(procedure);
}

void releaseWindowClass() {
    if (--windowCount == 0) UnregisterClassA(kWindowClassName, moduleInstance());
}

SkinBitmap* makeSkinBitmap(HDC dc, int resourceId) {
    return new (std::nothrow) SkinBitmap(moduleInstance(), dc, resourceId);
}

void releaseFace(SkinBitmap*& face) {
    delete face;
    face = nullptr;
}

template <typename Handle>
void releaseGdiObject(Handle& object) {
    if (object) DeleteObject(object);
    object = nullptr;
}

}  // namespace

Win32EditorWindow::~Win32EditorWindow() { close(); }

bool Win32EditorWindow::open(void* parent, EditorCore& editorCore) {
    // Hosts may open twice without closing; keep the one window then.
    if (holdsClass && IsWindow(window)) return true;
    if (!holdsClass) {
        acquireWindowClass(windowProc);
        holdsClass = true;
    }
    core = &editorCore;
    core->opened();
    farewell = false;
    windowThread.store(currentThread(), std::memory_order_relaxed);

    // The window finds this object in its creation parameter: editors that
    // host threads open at the same time cannot take each other's window.
    window = CreateWindowExA(0, kWindowClassName, kWindowTitle, WS_CHILD | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                             layout::kWidth, layout::kHeight, static_cast<HWND>(parent), nullptr, moduleInstance(),
                             this);
    if (window) return true;
    // No window, nothing for close() to undo: give the class count back.
    holdsClass = false;
    releaseWindowClass();
    return false;
}

void Win32EditorWindow::close() {
    // A close without a matching open must not give back another editor's
    // count of the window class.
    if (!holdsClass) return;
    holdsClass = false;
    // DestroyWindow fails for a window the host has already destroyed (no
    // harm) and for one owned by another thread: then at least cut the
    // window off from this object and release what it drew with.
    if (IsWindow(window) && !DestroyWindow(window)) detachFromWindow();
    releaseWindowClass();
    windowThread.store(nullptr, std::memory_order_relaxed);
    // Last: ending a drag tells the host the gesture's end, and a host may
    // open the editor again inside that call.
    core->closed();
}

void Win32EditorWindow::detachFromWindow() {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    destroyResources();
}

// The host closed the effect without closing its editor.  While the box runs
// its message loop the window keeps painting the effect's values, but takes
// no input: a drag would set values and tell a host that is closing us.
void Win32EditorWindow::sayFarewell() {
    if (!IsWindow(window) || !IsWindowVisible(window)) return;
    farewell = true;
    if (core && !core->captureLost()) return;  // the host closed the editor meanwhile
    if (GetCapture() == window) ReleaseCapture();
    KillTimer(window, kClipTimer);
    MessageBoxA(nullptr, "Thank you for using Velorin!", ":-)", MB_OK);
}

// On the window's thread the window system is asked at once.  Another
// thread, the host's audio thread automating a parameter among them, only
// marks the area: the window system's calls would make it wait for the
// window's thread (under Wine for its server), and the window asks for the
// repaint at its next timer tick or idle call.
void Win32EditorWindow::invalidate(const layout::Area& area, bool erase) {
    if (currentThread() == windowThread.load(std::memory_order_relaxed))
        askForRepaint(area, erase);
    else
        marked.mark(area, erase);
}

// A closed or hidden window is left alone.
void Win32EditorWindow::askForRepaint(const layout::Area& area, bool erase) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return;
    const RECT rect = {area.left, area.top, area.right, area.bottom};
    InvalidateRect(window, &rect, erase ? TRUE : FALSE);
}

void Win32EditorWindow::askForMarkedRepaints() {
    marked.take([this](const layout::Area& area, bool erase) { askForRepaint(area, erase); });
}

void Win32EditorWindow::captureMouse() { SetCapture(window); }

void Win32EditorWindow::releaseMouse() {
    if (GetCapture() == window) ReleaseCapture();
}

EditorCanvas* Win32EditorWindow::beginDrawing() {
    drawingDC = GetDC(window);
    if (!drawingDC) return nullptr;
    drawingCanvas.retarget(drawingDC);
    return &drawingCanvas;
}

void Win32EditorWindow::endDrawing(EditorCanvas*) {
    ReleaseDC(window, drawingDC);
    drawingDC = nullptr;
}

LRESULT CALLBACK Win32EditorWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32EditorWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) {
        // Messages before WM_CREATE (WM_NCCREATE and friends) and after a
        // detach get the default handling.
        if (message != WM_CREATE) return DefWindowProcA(window, message, wParam, lParam);
        self = static_cast<Win32EditorWindow*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (!self) return DefWindowProcA(window, message, wParam, lParam);
        self->window = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    return self->handleMessage(message, wParam, lParam);
}

// A host may close the editor, or destroy its own window and ours with it,
// inside any call that the core makes (EditorCore.h): each message that
// reaches the core returns right after it and touches nothing more, so the
// core's answer whether the window is still open guards nothing here.
LRESULT Win32EditorWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Mouse positions are signed: a captured pointer may be left of or
    // above the window.
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_CREATE:
        createResources();
        return 0;
    case WM_DESTROY:
        // By our close, or by the host's destroying its own window (also
        // from inside a call of ours): the editor is closed but for the
        // window class.
        destroyResources();
        core->closed();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc) {
            Win32Canvas canvas(pictures, dc);
            core->paint(canvas);
        }
        EndPaint(window, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        Win32Canvas canvas(pictures, reinterpret_cast<HDC>(wParam));
        core->paintBackground(canvas);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kClipTimer) {
            askForMarkedRepaints();
            core->tick();
        }
        return 0;
    case WM_MOUSEMOVE:
        if (!farewell) core->mouseMove(x, y);
        return 0;
    case WM_LBUTTONDOWN:
        if (!farewell) core->mouseDown(x, y);
        return 0;
    case WM_LBUTTONUP:
        core->mouseUp();
        return 0;
    case WM_CAPTURECHANGED:
        core->captureLost();
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void Win32EditorWindow::createResources() {
    HDC dc = GetDC(window);
    pictures.skin = makeSkinBitmap(dc, kSkinBitmap);
    pictures.lowPassOff = makeSkinBitmap(dc, kLowPassOffBitmap);
    pictures.highPassOff = makeSkinBitmap(dc, kHighPassOffBitmap);
    pictures.phasePlusOff = makeSkinBitmap(dc, kPhasePlusOffBitmap);
    pictures.phaseMinusOff = makeSkinBitmap(dc, kPhaseMinusOffBitmap);
    pictures.clipOff = makeSkinBitmap(dc, kClipOffBitmap);
    SetTimer(window, kClipTimer, EditorCore::kClipTickMilliseconds, nullptr);
    LOGFONTA dataFont = {};
    dataFont.lfHeight = 11;
    dataFont.lfWidth = 11;
    dataFont.lfWeight = FW_DONTCARE;
    dataFont.lfCharSet = ANSI_CHARSET;
    dataFont.lfOutPrecision = OUT_DEVICE_PRECIS;
    dataFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    dataFont.lfQuality = PROOF_QUALITY;
    dataFont.lfPitchAndFamily = VARIABLE_PITCH;
    lstrcpynA(dataFont.lfFaceName, "MS Serif", LF_FACESIZE);
    pictures.font = CreateFontIndirectA(&dataFont);
    ReleaseDC(window, dc);
    pictures.markerImage = LoadBitmapA(moduleInstance(), MAKEINTRESOURCEA(kMarkerBitmap));
    pictures.markerMask = LoadBitmapA(moduleInstance(), MAKEINTRESOURCEA(kMarkerMaskBitmap));
}

void Win32EditorWindow::destroyResources() {
    releaseFace(pictures.highPassOff);
    releaseFace(pictures.lowPassOff);
    releaseFace(pictures.phasePlusOff);
    releaseFace(pictures.phaseMinusOff);
    releaseFace(pictures.clipOff);
    // Null first: nothing may paint from the skin while it is being freed.
    SkinBitmap* oldSkin = pictures.skin;
    pictures.skin = nullptr;
    delete oldSkin;
    KillTimer(window, kClipTimer);
    releaseGdiObject(pictures.markerImage);
    releaseGdiObject(pictures.markerMask);
    releaseGdiObject(pictures.font);
}

}  // namespace editor
