// The sign-in road without a socket: the bytes of every request, and what each reply does to the
// account, the connection and the screens.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/base/QeTimerManager.h"
#include "messenger/model/Credentials.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/Reset.h"
#include "messenger/protocol/SharedMessages.h"
#include "tests/messenger/signin_test_support.h"
#include "tests/messenger/wire_bytes.h"
#include "tests/support/Loopback.h"
#include "tests/support/Pump.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/TraceLog.h"
#include "tests/support/temp_folder.h"

using signin_test::ScopedEnv;
using signin_test::SignedInModel;
using signin_test::WithPayload;

namespace {

const char kDigest[] = "46868402329ead93f08c779481a35b08";
const wchar_t kWrongPasswordText[] = L"입력하신 비밀번호를 확인하시고, 다시 로그인을 시도해 주세요.";

std::string Lin2Payload(const std::string& ticket, const std::string& pcid, const char* presence) {
    return ticket + "\r\n" + kDigest + " MD5 1.0.2 ko.wm " + pcid + " N %00 %00\r\n" + presence + " N N\r\n%00\r\n";
}

// The LIN2 reply of the local service for a user named 가나다 with the nickname 가.
const std::string kLin2Reply =
    WithPayload("LIN2 4", "N 0 %00 %00 가나다 가 t7 %00 %00 %00 %00 %00 t13 N 20260101120000 t16\r\n");

}  // namespace

// ---- the bytes of the requests

TEST(SignInRequests, VersionAuthAndSessionRequestLines) {
    PverRequest pver(1);
    EXPECT_EQ(Serialized(pver), "PVER 1 1.0.2 2.0 ko.wm\r\n");
    AuthRequest auth(2);
    EXPECT_EQ(Serialized(auth), "AUTH 2 MD5\r\n");
    ReqsRequest reqs(3);
    reqs.Token = L"0123abcd";
    reqs.LoginId = L"a@tevrik.example";
    EXPECT_EQ(Serialized(reqs), "REQS 3 0123abcd a@tevrik.example\r\n");
    // Texts are tokens: escaped, and the empty one as %00.
    ReqsRequest odd(4);
    odd.Token = L"a b%";
    EXPECT_EQ(Serialized(odd), "REQS 4 a%20b%25 %00\r\n");
    LoutRequest lout(5);
    EXPECT_EQ(Serialized(lout), "LOUT 5\r\n");
}

TEST(SignInRequests, LoginLineCountsItsFourPayloadLinesWithEveryCrLf) {
    Lin2Request lin2(4);
    lin2.LoginId = L"a@tevrik.example";
    lin2.Ticket = L"tk";
    lin2.Digest = L"46868402329ead93f08c779481a35b08";
    lin2.Method = 0;
    lin2.Pcid = L"0123456789abcdef0123456789abcdef";
    lin2.Presence = 0;
    const std::string payload = Lin2Payload("tk", "0123456789abcdef0123456789abcdef", "O");
    ASSERT_EQ(payload.size(), 109u);
    EXPECT_EQ(Serialized(lin2), "LIN2 4 a@tevrik.example 109\r\n" + payload);

    Lin2Request offline(4);
    offline.LoginId = L"a@tevrik.example";
    offline.Ticket = L"tk";
    offline.Digest = lin2.Digest;
    offline.Method = 0;
    offline.Pcid = lin2.Pcid;
    offline.Presence = 5;
    EXPECT_EQ(Serialized(offline),
              "LIN2 4 a@tevrik.example 109\r\n" + Lin2Payload("tk", "0123456789abcdef0123456789abcdef", "X"));

    // As constructed, before the sender chooses: method and presence are outside their tables.
    Lin2Request fresh(1);
    const std::string bytes = Serialized(fresh);
    EXPECT_NE(bytes.find("\r\n%00 Unknown 1.0.2 ko.wm %00 N %00 %00\r\nUnknown N N\r\n%00\r\n"), std::string::npos)
        << bytes;
}

TEST(SignInRequests, ListRequestAndOptionsInsideTheEnvelope) {
    LstaRequest list(5);
    list.Mode = L"FULL";
    EXPECT_EQ(Serialized(list), "LSTA 5 FULL 8192 0\r\n");

    LoptRequest options(6);
    options.Text = kSignInOptions;
    Crp2Request envelope(7);
    envelope.Route = 0;
    ASSERT_TRUE(envelope.SetInner(options));
    const std::string inner = "LOPT 6 TXT 21\r\nmemo_wnd_show = false";
    EXPECT_EQ(Serialized(envelope), "CRP2 7 DP %00 " + std::to_string(inner.size()) + "\r\n" + inner);
}

