#include <clocale>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // The program runs with a UTF-8 character type so wide case mapping works beyond ASCII.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
