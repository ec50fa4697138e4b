// The wall clock in the local time zone (the TZ variable is read again on every call).
//
// The fixed clock (test tooling, beside the timer's test clock in platform/mmtimer.h): while it is
// on, GetLocalTime answers the moment it was started at plus the milliseconds timeGetTime has
// moved since, in no time zone. On the test clock local time therefore moves only when a test
// moves time, and reads the same on every run and machine.
#pragma once

#include "platform/win_types.h"

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;      // 1-12
    WORD wDayOfWeek;  // 0 Sunday - 6 Saturday
    WORD wDay;        // 1-31
    WORD wHour;       // 0-23
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

void GetLocalTime(SYSTEMTIME* time);
// The same for a given moment in seconds and nanoseconds since 1970, for tests of the conversion.
void LocalTimeAt(long long seconds, long nanoseconds, SYSTEMTIME* time);

// Turns the fixed clock on at `start` (its day of the week is worked out); End turns it off.
void LocalTimeFixedBegin(const SYSTEMTIME& start);
void LocalTimeFixedEnd();
bool LocalTimeFixedActive();