TEST(SignInReplies, BodiesAreReadAsSent) {
    const std::string reqs = "REQS 3 NS 10.0.0.7 50000 tick%20et\r\n";
    TokenReader reader(reqs.data(), static_cast<uint32_t>(reqs.size()));
    ProtocolMessage header;
    header.ReadHeader(reader);
    ReqsReceived reply(3);
    reply.ReadBody(reader);
    EXPECT_EQ(reply.Text, L"NS");
    EXPECT_EQ(reply.Host, L"10.0.0.7");
    EXPECT_EQ(reply.Port, 50000);  // above 32767 as well
    EXPECT_EQ(reply.Ticket, L"tick et");

    const std::string kill = "KILL 0 OTHER SIGNIN Y 12 -3\r\n";
    TokenReader killReader(kill.data(), static_cast<uint32_t>(kill.size()));
    header.ReadHeader(killReader);
    KillReceived killed(0);
    killed.ReadBody(killReader);
    EXPECT_EQ(killed.Text1, L"OTHER");
    EXPECT_EQ(killed.Text2, L"SIGNIN");
    EXPECT_TRUE(killed.Flag);
    EXPECT_EQ(killed.Number1, 12);
    EXPECT_EQ(killed.Number2, -3);

    for (const auto& [token, answer] : std::vector<std::pair<std::string, int>>{{"Y", 0}, {"N", 1}, {"F", 2}, {"n", 3}}) {
        const std::string line = "PVER 1 " + token + "\r\n";
        TokenReader pverReader(line.data(), static_cast<uint32_t>(line.size()));
        header.ReadHeader(pverReader);
        PverReceived pver(1);
        pver.ReadBody(pverReader);
        EXPECT_EQ(pver.Answer, answer) << token;
    }
}

// ---- the replies over a captured connection

namespace {

class SignInRoadTest : public ::testing::Test {
protected:
    SignInRoadTest() {
        model.account.Id = L"a@tevrik.example";
        model.account.Digest = L"46868402329ead93f08c779481a35b08";
        harness.UseFirstRequests();
    }

    std::string Pcid() {
        std::wstring pcid;
        GetPcid(pcid);
        return std::string(pcid.begin(), pcid.end());
    }

    testsupport::ScopedConfigHome home;
    RecordingScreens screens;
    SignedInModel model;
    SessionHarness harness;
    ProtocolSession& session = harness.Session();
};

}  // namespace

TEST_F(SignInRoadTest, LoginServerStepsFollowEachOther) {
    harness.Connect(0);
    EXPECT_EQ(harness.SentText(), "PVER 1 1.0.2 2.0 ko.wm\r\n");
    harness.ClearSent();
    harness.Receive("PVER 1 N\r\n");
    EXPECT_EQ(harness.SentText(), "AUTH 2 MD5\r\n");
    harness.ClearSent();
    harness.Receive("AUTH 2 f00dfeed\r\n");
    EXPECT_EQ(harness.SentText(), "REQS 3 f00dfeed a@tevrik.example\r\n");
    EXPECT_EQ(harness.Pending().Count(), 1u);
    EXPECT_TRUE(screens.Lines().empty()) << screens.Dump();
}

TEST_F(SignInRoadTest, RepliesAreReadWhateverIdTheyCarry) {
    harness.Connect(0);
    harness.ClearSent();
    // An AUTH under the pending PVER's id is an AUTH reply all the same, and takes that entry along;
    harness.Receive("AUTH 1 f00dfeed\r\n");
    EXPECT_EQ(harness.SentText(), "REQS 2 f00dfeed a@tevrik.example\r\n");
    harness.ClearSent();
    // the PVER reply that follows still goes on with the road.
    harness.Receive("PVER 1 N\r\n");
    EXPECT_EQ(harness.SentText(), "AUTH 3 MD5\r\n");
    EXPECT_TRUE(screens.Lines().empty()) << screens.Dump();
}

