// The editor window's life: the shared window class over several effects,
// reopening, a second open, the farewell box when the host closes the
// effect with its editor open, and a host that destroys its own window
// before closing the editor.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "tests/wine/editor/EditorFixture.h"

namespace {

// Watches for the farewell box from another thread while the test's thread
// sits in the box's modal loop, and dismisses every box it finds.
class FarewellWatcher {
public:
    // `whileShown` runs on the watcher's thread before a box is dismissed.
    explicit FarewellWatcher(std::function<void()> whileShown = nullptr)
        : whileShown(std::move(whileShown)), thread([this] { watch(); }) {}
    ~FarewellWatcher() { stop(); }

    void stop() {
        done = true;
        if (thread.joinable()) thread.join();
    }
    int boxes() const { return seen; }
    const std::string& text() const { return lastText; }

private:
    void watch() {
        while (!done) {
            if (HWND box = FindWindowA(nullptr, ":-)")) {
                char text[128] = "";
                // The text of a message box is its static control 0xFFFF.
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                lastText = text;
                if (whileShown) whileShown();
                ++seen;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                while (IsWindow(box)) Sleep(5);
            }
            Sleep(10);
        }
    }

    std::atomic<bool> done{false};
    std::atomic<int> seen{0};
    std::string lastText;
    std::function<void()> whileShown;
    std::thread thread;
};

TEST_F(EditorTest, TwoInstancesShareTheClassAndTheLastCloseUnregistersIt) {
    AEffect* second = createEffect();
    ASSERT_NE(second, nullptr);
    ParentWindow secondParent;
    openEditor();
    EXPECT_TRUE(editorClassRegistered());
    HWND secondEditor = openEditor(second, secondParent.handle());
    ASSERT_NE(secondEditor, nullptr);
    EXPECT_NE(secondEditor, editor);
    EXPECT_EQ(GetClassLongPtrA(editor, GCW_ATOM), GetClassLongPtrA(secondEditor, GCW_ATOM));

    closeEditor();
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_TRUE(IsWindow(secondEditor));
    EXPECT_TRUE(editorClassRegistered()) << "the second editor still needs the class";
    PluginInstance(second).dispatch(effEditClose);
    EXPECT_FALSE(IsWindow(secondEditor));
    EXPECT_FALSE(editorClassRegistered());
    PluginInstance(second).close();
}

TEST_F(EditorTest, OpenCloseOpenRecreatesEverything) {
    openEditor();
    HWND first = editor;
    closeEditor();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(editorClassRegistered());
    // A second close without an open changes nothing.
    closeEditor();

    openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editorClassRegistered());
    // The skin, the faces and the markers are back...
    const Pixels shot = repaintAndCapture();
    EXPECT_TRUE(litOrange(shot, 11, 185) || litOrange(shot, 51, 185));
    EXPECT_TRUE(darkOrange(shot, 11, 185) || darkOrange(shot, 51, 185));
    int markers = 0;
    for (int y = 30; y < 135; ++y)
        for (int x = 35; x < 215; ++x) markers += markerDot(shot, x, y);
    EXPECT_GE(markers, 6);
    // ...the skin shows the indicator lit until the restarted timer darkens it...
    EXPECT_GT(shot.red(254, 20), 150);
    EXPECT_TRUE(waitForClipIndicator(editor, false));
    // ...and no drag survived: hovering changes nothing.
    SendMessageA(editor, WM_MOUSEMOVE, 0, MAKELPARAM(53, 20));
    EXPECT_EQ(automationCount(), 0u);
}

TEST_F(EditorTest, OpenWhileOpenKeepsOneWindow) {
    openEditor();
    EXPECT_EQ(plugin().dispatch(effEditOpen, 0, 0, parent.handle()), 1);
    pumpMessages(20);
    int children = 0;
    for (HWND w = findEditorWindow(parent.handle()); w; w = FindWindowExA(parent.handle(), w, kEditorClass, nullptr))
        ++children;
    EXPECT_EQ(children, 1);
    EXPECT_EQ(findEditorWindow(parent.handle()), editor);
    closeEditor();
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_FALSE(editorClassRegistered()) << "one close balances both opens";
}

