#include "framework/base/QeClock.h"

#include <cstdint>

QeClock::QeClock() : start(timeGetTime()) {}

float QeClock::UpdateFps() {
    std::int32_t d = static_cast<std::int32_t>(current - lastFrameTime);
    if (d < 1) return static_cast<float>(d);
    fps = 1000.0f / static_cast<float>(d);
    lastFrameTime = current;
    return fps;
}
