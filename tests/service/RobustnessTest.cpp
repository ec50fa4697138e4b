// Bad input closes the one connection that sent it; everyone else goes on being served. And the
// ways a test can make a connection misbehave.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "tests/service/ScriptedClient.h"
#include "tools/service/Directory.h"

using namespace service_test;
using tevrik_service::ConnId;
using tevrik_service::Listener;
using tevrik_service::TestService;

namespace {

class RobustnessTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartService(service);
        ASSERT_EQ(SignIn(service, bystander, "b@tevrik.example", "pb").rfind("LIN2 4 ", 0), 0u);
    }

    // The service still answers a newcomer and the client that was signed in all along.
    void ExpectStillServing() {
        ScriptedClient fresh;
        ASSERT_TRUE(fresh.Connect(service.LoginPort()));
        fresh.Send("PVER 1 1.0.2 2.0 ko.wm\r\n");
        EXPECT_EQ(fresh.Next(), "PVER 1 N\r\n");
        bystander.Send("PONG 77\r\n");
        EXPECT_EQ(bystander.NextStartingWith("PONG"), "PONG 77\r\n");  // presence notices may come first
    }

    ConnId NewestLoginConnection() {
        ConnId newest = 0;
        for (const auto& c : service.Connections())
            if (c.listener == Listener::Login && c.open) newest = std::max(newest, c.id);
        return newest;
    }

    TestService service;
    ScriptedClient bystander;
};

TEST_F(RobustnessTest, GarbageClosesTheConnection) {
    for (const std::string& garbage : {std::string("\x01\x02\xff hello\r\n", 11), std::string("hello world\r\n"),
                                      std::string("\r\n"), std::string("PVE 1\r\n")}) {
        ScriptedClient bad;
        ASSERT_TRUE(bad.Connect(service.LoginPort()));
        bad.Send(garbage);
        EXPECT_TRUE(bad.WaitClosed()) << garbage;
    }
    // The same on the signed-in TLS connection, including an envelope that holds no whole frame.
    for (const std::string& garbage : {std::string("what is this\r\n"), std::string("CRP2 1 DP %00 6\r\nPING 2"),
                                      std::string("CRP2 1 DP %00 16\r\nPING 2\r\nPING 3\r\n")}) {
        ScriptedClient bad;
        ASSERT_EQ(SignIn(service, bad, "c@tevrik.example", "pc").rfind("LIN2 4 ", 0), 0u);
        bad.Send(garbage);
        EXPECT_TRUE(bad.WaitClosed()) << garbage;
    }
    ExpectStillServing();
}

TEST_F(RobustnessTest, TenMebibyteLineWithoutLineFeedClosesTheConnection) {
    ScriptedClient bad;
    ASSERT_TRUE(bad.Connect(service.LoginPort()));
    std::string block(64 * 1024, 'A');
    for (int i = 0; i < 160; ++i)
        if (!bad.Send(block)) break;  // the service may close while we are still writing
    EXPECT_TRUE(bad.WaitClosed());
    ExpectStillServing();
}

TEST_F(RobustnessTest, HugePayloadCountClosesTheConnection) {
    ScriptedClient bad;
    ASSERT_EQ(SignIn(service, bad, "c@tevrik.example", "pc").rfind("LIN2 4 ", 0), 0u);
    bad.Send("CRP2 5 DP %00 1099511627776\r\n");
    EXPECT_TRUE(bad.WaitClosed());
    ScriptedClient alsoBad;
    ASSERT_TRUE(alsoBad.Connect(service.LoginPort()));
    alsoBad.Send("LIN2 1 a@tevrik.example 1099511627776\r\n");
    EXPECT_TRUE(alsoBad.WaitClosed());
    ExpectStillServing();
}

