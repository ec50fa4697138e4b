#include <clocale>

#include <gtest/gtest.h>

// fontconfig loses a few bytes while it parses the system's font configuration, once per process;
// that is the library's, not ours, and would otherwise fail every sanitizer run that draws text.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
    // The program runs with a UTF-8 character type so wide case mapping works beyond ASCII.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
