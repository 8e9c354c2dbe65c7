#include "tests/abuse/ImportHooks.h"

#include <cstdlib>
#include <cstring>

#include "tests/abuse/GuardedMemory.h"
#include "tests/abuse/Platform.h"

namespace abuse {

namespace {

// ---------------------------------------------------------------------
// The bookkeeping, in fixed arrays behind one lock.

constexpr int kSlots = 4096;

struct GdiObject {
    HGDIOBJ handle;
    const char* kind;
};

struct Timer {
    HWND window;
    UINT_PTR id;
};

struct Books {
    SRWLOCK lock = SRWLOCK_INIT;
    GdiObject gdi[kSlots] = {};
    int gdiCount = 0;
    HWND windows[kSlots] = {};
    int windowCount = 0;
    Timer timers[kSlots] = {};
    int timerCount = 0;
    HGLOBAL moveable[kSlots] = {};
    int moveableCount = 0;
    int classes = 0;
    int heldDCs = 0;
    WindowTotals totals;
    MessageBoxes boxes = MessageBoxes::answerAtOnce;
};

Books& books() {
    static Books b;
    return b;
}

class Locked {
public:
    Locked() { AcquireSRWLockExclusive(&books().lock); }
    ~Locked() { ReleaseSRWLockExclusive(&books().lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    Books* operator->() const { return &books(); }
};

template <typename T>
void removeAt(T* items, int& count, int i) {
    items[i] = items[--count];
}

// Windows that no longer exist leave the books, with their timers.
void forgetDeadWindows(Books& b) {
    for (int i = b.windowCount - 1; i >= 0; --i)
        if (!IsWindow(b.windows[i])) removeAt(b.windows, b.windowCount, i);
    for (int i = b.timerCount - 1; i >= 0; --i)
        if (b.timers[i].window && !IsWindow(b.timers[i].window)) removeAt(b.timers, b.timerCount, i);
}

template <typename Handle>
Handle created(Handle handle, const char* kind) {
    if (!handle) return handle;
    Locked b;
    if (b->gdiCount < kSlots) b->gdi[b->gdiCount++] = {handle, kind};
    ++b->totals.gdiCreated;
    if (b->gdiCount > b->totals.mostGdiObjects) b->totals.mostGdiObjects = b->gdiCount;
    return handle;
}

void deleted(HGDIOBJ handle) {
    Locked b;
    for (int i = 0; i < b->gdiCount; ++i)
        if (b->gdi[i].handle == handle) return removeAt(b->gdi, b->gdiCount, i);
}

// ---------------------------------------------------------------------
// The hooks.  Each keeps the address its import entry held before, which
// is the real function.

constexpr std::size_t kAlignment = 2 * sizeof(void*);  // what the C runtime's malloc gives

#define VELORIN_REAL(name) decltype(&::name) real_##name = nullptr

VELORIN_REAL(malloc);
VELORIN_REAL(calloc);
VELORIN_REAL(realloc);
VELORIN_REAL(free);
VELORIN_REAL(GlobalAlloc);
VELORIN_REAL(GlobalFree);
VELORIN_REAL(GlobalLock);
VELORIN_REAL(GlobalUnlock);
VELORIN_REAL(LocalAlloc);
VELORIN_REAL(LocalFree);
VELORIN_REAL(HeapAlloc);
VELORIN_REAL(HeapFree);
VELORIN_REAL(HeapReAlloc);
VELORIN_REAL(HeapSize);
VELORIN_REAL(CreateCompatibleDC);
VELORIN_REAL(CreateCompatibleBitmap);
VELORIN_REAL(CreateBitmap);
VELORIN_REAL(CreateDIBitmap);
VELORIN_REAL(CreateDIBSection);
VELORIN_REAL(CreateFontIndirectA);
VELORIN_REAL(CreatePalette);
VELORIN_REAL(CreateSolidBrush);
VELORIN_REAL(CreatePen);
VELORIN_REAL(CreateRectRgn);
VELORIN_REAL(DeleteObject);
VELORIN_REAL(DeleteDC);
VELORIN_REAL(LoadBitmapA);
VELORIN_REAL(GetDC);
VELORIN_REAL(GetWindowDC);
VELORIN_REAL(ReleaseDC);
VELORIN_REAL(BeginPaint);
VELORIN_REAL(EndPaint);
VELORIN_REAL(CreateWindowExA);
VELORIN_REAL(RegisterClassA);
VELORIN_REAL(RegisterClassExA);
VELORIN_REAL(UnregisterClassA);
VELORIN_REAL(SetTimer);
VELORIN_REAL(KillTimer);
VELORIN_REAL(MessageBoxA);

void* pluginBlock(std::size_t size, const char* origin, bool zeroed) {
    return guardedAllocate(size, kAlignment, Flush::end, Owner::plugin, origin, zeroed);
}

// A block of ours resized: a new block with the old content.
void* resized(void* old, std::size_t size, const char* origin) {
    const std::size_t oldSize = guardedSize(old);
    void* block = pluginBlock(size, origin, false);
    if (!block) return nullptr;
    std::memcpy(block, old, oldSize < size ? oldSize : size);
    guardedFree(old);
    return block;
}

void* __cdecl hookMalloc(std::size_t size) { return pluginBlock(size, "malloc", false); }

void* __cdecl hookCalloc(std::size_t count, std::size_t size) {
    if (size && count > SIZE_MAX / size) return nullptr;
    return pluginBlock(count * size, "calloc", true);
}

void* __cdecl hookRealloc(void* old, std::size_t size) {
    if (!old) return pluginBlock(size, "realloc", false);
    if (guardedSize(old) == SIZE_MAX) return real_realloc(old, size);
    if (size == 0) {
        guardedFree(old);
        return nullptr;
    }
    return resized(old, size, "realloc");
}

// Blocks the runtime allocated before the hooks were in place go back
// where they came from.
void __cdecl hookFree(void* block) {
    if (block && !guardedFree(block)) real_free(block);
}

HGLOBAL WINAPI hookGlobalAlloc(UINT flags, SIZE_T size) {
    if (flags & GMEM_MOVEABLE) {
        HGLOBAL handle = real_GlobalAlloc(flags, size);
        Locked b;
        if (handle && b->moveableCount < kSlots) b->moveable[b->moveableCount++] = handle;
        return handle;
    }
    return pluginBlock(size, "GlobalAlloc", (flags & GMEM_ZEROINIT) != 0);
}

HGLOBAL WINAPI hookGlobalFree(HGLOBAL handle) {
    if (guardedFree(handle)) return nullptr;
    {
        Locked b;
        for (int i = 0; i < b->moveableCount; ++i)
            if (b->moveable[i] == handle) {
                removeAt(b->moveable, b->moveableCount, i);
                break;
            }
    }
    return real_GlobalFree(handle);
}

LPVOID WINAPI hookGlobalLock(HGLOBAL handle) {
    return guardedSize(handle) != SIZE_MAX ? handle : real_GlobalLock(handle);
}

// Fixed memory has no lock count: 0 with no error, as the system answers.
BOOL WINAPI hookGlobalUnlock(HGLOBAL handle) {
    if (guardedSize(handle) == SIZE_MAX) return real_GlobalUnlock(handle);
    SetLastError(NO_ERROR);
    return FALSE;
}

HLOCAL WINAPI hookLocalAlloc(UINT flags, SIZE_T size) {
    if (flags & LMEM_MOVEABLE) return real_LocalAlloc(flags, size);
    return pluginBlock(size, "LocalAlloc", (flags & LMEM_ZEROINIT) != 0);
}

HLOCAL WINAPI hookLocalFree(HLOCAL handle) { return guardedFree(handle) ? nullptr : real_LocalFree(handle); }

LPVOID WINAPI hookHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
    (void)heap;
    return pluginBlock(size, "HeapAlloc", (flags & HEAP_ZERO_MEMORY) != 0);
}

BOOL WINAPI hookHeapFree(HANDLE heap, DWORD flags, LPVOID block) {
    return guardedFree(block) ? TRUE : real_HeapFree(heap, flags, block);
}

LPVOID WINAPI hookHeapReAlloc(HANDLE heap, DWORD flags, LPVOID old, SIZE_T size) {
    if (guardedSize(old) == SIZE_MAX) return real_HeapReAlloc(heap, flags, old, size);
    if (flags & HEAP_REALLOC_IN_PLACE_ONLY) return nullptr;
    return resized(old, size, "HeapReAlloc");
}

SIZE_T WINAPI hookHeapSize(HANDLE heap, DWORD flags, LPCVOID block) {
    const std::size_t size = guardedSize(block);
    return size != SIZE_MAX ? size : real_HeapSize(heap, flags, block);
}

HDC WINAPI hookCreateCompatibleDC(HDC dc) {
    return created(real_CreateCompatibleDC(dc), "memory DC (CreateCompatibleDC)");
}
HBITMAP WINAPI hookCreateCompatibleBitmap(HDC dc, int width, int height) {
    return created(real_CreateCompatibleBitmap(dc, width, height), "bitmap (CreateCompatibleBitmap)");
}
HBITMAP WINAPI hookCreateBitmap(int width, int height, UINT planes, UINT bits, const void* data) {
    return created(real_CreateBitmap(width, height, planes, bits, data), "bitmap (CreateBitmap)");
}
HBITMAP WINAPI hookCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                  const BITMAPINFO* info, UINT usage) {
    return created(real_CreateDIBitmap(dc, header, init, bits, info, usage), "bitmap (CreateDIBitmap)");
}
HBITMAP WINAPI hookCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                    DWORD offset) {
    return created(real_CreateDIBSection(dc, info, usage, bits, section, offset), "bitmap (CreateDIBSection)");
}
HFONT WINAPI hookCreateFontIndirectA(const LOGFONTA* font) {
    return created(real_CreateFontIndirectA(font), "font (CreateFontIndirectA)");
}
HPALETTE WINAPI hookCreatePalette(const LOGPALETTE* palette) {
    return created(real_CreatePalette(palette), "palette (CreatePalette)");
}
HBRUSH WINAPI hookCreateSolidBrush(COLORREF colour) {
    return created(real_CreateSolidBrush(colour), "brush (CreateSolidBrush)");
}
HPEN WINAPI hookCreatePen(int style, int width, COLORREF colour) {
    return created(real_CreatePen(style, width, colour), "pen (CreatePen)");
}
HRGN WINAPI hookCreateRectRgn(int left, int top, int right, int bottom) {
    return created(real_CreateRectRgn(left, top, right, bottom), "region (CreateRectRgn)");
}
HBITMAP WINAPI hookLoadBitmapA(HINSTANCE instance, LPCSTR name) {
    return created(real_LoadBitmapA(instance, name), "bitmap (LoadBitmapA)");
}

BOOL WINAPI hookDeleteObject(HGDIOBJ object) {
    const BOOL done = real_DeleteObject(object);
    if (done) deleted(object);
    return done;
}

BOOL WINAPI hookDeleteDC(HDC dc) {
    const BOOL done = real_DeleteDC(dc);
    if (done) deleted(dc);
    return done;
}

HDC borrowed(HDC dc) {
    if (dc) {
        Locked b;
        ++b->heldDCs;
        ++b->totals.dcsBorrowed;
    }
    return dc;
}

void givenBack() {
    Locked b;
    --b->heldDCs;
}

HDC WINAPI hookGetDC(HWND window) { return borrowed(real_GetDC(window)); }
HDC WINAPI hookGetWindowDC(HWND window) { return borrowed(real_GetWindowDC(window)); }

int WINAPI hookReleaseDC(HWND window, HDC dc) {
    const int released = real_ReleaseDC(window, dc);
    if (released) givenBack();
    return released;
}

HDC WINAPI hookBeginPaint(HWND window, PAINTSTRUCT* paint) { return borrowed(real_BeginPaint(window, paint)); }

BOOL WINAPI hookEndPaint(HWND window, const PAINTSTRUCT* paint) {
    if (paint && paint->hdc) givenBack();
    return real_EndPaint(window, paint);
}

HWND WINAPI hookCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                                int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    HWND window =
        real_CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu, instance, param);
    if (window) {
        Locked b;
        forgetDeadWindows(books());
        if (b->windowCount < kSlots) b->windows[b->windowCount++] = window;
        ++b->totals.windowsCreated;
    }
    return window;
}

