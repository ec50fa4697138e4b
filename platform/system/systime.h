// The wall clock in the local time zone (the TZ variable is read again on every call).
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
