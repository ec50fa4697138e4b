#include "framework/base/QeTimerManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "framework/base/QeClock.h"
#include "framework/base/QeTiming.h"
#include "framework/base/QeTrace.h"
#include "platform/windows/window.h"
#include "tests/support/Pump.h"

namespace {

struct TraceLines {
    std::mutex lock;
    std::vector<std::wstring> lines;
};

void CollectTrace(void* context, const std::wstring& text) {
    auto* traces = static_cast<TraceLines*>(context);
    std::lock_guard<std::mutex> guard(traces->lock);
    traces->lines.push_back(text);
}

// Notes the frame clock at every call.
struct Calls {
    std::vector<DWORD> at;
    size_t Count() const { return at.size(); }
};

void Note(void* user) { static_cast<Calls*>(user)->at.push_back(QeClock::Instance()->current); }

class TimerManagerTest : public FakeClockTest {
protected:
    QeTimerManager& Manager() { return *QeTimerManager::Instance(); }
};

TEST_F(TimerManagerTest, ADurationEndsOnTheFirstTickAtOrAfterIt) {
    Calls calls;
    UINT id = Manager().Add(1.0f, 0.3f, &Note, &calls);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(Manager().Contains(id));
    Advance(2000);
    EXPECT_EQ(calls.at, (std::vector<DWORD>{300, 600, 900, 1200}));
    EXPECT_FALSE(Manager().Contains(id)) << "removed right after its last callback";
    EXPECT_EQ(CountQueuedMessages(nullptr, 0), 0);
}

TEST_F(TimerManagerTest, ATimerWithoutDurationRunsUntilRemoved) {
    Calls calls;
    UINT id = Manager().Add(0.0f, 0.5f, &Note, &calls);
    ASSERT_NE(id, 0u);
    AdvanceSeconds(5.0);
    EXPECT_EQ(calls.Count(), 10u);
    EXPECT_EQ(calls.at.back(), 5000u);
    EXPECT_TRUE(Manager().Remove(id));
    EXPECT_FALSE(Manager().Contains(id));
    Advance(5000);
    EXPECT_EQ(calls.Count(), 10u);
    EXPECT_TRUE(Manager().Remove(id)) << "removing again is harmless";
    EXPECT_TRUE(Manager().Remove(987654));

    // A negative duration also means "until removed".
    UINT endless = Manager().Add(-1.0f, 0.1f, nullptr, nullptr);
    Advance(3000);
    EXPECT_TRUE(Manager().Contains(endless)) << "a null callback is allowed";
}

TEST_F(TimerManagerTest, ATickPostedBeforeRemovalIsIgnored) {
    Calls calls;
    UINT id = Manager().Add(0.0f, 0.3f, &Note, &calls);
    AdvanceBlocked(300);  // the tick waits in the queue
    ASSERT_EQ(CountQueuedMessages(TickWindow(), WM_USER), 1);
    Manager().Remove(id);
    PumpPending();
    EXPECT_EQ(calls.Count(), 0u);

    EXPECT_TRUE(Manager().OnTimer(id));
    EXPECT_TRUE(Manager().OnTimer(0));
    // A wParam beyond 32 bits must not be cut down to some live timer's id.
    UINT live = Manager().Add(0.0f, 0.3f, &Note, &calls);
    EXPECT_TRUE(Manager().OnTimer((WPARAM{1} << 32) | live));
    EXPECT_EQ(calls.Count(), 0u);
    EXPECT_TRUE(Manager().OnTimer(live));
    EXPECT_EQ(calls.Count(), 1u);
}

TEST_F(TimerManagerTest, TicksOfABlockedLoopCoalesce) {
    // The keep-alive must not fire twice in a row after the loop was blocked.
    Calls keepAlive, animation;
    Manager().Add(0.0f, 10.0f, &Note, &keepAlive);
    Manager().Add(0.0f, 0.01f, &Note, &animation);
    AdvanceBlocked(25000);
    EXPECT_EQ(CountQueuedMessages(TickWindow(), WM_USER), 2);
    PumpPending();
    EXPECT_EQ(keepAlive.Count(), 1u);
    EXPECT_EQ(animation.Count(), 1u);
    Advance(10000);
    EXPECT_EQ(keepAlive.Count(), 2u);
    EXPECT_EQ(animation.Count(), 1001u);
}

TEST_F(TimerManagerTest, IntervalsBelowAMillisecondOrNotANumberAreRefusedWithATrace) {
    TraceLines traces;
    QeSetTraceSink(&CollectTrace, &traces);
    const float refused[] = {0.0f,
                             0.0001f,
                             0.000999f,
                             -0.5f,
                             std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             1e7f};
    for (float interval : refused) EXPECT_EQ(Manager().Add(0.0f, interval, &Note, nullptr), 0u) << interval;
    QeSetTraceSink(nullptr, nullptr);
    ASSERT_EQ(traces.lines.size(), std::size(refused));
    for (const std::wstring& line : traces.lines) {
        EXPECT_EQ(line, L"[QE+] QeTimerManager::Add, Failed to add a timer.\n");
    }
    EXPECT_EQ(Manager().Count(), 0u);
}

TEST_F(TimerManagerTest, IntervalsBecomeWholeMilliseconds) {
    Calls one, ten;
    ASSERT_NE(Manager().Add(0.0f, 0.001f, &Note, &one), 0u);
    ASSERT_NE(Manager().Add(0.0f, 0.01f, &Note, &ten), 0u);  // 0.01 × 1000 is 10, not 9
    Advance(30);
    EXPECT_EQ(one.Count(), 30u);
    EXPECT_EQ(ten.at, (std::vector<DWORD>{10, 20, 30}));
    EXPECT_EQ(Manager().Resolution(), 10u);
}

struct Juggler {
    QeTimerManager* manager = nullptr;
    UINT self = 0;
    UINT other = 0;
    UINT added = 0;
    int calls = 0;
    int otherCalls = 0;
    int addedCalls = 0;
    enum Action { kRemoveSelf, kRemoveOther, kKillAll, kAddOne } action = kRemoveSelf;
};

void CountOther(void* user) { ++static_cast<Juggler*>(user)->otherCalls; }
void CountAdded(void* user) { ++static_cast<Juggler*>(user)->addedCalls; }

void Juggle(void* user) {
    auto* juggler = static_cast<Juggler*>(user);
    ++juggler->calls;
    switch (juggler->action) {
        case Juggler::kRemoveSelf: juggler->manager->Remove(juggler->self); break;
        case Juggler::kRemoveOther: juggler->manager->Remove(juggler->other); break;
        case Juggler::kKillAll: juggler->manager->KillAll(); break;
        case Juggler::kAddOne:
            if (juggler->added == 0) juggler->added = juggler->manager->Add(0.0f, 0.1f, &CountAdded, juggler);
            break;
    }
}

TEST_F(TimerManagerTest, ACallbackMayRemoveItselfOrAnotherTimerWhoseTickWaits) {
    Juggler juggler;
    juggler.manager = &Manager();
    juggler.self = Manager().Add(1.0f, 0.1f, &Juggle, &juggler);  // removes itself on a duration tick
    Advance(500);
    EXPECT_EQ(juggler.calls, 1);
    EXPECT_FALSE(Manager().Contains(juggler.self));

    Juggler remover;
    remover.manager = &Manager();
    remover.action = Juggler::kRemoveOther;
    remover.self = Manager().Add(0.0f, 0.1f, &Juggle, &remover);
    remover.other = Manager().Add(0.0f, 0.1f, &CountOther, &remover);
    AdvanceBlocked(100);  // both ticks wait; the first removes the second
    PumpPending();
    EXPECT_EQ(remover.calls, 1);
    EXPECT_EQ(remover.otherCalls, 0);
    EXPECT_FALSE(Manager().Contains(remover.other));
}

TEST_F(TimerManagerTest, ACallbackMayKillAllTimers) {
    Juggler killer;
    killer.manager = &Manager();
    killer.action = Juggler::kKillAll;
    killer.self = Manager().Add(0.5f, 0.1f, &Juggle, &killer);
    killer.other = Manager().Add(0.0f, 0.1f, &CountOther, &killer);
    AdvanceBlocked(100);
    PumpPending();
    EXPECT_EQ(killer.calls, 1);
    EXPECT_EQ(killer.otherCalls, 0);
    EXPECT_EQ(Manager().Count(), 0u);
    Advance(1000);
    EXPECT_EQ(killer.calls, 1);
    EXPECT_EQ(CountQueuedMessages(nullptr, 0), 0);
}

TEST_F(TimerManagerTest, ACallbackMayAddATimer) {
    Juggler adder;
    adder.manager = &Manager();
    adder.action = Juggler::kAddOne;
    adder.self = Manager().Add(0.25f, 0.25f, &Juggle, &adder);  // its first tick is also its last
    Advance(250);
    ASSERT_NE(adder.added, 0u);
    EXPECT_NE(adder.added, adder.self);
    EXPECT_FALSE(Manager().Contains(adder.self));
    EXPECT_TRUE(Manager().Contains(adder.added)) << "removing the ended timer left the new one alone";
    Advance(1000);
    EXPECT_EQ(adder.addedCalls, 10);
    EXPECT_EQ(adder.calls, 1);
}

TEST_F(TimerManagerTest, WithoutATickWindowTicksAreDropped) {
    Calls calls;
    Manager().SetTickWindow(nullptr);
    Manager().Add(0.0f, 0.1f, &Note, &calls);
    Advance(1000);
    EXPECT_EQ(calls.Count(), 0u);
    EXPECT_EQ(CountQueuedMessages(nullptr, 0), 0);
    Manager().SetTickWindow(TickWindow());
    Advance(100);
    EXPECT_EQ(calls.Count(), 1u);
}

TEST_F(TimerManagerTest, StoppingTimingKillsEveryTimer) {
    Calls calls;
    Manager().Add(0.0f, 0.1f, &Note, &calls);
    QeTimingStop();
    EXPECT_EQ(QeTimerManager::Instance(), nullptr);
    EXPECT_EQ(QeClock::Instance(), nullptr);
    Advance(1000);
    EXPECT_EQ(calls.Count(), 0u);
    EXPECT_EQ(CountQueuedMessages(nullptr, 0), 0);
    QeTimingStop();  // a second stop is harmless
    ASSERT_TRUE(QeTimingStart());
    EXPECT_NE(QeClock::Instance(), nullptr);
    EXPECT_NE(QeTimerManager::Instance(), nullptr);
    Manager().SetTickWindow(TickWindow());
}

// The whole route on the real clock: the timer thread posts, the loop dispatches, the manager
// calls back. Bounds are generous; nothing depends on how fast the machine is.
TEST(TimerManagerRealTime, TicksTravelFromTheTimerThreadThroughTheLoop) {
    ASSERT_FALSE(timeFakeClockActive());
    TimingRig rig;
    QeTimerManager& manager = *QeTimerManager::Instance();
    Calls endless, limited;
    UINT id = manager.Add(0.0f, 0.02f, &Note, &endless);
    UINT shortLived = manager.Add(0.1f, 0.02f, &Note, &limited);
    ASSERT_NE(id, 0u);
    ASSERT_NE(shortLived, 0u);
    EXPECT_TRUE(PumpUntil([&] { return endless.Count() >= 5 && !manager.Contains(shortLived); }, 30.0));
    EXPECT_GE(limited.Count(), 1u);
    EXPECT_GE(limited.at.back(), 100u) << "the last call comes at or after the duration";
    manager.Remove(id);
    size_t seen = endless.Count();
    // A tick posted for the removed timer changes nothing.
    PostMessageW(rig.TickWindow(), WM_USER, id, 0);
    PumpPending();
    EXPECT_EQ(endless.Count(), seen);
}

}  // namespace
