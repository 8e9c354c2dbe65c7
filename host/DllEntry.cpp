// Library entry point of the Windows DLL: it keeps the module handle and
// does nothing else, so loading the plug-in stays cheap and safe.
#include <windows.h>

#include "host/ModuleHandle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) hInstance = instance;
    return TRUE;
}
