// The module instance handle of the plug-in library, kept when the library is
// attached to the host's process.  The editor needs it for its window class,
// its window and its bitmaps.  Null outside Windows.
#pragma once

extern void* hInstance;
