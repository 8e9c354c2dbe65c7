// The editor inside a module that carries none of the skin's bitmaps (this
// test program): every drawing path must cope with missing pictures.  Also
// the palette path of the bitmap loader, against the real plug-in's bitmaps.
#include <gtest/gtest.h>

#include <vector>

#include "chorus/ChorusEffect.h"
#include "editor/ChorusEditor.h"
#include "editor/EditorLayout.h"
#include "editor/win32/SkinBitmap.h"
#include "editor/win32/SkinResourceIds.h"
#include "editor/win32/Win32EditorWindow.h"
#include "host/ModuleHandle.h"
#include "tools/skin/EditorHost.h"

namespace {

using editor::kSkinBitmap;
using editor::loadBitmapWithPalette;
using editor::SkinBitmap;

VstIntPtr VELORIN_CALLBACK silentHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == 1 /* version */ ? 2400 : 0;
}

int greenPixelsInDataBox(HWND editor) {
    const Pixels shot = capture(editor);
    int green = 0;
    for (int y = layout::dataBox.top; y < layout::dataBox.bottom; ++y)
        for (int x = layout::dataBox.left; x < layout::dataBox.right; ++x)
            green += shot.green(x, y) > 120 && shot.red(x, y) < 100 && shot.blue(x, y) < 100;
    return green;
}

TEST(MissingArt, EditorPaintsWhatExistsAndNeverCrashes) {
    hInstance = GetModuleHandleA(nullptr);
    ChorusEffect effect(silentHost);
    effect.attachEditor(new ChorusEditor(&effect, new editor::Win32EditorWindow));
    ParentWindow parent;
    ASSERT_EQ(effect.dispatcher(effEditOpen, 0, 0, parent.handle(), 0.0f), 1);
    HWND editor = findEditorWindow(parent.handle());
    ASSERT_NE(editor, nullptr);
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    pumpMessages(300);  // timer ticks with no clip face
    for (int x : {52, 10, 50, 110, 150, 5})
        SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, x == 52 ? 48 : 180));
    SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(80, 30));
    SendMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(80, 30));
    // The DATA display needs no art: the hovered knob's value shows.
    SendMessageA(editor, WM_MOUSEMOVE, 0, MAKELPARAM(198, 121));
    EXPECT_GT(greenPixelsInDataBox(editor), 10);
    SendMessageA(editor, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(greenPixelsInDataBox(editor), 0);
    effect.setProgram(2);
    pumpMessages(50);
    effect.dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_FALSE(IsWindow(editor));
}

// Copies a module's bitmap resource over a white 4 x 4 picture; tells
// whether any pixel changed.
bool copyChangesWhite(HMODULE module, int resourceId) {
    HWND window = GetDesktopWindow();
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP target = CreateCompatibleBitmap(dc, 4, 4);
    HGDIOBJ original = SelectObject(memory, target);
    PatBlt(memory, 0, 0, 4, 4, WHITENESS);
    {
        SkinBitmap bitmap(module, dc, resourceId);
        bitmap.copyTo(memory, 0, 0, 4, 4, 0, 0);
    }
    bool changed = false;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) changed = changed || GetPixel(memory, x, y) != RGB(255, 255, 255);
    SelectObject(memory, original);
    DeleteObject(target);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return changed;
}

TEST(MissingArt, SkinBitmapOfAMissingResourceCopiesNothing) {
    EXPECT_FALSE(copyChangesWhite(GetModuleHandleA(nullptr), kSkinBitmap));
    HMODULE plugin = LoadLibraryA("Velorin2.dll");
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(copyChangesWhite(plugin, kSkinBitmap)) << "the same copy from the real skin draws";
    FreeLibrary(plugin);

    HPALETTE palette = reinterpret_cast<HPALETTE>(1);
    EXPECT_EQ(loadBitmapWithPalette(GetModuleHandleA(nullptr), kSkinBitmap, &palette), nullptr);
    EXPECT_EQ(palette, nullptr);
}

TEST(MissingArt, PaletteIsMadeOnlyForBitmapsWithAColourTable) {
    HMODULE plugin = LoadLibraryA("Velorin2.dll");
    ASSERT_NE(plugin, nullptr);
    HPALETTE palette = nullptr;
    HBITMAP skin = loadBitmapWithPalette(plugin, 100, &palette);
    EXPECT_NE(skin, nullptr);
    EXPECT_EQ(palette, nullptr) << "24-bit bitmaps have no colour table";
    BITMAP info;
    ASSERT_TRUE(GetObjectA(skin, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 300);
    EXPECT_EQ(info.bmHeight, 200);
    DeleteObject(skin);

    HBITMAP marker = loadBitmapWithPalette(plugin, 200, &palette);
    EXPECT_NE(marker, nullptr);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 16u);
    PALETTEENTRY last;
    GetPaletteEntries(palette, 15, 1, &last);
    EXPECT_EQ(last.peRed, 255);
    DeleteObject(palette);
    DeleteObject(marker);
    FreeLibrary(plugin);
}

}  // namespace