ATOM WINAPI hookRegisterClassA(const WNDCLASSA* windowClass) {
    const ATOM atom = real_RegisterClassA(windowClass);
    if (atom) ++Locked()->classes;
    return atom;
}

ATOM WINAPI hookRegisterClassExA(const WNDCLASSEXA* windowClass) {
    const ATOM atom = real_RegisterClassExA(windowClass);
    if (atom) ++Locked()->classes;
    return atom;
}

BOOL WINAPI hookUnregisterClassA(LPCSTR name, HINSTANCE instance) {
    const BOOL done = real_UnregisterClassA(name, instance);
    if (done) --Locked()->classes;
    return done;
}

UINT_PTR WINAPI hookSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC procedure) {
    const UINT_PTR result = real_SetTimer(window, id, period, procedure);
    if (result) {
        Locked b;
        const UINT_PTR timerId = window ? id : result;
        bool known = false;
        for (int i = 0; i < b->timerCount; ++i) known |= b->timers[i].window == window && b->timers[i].id == timerId;
        if (!known && b->timerCount < kSlots) b->timers[b->timerCount++] = {window, timerId};
    }
    return result;
}

BOOL WINAPI hookKillTimer(HWND window, UINT_PTR id) {
    const BOOL done = real_KillTimer(window, id);
    Locked b;
    for (int i = 0; i < b->timerCount; ++i)
        if (b->timers[i].window == window && b->timers[i].id == id) {
            removeAt(b->timers, b->timerCount, i);
            break;
        }
    return done;
}