TEST_F(SignInRoadTest, FailureOfAnyLoginServerStepEndsTheAttemptOnTheForm) {
    // The replies that bring the road to PVER (id 1), AUTH (2) and REQS (3).
    const std::string before[] = {"", "PVER 1 N\r\n", "PVER 1 N\r\nAUTH 2 f00dfeed\r\n"};
    for (int step = 1; step <= 3; ++step) {
        harness.Ids().LastId = 0;
        harness.Connect(0);
        harness.Receive(before[step - 1]);
        harness.ClearSent();
        screens.Clear();
        harness.Receive("600 " + std::to_string(step) + "\r\n");
        EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"Alert(FailureCodeLowVersion)", L"LoginShowPage(0)"}))
            << step;
        EXPECT_TRUE(harness.Sent().empty()) << step;
        EXPECT_FALSE(harness.IsOpen()) << step;
        EXPECT_EQ(session.Phase, 0) << step;
    }
}

TEST_F(SignInRoadTest, SessionServerThatCannotBeReachedEndsTheAttemptOnTheForm) {
    harness.Connect(0);
    harness.Receive("PVER 1 N\r\n");
    harness.Receive("AUTH 2 f00dfeed\r\n");
    harness.ClearSent();
    // A broadcast address: the connect fails at once.
    harness.Receive("REQS 3 NS 255.255.255.255 5005 ticket1\r\n");
    EXPECT_EQ(model.account.Ticket, L"ticket1");
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"Alert(네트워크를 사용할 수 없습니다.)", L"LoginShowPage(0)"}));
    EXPECT_EQ(session.Phase, 0);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_TRUE(harness.Sent().empty());
}

TEST_F(SignInRoadTest, SessionServerFailingBeforeItOpensEndsTheAttemptNotASession) {
    // The connect to the session server was started (phase 1) but never completed: refused, or
    // the TLS handshake failed. No session was open, so no session is lost.
    session.Phase = 1;
    session.OnError(10053);
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"Alert(네트워크를 사용할 수 없습니다.)", L"LoginShowPage(0)"}));
    EXPECT_EQ(session.Phase, 0);
    EXPECT_TRUE(harness.Sent().empty());

    // Once it had opened, the same error is the loss of the session.
    screens.Clear();
    harness.Connect(1);
    session.OnError(10054);
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"Alert(Tevrik 서버와의 연결이 끊어졌습니다.)", L"OnResetToLogin()"}));
}

TEST_F(SignInRoadTest, LoginGoesOutFirstOnTheSessionServerAppearingOnlineOrOffline) {
    model.account.Ticket = L"tk";
    harness.Connect(1);
    EXPECT_EQ(harness.SentText(), "LIN2 1 a@tevrik.example 109\r\n" + Lin2Payload("tk", Pcid(), "O"));
    session.Close();
    harness.ClearSent();
    model.account.AppearOffline = 1;
    harness.Connect(1);
    EXPECT_EQ(harness.SentText(), "LIN2 2 a@tevrik.example 109\r\n" + Lin2Payload("tk", Pcid(), "X"));
}

TEST_F(SignInRoadTest, AcceptedLoginFillsTheAccountAndAsksForListAndOptions) {
    TimingRig timing;
    model.account.Ticket = L"tk";
    model.account.AppearOffline = 1;
    harness.Connect(1);
    harness.Ids().LastId = 4;
    harness.Pending().Clear();
    harness.ClearSent();
    LoutRequest stale(2);
    harness.Pending().Add(stale);
    // The LIN2 that the reply answers.
    Lin2Request lin2(4);
    harness.Pending().Add(lin2);

    harness.Receive(kLin2Reply);
    const AccountInfo& account = model.account;
    EXPECT_EQ(account.LoginKind, 0u);
    EXPECT_EQ(account.LoginFlag, 0);
    EXPECT_EQ(account.Name, L"가나다");
    EXPECT_EQ(account.Nickname, L"가");
    EXPECT_EQ(account.Texts7to13[0], L"t7");
    EXPECT_EQ(account.Texts7to13[6], L"t13");
    EXPECT_EQ(account.LoginFlag14, 0);
    EXPECT_EQ(account.TickText, L"20260101120000");
    EXPECT_EQ(account.Text16, L"t16");
    EXPECT_EQ(account.Status, 5u);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"StatusBarCardRefresh()"}));

    const std::string lopt = "LOPT 6 TXT 21\r\nmemo_wnd_show = false";
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{"LSTA 5 FULL 8192 0\r\n",
                                                        "CRP2 7 DP %00 " + std::to_string(lopt.size()) + "\r\n" + lopt}));
    // LSTA, LOPT and CRP2 wait for their replies; LIN2's own entry is gone.
    EXPECT_NE(harness.Pending().PendingAs<LstaRequest>(5, L"LSTA"), nullptr);
    EXPECT_NE(harness.Pending().PendingAs<LoptRequest>(6, L"LOPT"), nullptr);
    EXPECT_NE(harness.Pending().PendingAs<Crp2Request>(7, L"CRP2"), nullptr);
    EXPECT_EQ(harness.Pending().Find(4), nullptr);
    EXPECT_NE(model.keepAlive.TimerId, 0u);
    EXPECT_TRUE(QeTimerManager::Instance()->Contains(model.keepAlive.TimerId));

    // The option reply comes back in the envelope; only its code counts.
    harness.Receive("CRP2 7 DP %00 8\r\nLOPT 6\r\n");
    EXPECT_EQ(harness.Pending().Find(6), nullptr);
    EXPECT_EQ(harness.Pending().Find(7), nullptr);
    EXPECT_EQ(screens.Count("Alert"), 0u);
    ResetToLogin();
    EXPECT_FALSE(screens.SignedIn);
}

