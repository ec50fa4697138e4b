#include "platform/system/systime.h"

#include <time.h>

#include <cstring>
#include <mutex>

#include "platform/system/mmtimer.h"

namespace {

struct FixedClock {
    std::mutex lock;
    bool on = false;
    long long startSeconds = 0;  // since 1970, read as UTC
    long startMs = 0;
    DWORD startTick = 0;
};

FixedClock& Fixed() {
    static FixedClock* clock = new FixedClock;
    return *clock;
}

// The fields of a broken-down time; a leap second reads as the last ordinary second of its minute.
void FillFromParts(const struct tm& parts, long milliseconds, SYSTEMTIME* time) {
    time->wYear = static_cast<WORD>(parts.tm_year + 1900);
    time->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    time->wDay = static_cast<WORD>(parts.tm_mday);
    time->wHour = static_cast<WORD>(parts.tm_hour);
    time->wMinute = static_cast<WORD>(parts.tm_min);
    time->wSecond = static_cast<WORD>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
    time->wMilliseconds = static_cast<WORD>(milliseconds);
}

// The broken-down time of a moment read as UTC, so no zone moves it.
void UtcTimeAt(long long seconds, long milliseconds, SYSTEMTIME* time) {
    std::memset(time, 0, sizeof *time);
    const time_t moment = static_cast<time_t>(seconds);
    struct tm parts {};
    if (gmtime_r(&moment, &parts) == nullptr) return;
    FillFromParts(parts, milliseconds, time);
}

}  // namespace

void LocalTimeAt(long long seconds, long nanoseconds, SYSTEMTIME* time) {
    if (time == nullptr) return;
    std::memset(time, 0, sizeof *time);
    // localtime_r need not look at TZ again by itself; tzset makes a changed zone count.
    tzset();
    const time_t moment = static_cast<time_t>(seconds);
    struct tm parts {};
    if (localtime_r(&moment, &parts) == nullptr) return;
    FillFromParts(parts, nanoseconds / 1000000, time);
}

void GetLocalTime(SYSTEMTIME* time) {
    if (time == nullptr) return;
    {
        FixedClock& fixed = Fixed();
        std::lock_guard<std::mutex> guard(fixed.lock);
        if (fixed.on) {
            // Unsigned difference: the timer clock may wrap while the fixed clock runs.
            const long long elapsed = static_cast<DWORD>(timeGetTime() - fixed.startTick) + fixed.startMs;
            UtcTimeAt(fixed.startSeconds + elapsed / 1000, static_cast<long>(elapsed % 1000), time);
            return;
        }
    }
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    LocalTimeAt(static_cast<long long>(now.tv_sec), now.tv_nsec, time);
}

void LocalTimeFixedBegin(const SYSTEMTIME& start) {
    struct tm parts {};
    parts.tm_year = start.wYear - 1900;
    parts.tm_mon = start.wMonth - 1;
    parts.tm_mday = start.wDay;
    parts.tm_hour = start.wHour;
    parts.tm_min = start.wMinute;
    parts.tm_sec = start.wSecond;
    FixedClock& fixed = Fixed();
    std::lock_guard<std::mutex> guard(fixed.lock);
    fixed.startSeconds = static_cast<long long>(timegm(&parts));
    fixed.startMs = start.wMilliseconds % 1000;
    fixed.startTick = timeGetTime();
    fixed.on = true;
}

void LocalTimeFixedEnd() {
    FixedClock& fixed = Fixed();
    std::lock_guard<std::mutex> guard(fixed.lock);
    fixed.on = false;
}

bool LocalTimeFixedActive() {
    FixedClock& fixed = Fixed();
    std::lock_guard<std::mutex> guard(fixed.lock);
    return fixed.on;
}