int WINAPI hookMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    MessageBoxes mode;
    {
        Locked b;
        ++b->totals.messageBoxes;
        mode = b->boxes;
    }
    return mode == MessageBoxes::show ? real_MessageBoxA(owner, text, caption, type) : IDOK;
}

struct Hook {
    const char* name;
    void* hook;
    void** real;
};

#define VELORIN_HOOK(name, hook) {#name, reinterpret_cast<void*>(hook), reinterpret_cast<void**>(&real_##name)}

const Hook kHooks[] = {
    VELORIN_HOOK(malloc, hookMalloc),
    VELORIN_HOOK(calloc, hookCalloc),
    VELORIN_HOOK(realloc, hookRealloc),
    VELORIN_HOOK(free, hookFree),
    VELORIN_HOOK(GlobalAlloc, hookGlobalAlloc),
    VELORIN_HOOK(GlobalFree, hookGlobalFree),
    VELORIN_HOOK(GlobalLock, hookGlobalLock),
    VELORIN_HOOK(GlobalUnlock, hookGlobalUnlock),
    VELORIN_HOOK(LocalAlloc, hookLocalAlloc),
    VELORIN_HOOK(LocalFree, hookLocalFree),
    VELORIN_HOOK(HeapAlloc, hookHeapAlloc),
    VELORIN_HOOK(HeapFree, hookHeapFree),
    VELORIN_HOOK(HeapReAlloc, hookHeapReAlloc),
    VELORIN_HOOK(HeapSize, hookHeapSize),
    VELORIN_HOOK(CreateCompatibleDC, hookCreateCompatibleDC),
    VELORIN_HOOK(CreateCompatibleBitmap, hookCreateCompatibleBitmap),
    VELORIN_HOOK(CreateBitmap, hookCreateBitmap),
    VELORIN_HOOK(CreateDIBitmap, hookCreateDIBitmap),
    VELORIN_HOOK(CreateDIBSection, hookCreateDIBSection),
    VELORIN_HOOK(CreateFontIndirectA, hookCreateFontIndirectA),
    VELORIN_HOOK(CreatePalette, hookCreatePalette),
    VELORIN_HOOK(CreateSolidBrush, hookCreateSolidBrush),
    VELORIN_HOOK(CreatePen, hookCreatePen),
    VELORIN_HOOK(CreateRectRgn, hookCreateRectRgn),
    VELORIN_HOOK(DeleteObject, hookDeleteObject),
    VELORIN_HOOK(DeleteDC, hookDeleteDC),
    VELORIN_HOOK(LoadBitmapA, hookLoadBitmapA),
    VELORIN_HOOK(GetDC, hookGetDC),
    VELORIN_HOOK(GetWindowDC, hookGetWindowDC),
    VELORIN_HOOK(ReleaseDC, hookReleaseDC),
    VELORIN_HOOK(BeginPaint, hookBeginPaint),
    VELORIN_HOOK(EndPaint, hookEndPaint),
    VELORIN_HOOK(CreateWindowExA, hookCreateWindowExA),
    VELORIN_HOOK(RegisterClassA, hookRegisterClassA),
    VELORIN_HOOK(RegisterClassExA, hookRegisterClassExA),
    VELORIN_HOOK(UnregisterClassA, hookUnregisterClassA),
    VELORIN_HOOK(SetTimer, hookSetTimer),
    VELORIN_HOOK(KillTimer, hookKillTimer),
    VELORIN_HOOK(MessageBoxA, hookMessageBoxA),
};