TEST_F(SignInRoadTest, RefusedLoginShowsWhyAndReturnsToTheFormClosed) {
    model.account.Ticket = L"tk";
    harness.Connect(1);
    ASSERT_EQ(harness.Sent().size(), 1u);
    harness.Receive("301 1\r\n");
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{std::wstring(L"Alert(") + kWrongPasswordText + L")", L"LoginShowPage(0)"}));
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(session.Phase, 0);
    EXPECT_EQ(model.account.Status, 7u) << "the account is not touched";
    EXPECT_EQ(model.keepAlive.TimerId, 0u);
    EXPECT_FALSE(screens.SignedIn);

    harness.Connect(1);
    screens.Clear();
    harness.Receive("300 2\r\n");
    EXPECT_EQ(screens.First("Alert")->Text, L"입력하신 아이디를 확인하시고, 다시 로그인을 시도해 주세요.");
}

TEST_F(SignInRoadTest, KillShowsWhyAndResets) {
    harness.Connect(1);
    Buddy buddy;
    buddy.Id = L"b@tevrik.example";
    model.roster.AddOrUpdate(L"1001", buddy);
    harness.Receive("KILL 0 OTHER SIGNIN N 0 0\r\n");
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{
                                   L"Alert(다른 기기에서 동일 아이디로 접속하여 로그아웃 되었습니다.)",
                                   L"OnResetToLogin()"}));
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(session.Phase, 0);
    EXPECT_EQ(model.roster.Count(), 0u);
}

TEST_F(SignInRoadTest, LogOutSendsLoutAndResetsWithoutWaiting) {
    harness.Connect(1);
    harness.ClearSent();
    harness.Pending().Clear();
    harness.Ids().LastId = 8;
    LogOut();
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{"LOUT 9\r\n"}));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"OnResetToLogin()"}));
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(harness.Pending().Count(), 0u);
    // A reply that still came would find nothing to answer.
    harness.Connect(1);
    harness.Receive("LOUT 9\r\n");
    EXPECT_EQ(screens.Lines().size(), 1u);
}

TEST_F(SignInRoadTest, TickReplacesTheTickText) {
    harness.Connect(1);
    model.account.TickText = L"old";
    harness.Receive("TICK 0 new%20one\r\n");
    EXPECT_EQ(model.account.TickText, L"new one");
    EXPECT_TRUE(screens.Lines().empty());
}

// ---- the login server's address and the first connect

TEST(LoginServer, DefaultAddressAndItsEnvironmentOverrides) {
    std::wstring host;
    uint16_t port = 0;
    {
        ScopedEnv noHost("TEVRIK_LOGIN_HOST", nullptr);
        ScopedEnv noPort("TEVRIK_LOGIN_PORT", nullptr);
        LoginServerAddress(host, port);
        EXPECT_EQ(host, L"127.0.0.1");
        EXPECT_EQ(port, 5004);
    }
    {
        ScopedEnv envHost("TEVRIK_LOGIN_HOST", "login.tevrik.example");
        ScopedEnv envPort("TEVRIK_LOGIN_PORT", "6004");
        LoginServerAddress(host, port);
        EXPECT_EQ(host, L"login.tevrik.example");
        EXPECT_EQ(port, 6004);
    }
    for (const char* bad : {"0", "65536", "12ab", "-5", ""}) {
        ScopedEnv envPort("TEVRIK_LOGIN_PORT", bad);
        TraceLog trace;
        LoginServerAddress(host, port);
        EXPECT_EQ(port, 5004) << bad;
        if (*bad != '\0') {
            EXPECT_NE(trace.Text().find(L"TEVRIK_LOGIN_PORT \"" + std::wstring(bad, bad + std::strlen(bad)) + L"\""),
                      std::wstring::npos)
                << trace.Text();
        }
    }
}

