// The frame clock: milliseconds since the clock was made, refreshed once for every message the
// loop takes, so all the code that runs for one message sees one and the same time.
#pragma once

#include "framework/base/QeSingleton.h"
#include "platform/system/mmtimer.h"

class QeClock : public QeSingleton<QeClock> {
public:
    QeClock();
    ~QeClock() override = default;

    // Refreshes `current` from the system clock and returns the system time. Inline: the loop
    // calls it for every message.
    DWORD Update() {
        DWORD now = timeGetTime();
        current = now - start;
        return now;
    }

    // Milliseconds since the clock was made, read afresh and not stored.
    DWORD Elapsed() const { return timeGetTime() - start; }

    // With d = current - lastFrameTime (signed): when d >= 1, stores and returns the new figure
    // 1000 / d; otherwise stores nothing and returns d.
    float UpdateFps();

    DWORD start = 0;          // timeGetTime() when made
    DWORD current = 0;        // milliseconds since start, as of the last Update
    float fps = 0.0f;         // frames per second, 0 until the first figure
    DWORD lastFrameTime = 0;  // `current` when the last figure was stored
};