TEST_F(EditorTest, FailedOpenGivesTheClassBack) {
    // A child window needs a parent: without one the window cannot be made.
    EXPECT_EQ(plugin().dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_FALSE(editorClassRegistered());
    closeEditor();  // what a careless host might send next
    openEditor();
    ASSERT_NE(editor, nullptr);
    closeEditor();
    EXPECT_FALSE(editorClassRegistered());
}

TEST_F(EditorTest, ClosingTheEffectWithItsEditorOpenShowsTheFarewellOnce) {
    openEditor();
    FarewellWatcher watcher;
    plugin().close();
    record = nullptr;
    pumpMessages(50);
    watcher.stop();
    EXPECT_EQ(watcher.boxes(), 1);
    EXPECT_EQ(watcher.text(), "Thank you for using Velorin!");
    EXPECT_FALSE(IsWindow(editor)) << "the window must not outlive its editor";
    EXPECT_FALSE(editorClassRegistered());
}

// While the box is up, the window still paints, and what it paints is the
// effect's own values: the whole effect is still there.
TEST_F(EditorTest, TheWindowBehindTheFarewellShowsTheEffectsValues) {
    plugin().setParameter(2, 1.0f);  // Rate: the marker at the lower right
    plugin().setParameter(0, 0.0f);  // low pass lit
    openEditor();
    Pixels shown;
    // The window paints on the effect's thread and is read back on the
    // watcher's, each through a display connection of its own under Wine:
    // a busy machine may read it before the paint arrives, so look again.
    FarewellWatcher watcher([&] {
        for (int attempt = 0; attempt < 20; ++attempt) {
            RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            Sleep(attempt * 10);
            shown = capture(editor);
            if (shown.width == layout::kWidth && markerDot(shown, 53 + 6, 48 + 6)) break;
        }
    });
    plugin().close();
    record = nullptr;
    watcher.stop();
    ASSERT_EQ(watcher.boxes(), 1);
    ASSERT_EQ(shown.width, layout::kWidth);
    EXPECT_TRUE(markerDot(shown, 53 + 6, 48 + 6)) << "Rate 1 shows at the knob's lower right";
    EXPECT_FALSE(markerDot(shown, 53 - 6, 48 + 6)) << "not at 0, what an effect without values would show";
    EXPECT_TRUE(litOrange(shown, 51, 185)) << "the low-pass button lit";
}

TEST_F(EditorTest, NoFarewellAfterACloseOrWithTheEditorHidden) {
    FarewellWatcher watcher;
    openEditor();
    closeEditor();
    AEffect* second = createEffect();
    ASSERT_NE(second, nullptr);
    ParentWindow secondParent;
    HWND hidden = openEditor(second, secondParent.handle());
    ShowWindow(hidden, SW_HIDE);
    PluginInstance(second).close();
    EXPECT_FALSE(IsWindow(hidden));
    plugin().close();
    record = nullptr;
    pumpMessages(100);
    watcher.stop();
    EXPECT_EQ(watcher.boxes(), 0);
}

TEST_F(EditorTest, HostDestroyingItsWindowFirstLeavesCloseSafe) {
    openEditor();
    pumpMessages(150);
    parent.destroy();
    EXPECT_FALSE(IsWindow(editor));
    pumpMessages(200);  // timer ticks must not reach anything
    FarewellWatcher watcher;
    closeEditor();
    EXPECT_FALSE(editorClassRegistered());
    plugin().setParameter(2, 0.4f);
    plugin().close();
    record = nullptr;
    watcher.stop();
    EXPECT_EQ(watcher.boxes(), 0);
}

TEST_F(EditorTest, HostDestroyingItsWindowWithoutEverClosingTheEditor) {
    openEditor();
    parent.destroy();
    FarewellWatcher watcher;
    plugin().close();  // no effEditClose at all
    record = nullptr;
    watcher.stop();
    EXPECT_EQ(watcher.boxes(), 0);
    EXPECT_FALSE(editorClassRegistered());
}

TEST_F(EditorTest, ReopensInANewWindowAfterTheHostDestroyedTheOldOne) {
    openEditor();
    parent.destroy();
    ParentWindow next;
    HWND reopened = openEditor(record, next.handle());  // the host never sent effEditClose
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(IsWindowVisible(reopened));
    closeEditor();
    EXPECT_FALSE(editorClassRegistered()) << "the count stayed balanced";
}

}  // namespace

namespace concurrentOpen {

// Holds the creation of the first editor window on this thread, before the
// window reaches its editor, until `whileHeld` has run.
HHOOK hook = nullptr;
std::function<void()> whileHeld;

LRESULT CALLBACK holdEditorCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && whileHeld) {
        char name[64] = "";
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
        if (std::string(name) == kEditorClass) {
            std::function<void()> run;
            run.swap(whileHeld);
            run();
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace concurrentOpen

// Hosts that give each plug-in window a thread of its own may open two
// editors at the same moment.  Here the second opens completely while the
// first window is being created, before that window has met its editor:
// each window must still show its own effect (the first lights Low pass,
// the second High pass).
TEST_F(EditorTest, EditorsOpenedAtOnceOnTwoThreadsEachDrawTheirOwnEffect) {
    AEffect* second = createEffect();
    ASSERT_NE(second, nullptr);
    plugin().setParameter(layout::kFilter, 0.0f);
    PluginInstance(second).setParameter(layout::kFilter, 1.0f);

    HANDLE secondOpened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE mayClose = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool secondLightsHighPass = false, secondLightsLowPass = true;
    std::thread secondHost([&] {
        ParentWindow secondParent;
        HWND secondEditor = openEditor(second, secondParent.handle());
        RedrawWindow(secondEditor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        pumpMessages(10);
        const Pixels shot = capture(secondEditor);
        secondLightsHighPass = litOrange(shot, 11, 185);
        secondLightsLowPass = litOrange(shot, 51, 185);
        SetEvent(secondOpened);
        while (WaitForSingleObject(mayClose, 0) == WAIT_TIMEOUT) pumpMessages(5);
        PluginInstance(second).dispatch(effEditClose);
        PluginInstance(second).close();
    });
    concurrentOpen::whileHeld = [&] { WaitForSingleObject(secondOpened, 10000); };
    concurrentOpen::hook = SetWindowsHookExA(WH_CBT, concurrentOpen::holdEditorCreation, nullptr, GetCurrentThreadId());
    openEditor();
    UnhookWindowsHookEx(concurrentOpen::hook);
    concurrentOpen::whileHeld = nullptr;
    const Pixels first = repaintAndCapture();
    SetEvent(mayClose);
    secondHost.join();
    CloseHandle(secondOpened);
    CloseHandle(mayClose);

    EXPECT_TRUE(secondLightsHighPass);
    EXPECT_FALSE(secondLightsLowPass);
    EXPECT_TRUE(litOrange(first, 51, 185)) << "the first window does not show its effect";
    EXPECT_FALSE(litOrange(first, 11, 185));
}
