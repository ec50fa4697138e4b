// The sign-in road, byte for byte: every expected line below is written out by hand.
#include <gtest/gtest.h>

#include <regex>

#include "tests/service/ScriptedClient.h"
#include "tools/service/Directory.h"

using namespace service_test;
using tevrik_service::TestService;

namespace {

class SignInTest : public ::testing::Test {
protected:
    void SetUp() override { StartService(service); }
    TestService service;
};

TEST_F(SignInTest, LoginServerAnswersVersionAuthAndSessionRequest) {
    ScriptedClient login;
    ASSERT_TRUE(login.Connect(service.LoginPort()));
    login.Send("PVER 1 1.0.2 2.0 ko.wm\r\n");
    EXPECT_EQ(login.Next(), "PVER 1 N\r\n");

    login.Send("AUTH 2 MD5\r\n");
    auto auth = login.Next();
    ASSERT_TRUE(auth);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(*auth, m, std::regex("AUTH 2 ([0-9a-f]{16})\r\n")));
    std::string token = m[1];

    login.Send("REQS 3 " + token + " a@tevrik.example\r\n");
    auto reqs = login.Next();
    ASSERT_TRUE(reqs);
    std::string port = std::to_string(service.SessionPort());
    EXPECT_TRUE(std::regex_match(*reqs, std::regex("REQS 3 NS 127\\.0\\.0\\.1 " + port + " [0-9a-f]{24}\r\n")))
        << *reqs;

    // A token serves one session request; a made-up one is refused.
    login.Send("REQS 4 " + token + " a@tevrik.example\r\n");
    EXPECT_EQ(login.Next(), "601 4\r\n");
    login.Send("FOOO 5\r\n");
    EXPECT_EQ(login.Next(), "203 5\r\n");
}

TEST_F(SignInTest, VersionAnswerFollowsTheSetting) {
    ScriptedClient login;
    ASSERT_TRUE(login.Connect(service.LoginPort()));
    service.SetUpgradeAnswer('F');
    login.Send("PVER 7 1.0.2 2.0 ko.wm\r\n");
    EXPECT_EQ(login.Next(), "PVER 7 F\r\n");
    service.SetUpgradeAnswer('Y');
    login.Send("PVER 8 1.0.2 2.0 ko.wm\r\n");
    EXPECT_EQ(login.Next(), "PVER 8 Y\r\n");
}

TEST_F(SignInTest, LoginReplyCarriesSixteenTokens) {
    ScriptedClient session;
    std::string reply = SignIn(service, session, "a@tevrik.example", "pa");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(reply, m, std::regex("LIN2 4 (\\d+)\r\n([\\s\\S]*)")))
        << reply;
    std::string payload = m[2];
    EXPECT_EQ(std::stoul(m[1]), payload.size());
    ASSERT_TRUE(std::regex_match(payload, m, std::regex("N 0 %00 %00 가나다 가 %00 %00 %00 %00 %00 %00 %00 N (\\d{14}) %00\r\n")))
        << payload;
    EXPECT_EQ(service.SignedInConnection("a@tevrik.example"), service.WaitForSignIn("A@TEVRIK.example", 1s));
    EXPECT_EQ(service.PresenceOf("a@tevrik.example"), "O");
}

TEST_F(SignInTest, WrongIdWrongPasswordAndWrongTicketAreRefused) {
    ScriptedClient session;
    EXPECT_EQ(SignIn(service, session, "nobody@tevrik.example", "x"), "300 4\r\n");
    EXPECT_EQ(SignIn(service, session, "a@tevrik.example", "wrong"), "301 4\r\n");
    EXPECT_EQ(service.SignedInConnection("a@tevrik.example"), 0);

    // A ticket that the login server never gave out.
    ASSERT_TRUE(session.ConnectTls(service.SessionPort(), service.CaCertPem()));
    std::string payload = "feedfeedfeedfeedfeedfeed\r\n" + Md5Hex("pa" + std::string("a")) +
                          " MD5 1.0.2 ko.wm 0123456789abcdef0123456789abcdef N %00 %00\r\nO N N\r\n%00\r\n";
    session.Send("LIN2 9 a@tevrik.example " + std::to_string(payload.size()) + "\r\n" + payload);
    EXPECT_EQ(session.Next(), "306 9\r\n");
    // Nothing but LIN2 is served before sign-in.
    session.Send("PONG 10\r\n");
    EXPECT_EQ(session.Next(), "601 10\r\n");
}

