// Hooks in the plug-in's import table: its allocations go to guarded
// memory, and the window-system resources it creates and gives back are
// counted (GDI objects, borrowed device contexts, windows, window classes,
// timers, message boxes).  Only the plug-in's own imports are redirected;
// the host and the system call the real functions.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace abuse {

// Redirects the imports of a loaded module that have a hook; returns how
// many entries were redirected.
int hookImports(HMODULE module);

// What the plug-in holds of the window system now.
struct WindowResources {
    int gdiObjects = 0;   // created and not yet deleted
    int heldDCs = 0;      // borrowed (GetDC, BeginPaint) and not yet given back
    int windows = 0;      // created and still existing
    int timers = 0;       // set on windows that still exist and not killed
    int classes = 0;      // registered and not unregistered
};

WindowResources windowResources();

// Moveable memory blocks the plug-in holds (the system's own: they cannot
// be guarded, only counted).
std::size_t moveableBlocksHeld();

// Totals since the start, for the figures.
struct WindowTotals {
    long gdiCreated = 0;
    long dcsBorrowed = 0;
    long windowsCreated = 0;
    long messageBoxes = 0;
    int mostGdiObjects = 0;
};

WindowTotals windowTotals();

// The kinds of the GDI objects the plug-in still holds, for a failure
// message: "font (CreateFontIndirectA)", one per line.
std::string describeHeldGdiObjects();

// A message box the plug-in shows: answered OK at once without a window
// (for tests that do not look at it), or shown, to be dismissed by
// whoever watches for it.
enum class MessageBoxes { answerAtOnce, show };
void setMessageBoxes(MessageBoxes mode);

}  // namespace abuse
