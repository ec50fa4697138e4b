// The session on its own TCP peer against a loopback socket: what it sends when the connection
// opens, frames that arrive in pieces, and each way the connection can end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/SharedMessages.h"
#include "tests/support/Loopback.h"
#include "tests/support/Pump.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"

namespace {

constexpr double kBound = 20.0;

void LoopbackCommands(CommandRegistrar& registrar) {
    // The stand-in first: the first class registered for a command stays.
    registrar.Command<RawReceived<L"PING">, RecordingHandler>(L"PING");
    RegisterAllCommands(registrar);
}

// The first request of both phases, so each test sees what a connection opens with.
void SendPing(ProtocolSession& session) {
    PingRequest ping;
    session.Send(ping);
}

class SessionLoopbackTest : public ::testing::Test {
protected:
    SessionLoopbackTest() {
        session.SetConnectAction(0, &SendPing);
        session.SetConnectAction(1, &SendPing);
    }
    ~SessionLoopbackTest() override {
        harness.Session().Close();
        testnet::CloseFd(server);
    }

    // Connected in the phase, the server end accepted and the first request read.
    void Open(int phase) {
        ASSERT_GE(listener.fd(), 0);
        ASSERT_TRUE(harness.ConnectTo(listener.Port(), phase));
        server = listener.Accept();
        ASSERT_GE(server, 0);
        ASSERT_TRUE(PumpUntil([&] { return session.IsConnected(); }, kBound));
        char first[8];
        ASSERT_TRUE(testnet::RecvExactly(server, first, sizeof first));
        EXPECT_EQ(std::string(first, sizeof first), "PING 1\r\n");
    }

    RecordingScreens seam;
    SessionHarness harness{&LoopbackCommands, SessionHarness::Transport::Socket};
    ProtocolSession& session = harness.Session();
    testnet::Listener listener;
    int server = -1;
};

}  // namespace

TEST_F(SessionLoopbackTest, FramesArrivingInPiecesAreDispatchedOnceComplete) {
    Open(1);
    ASSERT_TRUE(testnet::SendAll(server, "CRP2 0 SS s1 8\r\nPI"));
    PumpFor(0.05);
    EXPECT_TRUE(harness.Handled().empty());
    ASSERT_TRUE(testnet::SendAll(server, "NG 5\r\nPING 6\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return harness.Handled().size() == 2; }, kBound));
    EXPECT_EQ(harness.Handled()[0], (HandledMessage{L"PING", 5, 100, L"s1", 1, ""}));
    EXPECT_EQ(harness.Handled()[1], (HandledMessage{L"PING", 6, 100, L"s1", 0, ""}));
    EXPECT_EQ(session.QueuedReceived(), 0u);
}

TEST_F(SessionLoopbackTest, RequestsGoOutInOrderAndArePending) {
    Open(1);
    LoutRequest lout(40);
    ASSERT_EQ(session.Send(lout), 1);
    char got[9];
    ASSERT_TRUE(testnet::RecvExactly(server, got, sizeof got));
    EXPECT_EQ(std::string(got, sizeof got), "LOUT 40\r\n");
    EXPECT_NE(harness.Pending().Find(40), nullptr);
}

TEST_F(SessionLoopbackTest, NothingIsSentBeforeTheConnectCompletes) {
    ASSERT_TRUE(harness.ConnectTo(listener.Port(), 0));
    LoutRequest early(30);
    EXPECT_EQ(session.Send(early), 0);
    EXPECT_EQ(session.QueuedForSending(), 0u);
    server = listener.Accept();
    ASSERT_GE(server, 0);
    ASSERT_TRUE(PumpUntil([&] { return session.IsConnected(); }, kBound));
    session.Close();
    std::string all;
    ASSERT_TRUE(testnet::RecvUntilClosed(server, all));
    EXPECT_EQ(all, "PING 1\r\n");
}

TEST_F(SessionLoopbackTest, ServiceClosingTheSignedInConnectionReturnsToLogin) {
    Open(1);
    testnet::CloseFd(server);
    server = -1;
    ASSERT_TRUE(PumpUntil([&] { return seam.Count("OnResetToLogin") == 1; }, kBound));
    EXPECT_EQ(seam.Lines(),
              (std::vector<std::wstring>{L"Alert(Tevrik 서버와의 연결이 끊어졌습니다.)", L"OnResetToLogin()"}));
    EXPECT_EQ(session.Phase, 0);
    EXPECT_FALSE(session.IsOpen());
}

TEST_F(SessionLoopbackTest, ServiceClosingTheLoginConnectionEndsTheAttemptOnTheForm) {
    Open(0);
    testnet::CloseFd(server);
    server = -1;
    ASSERT_TRUE(PumpUntil([&] { return seam.Count("LoginShowPage") == 1; }, kBound));
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{L"Alert(네트워크를 사용할 수 없습니다.)", L"LoginShowPage(0)"}));
    EXPECT_FALSE(session.IsOpen());
}

TEST_F(SessionLoopbackTest, ResetDuringSignInReturnsToTheLoginForm) {
    Open(0);
    testnet::Reset(server);
    server = -1;
    ASSERT_TRUE(PumpUntil([&] { return seam.Count("LoginShowPage") == 1; }, kBound));
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{L"Alert(네트워크를 사용할 수 없습니다.)", L"LoginShowPage(0)"}));
    EXPECT_FALSE(session.IsOpen());
}

TEST_F(SessionLoopbackTest, RefusedConnectReturnsToTheLoginForm) {
    ASSERT_TRUE(harness.ConnectTo(testnet::FreePort(), 0));
    ASSERT_TRUE(PumpUntil([&] { return seam.Count("LoginShowPage") == 1; }, kBound));
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{L"Alert(네트워크를 사용할 수 없습니다.)", L"LoginShowPage(0)"}));
    EXPECT_FALSE(session.IsOpen());
}

TEST_F(SessionLoopbackTest, OversizedFrameDropsTheSignedInConnection) {
    Open(1);
    ASSERT_TRUE(testnet::SendAll(server, "LSTA 2 1 1 5000000\r\n" + std::string(4096, 'x')));
    ASSERT_TRUE(PumpUntil([&] { return seam.Count("OnResetToLogin") == 1; }, kBound));
    EXPECT_EQ(seam.First("Alert")->Text, L"Tevrik 서버와의 연결이 끊어졌습니다.");
    EXPECT_FALSE(session.IsOpen());
    std::string rest;
    EXPECT_TRUE(testnet::RecvUntilClosed(server, rest));
}
