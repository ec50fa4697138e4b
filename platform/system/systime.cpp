#include "platform/system/systime.h"

#include <time.h>

#include <cstring>

void LocalTimeAt(long long seconds, long nanoseconds, SYSTEMTIME* time) {
    if (time == nullptr) return;
    std::memset(time, 0, sizeof *time);
    // localtime_r need not look at TZ again by itself; tzset makes a changed zone count.
    tzset();
    const time_t moment = static_cast<time_t>(seconds);
    struct tm parts {};
    if (localtime_r(&moment, &parts) == nullptr) return;
    time->wYear = static_cast<WORD>(parts.tm_year + 1900);
    time->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    time->wDay = static_cast<WORD>(parts.tm_mday);
    time->wHour = static_cast<WORD>(parts.tm_hour);
    time->wMinute = static_cast<WORD>(parts.tm_min);
    // A leap second reads as the last ordinary second of its minute.
    time->wSecond = static_cast<WORD>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
    time->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

void GetLocalTime(SYSTEMTIME* time) {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    LocalTimeAt(static_cast<long long>(now.tv_sec), now.tv_nsec, time);
}
