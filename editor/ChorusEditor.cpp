// The editor's window lifecycle: the shared window class, the window, the
// window procedure and the graphics resources that live with the window.
#include "editor/ChorusEditor.h"

#include <new>

#include "chorus/ChorusEffect.h"
#include "editor/SkinBitmap.h"
#include "host/FloatingPointControl.h"
#include "host/ModuleHandle.h"

namespace {

constexpr UINT_PTR kClipTimer = 1;
constexpr UINT kClipTimerPeriod = 125;  // milliseconds

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
    windowClass.lpszClassName = layout::kWindowClassName;
    RegisterClassA(&windowClass);
}

void acquireWindowClass(WNDPROC procedure) {
    if (++windowCount == 1) registerWindowClass(procedure);
}

void releaseWindowClass() {
    if (--windowCount == 0) UnregisterClassA(layout::kWindowClassName, moduleInstance());
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

ChorusEditor::ChorusEditor(ChorusEffect* effect) : ChorusEditorBase(effect) {}

// The effect tells its editor before any part of it is gone; an editor
// deleted on its own says goodbye in its destructor.  Either way the window
// goes afterwards, so that no message reaches the editor or the effect
// again.
ChorusEditor::~ChorusEditor() {
    sayFarewell();
    close();
    window = nullptr;
}

void ChorusEditor::effectClosing() {
    sayFarewell();
    close();
}

// The host closed the effect without closing its editor.  While the box runs
// its message loop the window keeps painting the effect's values, but takes
// no input: a drag would set values and tell a host that is closing us.
void ChorusEditor::sayFarewell() {
    if (!IsWindow(window) || !IsWindowVisible(window)) return;
    farewell = true;
    drag.end();
    if (GetCapture() == window) ReleaseCapture();
    KillTimer(window, kClipTimer);
    MessageBoxA(nullptr, "Thank you for using Velorin!", ":-)", MB_OK);
}

ChorusEffect& ChorusEditor::chorus() const { return *static_cast<ChorusEffect*>(effect); }

VstInt32 ChorusEditor::getRect(ERect** rect) {
    *rect = const_cast<ERect*>(&layout::editorRect);
    return 1;
}

VstInt32 ChorusEditor::open(void* parentWindow) {
    // Hosts may open twice without closing; keep the one window then.
    if (holdsClass && IsWindow(window)) return 1;
    if (!holdsClass) {
        acquireWindowClass(windowProc);
        holdsClass = true;
    }
    drag.end();
    farewell = false;
    skin = nullptr;
    dataBlank = 1;  // a new window shows the skin's empty DATA box

    // The window finds this editor in its creation parameter: editors that
    // host threads open at the same time cannot take each other's window.
    window = CreateWindowExA(0, layout::kWindowClassName, layout::kWindowTitle, WS_CHILD | WS_VISIBLE,
                             CW_USEDEFAULT, CW_USEDEFAULT, layout::kWidth, layout::kHeight,
                             static_cast<HWND>(parentWindow), nullptr, moduleInstance(), this);
    if (window) return 1;
    // No window, nothing for close() to undo: give the class count back.
    holdsClass = false;
    releaseWindowClass();
    return 0;
}

void ChorusEditor::close() {
    // A close without a matching open must not give back another editor's
    // count of the window class.
    if (!holdsClass) return;
    holdsClass = false;
    // DestroyWindow fails for a window the host has already destroyed (no
    // harm) and for one owned by another thread: then at least cut the
    // window off from this object and release what it drew with.
    if (IsWindow(window) && !DestroyWindow(window)) detachFromWindow();
    releaseWindowClass();
}

void ChorusEditor::detachFromWindow() {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    destroyResources();
}

void ChorusEditor::update() { InvalidateRect(window, nullptr, TRUE); }

void ChorusEditor::parameterChanged(VstInt32 index, float) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return;
    const layout::Area area = controls::repaintArea(index);
    if (!area.empty()) invalidate(area, true);
}

void ChorusEditor::programChanged() {
    if (IsWindow(window)) update();
}

LRESULT CALLBACK ChorusEditor::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* editor = reinterpret_cast<ChorusEditor*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!editor) {
        // Messages before WM_CREATE (WM_NCCREATE and friends) and after a
        // detach get the default handling.
        if (message != WM_CREATE) return DefWindowProcA(window, message, wParam, lParam);
        editor = static_cast<ChorusEditor*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (!editor) return DefWindowProcA(window, message, wParam, lParam);
        editor->window = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(editor));
    }
    return editor->handleMessage(message, wParam, lParam);
}

