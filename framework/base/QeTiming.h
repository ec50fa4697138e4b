// The timing step of the framework's start and stop: the frame clock, then the timer manager.
#pragma once

// Makes QeClock, then QeTimerManager. Always succeeds.
bool QeTimingStart();

// Deletes the timer manager (every timer is killed) before the clock. Harmless when not started.
void QeTimingStop();