TEST_F(RobustnessTest, HalfFinishedHandshakeIsClosedWhileOthersAreServed) {
    service.SetHandshakeTimeout(300ms);
    ScriptedClient stalled;
    ASSERT_TRUE(stalled.ConnectRaw(service.SessionPort()));
    // A TLS record header that promises a ClientHello of 200 bytes, and the first of them.
    stalled.Send(std::string("\x16\x03\x01\x00\xc8\x01\x00\x00\xc4\x03\x03", 11));
    // While it hangs, a whole sign-in goes through.
    ScriptedClient other;
    EXPECT_EQ(SignIn(service, other, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    EXPECT_TRUE(stalled.WaitClosed());

    ScriptedClient silent;  // connects and never says a word
    ASSERT_TRUE(silent.ConnectRaw(service.SessionPort()));
    EXPECT_TRUE(silent.WaitClosed());

    ScriptedClient noise;  // not TLS at all
    ASSERT_TRUE(noise.ConnectRaw(service.SessionPort()));
    noise.Send("PVER 1 1.0.2 2.0 ko.wm\r\n");
    EXPECT_TRUE(noise.WaitClosed());
    ExpectStillServing();
}

TEST_F(RobustnessTest, SplitWritesStillDeliverWholeFrames) {
    service.SetSplitWrites(tevrik_service::kAllConnections, 2, 20ms);
    ScriptedClient login;
    ASSERT_TRUE(login.Connect(service.LoginPort()));
    login.Send("PVER 1 1.0.2 2.0 ko.wm\r\n");
    pollfd p{login.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    char first[64];
    ssize_t n = ::recv(login.Fd(), first, sizeof first, 0);
    EXPECT_EQ(n, 2);  // the rest follows later, two bytes at a time
    EXPECT_EQ(std::string(first, 2) + login.Next().value_or(""), "PVER 1 N\r\n");

    auto conn = service.SignedInConnection("b@tevrik.example");
    service.SetSplitWrites(conn, 5, 1ms);
    bystander.Send("LSTA 5 FULL 8192 0\r\n");
    auto list = bystander.Next();
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, "LSTA 5 1 1 91\r\n1 1\r\n0 Friends 1 1002\r\na@tevrik.example 0 1002 %00 1101 F 가나다 가 %00 1 %00 %00 %00\r\n");
    service.SetSplitWrites(tevrik_service::kAllConnections, 0, 0ms);
}

TEST_F(RobustnessTest, DelayedRepliesArriveLaterButIntact) {
    auto conn = service.SignedInConnection("b@tevrik.example");
    service.SetDelay(conn, 300ms);
    auto start = std::chrono::steady_clock::now();
    bystander.Send("PONG 8\r\n");
    EXPECT_EQ(bystander.Next(), "PONG 8\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    service.SetDelay(conn, 0ms);
}

TEST_F(RobustnessTest, HeldRepliesWaitInOrderUntilReleased) {
    auto conn = service.SignedInConnection("b@tevrik.example");
    service.SetHeld(conn, true);
    bystander.Send("PONG 8\r\nPONG 9\r\n");
    ASSERT_TRUE(service.WaitForFrame([](const tevrik_service::Frame& f) { return f.trid == "9" && !f.fromClient; }, 5000ms));
    EXPECT_EQ(bystander.Next(100ms), std::nullopt);
    service.SetHeld(conn, false);
    EXPECT_EQ(bystander.Next(), "PONG 8\r\n");
    EXPECT_EQ(bystander.Next(), "PONG 9\r\n");
}

TEST_F(RobustnessTest, CloseAndResetOnRequest) {
    ScriptedClient closed;
    ASSERT_TRUE(closed.Connect(service.LoginPort()));
    closed.Send("PVER 1 1.0.2 2.0 ko.wm\r\n");
    ASSERT_TRUE(closed.Next());
    ASSERT_TRUE(service.CloseConnection(NewestLoginConnection()));
    char byte;
    pollfd p{closed.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    EXPECT_EQ(::recv(closed.Fd(), &byte, 1, 0), 0);  // an orderly end

    ScriptedClient reset;
    ASSERT_TRUE(reset.Connect(service.LoginPort()));
    reset.Send("PVER 1 1.0.2 2.0 ko.wm\r\n");
    ASSERT_TRUE(reset.Next());
    ASSERT_TRUE(service.ResetConnection(NewestLoginConnection()));
    p = {reset.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    errno = 0;
    EXPECT_EQ(::recv(reset.Fd(), &byte, 1, 0), -1);
    EXPECT_EQ(errno, ECONNRESET);

    // Closing the signed-in connection signs its account out.
    auto conn = service.SignedInConnection("b@tevrik.example");
    ASSERT_TRUE(service.CloseConnection(conn));
    EXPECT_TRUE(bystander.WaitClosed());
    EXPECT_EQ(service.SignedInConnection("b@tevrik.example"), 0);
    EXPECT_EQ(service.PresenceOf("b@tevrik.example"), "F");
    EXPECT_FALSE(service.CloseConnection(conn));
}

TEST_F(RobustnessTest, KillOnRequestSignsOut) {
    auto conn = service.SignedInConnection("b@tevrik.example");
    ASSERT_TRUE(service.SendKill(conn));
    EXPECT_EQ(bystander.Next(), "KILL 0 OTHER SIGNIN N 0 0\r\n");
    EXPECT_TRUE(bystander.WaitClosed());
    EXPECT_TRUE(service.WaitForClose(conn, 5s));
}

// Well-framed requests with tokens of every odd kind, thrown at a signed-in connection and at
// the login server: whatever they do to the sender, the service stays up for the others.
TEST_F(RobustnessTest, ScrambledRequestsNeverTakeTheServiceDown) {
    const std::vector<std::string> outer = {"PVER", "AUTH", "REQS", "LIN2", "LSTA", "PONG", "PING", "CSES", "CSES", "ABCD"};
    const std::vector<std::string> inner = {"LOPT", "ONST", "CNIK", "ADSB", "ADDB", "RMVB", "ADDG",
                                            "MVBG", "RESS", "ENTR", "MESG", "CTOC", "CMSG", "WGET"};
    const std::vector<std::string> tokens = {
        "", "%00", "0", "-1", "99999999999", "DP", "SS", "FL", "AL", "BL", "RL", "REQST", "ACCPT", "REJCT", "CONN",
        "KILL", "LIST", "MSG", "TYPING", "AWAYMSG", "MEMOLST2", "MEMOGET2", "MEMODEL1", "MEMOSPM1", "MEMOCNT2",
        "MEMOREL1", "1001", "1002", "7001", "a@tevrik.example", "b@tevrik.example", "c@tevrik.example", "가나다",
        "%", "%zz", "0%09", "1%090%090%09x", "O", "X", "Q", "UTF8", "P", "Y", "N"};
    const std::vector<std::string> lines = {
        "IMSG", "from:x", "", "length:99", "title:%", "cookie=M1&box_type=R", "msgtype=1&boxtype=1&requestpage=0&count=0",
        "boxtype=3&count=1000000", "0 1001 x 0 1", "0 1002 x 0 9", "127.0.0.1 1 x", "b@tevrik.example c@tevrik.example",
        "INVT a b c d", "=&=&", "a"};
    const std::vector<std::string> payloadCommands = {"CMSG", "CRP2", "CSES", "CTOC", "LIN2", "LSTA", "MVBG", "WGET", "LOPT"};
    std::mt19937 rng(20240306);
    auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
    auto frame = [&](const std::string& command, const std::string& body) {
        std::string line = command + " " + std::to_string(rng() % 50);
        for (unsigned i = 0, n = rng() % 7; i < n; ++i) line += " " + pick(tokens);
        if (std::find(payloadCommands.begin(), payloadCommands.end(), command) == payloadCommands.end())
            return line + "\r\n";
        return line + " " + std::to_string(body.size()) + "\r\n" + body;
    };
    auto body = [&] {
        std::string text;
        for (unsigned i = 0, n = rng() % 5; i < n; ++i) text += pick(lines) + (rng() % 3 ? "\r\n" : "");
        return text;
    };
    auto request = [&] {
        if (rng() % 4 == 0) return frame(pick(outer), body());
        std::string carried = frame(pick(inner), body());
        return "CRP2 " + std::to_string(rng() % 50) + " " + pick(tokens) + " " + pick(tokens) + " " +
               std::to_string(carried.size()) + "\r\n" + carried;
    };

    for (int round = 0; round < 15; ++round) {
        ScriptedClient noisy;
        ASSERT_EQ(SignIn(service, noisy, "c@tevrik.example", "pc").rfind("LIN2 4 ", 0), 0u);
        ScriptedClient login;
        ASSERT_TRUE(login.Connect(service.LoginPort()));
        for (int i = 0; i < 40; ++i) {
            if (!noisy.Send(request())) break;
            login.Send(frame(pick(outer), body()));
        }
        noisy.Send("PONG 999\r\n");
        noisy.NextStartingWith("PONG 999", 1000ms);  // lets the service work through the batch
    }
    ExpectStillServing();
    bool consistent = true;
    service.WithDirectory([&](tevrik_service::Directory& dir) {
        for (const auto& id : dir.UserIds())
            for (const auto& group : dir.Find(id)->groups)
                for (const auto& key : group.keys) consistent = consistent && dir.EntryByKey(*dir.Find(id), key);
    });
    EXPECT_TRUE(consistent) << "a group names a member key that is not on its owner's list";
}

}  // namespace
