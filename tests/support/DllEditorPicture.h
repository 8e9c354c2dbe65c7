// The picture every editor of ours on Windows must show: the DLL's editor,
// opened in a window of its own and painted whole.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "host/AEffEditor.h"
#include "tools/PluginLoader.h"
#include "tools/skin/EditorHost.h"

inline Pixels dllEditorPicture() {
    PluginLoader loader(builtPluginPath());
    EXPECT_TRUE(loader.loaded()) << loader.error();
    if (!loader.loaded()) return {};
    PluginInstance vst2(loader.create());
    ParentWindow parent;
    EXPECT_EQ(vst2.dispatch(effEditOpen, 0, 0, parent.handle()), 1);
    pumpMessages(300);
    const HWND editor = findEditorWindow(parent.handle());
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    pumpMessages(10);
    const Pixels picture = capture(editor);
    vst2.dispatch(effEditClose);
    vst2.close();
    return picture;
}
