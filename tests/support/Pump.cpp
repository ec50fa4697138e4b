#include "tests/support/Pump.h"

#include <chrono>
#include <cmath>

#include "framework/base/QeClock.h"
#include "platform/system/mmtimer.h"
#include "platform/windows/window.h"

namespace {

// Takes and handles one message the way the program's loop does. False when nothing is waiting
// or the next message is WM_QUIT (left in the queue).
bool DispatchOne() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) || msg.message == WM_QUIT) return false;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (QeClock* clock = QeClock::Instance()) clock->Update();
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

bool QuitWaiting() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& condition, double seconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(seconds > 0 ? seconds : 0));
    for (;;) {
        if (condition()) return true;
        // The deadline holds inside the burst too: a window that posts to itself on every message
        // keeps the queue from ever running dry.
        while (DispatchOne()) {
            if (condition()) return true;
            if (Clock::now() >= deadline) return condition();
        }
        if (QuitWaiting()) return condition();
        auto now = Clock::now();
        if (now >= deadline) return condition();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        // Short slices: a condition may also turn true through another thread without a message.
        WaitMessageTimeout(static_cast<DWORD>(left < 10 ? left + 1 : 10));
    }
}

int PumpPending() {
    int count = 0;
    while (DispatchOne()) ++count;
    return count;
}

bool PumpUntilIdle(double seconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(seconds > 0 ? seconds : 0));
    while (DispatchOne()) {
        if (Clock::now() >= deadline) return false;
    }
    return true;
}

void PumpFor(double seconds) {
    // Nothing to look at between messages: the thread sleeps until one comes or the time is up.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(seconds > 0 ? seconds : 0));
    for (;;) {
        while (DispatchOne()) {
            if (Clock::now() >= deadline) return;
        }
        const auto now = Clock::now();
        if (QuitWaiting() || now >= deadline) return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        WaitMessageTimeout(static_cast<DWORD>(left + 1));
    }
}

FakeClock::FakeClock(DWORD startMs) { timeFakeClockBegin(startMs); }

FakeClock::~FakeClock() { timeFakeClockEnd(); }

void FakeClock::Advance(DWORD ms) {
    timeFakeClockAdvance(ms, [](void*) { PumpPending(); }, nullptr);
    PumpPending();
}

void FakeClock::AdvanceSeconds(double seconds) { Advance(static_cast<DWORD>(std::llround(seconds * 1000.0))); }

void FakeClock::AdvanceBlocked(DWORD ms) { timeFakeClockAdvance(ms, nullptr, nullptr); }

DWORD FakeClock::Now() const { return timeGetTime(); }
