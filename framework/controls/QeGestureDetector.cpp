#include "framework/controls/QeGestureDetector.h"

#include "framework/ui/view/QeWindow.h"

int QeGestureDetector::Detect(int32_t x, int32_t y) {
    const int64_t dx = static_cast<int64_t>(x) - startX;
    const int64_t dy = static_cast<int64_t>(y) - startY;
    const bool left = (mask & kLeft) != 0 && dx < -static_cast<int64_t>(thresholdX);
    const bool right = (mask & kRight) != 0 && dx > thresholdX;
    const bool up = (mask & kUp) != 0 && dy < -static_cast<int64_t>(thresholdY);
    const bool down = (mask & kDown) != 0 && dy > thresholdY;
    const struct {
        bool holds;
        int direction;
    } tests[] = {{left && up, 1}, {left && down, 7}, {right && up, 3}, {right && down, 5},
                 {left, 0},       {right, 4},        {up, 2},          {down, 6}};
    for (const auto& test : tests) {
        if (test.holds) return target != nullptr ? target->Gesture(0, test.direction) : 0;
    }
    return 0;
}
