// The editor opened and closed 300 times in a host window (on a virtual
// display), with idle calls, parameter changes from the host, clip-timer
// ticks, repaints and knob drags in between; one cycle in ten the host
// destroys its own window before closing the editor, and one in ten it
// closes the effect with the editor still open, a watcher dismissing the
// farewell box.  After every cycle the plug-in holds no GDI object, device
// context, window, timer or window class, and no editor window is left in
// the process.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "editor/EditorLayout.h"
#include "host/AEffEditor.h"
#include "editor/win32/Win32EditorWindow.h"
#include "tests/abuse/AbuseHost.h"
#include "tests/abuse/ImportHooks.h"
#include "tests/abuse/Reporting.h"
#include "tools/skin/EditorHost.h"

namespace abuse {
namespace {

constexpr int kCycles = 300;

// Dismisses every message box of this process while it runs.
class BoxWatcher {
public:
    BoxWatcher() : thread([this] { watch(); }) {}
    ~BoxWatcher() {
        done = true;
        thread.join();
    }
    int dismissed() const { return count; }

private:
    void watch() {
        while (!done) {
            HWND box = FindWindowA("#32770", nullptr);
            DWORD process = 0;
            if (box) GetWindowThreadProcessId(box, &process);
            if (box && process == GetCurrentProcessId() && IsWindowVisible(box)) {
                // Counted before it goes: the plug-in's call returns once it has.
                ++count;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                for (int i = 0; i < 400 && IsWindow(box); ++i) Sleep(5);
            }
            Sleep(5);
        }
    }
    std::atomic<bool> done{false};
    std::atomic<int> count{0};
    std::thread thread;
};

BOOL CALLBACK countEditorWindow(HWND window, LPARAM count) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == editor::kWindowClassName) ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, countEditorWindow, count);
    return TRUE;
}

// Editor windows anywhere in the process, found without the hooks.
int editorWindowsInProcess() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countEditorWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

struct EditorActivity : Activity {
    int cycle = 0;
    const char* step = "";
    void describe(char* text, std::size_t capacity) const override {
        std::snprintf(text, capacity, "editor cycle %d of %d: %s", cycle + 1, kCycles, step);
    }
};

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

// A knob grabbed at its centre and turned through a few angles.
void dragKnob(HWND editor, Random& random) {
    const layout::KnobCircle& knob = random.pick(layout::knobCircles);
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(knob.centreX, knob.centreY));
    for (int step = 0; step < 6; ++step) {
        const double angle = random.unit() * 6.283185307179586;
        const int x = knob.centreX + static_cast<int>(std::lround(knob.radius * 1.5 * std::cos(angle)));
        const int y = knob.centreY + static_cast<int>(std::lround(knob.radius * 1.5 * std::sin(angle)));
        SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, at(x, y));
    }
    SendMessageA(editor, WM_LBUTTONUP, 0, at(knob.centreX, knob.centreY));
}

TEST(Editor, OpenCloseCyclesGiveEverythingBack) {
    Random random(seedFor("Editor.OpenCloseCyclesGiveEverythingBack"));
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    Plugin plugin(library.create());
    ASSERT_NE(plugin.record(), nullptr);
    plugin.start(44100.0f, 512);
    auto parent = std::make_unique<ParentWindow>();
    EditorActivity activity;
    CurrentActivity current(activity);
    setMessageBoxes(MessageBoxes::show);
    BoxWatcher watcher;
    const WindowTotals before = windowTotals();
    long idles = 0, changes = 0, drags = 0;
    int hostWindowFirst = 0, closedOpen = 0;

    for (activity.cycle = 0; activity.cycle < kCycles; ++activity.cycle) {
        activity.step = "opening";
        ERect* rect = nullptr;
        ASSERT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &rect), 1) << replayLine();
        ASSERT_EQ(plugin.dispatch(effEditOpen, 0, 0, parent->handle()), 1) << replayLine();
        HWND editor = findEditorWindow(parent->handle());
        ASSERT_NE(editor, nullptr) << replayLine();

        activity.step = "idle calls, parameter changes, timer ticks, drags and repaints";
        for (int i = 0; i < 4; ++i) {
            plugin.dispatch(effEditIdle);
            plugin.setParameter(static_cast<VstInt32>(random.below(9)), static_cast<float>(random.unit()));
            SendMessageA(editor, WM_TIMER, 1, 0);
            pumpMessages(0);
        }
        idles += 4;
        changes += 4;
        dragKnob(editor, random);
        ++drags;
        RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        pumpMessages(0);

        if (activity.cycle % 10 == 8) {
            activity.step = "the host destroys its window, then closes the editor";
            parent->destroy();
            plugin.dispatch(effEditClose);
            parent = std::make_unique<ParentWindow>();
            ++hostWindowFirst;
        } else if (activity.cycle % 10 == 9) {
            activity.step = "effClose with the editor open";
            plugin.close();
            plugin = Plugin(library.create());
            ASSERT_NE(plugin.record(), nullptr) << replayLine();
            plugin.start(44100.0f, 512);
            ++closedOpen;
        } else {
            activity.step = "closing";
            plugin.dispatch(effEditClose);
        }
        pumpMessages(0);

        const WindowResources held = windowResources();
        ASSERT_EQ(held.gdiObjects, 0) << "GDI objects the plug-in created and never deleted, after cycle "
                                      << activity.cycle << " (" << activity.step << "):\n"
                                      << describeHeldGdiObjects() << replayLine();
        ASSERT_EQ(held.heldDCs, 0) << "device contexts not given back after cycle " << activity.cycle << "\n"
                                   << replayLine();
        ASSERT_EQ(held.windows, 0) << "windows left after cycle " << activity.cycle << "\n" << replayLine();
        ASSERT_EQ(held.timers, 0) << "timers left after cycle " << activity.cycle << "\n" << replayLine();
        ASSERT_EQ(held.classes, 0) << "window class left registered after cycle " << activity.cycle << "\n"
                                   << replayLine();
        ASSERT_EQ(editorWindowsInProcess(), 0) << "after cycle " << activity.cycle << "\n" << replayLine();
    }
    plugin.close();
    setMessageBoxes(MessageBoxes::answerAtOnce);

    const WindowTotals totals = windowTotals();
    EXPECT_EQ(watcher.dismissed(), closedOpen) << "one farewell box for each effClose with the editor open\n"
                                               << replayLine();
    recordFigure("editor",
                 std::to_string(kCycles) + " open/close cycles (" + std::to_string(hostWindowFirst) +
                     " with the host's window destroyed first, " + std::to_string(closedOpen) +
                     " by effClose with the editor open, farewell box dismissed by a watcher: " +
                     std::to_string(watcher.dismissed()) + " boxes); " + grouped(idles) + " idle calls, " +
                     grouped(changes) + " parameter changes, " + grouped(drags) + " knob drags; " +
                     grouped(totals.gdiCreated - before.gdiCreated) + " GDI objects created (at most " +
                     std::to_string(totals.mostGdiObjects) + " at once), " +
                     grouped(totals.dcsBorrowed - before.dcsBorrowed) +
                     " device contexts borrowed, " + grouped(totals.windowsCreated - before.windowsCreated) +
                     " windows; after every cycle 0 GDI objects, DCs, windows, timers and classes held");
}

}  // namespace
}  // namespace abuse
