// The Win32 editor: a 300 x 200 bitmap window inside the host's window,
// with six knobs, two button pairs, the clip indicator and the DATA display.
// The control logic lives in EditorControls; this class binds it to the
// window system.
#pragma once

#include <windows.h>

#include "chorus/ChorusEditorBase.h"
#include "editor/EditorControls.h"

class ChorusEffect;
class SkinBitmap;

class ChorusEditor final : public ChorusEditorBase {
public:
    explicit ChorusEditor(ChorusEffect* effect);
    ~ChorusEditor() override;

    VstInt32 getRect(ERect** rect) override;
    VstInt32 open(void* parentWindow) override;
    void close() override;
    void update() override;

    void parameterChanged(VstInt32 index, float value) override;
    void programChanged() override;
    void effectClosing() override;

private:
    // The effect this editor shows; the constructor takes no other kind.
    ChorusEffect& chorus() const;

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Window lifecycle.
    void sayFarewell();
    void createResources();
    void destroyResources();
    void detachFromWindow();

    // Painting.
    void paintBackground(HDC dc);
    void paint(HDC dc);
    void drawKnobMarker(HDC dc, const layout::KnobCircle& knob, float value);
    void showLit(HDC dc, const layout::Area& area);
    void showDark(HDC dc, const SkinBitmap* face, const layout::Area& area);
    void updateClipLed();

    // Mouse.
    void mouseDown(int x, int y);
    void mouseMove(int x, int y);
    void mouseUp(int x, int y);
    void setKnobValue(int index, float value);
    void invalidate(const layout::Area& area, bool erase);

    // DATA display.
    void showParameterValue(int index);
    void showDataText(const char* text);
    void drawDataBox(const char* text);

    HWND window = nullptr;
    HFONT font = nullptr;
    short dataBlank = 1;
    SkinBitmap* skin = nullptr;
    controls::KnobDrag drag;
    HBITMAP markerImage = nullptr;
    HBITMAP markerMask = nullptr;
    SkinBitmap* highPassOff = nullptr;
    SkinBitmap* lowPassOff = nullptr;
    SkinBitmap* phasePlusOff = nullptr;
    SkinBitmap* phaseMinusOff = nullptr;
    SkinBitmap* clipOff = nullptr;
    // An open() not yet matched by close(): this editor holds one count of
    // the shared window class.
    bool holdsClass = false;
    // The farewell box is up: the window still paints, but takes no input.
    bool farewell = false;
};
