#include "platform/system/mmtimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/system/thread.h"
#include "platform/windows/window.h"
#include "tests/support/Pump.h"

namespace {

// What a timer callback saw: the timer id and the clock at the call.
struct Log {
    std::vector<std::pair<UINT, DWORD>> fired;
    HWND post = nullptr;  // when set, each call also posts a coalesced WM_USER here
    int afterEach = 0;
};

void Record(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* log = reinterpret_cast<Log*>(user);
    log->fired.emplace_back(id, timeGetTime());
    if (log->post != nullptr) PostMessageCoalescedW(log->post, WM_USER, id, 0);
}

void CountAfterEach(void* context) { ++static_cast<Log*>(context)->afterEach; }

LRESULT CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        auto* count = reinterpret_cast<std::atomic<int>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (count != nullptr) ++*count;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeCountingWindow(std::atomic<int>* count) {
    static bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &CountingProc;
        windowClass.lpszClassName = L"MmTimerTestCounter";
        return RegisterClassW(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    HWND window = CreateWindowExW(0, L"MmTimerTestCounter", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(count));
    return window;
}

TEST(MmTimer, DeviceCapsAndRefusedTimers) {
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof(caps)), TIMERR_NOERROR);
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_EQ(caps.wPeriodMax, 1000000u);
    EXPECT_EQ(timeGetDevCaps(nullptr, sizeof(caps)), TIMERR_NOCANDO);
    EXPECT_EQ(timeGetDevCaps(&caps, 4), TIMERR_NOCANDO);