TEST(LoginServer, BeginSignInConnectsPlainAndSendsTheVersionFirst) {
    testsupport::ScopedConfigHome home;
    RecordingScreens screens;
    SignedInModel model;
    SessionHarness harness(&RegisterAllCommands, SessionHarness::Transport::Socket);
    testnet::Listener listener;
    ASSERT_GE(listener.fd(), 0);
    const std::string port = std::to_string(listener.Port());
    ScopedEnv envHost("TEVRIK_LOGIN_HOST", "127.0.0.1");
    ScopedEnv envPort("TEVRIK_LOGIN_PORT", port.c_str());

    harness.Session().Phase = 1;
    ASSERT_TRUE(BeginSignIn(L"a@tevrik.example", L"d1", true));
    EXPECT_EQ(model.account.Id, L"a@tevrik.example");
    EXPECT_EQ(model.account.Digest, L"d1");
    EXPECT_EQ(model.account.AppearOffline, 1);
    EXPECT_EQ(harness.Session().Phase, 0);
    const int server = listener.Accept();
    ASSERT_GE(server, 0);
    ASSERT_TRUE(PumpUntil([&] { return harness.Session().IsConnected(); }, 20.0));
    char line[24];
    ASSERT_TRUE(testnet::RecvExactly(server, line, sizeof line));
    EXPECT_EQ(std::string(line, sizeof line), "PVER 1 1.0.2 2.0 ko.wm\r\n");
    harness.Session().Close();
    testnet::CloseFd(server);
    EXPECT_TRUE(screens.Lines().empty());
}

TEST(LoginServer, ConnectThatCannotStartShowsTheNetworkText) {
    RecordingScreens screens;
    SignedInModel model;
    SessionHarness harness(&RegisterAllCommands, SessionHarness::Transport::Socket);
    ScopedEnv envHost("TEVRIK_LOGIN_HOST", "255.255.255.255");
    EXPECT_FALSE(BeginSignIn(L"a@tevrik.example", L"d1", false));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"Alert(네트워크를 사용할 수 없습니다.)"}));
    EXPECT_FALSE(harness.Session().IsOpen());
}

// ---- what the road waits for, on the test clock

namespace {

class SignInRoadClockTest : public FakeClockTest {
protected:
    SignInRoadClockTest() {
        model.account.Id = L"a@tevrik.example";
        harness.UseFirstRequests();
    }
    ~SignInRoadClockTest() override { SetContinueLoginAction(nullptr); }

    testsupport::ScopedConfigHome home;
    RecordingScreens screens;
    SignedInModel model;
    SessionHarness harness;
    ProtocolSession& session = harness.Session();
};

void HoldTheRoad() {}

}  // namespace

TEST_F(SignInRoadClockTest, EveryRequestOfTheRoadWaitsForItsAnswerUnderALimit) {
    using Step = ProtocolSession::SignInStep;
    harness.Connect(0);
    EXPECT_EQ(session.WaitingFor(), Step::Pver);
    Advance(29000);
    harness.Receive("PVER 1 N\r\n");
    EXPECT_EQ(session.WaitingFor(), Step::Auth);
    Advance(29000);
    harness.Receive("AUTH 2 f00dfeed\r\n");
    EXPECT_EQ(session.WaitingFor(), Step::Reqs);
    harness.Connect(1);
    EXPECT_EQ(session.WaitingFor(), Step::Lin2);
    Advance(29000);
    harness.Receive(kLin2Reply);
    EXPECT_EQ(session.WaitingFor(), Step::List);
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
}

TEST_F(SignInRoadClockTest, AVersionAnswerThatHoldsTheRoadForTheUserHasNoLimit) {
    // As the upgrade dialogue does: AUTH goes out only once the user has decided.
    SetContinueLoginAction(&HoldTheRoad);
    harness.Connect(0);
    harness.Receive("PVER 1 N\r\n");
    EXPECT_EQ(session.WaitingFor(), ProtocolSession::SignInStep::None);
    Advance(600000);
    EXPECT_TRUE(screens.Lines().empty()) << screens.Dump();
    EXPECT_TRUE(harness.IsOpen());
}
