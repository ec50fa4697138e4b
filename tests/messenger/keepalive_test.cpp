// The keep-alive on the test clock (which starts 10 s before the 32-bit millisecond wrap, so every
// test here crosses it), and the answer to the service's PING.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/base/QeTimerManager.h"
#include "messenger/protocol/KeepAlive.h"
#include "messenger/protocol/Reset.h"
#include "tests/messenger/signin_test_support.h"
#include "tests/support/Pump.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/TraceLog.h"

using signin_test::SignedInModel;

namespace {

const std::wstring kLostLine = std::wstring(L"Alert(") + kKeepAliveLostText + L")";

class KeepAliveTest : public FakeClockTest {
protected:
    KeepAliveTest() {
        harness.Connect(1);
        EXPECT_TRUE(keepAlive.StartKeepAlive());
    }

    std::string Pong(int32_t id) { return "PONG " + std::to_string(id) + "\r\n"; }

    RecordingScreens screens;
    SignedInModel model;
    KeepAlive& keepAlive = model.keepAlive;
    SessionHarness harness;
};

}  // namespace

TEST_F(KeepAliveTest, FirstPongGoesOutAfterTenSeconds) {
    Advance(9999);
    EXPECT_TRUE(harness.Sent().empty());
    Advance(1);
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{"PONG 1\r\n"}));
    EXPECT_TRUE(keepAlive.AwaitingAnswer);
    EXPECT_NE(harness.Pending().Find(1), nullptr);
}

TEST_F(KeepAliveTest, AnsweredPongsGoOnForAsLongAsTheyAreAnswered) {
    // A hundred rounds, far across the wrap of the millisecond counter.
    Advance(10000);
    for (int32_t round = 1; round <= 100; ++round) {
        ASSERT_EQ(harness.Sent().size(), static_cast<size_t>(round));
        ASSERT_EQ(harness.Sent().back(), Pong(round));
        // Answered 9 s after it went out; the next tick, 1 s later, sends the next one.
        Advance(9000);
        harness.Receive(Pong(round));
        ASSERT_FALSE(keepAlive.AwaitingAnswer) << round;
        Advance(1000);
    }
    EXPECT_TRUE(screens.Lines().empty()) << screens.Dump();
    EXPECT_TRUE(harness.IsOpen());
}

TEST_F(KeepAliveTest, UnansweredPongEndsTheSessionAtTheNextTick) {
    Advance(10000);
    ASSERT_EQ(harness.Sent().size(), 1u);
    Advance(10000);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{kLostLine, L"OnResetToLogin()"}));
    EXPECT_EQ(harness.Sent().size(), 1u) << "nothing more is sent";
    EXPECT_EQ(keepAlive.TimerId, 0u);
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(harness.Session().Phase, 0);
    Advance(30000);
    EXPECT_EQ(screens.Count("Alert"), 1u);
}

TEST_F(KeepAliveTest, AnySuccessfulAnswerCountsAndAFailedOneDoesNot) {
    Advance(10000);
    // The service numbers its answer as it likes: a PONG under an id of no PONG of ours counts.
    harness.Receive(Pong(77));
    EXPECT_FALSE(keepAlive.AwaitingAnswer);
    Advance(10000);
    ASSERT_EQ(harness.Sent().back(), Pong(2));
    // An error reply to the PONG: shown, and still unanswered.
    harness.Receive("400 2\r\n");
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"Alert(FailureCodeGeneralServerError)"}));
    EXPECT_TRUE(keepAlive.AwaitingAnswer);
    Advance(10000);
    EXPECT_EQ(screens.Last("Alert")->Text, kKeepAliveLostText);
}

TEST_F(KeepAliveTest, PongThatCouldNotBeWrittenCountsAsUnanswered) {
    harness.FailWrites = true;
    Advance(10000);
    EXPECT_TRUE(keepAlive.AwaitingAnswer);
    Advance(10000);
    EXPECT_EQ(screens.Count("OnResetToLogin"), 1u);
}

TEST_F(KeepAliveTest, ResetStopsItAndARestartBeginsAfresh) {
    const UINT first = keepAlive.TimerId;
    EXPECT_TRUE(keepAlive.StartKeepAlive());
    EXPECT_FALSE(QeTimerManager::Instance()->Contains(first)) << "one timer at a time";
    Advance(10000);
    ASSERT_TRUE(keepAlive.AwaitingAnswer);
    ResetToLogin();
    EXPECT_EQ(keepAlive.TimerId, 0u);
    EXPECT_EQ(QeTimerManager::Instance()->Count(), 0u);

    harness.Connect(1);
    harness.ClearSent();
    ASSERT_TRUE(keepAlive.StartKeepAlive());
    EXPECT_FALSE(keepAlive.AwaitingAnswer);
    Advance(10000);
    EXPECT_EQ(harness.Sent().size(), 1u);
    EXPECT_EQ(screens.Count("Alert"), 0u);
}

TEST_F(KeepAliveTest, ServicesPingIsAnsweredUnderItsId) {
    harness.Receive("PING 42\r\n");
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{"PING 42\r\n"}));
    EXPECT_TRUE(screens.Lines().empty());
}

TEST_F(KeepAliveTest, ServicesPingUnderTheIdOfOurOutstandingPongLeavesThePongWaiting) {
    // The service numbers its own PINGs; one may carry the id our PONG went out with.
    Advance(10000);
    ASSERT_EQ(harness.Sent(), (std::vector<std::string>{"PONG 1\r\n"}));
    harness.Receive("PING 1\r\n");
    EXPECT_EQ(harness.Sent().back(), "PING 1\r\n");
    ASSERT_NE(harness.Pending().Find(1), nullptr);
    EXPECT_EQ(harness.Pending().Find(1)->Name, L"PONG");
    harness.Receive(Pong(1));
    EXPECT_FALSE(keepAlive.AwaitingAnswer);
    EXPECT_EQ(harness.Pending().Find(1), nullptr);
    Advance(10000);
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
    EXPECT_TRUE(harness.IsOpen());
}

TEST(KeepAliveLifetime, DestructorRemovesTheTimer) {
    FakeClock clock;
    TimingRig timing;
    {
        KeepAlive keepAlive;
        ASSERT_TRUE(keepAlive.StartKeepAlive());
        EXPECT_EQ(QeTimerManager::Instance()->Count(), 1u);
    }
    EXPECT_EQ(QeTimerManager::Instance()->Count(), 0u);
}

TEST(KeepAliveLifetime, WithoutTimersItDoesNotStart) {
    TraceLog trace;
    KeepAlive keepAlive;
    EXPECT_FALSE(keepAlive.StartKeepAlive());
    EXPECT_EQ(keepAlive.TimerId, 0u);
    EXPECT_EQ(trace.Text(), L"[QE+] KeepAlive::StartKeepAlive, there is no timer manager.\n");
    keepAlive.StopKeepAlive();
}
