#include "tests/wine/editor/EditorFixture.h"

bool editorClassRegistered() {
    WNDCLASSA info;
    return GetClassInfoA(GetModuleHandleA("Velorin2.dll"), kEditorClass, &info) != 0;
}

void EditorTest::SetUp() {
    ASSERT_TRUE(loader.loaded()) << loader.error();
    RecordingHost::instance() = RecordingHost{};
    record = createEffect();
    ASSERT_NE(record, nullptr);
}

void EditorTest::TearDown() {
    if (record) {
        closeEditor();
        plugin().close();
        record = nullptr;
    }
    pumpMessages(0);
    EXPECT_FALSE(editorClassRegistered()) << "the window class outlived every editor";
}

AEffect* EditorTest::createEffect() { return loader.create(); }

HWND EditorTest::openEditor(AEffect* effect, HWND parentWindow) {
    ERect* rect = nullptr;
    EXPECT_EQ(PluginInstance(effect).dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(PluginInstance(effect).dispatch(effEditOpen, 0, 0, parentWindow), 1);
    pumpMessages(30);
    return findEditorWindow(parentWindow);
}

Pixels EditorTest::repaintAndCapture() {
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    pumpMessages(10);
    return capture(editor);
}

size_t EditorTest::automationCount() const {
    size_t count = 0;
    for (const HostCall& call : RecordingHost::instance().calls)
        if (call.opcode == audioMasterAutomate) ++count;
    return count;
}

bool waitForClipIndicator(HWND editor, bool lit, int milliseconds) {
    const DWORD start = GetTickCount();
    do {
        pumpMessages(10);
        const Pixels shot = capture(editor);
        const bool shownLit = shot.red(254, 20) > 150 && shot.green(254, 20) < 80;
        const bool shownDark = shot.red(254, 20) < 120;
        if (lit ? shownLit : shownDark) return true;
    } while (static_cast<int>(GetTickCount() - start) < milliseconds);
    return false;
}
