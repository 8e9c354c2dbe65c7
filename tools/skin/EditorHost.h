// A minimal windowed host for the editor, shared by the Windows-side editor
// tests and the screenshot program: a visible top-level window to parent the
// editor, a message pump, and reading a window's pixels back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A top-level window whose client area is exactly the editor's size.
class ParentWindow {
public:
    ParentWindow();
    ~ParentWindow();
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;

    HWND handle() const { return window; }
    // Destroys the window now (as a host closing its window early would).
    void destroy();

private:
    HWND window = nullptr;
};

// Dispatches the thread's messages for the given time (at least one pass).
void pumpMessages(int milliseconds);

// The editor window inside a parent, or null.
HWND findEditorWindow(HWND parent);

// A window's client pixels as 0x00RRGGBB, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data;

    std::uint32_t at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
    int red(int x, int y) const { return (at(x, y) >> 16) & 255; }
    int green(int x, int y) const { return (at(x, y) >> 8) & 255; }
    int blue(int x, int y) const { return at(x, y) & 255; }
};

Pixels capture(HWND window);

// Writes pixels as an uncompressed 24-bit BMP file.
bool writeBmp(const std::string& path, const Pixels& pixels);
