// A host with a window for the editor tests: it loads the built plug-in,
// creates a visible top-level window, opens the editor in it through the
// dispatcher, and reads back what the editor window shows.
#pragma once

#include <gtest/gtest.h>

#include "host/AEffEditor.h"
#include "editor/EditorLayout.h"
#include "editor/win32/Win32EditorWindow.h"
#include "tools/PluginLoader.h"
#include "tools/skin/EditorHost.h"

constexpr const char* kEditorClass = editor::kWindowClassName;

// Whether the class is registered by the plug-in module.
bool editorClassRegistered();

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    PluginInstance plugin() const { return PluginInstance(record); }
    AEffect* createEffect();

    // Opens an effect's editor in a window and lets it paint; returns the
    // editor's window.
    HWND openEditor(AEffect* effect, HWND parentWindow);
    HWND openEditor() { return editor = openEditor(record, parent.handle()); }
    void closeEditor() { plugin().dispatch(effEditClose); }

    // Repaints the whole editor now and reads it back.
    Pixels repaintAndCapture();

    size_t automationCount() const;

    PluginLoader loader{builtPluginPath()};
    AEffect* record = nullptr;
    ParentWindow parent;
    HWND editor = nullptr;
};

// Pumps messages until the editor shows the clip indicator lit (or dark),
// at most for the given time; tells whether it did.
bool waitForClipIndicator(HWND editor, bool lit, int milliseconds = 1000);

// Pixel classes of the skin.
inline bool litOrange(const Pixels& p, int x, int y) { return p.red(x, y) > 200 && p.green(x, y) > 90 && p.blue(x, y) < 110; }
inline bool darkOrange(const Pixels& p, int x, int y) {
    return p.red(x, y) > 120 && p.red(x, y) < 220 && p.green(x, y) < 90 && p.blue(x, y) < 40;
}
inline bool markerDot(const Pixels& p, int x, int y) {
    return p.red(x, y) > 200 && p.red(x, y) == p.green(x, y) && p.green(x, y) == p.blue(x, y);
}
