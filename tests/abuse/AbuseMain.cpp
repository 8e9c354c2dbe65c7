// The abuse suite's program: GoogleTest with the suite's own options
// (--seed=N, --plugin=FILE), its fault catcher, and the table of figures
// at the end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/abuse/Platform.h"
#include "tests/abuse/Reporting.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seed=", 7) == 0) abuse::options().seed = std::strtoull(argv[i] + 7, nullptr, 10);
        if (std::strncmp(argv[i], "--plugin=", 9) == 0) abuse::options().plugin = argv[i] + 9;
    }
    abuse::platform::prepareHostProcess();
    abuse::installFaultCatcher();
    const int result = RUN_ALL_TESTS();
    abuse::printFigures();
    return result;
}
