#include "vst3/Win32Timer.h"

#include <windows.h>

#include <new>

#include "host/ModuleHandle.h"

namespace vst3 {

namespace {

constexpr char kClassName[] = "Velorin2Vst3Timer";
constexpr UINT_PTR kTimerId = 1;

// The timers of every plug-in in the process share one window class,
// registered while any of them runs; all on the host's UI thread.
int classUsers = 0;

struct Timer {
    HWND window;
    void (*tick)(void*);
    void* context;
};

// The tick may end the timer (a host that releases the plug-in inside what
// the tick tells it): nothing of it is touched afterwards.
LRESULT CALLBACK timerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTimerId) {
        if (auto* timer = reinterpret_cast<Timer*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
            timer->tick(timer->context);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HINSTANCE moduleInstance() { return static_cast<HINSTANCE>(hInstance); }

void releaseClass() {
    if (--classUsers == 0) UnregisterClassA(kClassName, moduleInstance());
}

}  // namespace

void* startWin32Timer(void (*tick)(void*), void* context, unsigned milliseconds) {
    if (classUsers++ == 0) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = timerProcedure;
        windowClass.hInstance = moduleInstance();
        windowClass.lpszClassName = kClassName;
        RegisterClassA(&windowClass);
    }
    Timer* timer = new (std::nothrow) Timer{nullptr, tick, context};
    if (timer)
        timer->window = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, moduleInstance(),
                                        nullptr);
    if (!timer || !timer->window || !SetTimer(timer->window, kTimerId, milliseconds, nullptr)) {
        if (timer && timer->window) DestroyWindow(timer->window);
        delete timer;
        releaseClass();
        return nullptr;
    }
    SetWindowLongPtrA(timer->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(timer));
    return timer;
}

void stopWin32Timer(void* handle) {
    auto* timer = static_cast<Timer*>(handle);
    if (!timer) return;
    // A tick already queued finds no timer.
    SetWindowLongPtrA(timer->window, GWLP_USERDATA, 0);
    KillTimer(timer->window, kTimerId);
    DestroyWindow(timer->window);
    delete timer;
    releaseClass();
}

}  // namespace vst3