    Log log;
    EXPECT_EQ(timeSetEvent(0, 10, &Record, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(1000001, 10, &Record, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(10, 10, nullptr, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
}

TEST(MmTimer, TestClockReadsItsOwnTimeAndWrapsAt32Bits) {
    FakeClock clock(0xFFFFFFF0);
    EXPECT_TRUE(timeFakeClockActive());
    EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
    clock.Advance(0x0F);
    EXPECT_EQ(timeGetTime(), 0xFFFFFFFFu);
    clock.Advance(0x21);
    EXPECT_EQ(timeGetTime(), 0x20u);
    EXPECT_EQ(timeGetTime() - 0xFFFFFFF0u, 0x30u) << "differences stay right across the wrap";
}

TEST(MmTimer, TestClockFiresEveryDueTimeInOrderOfTimeThenId) {
    FakeClock clock(1000);
    Log log;
    auto user = reinterpret_cast<DWORD_PTR>(&log);
    UINT a = timeSetEvent(30, 10, &Record, user, TIME_PERIODIC);
    UINT b = timeSetEvent(50, 10, &Record, user, TIME_PERIODIC);
    UINT once = timeSetEvent(40, 10, &Record, user, TIME_ONESHOT);
    ASSERT_NE(a, 0u);
    ASSERT_LT(a, b);
    ASSERT_LT(b, once);

    timeFakeClockAdvance(150, &CountAfterEach, &log);
    std::vector<std::pair<UINT, DWORD>> expected = {{a, 1030},    {once, 1040}, {b, 1050}, {a, 1060},
                                                    {a, 1090},    {b, 1100},    {a, 1120}, {a, 1150},
                                                    {b, 1150}};
    EXPECT_EQ(log.fired, expected);
    EXPECT_EQ(log.afterEach, 9);
    EXPECT_EQ(timeGetTime(), 1150u);

    EXPECT_EQ(timeKillEvent(once), MMSYSERR_INVALPARAM) << "a one-shot timer ends by itself";
    EXPECT_EQ(timeKillEvent(a), TIMERR_NOERROR);
    EXPECT_EQ(timeKillEvent(a), MMSYSERR_INVALPARAM);
    log.fired.clear();
    timeFakeClockAdvance(100, nullptr, nullptr);
    expected = {{b, 1200}, {b, 1250}};
    EXPECT_EQ(log.fired, expected);
    EXPECT_EQ(timeKillEvent(b), TIMERR_NOERROR);

    UINT later = timeSetEvent(30, 10, &Record, user, TIME_PERIODIC);
    EXPECT_GT(later, once) << "ids are never reused";
    timeKillEvent(later);
}

TEST(MmTimer, ABlockedLoopFindsOneTickPerTimer) {
    FakeClock clock(5000);
    std::atomic<int> delivered{0};
    HWND window = MakeCountingWindow(&delivered);
    Log log;
    log.post = window;
    UINT fast = timeSetEvent(10, 10, &Record, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC);
    UINT slow = timeSetEvent(300, 10, &Record, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC);

    clock.AdvanceBlocked(1000);
    EXPECT_EQ(log.fired.size(), 103u);
    EXPECT_EQ(CountQueuedMessages(window, WM_USER), 2) << "one waiting tick per timer";
    EXPECT_EQ(PumpPending(), 2);
    EXPECT_EQ(delivered.load(), 2);

    // A loop that is not blocked gets every tick.
    clock.Advance(100);
    EXPECT_EQ(delivered.load(), 12);
    timeKillEvent(fast);
    timeKillEvent(slow);
    DestroyWindow(window);
}

// Deferred due times pass without a callback; the timer keeps its grid, and 0 brings the next back.
TEST(MmTimer, DeferredDueTimesPassAndTheGridStays) {
    FakeClock clock(1000);
    Log log;
    UINT id = timeSetEvent(10, 10, &Record, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC);
    EXPECT_EQ(timeDeferEvent(id + 1, 1), MMSYSERR_INVALPARAM);
    for (const auto& [advance, periods] : {std::pair<DWORD, UINT>{15, 3}, {40, 5}, {20, 0}, {5, 2}}) {
        clock.Advance(advance);
        EXPECT_EQ(timeDeferEvent(id, periods), TIMERR_NOERROR);
    }
    clock.Advance(40);
    EXPECT_EQ(log.fired, (std::vector<std::pair<UINT, DWORD>>{{id, 1010}, {id, 1050}, {id, 1080}, {id, 1110}, {id, 1120}}));
    timeKillEvent(id);
}

void KillSelf(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* calls = reinterpret_cast<int*>(user);
    ++*calls;
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
}

TEST(MmTimer, ACallbackMayKillItsOwnTimer) {
    FakeClock clock(0);
    int calls = 0;
    UINT id = timeSetEvent(5, 1, &KillSelf, reinterpret_cast<DWORD_PTR>(&calls), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    clock.Advance(100);
    EXPECT_EQ(calls, 1);
}

// Through the real timer thread, with bounds generous enough for a loaded machine.
TEST(MmTimerRealTime, TicksReachTheLoopNeverEarlyAndStopWhenKilled) {
    ASSERT_FALSE(timeFakeClockActive());
    std::atomic<int> delivered{0};
    HWND window = MakeCountingWindow(&delivered);
    Log log;
    log.post = window;
    DWORD setAt = timeGetTime();
    UINT id = timeSetEvent(5, 1, &Record, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(PumpUntil([&] { return delivered.load() >= 5; }, 20.0));
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);

    // The log is written on the timer thread; after the kill it is no longer touched.
    ASSERT_GE(log.fired.size(), 5u);
    DWORD previous = setAt;
    for (size_t i = 0; i < log.fired.size(); ++i) {
        EXPECT_EQ(log.fired[i].first, id);
        DWORD at = log.fired[i].second;
        EXPECT_GE(at - setAt, 5u * (i + 1)) << "tick " << i << " came before its due time";
        EXPECT_GE(at, previous);
        previous = at;
    }
    DestroyWindow(window);
}

// Fire times written on the timer thread, read once the timer is killed.
struct Ticks { std::vector<DWORD> at; std::atomic<size_t> count{0}; DWORD setAt = 0; };
// A 10 ms timer set up within the millisecond that reads `phase` modulo 10 (0 when none came in 2 s).
UINT SetAtPhase(DWORD phase, UINT resolution, Ticks* ticks) {
    for (const DWORD end = timeGetTime() + 2000; static_cast<LONG>(end - timeGetTime()) > 0; std::this_thread::yield()) {
        if ((ticks->setAt = timeGetTime()) % 10 != phase) continue;
        const UINT id = timeSetEvent(10, resolution, [](UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
            reinterpret_cast<Ticks*>(user)->at.push_back(timeGetTime());
            ++reinterpret_cast<Ticks*>(user)->count;
        }, reinterpret_cast<DWORD_PTR>(ticks), TIME_PERIODIC);
        if (timeGetTime() == ticks->setAt) return id;
        timeKillEvent(id);
    }
    return 0;
}

// Timers of one period and resolution share their wakes, never early; a resolution of 1 keeps exact times.
TEST(MmTimerRealTime, TimersOfOneResolutionShareTheirTicks) {
    Ticks ticks[3];  // resolution 10 on the grid, 10 and 1 five milliseconds off it
    const UINT ids[3] = {SetAtPhase(0, 10, &ticks[0]), SetAtPhase(5, 10, &ticks[1]), SetAtPhase(5, 1, &ticks[2])};
    EXPECT_TRUE(PumpUntil([&] { return ticks[0].count >= 6 && ticks[1].count >= 6 && ticks[2].count >= 6; }, 20.0));
    int exact = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(timeKillEvent(ids[i]), TIMERR_NOERROR);
        for (size_t k = 0; k < ticks[i].at.size(); ++k) {
            const DWORD late = ticks[i].at[k] - ticks[i].setAt - 10u * (k + 1);
            EXPECT_LT(late, 0x80000000u) << "timer " << i << " came early";  // (or skipped a late tick)
            exact += i == 2 && late < 5 ? 1 : 0;
        }
    }
    const std::set<DWORD> grid(ticks[0].at.begin(), ticks[0].at.end());
    for (DWORD at : ticks[1].at) EXPECT_NE(grid.count(at) + grid.count(at - 1), 0u) << "a tick of its own at " << at;
    EXPECT_GT(exact, 0) << "a resolution of 1 was rounded to a grid";
}

// A timer run in the loop ticks only inside its own thread's message functions, on that thread,
// never early: GetMessageW, with nothing posted, wakes for it; another thread's wait runs none of it.
TEST(MmTimerRealTime, ALoopTimerTicksInsideItsOwnThreadsWait) {
    struct Seen {
        std::vector<std::pair<DWORD, DWORD>> ticks;  // thread, time
        HWND post = nullptr;
    } seen;
    std::atomic<int> delivered{0};
    seen.post = MakeCountingWindow(&delivered);
    const DWORD setAt = timeGetTime();
    const UINT id = timeSetEvent(5, 1, [](UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
        auto* seen = reinterpret_cast<Seen*>(user);
        seen->ticks.emplace_back(GetCurrentThreadId(), timeGetTime());
        if (seen->ticks.size() == 3) timeKillEvent(id);
        PostMessageCoalescedW(seen->post, WM_USER, id, 0);
    }, reinterpret_cast<DWORD_PTR>(&seen), TIME_PERIODIC | TIME_CALLBACK_IN_LOOP);
    ASSERT_NE(id, 0u);
    std::thread([] {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        WaitMessageTimeout(30);
    }).join();
    EXPECT_TRUE(seen.ticks.empty()) << "ticks came outside the thread's own message functions";
    // Should the ticks never come, a message after 10 s ends the wait.
    std::mutex lock;
    std::condition_variable doneChanged;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> guard(lock);
        if (!doneChanged.wait_for(guard, std::chrono::seconds(10), [&] { return done; })) {
            PostMessageW(seen.post, WM_USER + 1, 0, 0);
        }
    });
    MSG msg;
    while (seen.ticks.size() < 3 && GetMessageW(&msg, nullptr, 0, 0) == 1 && msg.message == WM_USER) DispatchMessageW(&msg);
    {
        std::lock_guard<std::mutex> guard(lock);
        done = true;
    }
    doneChanged.notify_all();
    watchdog.join();
    ASSERT_EQ(seen.ticks.size(), 3u);
    for (size_t i = 0; i < seen.ticks.size(); ++i) {
        EXPECT_EQ(seen.ticks[i].first, GetCurrentThreadId());
        EXPECT_GE(seen.ticks[i].second - setAt, 5u * (i + 1)) << "tick " << i << " came before its due time";
    }
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM) << "its callback killed it";
    DestroyWindow(seen.post);
}

struct Blocking {
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    std::atomic<bool> returned{false};
};

void BlockUntilReleased(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* blocking = reinterpret_cast<Blocking*>(user);
    if (blocking->returned.load()) return;
    blocking->entered = true;
    while (!blocking->release.load()) std::this_thread::yield();
    blocking->returned = true;
}

TEST(MmTimerRealTime, KillWaitsForARunningCallback) {
    Blocking blocking;
    UINT id = timeSetEvent(1, 1, &BlockUntilReleased, reinterpret_cast<DWORD_PTR>(&blocking), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(PumpUntil([&] { return blocking.entered.load(); }, 20.0));
    std::thread releaser([&] {
        for (int i = 0; i < 1000; ++i) std::this_thread::yield();
        blocking.release = true;
    });
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    EXPECT_TRUE(blocking.returned.load()) << "the kill returned while the callback still ran";
    releaser.join();
}

}  // namespace
