// What the native editor tests need of X as a host would have it: a
// connection of the host's own, top-level windows to parent an editor,
// pointer input delivered to the editor's window, its pixels read back, and
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

    // A mapped top-level window of the editor's size at (x, y).
    Window makeParent(int x = 0, int y = 0);
    void destroy(Window window);

    // Button 1 pressed or released, or the pointer moved, at (x, y) of
    // `window`, as the server delivers it.
    void mouse(Window window, int type, int x, int y);

    // 0x00RRGGBB.
    std::uint32_t pixel(Window window, int x, int y);
    // The green pixels of the DATA box: a value shows there.
    int greenPixelsInDataBox(Window window);
    bool clipLit(Window window) { return (pixel(window, 254, 20) >> 16) > 150; }

    std::size_t childWindows(Window window);

private:
    Display* display = nullptr;
};

// File descriptors the process holds: a display connection left open shows.
std::size_t openFiles();

// Bytes the process has allocated and not freed, small blocks and large
// (which the C library maps on their own) alike.
std::size_t bytesInUse();
