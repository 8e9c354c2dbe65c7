// The library entry point keeps the module handle on process attach only
// and never refuses a load.
#include <gtest/gtest.h>

#include <windows.h>

#include "host/ModuleHandle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

TEST(DllEntry, KeepsTheHandleOnProcessAttachOnly) {
    hInstance = nullptr;
    auto* const first = reinterpret_cast<HINSTANCE>(0x10000000);
    auto* const second = reinterpret_cast<HINSTANCE>(0x20000000);
    EXPECT_TRUE(DllMain(first, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(hInstance, first);
    for (DWORD reason : {DWORD{DLL_THREAD_ATTACH}, DWORD{DLL_THREAD_DETACH}, DWORD{DLL_PROCESS_DETACH}, DWORD{7}}) {
        EXPECT_EQ(DllMain(second, reason, nullptr), TRUE) << reason;
        EXPECT_EQ(hInstance, first) << reason;
    }
    hInstance = nullptr;
}

}  // namespace
