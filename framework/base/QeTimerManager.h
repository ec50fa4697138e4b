// Periodic callbacks on the user-interface thread. Each timer is a periodic multimedia timer whose
// thread only posts WM_USER (wParam: the timer id) to the tick window; the window's procedure
// hands the tick to OnTimer, which runs the callback. Ticks coalesce: while the loop is blocked at
// most one tick per timer waits, so callbacks never come in a burst after a stall (every animation
// computes its progress from the clock, so nothing is lost).
#pragma once

#include <atomic>
#include <map>

#include "framework/base/QeSingleton.h"
#include "platform/system/mmtimer.h"

using QeTimerCallback = void (*)(void* user);

class QeTimerRecord {
public:
    virtual ~QeTimerRecord() = default;

    DWORD start = 0;       // the clock's current when added
    UINT id = 0;           // the multimedia timer id, also the key
    float duration = 0;    // seconds; 0 or less runs until removed
    float interval = 0;    // seconds between callbacks
    QeTimerCallback callback = nullptr;
    void* user = nullptr;
};

class QeTimerManager : public QeSingleton<QeTimerManager> {
public:
    QeTimerManager();
    ~QeTimerManager() override;  // KillAll

    // Calls callback(user) every `interval` seconds, for `duration` seconds (the last call comes on
    // the first tick at or after the duration, then the timer is gone) or, with a duration of 0 or
    // less, until removed. Returns the timer id, or 0 (traced) when no timer could be made, which
    // includes an interval below 1 ms, negative or not a number.
    UINT Add(float duration, float interval, QeTimerCallback callback, void* user);

    // Stops and forgets the timer; an unknown id is ignored. Always true.
    bool Remove(UINT id);

    void KillAll();

    // The timer's next `ticks` ticks do not come; the one after comes at its usual time. 0 brings
    // back the next usual tick. False for an unknown id.
    bool Defer(UINT id, UINT ticks);

    // A tick from the loop. Ticks of timers that are gone are ignored. Callbacks may add timers,
    // remove any timer (their own too) and kill all. Always true.
    bool OnTimer(WPARAM id);

    // The window the ticks are posted to (the main window); ticks are dropped while there is none.
    void SetTickWindow(HWND window) { m_tickWindow.store(window); }
    HWND TickWindow() const { return m_tickWindow.load(); }

    UINT Resolution() const { return m_resolution; }
    bool Contains(UINT id) const { return m_records.count(id) != 0; }
    size_t Count() const { return m_records.size(); }

private:
    static void TimerProc(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

    UINT m_resolution = 10;
    DWORD m_thread;  // the thread that made the manager
    std::map<UINT, QeTimerRecord> m_records;
    std::atomic<HWND> m_tickWindow{nullptr};
};