LRESULT ChorusEditor::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Mouse positions are signed: a captured pointer may be left of or
    // above the window.
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_CREATE:
        createResources();
        return 0;
    case WM_DESTROY:
        destroyResources();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc) paint(dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        paintBackground(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kClipTimer) updateClipLed();
        return 0;
    case WM_MOUSEMOVE:
        if (!farewell) mouseMove(x, y);
        return 0;
    case WM_LBUTTONDOWN:
        if (!farewell) mouseDown(x, y);
        return 0;
    case WM_LBUTTONUP:
        mouseUp(x, y);
        return 0;
    case WM_CAPTURECHANGED:
        drag.end();
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void ChorusEditor::createResources() {
    HDC dc = GetDC(window);
    skin = makeSkinBitmap(dc, layout::kSkinBitmap);
    lowPassOff = makeSkinBitmap(dc, layout::kLowPassOffBitmap);
    highPassOff = makeSkinBitmap(dc, layout::kHighPassOffBitmap);
    phasePlusOff = makeSkinBitmap(dc, layout::kPhasePlusOffBitmap);
    phaseMinusOff = makeSkinBitmap(dc, layout::kPhaseMinusOffBitmap);
    clipOff = makeSkinBitmap(dc, layout::kClipOffBitmap);
    SetTimer(window, kClipTimer, kClipTimerPeriod, nullptr);
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
    font = CreateFontIndirectA(&dataFont);
    ReleaseDC(window, dc);
    markerImage = LoadBitmapA(moduleInstance(), MAKEINTRESOURCEA(layout::kMarkerBitmap));
    markerMask = LoadBitmapA(moduleInstance(), MAKEINTRESOURCEA(layout::kMarkerMaskBitmap));
}

void ChorusEditor::destroyResources() {
    releaseFace(highPassOff);
    releaseFace(lowPassOff);
    releaseFace(phasePlusOff);
    releaseFace(phaseMinusOff);
    releaseFace(clipOff);
    // Null first: nothing may paint from the skin while it is being freed.
    SkinBitmap* oldSkin = skin;
    skin = nullptr;
    delete oldSkin;
    KillTimer(window, kClipTimer);
    releaseGdiObject(markerImage);
    releaseGdiObject(markerMask);
    releaseGdiObject(font);
}

void ChorusEditor::invalidate(const layout::Area& area, bool erase) {
    const RECT rect = {area.left, area.top, area.right, area.bottom};
    InvalidateRect(window, &rect, erase ? TRUE : FALSE);
}

void ChorusEditor::mouseDown(int x, int y) {
    const controls::MouseAction action = drag.press(x, y);
    if (action.kind == controls::MouseAction::kGrabKnob) {
        SetCapture(window);
        // Jump the knob to the pointer's direction at once.
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    } else if (action.kind == controls::MouseAction::kPressButton) {
        const fpu::DefaultArithmetic arithmetic;
        chorus().setParameter(action.parameter, action.value);
        invalidate(action.button->pairFirst, false);
        invalidate(action.button->pairSecond, false);
    }
}

void ChorusEditor::mouseMove(int x, int y) {
    const controls::MouseAction action = drag.move(x, y);
    switch (action.kind) {
    case controls::MouseAction::kSetKnob:
        setKnobValue(action.parameter, action.value);
        showParameterValue(action.parameter);
        invalidate(controls::knobSquare(*action.knob), true);
        break;
    case controls::MouseAction::kShowValue:
        showParameterValue(action.parameter);
        break;
    case controls::MouseAction::kBlankData:
        showDataText("");
        break;
    default:
        break;
    }
}

// Set the value as every control of the editor does (the buttons do only
// this), then hand it to the base class's automation service, which sets it
// again and tells the host so that it can record the move.  The repeat
// stores the same value and derives the same coefficients.  The host's UI
// thread may run with any rounding and precision: the coefficients are
// derived as a host's own setParameter derives them.
void ChorusEditor::setKnobValue(int index, float value) {
    const fpu::DefaultArithmetic arithmetic;
    chorus().setParameter(index, value);
    chorus().setParameterAutomated(index, value);
}

void ChorusEditor::mouseUp(int, int) {
    drag.end();
    if (GetCapture() == window) ReleaseCapture();
}
