#include "framework/base/QeTiming.h"

#include "framework/base/QeClock.h"
#include "framework/base/QeTimerManager.h"

namespace {
QeClock* g_clock = nullptr;
QeTimerManager* g_timerManager = nullptr;
}  // namespace

bool QeTimingStart() {
    // Starting again replaces the objects (the singleton traces that); the earlier ones go, so no
    // timer of theirs keeps running.
    QeClock* clock = new QeClock;
    QeTimerManager* timerManager = new QeTimerManager;
    delete g_timerManager;
    delete g_clock;
    g_clock = clock;
    g_timerManager = timerManager;
    return true;
}

void QeTimingStop() {
    delete g_timerManager;
    g_timerManager = nullptr;
    delete g_clock;
    g_clock = nullptr;
}
