// What the native editor tests need of X as a host would have it: a
// connection of the host's own, top-level windows to parent an editor (in
// the screen's visual or a 32-bit ARGB one), pointer input delivered to the
// editor's window, its pixels read back, the process's error handler, and
// the counts that show what an editor leaves behind.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>

class X11TestDisplay {
public:
    X11TestDisplay();
    ~X11TestDisplay();
    X11TestDisplay(const X11TestDisplay&) = delete;
    X11TestDisplay& operator=(const X11TestDisplay&) = delete;

    bool open() const { return display != nullptr; }
    Display* connection() const { return display; }

    // A mapped top-level window of the editor's size at (x, y), in the
    // screen's default visual or in `visual` (of `depth`, with a colormap of
    // its own, which goes with the connection).
    Window makeParent(int x = 0, int y = 0, Visual* visual = nullptr, int depth = 0);
    // With a round trip by default; `flushOnly` sends the request and goes
    // on, as many hosts do, while the editor may still have requests for
    // its window on their way.
    void destroy(Window window, bool flushOnly = false);
    void unmap(Window window);
    // Whether the server still knows the window.
    bool exists(Window window);

    // Button 1 pressed or released, or the pointer moved, at (x, y) of
    // `window`, as the server delivers it: a move carries the button's
    // state, held from a press to its release.
    void mouse(Window window, int type, int x, int y);
    // A move with no button held, whatever the last press: the release went
    // elsewhere.
    void moveWithoutButton(Window window, int x, int y);
    // Until every event sent so far has reached its window's clients.
    void sync() { XSync(display, False); }

    // 0x00RRGGBB.
    std::uint32_t pixel(Window window, int x, int y);
    // How many of two editor windows' pixels differ; -1 if one cannot be read.
    int differingPixels(Window a, Window b);
    // The green pixels of the DATA box: a value shows there.
    int greenPixelsInDataBox(Window window);
    bool clipLit(Window window) { return (pixel(window, 254, 20) >> 16) > 150; }

    std::size_t childWindows(Window window);
    // The one window an editor made in `parent`, or 0.
    Window editorIn(Window parent);

private:
    void sendMotion(Window window, int x, int y, unsigned state);
    bool holds(Window ancestor, Window window);

    Display* display = nullptr;
    bool buttonHeld = false;
};

// The process's X error handler as a host installs it, for as long as this
// lives: it counts every error that reaches it, from any connection, where
// Xlib's default would end the process.
class ProcessErrorHandler {
public:
    ProcessErrorHandler();
    ~ProcessErrorHandler();
    ProcessErrorHandler(const ProcessErrorHandler&) = delete;
    ProcessErrorHandler& operator=(const ProcessErrorHandler&) = delete;

    int errors() const;
    // "BadDrawable for request 72", of the last error, or "".
    const char* lastError() const;

private:
    XErrorHandler previous;
};

// File descriptors the process holds: a display connection left open shows.
std::size_t openFiles();

// Bytes the process has allocated and not freed, small blocks and large
// (which the C library maps on their own) alike.
std::size_t bytesInUse();
