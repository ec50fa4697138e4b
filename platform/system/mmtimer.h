// The multimedia timer: a 32-bit millisecond clock and periodic timers, run by one timer thread
// (or, when asked, by the message functions of the thread that set them).
//
// Timers keep absolute due times (set-up time + k × delay), so they do not drift; when the thread
// falls behind, the missed due times are skipped rather than fired in a burst. On the real clock a
// timer may be late by less than its resolution: it fires at the first multiple of the resolution
// (of the clock's milliseconds) at or after its due time, so timers of one period and resolution
// fire together in one wake of the timer thread however their set-up times differ. Timer ids are
// never reused during a run, so a late tick can never be taken for a newer timer.
//
// The test clock: while it is on, timeGetTime returns the test time, the timer thread fires
// nothing, and timers fire only when a test advances the clock (on the advancing thread, in order
// of due time, then of id).
#pragma once

#include "platform/win_types.h"

using MMRESULT = UINT;
using LPTIMECALLBACK = void (*)(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                DWORD_PTR reserved2);

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};

inline constexpr MMRESULT TIMERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT TIMERR_NOCANDO = 97;
inline constexpr UINT TIME_ONESHOT = 0x0000;
inline constexpr UINT TIME_PERIODIC = 0x0001;
// The callback runs on the thread that sets the timer, from inside that thread's message functions
// (GetMessageW, PeekMessageW, WaitMessageTimeout), whose waits end when the timer is due, instead
// of on the timer thread. For a callback that only posts to that thread's own windows this saves
// a second thread's wake for every tick. Such a timer is set, deferred and killed on its thread.
inline constexpr UINT TIME_CALLBACK_IN_LOOP = 0x1000;

// Milliseconds of a monotonic clock, wrapping at 32 bits.
DWORD timeGetTime();

// Calls `callback(id, 0, user, 0, 0)` on the timer thread every `delay` ms (TIME_PERIODIC) or once
// (TIME_ONESHOT), first `delay` ms from now, late by less than `resolution` ms (at most the delay;
// 0 and 1 mean exact) on the real clock. Returns the timer id, or
// 0 when the delay lies outside the periods of timeGetDevCaps or the callback is null.
MMRESULT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);

// Stops the timer. When its callback is running on another thread, waits until it has returned, so
// after this call the callback is never entered again for this id. MMSYSERR_INVALPARAM for an id
// that is not running.
MMRESULT timeKillEvent(UINT id);

// Lets the next `periods` due times of a periodic timer pass without a callback; the one after
// comes as usual, on the timer's own grid (counted from the first due time after now, so a call
// made during a callback skips the ones that follow it). 0 undoes an earlier call: the timer is
// due again at the first of its due times after now. MMSYSERR_INVALPARAM for an id that is not a
// running periodic timer.
MMRESULT timeDeferEvent(UINT id, UINT periods);

// For the message functions: runs the calling thread's TIME_CALLBACK_IN_LOOP timers that are due,
// then gives when the first of them is next due (in milliseconds of std::chrono::steady_clock) and
// true, or false when none is. None is on the test clock, which fires them as a test advances it.
bool timeRunLoopTimers(unsigned long long* nextSteadyMs);

// The shortest and longest delays that timeSetEvent accepts (1 ms and 1000000 ms).
MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size);

// Test clock. Begin turns it on at `startMs` (timers already running keep their remaining time);
// End goes back to the real clock the same way.
void timeFakeClockBegin(DWORD startMs);
void timeFakeClockEnd();
BOOL timeFakeClockActive();

// Moves the test clock `ms` forward, firing every timer that falls due on the way at its due time
// (the clock reads that time during the callback). `afterEachTick`, when not null, is called after
// every single callback; a test pump uses it to dispatch each posted tick before the next one, the
// way a loop that is not blocked would. Does nothing while the test clock is off.
using FAKECLOCKSTEPPROC = void (*)(void* context);
void timeFakeClockAdvance(DWORD ms, FAKECLOCKSTEPPROC afterEachTick, void* context);
