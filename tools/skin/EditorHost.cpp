#include "tools/skin/EditorHost.h"

#include "editor/EditorLayout.h"
#include "editor/win32/Win32EditorWindow.h"

#include <cstdio>

namespace {

constexpr char kParentClass[] = "VelorinTestHostWindow";
constexpr int kClientWidth = layout::kWidth;
constexpr int kClientHeight = layout::kHeight;

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

ParentWindow::ParentWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = parentProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = kParentClass;
    RegisterClassA(&windowClass);  // fails harmlessly when already registered

    // A plain popup: Wine then leaves the window to itself instead of
    // waiting on a window manager at every show and destroy.
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN;
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&frame, style, FALSE);
    window = CreateWindowExA(0, kParentClass, "Editor host", style, 40, 40, frame.right - frame.left,
                             frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    pumpMessages(50);
}

ParentWindow::~ParentWindow() { destroy(); }

void ParentWindow::destroy() {
    if (window && IsWindow(window)) DestroyWindow(window);
    window = nullptr;
    pumpMessages(0);
}

void pumpMessages(int milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (milliseconds > 0) Sleep(5);
    } while (static_cast<int>(GetTickCount() - start) < milliseconds);
}

HWND findEditorWindow(HWND parent) { return FindWindowExA(parent, nullptr, editor::kWindowClassName, nullptr); }

Pixels capture(HWND window) {
    Pixels pixels;
    RECT client;
    if (!GetClientRect(window, &client)) return pixels;
    pixels.width = client.right;
    pixels.height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC windowDC = GetDC(window);
    HBITMAP section = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(windowDC);
    HGDIOBJ original = SelectObject(memory, section);
    BitBlt(memory, 0, 0, pixels.width, pixels.height, windowDC, 0, 0, SRCCOPY);
    GdiFlush();
    const std::uint32_t* source = static_cast<const std::uint32_t*>(bits);
    pixels.data.assign(source, source + static_cast<size_t>(pixels.width) * pixels.height);
    for (std::uint32_t& p : pixels.data) p &= 0xFFFFFF;
    SelectObject(memory, original);
    DeleteDC(memory);
    DeleteObject(section);
    ReleaseDC(window, windowDC);
    return pixels;
}

bool writeBmp(const std::string& path, const Pixels& pixels) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const int rowBytes = (pixels.width * 3 + 3) & ~3;
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(rowBytes) * pixels.height;
    unsigned char header[54] = {'B', 'M'};
    auto put32 = [&header](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(2, 54 + imageBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(pixels.width));
    put32(22, static_cast<std::uint32_t>(pixels.height));
    header[26] = 1;
    header[28] = 24;
    put32(34, imageBytes);
    std::fwrite(header, 1, sizeof header, file);
    std::vector<unsigned char> row(rowBytes, 0);
    for (int y = pixels.height - 1; y >= 0; --y) {
        for (int x = 0; x < pixels.width; ++x) {
            row[3 * x] = static_cast<unsigned char>(pixels.blue(x, y));
            row[3 * x + 1] = static_cast<unsigned char>(pixels.green(x, y));
            row[3 * x + 2] = static_cast<unsigned char>(pixels.red(x, y));
        }
        std::fwrite(row.data(), 1, row.size(), file);
    }
    return std::fclose(file) == 0;
}
