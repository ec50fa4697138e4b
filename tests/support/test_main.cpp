#include <stdlib.h>

#include <clocale>
#include <memory>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

// fontconfig loses a few bytes while it parses the system's font configuration, once per process;
// that is the library's, not ours, and would otherwise fail every sanitizer run that draws text.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
    // The program runs with a UTF-8 character type so wide case mapping works beyond ASCII.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    // Windows announced to other processes stay among this run's own, so tests running side by
    // side never find each other's main windows. A test that starts processes to meet each other
    // gives them its folder and says so.
    std::unique_ptr<testsupport::TempFolder> runtime;
    if (std::getenv("TEVRIK_TEST_SHARED_RUNTIME") == nullptr) {
        runtime = std::make_unique<testsupport::TempFolder>();
        setenv("XDG_RUNTIME_DIR", runtime->Path().c_str(), 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