TEST_F(SignInTest, DigestCutsOnlyThePortalDomainWhateverItsCase) {
    ScriptedClient first, second;
    // The id as typed in capitals: the digest takes the typed part before the portal domain.
    std::string reply = SignIn(service, first, "A@TEVRIK.EXAMPLE", "pa");
    EXPECT_EQ(reply.rfind("LIN2 4 ", 0), 0u) << reply;
    // An id of another domain enters the digest whole.
    reply = SignIn(service, second, "d@other.example", "pd");
    EXPECT_EQ(reply.rfind("LIN2 4 ", 0), 0u) << reply;
    EXPECT_EQ(tevrik_service::CredentialDigest("a@Tevrik.Example", "pa"), Md5Hex("paa"));
    EXPECT_EQ(tevrik_service::CredentialDigest("carol@example.org", "1234"), "9474da1a336a37ee8ddbc653bea282f5");
    EXPECT_EQ(tevrik_service::CredentialDigest("minsu@tevrik.example", "1234"), "8ffb1ad47a6190b5388239fd045e4904");
}

TEST_F(SignInTest, SecondSignInKillsTheFirst) {
    ScriptedClient first, second;
    ASSERT_EQ(SignIn(service, first, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    auto firstConn = service.SignedInConnection("a@tevrik.example");
    ASSERT_EQ(SignIn(service, second, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    EXPECT_EQ(first.Next(), "KILL 0 OTHER SIGNIN N 0 0\r\n");
    EXPECT_TRUE(first.WaitClosed());
    EXPECT_TRUE(service.WaitForClose(firstConn, 5s));
    auto secondConn = service.SignedInConnection("a@tevrik.example");
    EXPECT_NE(secondConn, firstConn);
    EXPECT_NE(secondConn, 0);
    // The new connection is fully served.
    second.Send("PONG 11\r\n");
    EXPECT_EQ(second.Next(), "PONG 11\r\n");
}

TEST_F(SignInTest, BuddyListComesInPartsOfTheSetSize) {
    ScriptedClient session;
    ASSERT_EQ(SignIn(service, session, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    const std::string whole =
        "2 1\r\n"
        "0 친구 1 1001\r\n"
        "1 회사 0\r\n"
        "b@tevrik.example 0 1001 %00 1101 F Bee%20Park Bee %00 1 %00 %00 %00\r\n";
    session.Send("LSTA 5 FULL 8192 0\r\n");
    EXPECT_EQ(session.Next(), "LSTA 5 1 1 " + std::to_string(whole.size()) + "\r\n" + whole);

    service.SetListPartSize(40);
    session.Send("LSTA 6 FULL 8192 0\r\n");
    std::string joined;
    size_t parts = (whole.size() + 39) / 40;
    for (size_t i = 1; i <= parts; ++i) {
        auto frame = session.Next();
        ASSERT_TRUE(frame);
        std::string chunk = whole.substr((i - 1) * 40, 40);
        EXPECT_EQ(*frame, "LSTA 6 " + std::to_string(i) + " " + std::to_string(parts) + " " +
                              std::to_string(chunk.size()) + "\r\n" + chunk);
        joined += PayloadOf(*frame);
    }
    EXPECT_EQ(joined, whole);
}

TEST_F(SignInTest, KeepAliveAndServiceNotices) {
    ScriptedClient session;
    ASSERT_EQ(SignIn(service, session, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    auto conn = service.SignedInConnection("a@tevrik.example");
    session.Send("PONG 12\r\n");
    EXPECT_EQ(session.Next(), "PONG 12\r\n");

    // With PONG unanswered, the reply to the next request is the first thing to come back.
    service.SetAnswerPong(conn, false);
    session.Send("PONG 13\r\nCRP2 14 DP %00 20\r\nLOPT 15 TXT 5\r\nx = y");
    EXPECT_EQ(session.Next(), "CRP2 14 DP %00 9\r\nLOPT 15\r\n");
    service.SetAnswerPong(conn, true);
    session.Send("PONG 16\r\n");
    EXPECT_EQ(session.Next(), "PONG 16\r\n");

    ASSERT_TRUE(service.SendPing(conn, 42));
    EXPECT_EQ(session.Next(), "PING 42\r\n");
    session.Send("PING 42\r\n");  // the client's echo needs no answer
    ASSERT_TRUE(service.SendTick(conn, "20240101 x"));
    EXPECT_EQ(session.Next(), "TICK 0 20240101%20x\r\n");
    ASSERT_TRUE(service.SendNotice(conn, "점검 안내 100%"));
    auto notice = session.Next();
    ASSERT_TRUE(notice);
    EXPECT_TRUE(std::regex_match(*notice, std::regex("SNFY 0 NOTICE \\d{14} 점검%20안내%20100%25\r\n"))) << *notice;
    ASSERT_TRUE(service.Push(conn, "ABCD 0 anything\r\n"));
    EXPECT_EQ(session.Next(), "ABCD 0 anything\r\n");
    EXPECT_FALSE(service.Push(9999, "x"));
}

TEST_F(SignInTest, ErrorRepliesOnRequest) {
    ScriptedClient login;
    ASSERT_TRUE(login.Connect(service.LoginPort()));
    service.SetErrorReply("AUTH", 400);
    login.Send("AUTH 2 MD5\r\n");
    EXPECT_EQ(login.Next(), "400 2\r\n");
    login.Send("AUTH 3 MD5\r\n");  // only once
    EXPECT_EQ(login.Next().value_or("").rfind("AUTH 3 ", 0), 0u);

    ScriptedClient session;
    ASSERT_EQ(SignIn(service, session, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    service.SetErrorReply("LOPT", 201, 2);
    const std::string lopt = "CRP2 20 DP %00 37\r\nLOPT 21 TXT 21\r\nmemo_wnd_show = false";
    session.Send(lopt);
    EXPECT_EQ(session.Next(), "CRP2 20 DP %00 8\r\n201 21\r\n");
    session.Send(lopt);
    EXPECT_EQ(session.Next(), "CRP2 20 DP %00 8\r\n201 21\r\n");
    session.Send(lopt);
    EXPECT_EQ(session.Next(), "CRP2 20 DP %00 9\r\nLOPT 21\r\n");
    service.SetErrorReply("CRP2", 200);
    session.Send(lopt);
    EXPECT_EQ(session.Next(), "200 20\r\n");
}

TEST_F(SignInTest, EveryFrameIsRecordedByteForByte) {
    ScriptedClient session;
    size_t start = service.FrameCount();
    ASSERT_EQ(SignIn(service, session, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    const std::string lopt = "CRP2 20 DP %00 37\r\nLOPT 21 TXT 21\r\nmemo_wnd_show = false";
    session.Send(lopt);
    ASSERT_TRUE(session.Next());
    auto frame = service.WaitForClientFrame(tevrik_service::kAllConnections, "LOPT", 1s, start);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->bytes, lopt);
    EXPECT_EQ(frame->command, "CRP2");
    EXPECT_EQ(frame->trid, "20");
    EXPECT_EQ(frame->inner, "LOPT 21 TXT 21\r\nmemo_wnd_show = false");
    EXPECT_EQ(frame->conn, service.SignedInConnection("a@tevrik.example"));
    auto pver = service.WaitForClientFrame(tevrik_service::kAllConnections, "PVER", 1s, start);
    ASSERT_TRUE(pver);
    EXPECT_EQ(pver->bytes, "PVER 1 1.0.2 2.0 ko.wm\r\n");
    auto answer = service.WaitForFrame(
        [](const tevrik_service::Frame& f) { return !f.fromClient && f.command == "PVER"; }, 1s, start);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->bytes, "PVER 1 N\r\n");
    EXPECT_GT(answer->index, pver->index);
}

}  // namespace