const Hook* hookFor(const char* name) {
    for (const Hook& h : kHooks)
        if (std::strcmp(h.name, name) == 0) return &h;
    return nullptr;
}

}  // namespace

int hookImports(HMODULE module) {
    int redirected = 0;
    platform::forEachImport(module, [&redirected](const char* name, void** slot) {
        const Hook* hook = hookFor(name);
        if (!hook) return;
        *hook->real = *slot;
        platform::replaceImport(slot, hook->hook);
        ++redirected;
    });
    return redirected;
}

WindowResources windowResources() {
    Locked b;
    forgetDeadWindows(books());
    WindowResources r;
    r.gdiObjects = b->gdiCount;
    r.heldDCs = b->heldDCs;
    r.windows = b->windowCount;
    r.timers = b->timerCount;
    r.classes = b->classes;
    return r;
}

WindowTotals windowTotals() { return Locked()->totals; }

std::size_t moveableBlocksHeld() { return static_cast<std::size_t>(Locked()->moveableCount); }

std::string describeHeldGdiObjects() {
    Locked b;
    std::string text;
    for (int i = 0; i < b->gdiCount; ++i) text += std::string("  ") + b->gdi[i].kind + "\n";
    return text;
}

void setMessageBoxes(MessageBoxes mode) { Locked()->boxes = mode; }

}  // namespace abuse
