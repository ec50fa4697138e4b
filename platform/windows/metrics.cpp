#include "platform/windows/metrics.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kDefaultWidth = 480;
constexpr int kDefaultHeight = 640;
constexpr int kLargestSide = 16384;

// Reads digits up to a character that is not one; false for no digits or a side out of range.
bool ReadSide(const char*& p, int& side) {
    long value = 0;
    const char* start = p;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p - '0');
        if (value > kLargestSide) return false;
        ++p;
    }
    if (p == start || value < 1) return false;
    side = static_cast<int>(value);
    return true;
}

bool ScreenFromEnvironment(int& width, int& height) {
    width = kDefaultWidth;
    height = kDefaultHeight;
    const char* setting = std::getenv("TEVRIK_SCREEN");
    if (setting == nullptr || setting[0] == '\0') return true;
    const char* p = setting;
    int w = 0;
    int h = 0;
    if (ReadSide(p, w) && (*p == 'x' || *p == 'X') && ReadSide(++p, h) && *p == '\0') {
        width = w;
        height = h;
        return true;
    }
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true)) {
        std::fprintf(stderr, "tevrik: TEVRIK_SCREEN=\"%s\" is not WIDTHxHEIGHT (1 to %d each); using %dx%d.\n",
                     setting, kLargestSide, kDefaultWidth, kDefaultHeight);
    }
    return false;
}

}  // namespace

int GetSystemMetrics(int index) {
    int width = 0;
    int height = 0;
    ScreenFromEnvironment(width, height);
    if (index == SM_CXSCREEN) return width;
    if (index == SM_CYSCREEN) return height;
    return 0;
}
