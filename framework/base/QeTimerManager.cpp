#include "framework/base/QeTimerManager.h"

#include "framework/base/QeClock.h"
#include "framework/base/QeTrace.h"
#include "platform/system/thread.h"
#include "platform/windows/window.h"

namespace {

DWORD ClockNow() {
    QeClock* clock = QeClock::Instance();
    return clock != nullptr ? clock->current : 0;
}

}  // namespace

QeTimerManager::QeTimerManager() : m_thread(GetCurrentThreadId()) {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof(caps)) == TIMERR_NOERROR) {
        if (caps.wPeriodMin > 10) {
            m_resolution = caps.wPeriodMin;
        } else {
            m_resolution = caps.wPeriodMax < 10 ? caps.wPeriodMax : 10;
        }
    }
}

QeTimerManager::~QeTimerManager() { KillAll(); }

void QeTimerManager::TimerProc(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    // Runs on the timer thread, or in the message loop of the manager's thread: post and nothing
    // else. The manager outlives this call, since killing a timer waits for its running callback.
    auto* manager = reinterpret_cast<QeTimerManager*>(user);
    HWND window = manager->m_tickWindow.load();
    if (window != nullptr) PostMessageCoalescedW(window, WM_USER, id, 0);
}

UINT QeTimerManager::Add(float duration, float interval, QeTimerCallback callback, void* user) {
    float delay = interval * 1000.0f;
    UINT id = 0;
    // Converting a negative, huge or NaN figure to unsigned is undefined; those never reach the
    // timer. Below 1 ms the delay is 0, which the timer refuses.
    if (delay >= 0.0f && delay < 4294967296.0f) {
        // On the manager's own thread (the one whose loop takes the ticks) the timer runs in that
        // loop: each tick then wakes one thread, not the timer thread and then this one.
        const UINT inLoop = GetCurrentThreadId() == m_thread ? TIME_CALLBACK_IN_LOOP : 0;
        id = timeSetEvent(static_cast<UINT>(delay), m_resolution, &TimerProc, reinterpret_cast<DWORD_PTR>(this),
                          TIME_PERIODIC | inLoop);
    }
    if (id == 0) {
        QeTrace(L"[QE+] QeTimerManager::Add, Failed to add a timer.\n");
        return 0;
    }
    QeTimerRecord& record = m_records[id];
    record.start = ClockNow();
    record.id = id;
    record.duration = duration;
    record.interval = interval;
    record.callback = callback;
    record.user = user;
    return id;
}

bool QeTimerManager::Remove(UINT id) {
    auto it = m_records.find(id);
    if (it != m_records.end()) {
        timeKillEvent(id);
        m_records.erase(it);
    }
    return true;
}

bool QeTimerManager::Defer(UINT id, UINT ticks) {
    return m_records.count(id) != 0 && timeDeferEvent(id, ticks) == TIMERR_NOERROR;
}

void QeTimerManager::KillAll() {
    for (const auto& [id, record] : m_records) timeKillEvent(id);
    m_records.clear();
}

bool QeTimerManager::OnTimer(WPARAM tick) {
    if (tick > 0xFFFFFFFFu) return true;
    UINT id = static_cast<UINT>(tick);
    auto it = m_records.find(id);
    if (it == m_records.end()) return true;
    // The callback may change the map, the record included: work from copies.
    const QeTimerRecord record = it->second;
    if (record.duration <= 0.0f) {
        if (record.callback != nullptr) record.callback(record.user);
        return true;
    }
    float elapsed = static_cast<float>(ClockNow() - record.start) * 0.001f;
    if (record.callback != nullptr) record.callback(record.user);
    if (!(elapsed < record.duration)) Remove(id);
    return true;
}
