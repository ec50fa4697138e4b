// Running the user-interface loop inside a test.
//
// Everything the program does on its user-interface thread arrives as a posted message: socket
// events of the TCP peer's hidden window, timer ticks to the main window, messages a test posts.
// A test therefore never sleeps and hopes; it runs the loop until what it waits for has happened,
// with a bound, or it runs on the test clock and moves time by hand.
//
//   // Real time: wait (at most 5 s) until the peer has connected.
//   ASSERT_TRUE(PumpUntil([&] { return peer.connected; }, 5.0));
//
//   // Test clock: a whole test whose timers fire exactly when the test says.
//   TEST_F(FakeClockTest, KeepAliveAfterTenSeconds) {
//       ... QeTimerManager::Instance()->Add(0, 10.0, &OnKeepAlive, &state) ...
//       Advance(10000);               // fires the tick at 10000 ms and dispatches it
//       EXPECT_EQ(state.pings, 1);
//   }
//
// Every message the pump takes goes through the same steps as the program's loop: the frame clock
// (QeClock, when one exists) is refreshed, then TranslateMessage and DispatchMessageW.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "platform/win_types.h"

// Runs the calling thread's loop until `condition` holds or `seconds` of real time have passed;
// returns the condition's last answer. The condition and the bound are checked before each wait
// and after every dispatched message, so the bound holds even while messages keep coming. Between
// messages the thread blocks (in short slices), so a thread that only posts wakes it at once. A
// waiting WM_QUIT ends the pump early and stays in the queue for the caller to take.
bool PumpUntil(const std::function<bool()>& condition, double seconds);

// Dispatches every message already waiting, without blocking; returns how many it dispatched.
// Stops before a waiting WM_QUIT.
int PumpPending();

// Dispatches until nothing waits (a waiting WM_QUIT aside) or `seconds` of real time have passed;
// true when the loop went idle. Unlike PumpPending it ends even when a window keeps asking to be
// painted.
bool PumpUntilIdle(double seconds);

// Runs the loop for `seconds` whatever happens. Only for showing that something does NOT happen
// within that time; everything else waits with PumpUntil.
void PumpFor(double seconds);

// The test clock for as long as the object lives (see platform/system/mmtimer.h). The default start lies
// 10 s before the 32-bit wrap of timeGetTime, so fake-clock tests also cross the wrap.
class FakeClock {
public:
    static constexpr DWORD kDefaultStart = 0xFFFFD8F0;

    explicit FakeClock(DWORD startMs = kDefaultStart);
    ~FakeClock();
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    // Moves time forward; after every timer callback the loop dispatches what is waiting (so each
    // tick is handled at its own time, as in a loop that is not blocked), and once more at the end.
    void Advance(DWORD ms);
    void AdvanceSeconds(double seconds);

    // Moves time forward without running the loop, as if the user-interface thread were blocked;
    // ticks stay in the queue (one per timer, since ticks coalesce).
    void AdvanceBlocked(DWORD ms);

    DWORD Now() const;
};

// The framework's timing for as long as the object lives: QeTimingStart, plus a hidden window that
// stands in for the main window and hands WM_USER ticks to QeTimerManager::OnTimer.
class TimingRig {
public:
    TimingRig();
    ~TimingRig();
    TimingRig(const TimingRig&) = delete;
    TimingRig& operator=(const TimingRig&) = delete;

    HWND TickWindow() const { return m_window; }

private:
    HWND m_window = nullptr;
};

// A whole test on the test clock with the framework's timing started (clock first, so QeClock
// starts at the test time). Advance / AdvanceSeconds / AdvanceBlocked move time.
class FakeClockTest : public ::testing::Test {
protected:
    void Advance(DWORD ms) { m_clock.Advance(ms); }
    void AdvanceSeconds(double seconds) { m_clock.AdvanceSeconds(seconds); }
    void AdvanceBlocked(DWORD ms) { m_clock.AdvanceBlocked(ms); }
    DWORD Now() const { return m_clock.Now(); }
    HWND TickWindow() const { return m_rig.TickWindow(); }

private:
    FakeClock m_clock;
    TimingRig m_rig;
};
