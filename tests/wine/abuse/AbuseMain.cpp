// The abuse suite's program: GoogleTest with the suite's own options
// (--seed=N, --plugin=FILE), its fault catcher, and the table of figures
// at the end.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/wine/abuse/Reporting.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seed=", 7) == 0) abuse::options().seed = std::strtoull(argv[i] + 7, nullptr, 10);
        if (std::strncmp(argv[i], "--plugin=", 9) == 0) abuse::options().plugin = argv[i] + 9;
    }
    // The suite's windows, the plug-in's message boxes among them, are
    // left unmanaged: closing a managed window waits two seconds for a
    // window manager that the virtual display does not have.
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\abuse_tests.exe\\X11 Driver", 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(key);
    }
    abuse::installFaultCatcher();
    const int result = RUN_ALL_TESTS();
    abuse::printFigures();
    return result;
}
