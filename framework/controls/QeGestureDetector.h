// Tells the direction of a pen stroke and hands it to a target window's OnGesture. The chat window
// pages with the left (0) and right (4) strokes.
#pragma once

#include <cstdint>

class QeWindow;

class QeGestureDetector {
public:
    // Directions the detector looks for.
    enum Mask : uint32_t { kLeft = 1, kUp = 2, kRight = 4, kDown = 8 };

    void SetStart(int32_t x, int32_t y) {
        startX = x;
        startY = y;
    }
    // The direction of the stroke from the start to (x, y): the diagonals 1 (left and up),
    // 7 (left and down), 3 (right and up), 5 (right and down) first, then 0 left, 4 right, 2 up,
    // 6 down; each only when its directions are in the mask and the stroke is beyond the
    // threshold (strictly) on its axes. A direction found goes to the target's OnGesture (0,
    // direction), whose answer is returned; otherwise 0.
    int Detect(int32_t x, int32_t y);

    QeWindow* target = nullptr;
    uint32_t mask = 0;
    int32_t thresholdX = 20;
    int32_t thresholdY = 20;
    int32_t startX = 0;
    int32_t startY = 0;
};
