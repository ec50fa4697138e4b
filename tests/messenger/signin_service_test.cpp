// The whole sign-in against the local service started in this process on free ports with its own
// certificate authority: the login server, the reconnect over verified TLS, the buddy list in
// several parts, and every way the signed-in session ends.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "framework/base/QeTimerManager.h"
#include "messenger/model/Credentials.h"
#include "tests/messenger/local_service_setup.h"
#include "tests/messenger/signin_test_support.h"
#include "tests/support/Pump.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/temp_folder.h"
#include "tools/service/TestService.h"

using namespace std::chrono_literals;
using signin_test::LstaPart;
using signin_test::SignedInModel;
using tevrik_service::Frame;

namespace {

constexpr double kBound = 20.0;

const char kSeed[] = R"({
  "users": [
    {"id": "a@tevrik.example", "password": "pa", "name": "가나다", "nickname": "가",
     "groups": [{"id": "0", "name": "친구"}, {"id": "1", "name": "회사"}, {"id": "2", "name": "빈 그룹"}],
     "buddies": [{"id": "b@tevrik.example", "group": "0"}, {"id": "c@tevrik.example", "group": "1"},
                 {"id": "d@other.example", "group": "1"}]},
    {"id": "b@tevrik.example", "password": "pb", "name": "Bee Park", "nickname": "Bee",
     "groups": [{"id": "0", "name": "Friends"}],
     "buddies": [{"id": "a@tevrik.example", "group": "0"}]},
    {"id": "c@tevrik.example", "password": "pc", "name": "Cee", "nickname": "C",
     "groups": [{"id": "0", "name": "Friends"}]},
    {"id": "d@other.example", "password": "pd", "name": "Dee", "nickname": "D",
     "groups": [{"id": "0", "name": "Friends"}]}
  ]
})";

const std::wstring kId = L"a@tevrik.example";

// The service, its CA trusted through SSL_CERT_FILE (or not, for the test that must fail), the
// login server named through the environment, and the client's objects.
class ServiceSignIn : public ::testing::Test, protected LocalServiceSetUp {
protected:
    explicit ServiceSignIn(bool trustService = true) : LocalServiceSetUp(Options(), trustService) {}
    ~ServiceSignIn() override { harness.Session().Close(); }

    static tevrik_service::ServiceOptions Options() {
        tevrik_service::ServiceOptions options = WithSeed(kSeed);
        options.listPartSize = 64;  // the list comes in several parts
        return options;
    }

    // Starts the sign-in as the login form does.
    bool Begin(const std::wstring& id, const std::wstring& password) {
        std::wstring digest;
        HashCredentials(digest, id, password);
        return BeginSignIn(id, digest, false);
    }

    bool SignIn() {
        if (!started || !Begin(kId, L"pa")) return false;
        return PumpUntil([&] { return screens.Count("PlayNotification") > 0 || screens.Count("Alert") > 0; },
                         kBound) &&
               screens.Count("PlayNotification") == 1;
    }

    tevrik_service::ConnId Connection() { return service.SignedInConnection("a@tevrik.example"); }

    std::vector<Frame> ClientFrames(const std::string& command) {
        std::vector<Frame> frames;
        for (const Frame& frame : service.Frames()) {
            if (frame.fromClient && (frame.command == command || frame.innerCommand == command)) frames.push_back(frame);
        }
        return frames;
    }

    size_t ServiceFrames(const std::string& command) {
        size_t count = 0;
        for (const Frame& frame : service.Frames()) count += !frame.fromClient && frame.command == command;
        return count;
    }

    testsupport::ScopedConfigHome home;
    TimingRig timing;
    RecordingScreens screens;
    SignedInModel model;
    SessionHarness harness{&RegisterAllCommands, SessionHarness::Transport::Socket};
    ProtocolSession& session = harness.Session();
};

class UntrustedServiceSignIn : public ServiceSignIn {
protected:
    UntrustedServiceSignIn() : ServiceSignIn(false) {}
};

}  // namespace

TEST_F(ServiceSignIn, FullSignInFillsTheListAndShowsIt) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"StatusBarCardRefresh()", L"BuddyListRefresh()", L"ShowSignedIn()",
                                         L"MemoListSwitchBox(0)", L"PlayNotification(0)"}));
    EXPECT_EQ(session.Phase, 1);
    EXPECT_EQ(model.account.Name, L"가나다");
    EXPECT_EQ(model.account.Nickname, L"가");
    EXPECT_EQ(model.account.Status, 0u);
    EXPECT_EQ(service.PresenceOf("a@tevrik.example"), "O");

    ASSERT_EQ(model.groups.Count(), 3u);
    EXPECT_EQ(model.groups.FindEntry(L"1")->Name, L"회사");
    EXPECT_EQ(model.groups.FindEntry(L"1")->MemberCount(), 2u);
    EXPECT_EQ(model.groups.FindEntry(L"2")->MemberCount(), 0u);
    ASSERT_EQ(model.roster.Count(), 3u);
    const Buddy* bee = model.roster.Find(L"b@tevrik.example");
    ASSERT_NE(bee, nullptr);
    EXPECT_EQ(bee->Nickname, L"Bee");
    EXPECT_TRUE(model.groups.FindEntry(L"0")->Contains(bee->Key));
    EXPECT_GE(ServiceFrames("LSTA"), 3u) << "the list came in several parts";

    // The road as the service saw it: three requests on the login server, then the login, the list
    // request and the options (inside CRP2) on the TLS connection. The options go out after the
    // list request, so the service may not have read them yet when the list is shown.
    ASSERT_TRUE(service.WaitForClientFrame(tevrik_service::kAllConnections, "LOPT", std::chrono::seconds(10)));
    for (const char* command : {"PVER", "AUTH", "REQS", "LIN2", "LSTA", "LOPT"}) {
        EXPECT_EQ(ClientFrames(command).size(), 1u) << command;
    }
    EXPECT_EQ(ClientFrames("PVER")[0].bytes, "PVER 1 1.0.2 2.0 ko.wm\r\n");
    EXPECT_EQ(ClientFrames("LOPT")[0].command, "CRP2");
    const Frame lin2 = ClientFrames("LIN2")[0];
    EXPECT_NE(lin2.conn, ClientFrames("REQS")[0].conn);
    EXPECT_EQ(lin2.conn, Connection());
    std::wstring pcid;
    GetPcid(pcid);
    EXPECT_NE(lin2.bytes.find(std::string(pcid.begin(), pcid.end())), std::string::npos);
    // The options' reply is handled; the keep-alive runs.
    EXPECT_TRUE(PumpUntil([&] { return harness.Pending().Count() == 0; }, kBound));
    EXPECT_NE(model.keepAlive.TimerId, 0u);
    EXPECT_EQ(screens.Count("Alert"), 0u);
}

TEST_F(ServiceSignIn, AppearingOfflineSignsInAsX) {
    ASSERT_TRUE(started);
    std::wstring digest;
    HashCredentials(digest, kId, L"pa");
    ASSERT_TRUE(BeginSignIn(kId, digest, true));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("PlayNotification") == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(service.PresenceOf("a@tevrik.example"), "X");
    EXPECT_EQ(model.account.Status, 5u);
}

TEST_F(ServiceSignIn, WrongPasswordShowsItsTextAndReturnsToTheFormClosed) {
    ASSERT_TRUE(started);
    ASSERT_TRUE(Begin(kId, L"wrong"));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("LoginShowPage") == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"Alert(입력하신 비밀번호를 확인하시고, 다시 로그인을 시도해 주세요.)",
                                         L"LoginShowPage(0)"}));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(session.Phase, 0);
    EXPECT_EQ(Connection(), 0);
    EXPECT_EQ(model.roster.Count(), 0u);
}

TEST_F(ServiceSignIn, UnknownIdShowsItsText) {
    ASSERT_TRUE(started);
    ASSERT_TRUE(Begin(L"nobody@tevrik.example", L"pa"));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("LoginShowPage") == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.First("Alert")->Text, L"입력하신 아이디를 확인하시고, 다시 로그인을 시도해 주세요.");
    EXPECT_FALSE(session.IsOpen());
}

TEST_F(ServiceSignIn, SignInElsewhereEndsThisOneWithTheKillText) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    screens.Clear();
    ASSERT_TRUE(service.SendKill(Connection()));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("OnResetToLogin") == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"Alert(다른 기기에서 동일 아이디로 접속하여 로그아웃 되었습니다.)",
                                         L"OnResetToLogin()"}));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(session.Phase, 0);
    EXPECT_EQ(model.roster.Count(), 0u);
    EXPECT_EQ(model.groups.Count(), 0u);
    EXPECT_EQ(model.keepAlive.TimerId, 0u);
    // The service's close that follows the KILL finds nothing left to end.
    PumpFor(0.1);
    EXPECT_EQ(screens.Count("Alert"), 1u);
}

TEST_F(ServiceSignIn, ServiceClosingTheConnectionEndsTheSession) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    screens.Clear();
    ASSERT_TRUE(service.CloseConnection(Connection()));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("OnResetToLogin") == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"Alert(Tevrik 서버와의 연결이 끊어졌습니다.)", L"OnResetToLogin()"}));
    EXPECT_EQ(model.keepAlive.TimerId, 0u);
    EXPECT_EQ(model.roster.Count(), 0u);
}

TEST_F(ServiceSignIn, PingIsAnsweredUnderItsIdAndTickReplacesTheText) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    const tevrik_service::ConnId conn = Connection();
    ASSERT_TRUE(service.SendPing(conn, 42));
    ASSERT_TRUE(PumpUntil([&] { return ClientFrames("PING").size() == 1; }, kBound));
    EXPECT_EQ(ClientFrames("PING")[0].bytes, "PING 42\r\n");
    EXPECT_EQ(ClientFrames("PING")[0].conn, conn);

    ASSERT_TRUE(service.SendTick(conn, "새 틱"));
    ASSERT_TRUE(PumpUntil([&] { return model.account.TickText == L"새 틱"; }, kBound));
    EXPECT_EQ(screens.Count("Alert"), 0u);
}

TEST_F(ServiceSignIn, LogOutLeavesTheServiceAndShowsNoLoss) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    const tevrik_service::ConnId conn = Connection();
    screens.Clear();
    LogOut();
    EXPECT_TRUE(service.WaitForClose(conn, 20s));
    EXPECT_EQ(ClientFrames("LOUT").size(), 1u);
    EXPECT_EQ(Connection(), 0);
    PumpFor(0.1);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"OnResetToLogin()"}));
}

TEST_F(UntrustedServiceSignIn, UnverifiedSessionServerGetsNoLogin) {
    ASSERT_TRUE(started);
    ASSERT_TRUE(Begin(kId, L"pa"));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("LoginShowPage") == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"Alert(네트워크를 사용할 수 없습니다.)", L"LoginShowPage(0)"}));
    EXPECT_EQ(ClientFrames("REQS").size(), 1u);
    EXPECT_TRUE(ClientFrames("LIN2").empty());
    EXPECT_EQ(Connection(), 0);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(session.Phase, 0);
}

// ---- the keep-alive against the service, on the test clock

namespace {

class ServiceKeepAlive : public ServiceSignIn {
protected:
    FakeClock clock;
};

}  // namespace

TEST_F(ServiceKeepAlive, AnsweredPongsKeepTheSessionAndAMissedOneEndsIt) {
    // The test clock was made after the timing rig: restart the keep-alive on it.
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ASSERT_TRUE(model.keepAlive.StartKeepAlive());
    const tevrik_service::ConnId conn = Connection();

    clock.Advance(10000);
    ASSERT_TRUE(PumpUntil([&] { return ClientFrames("PONG").size() == 1; }, kBound));
    EXPECT_EQ(ClientFrames("PONG")[0].conn, conn);
    ASSERT_TRUE(PumpUntil([&] { return !model.keepAlive.AwaitingAnswer; }, kBound));
    clock.Advance(10000);
    ASSERT_TRUE(PumpUntil([&] { return ClientFrames("PONG").size() == 2; }, kBound));
    ASSERT_TRUE(PumpUntil([&] { return !model.keepAlive.AwaitingAnswer; }, kBound));
    EXPECT_EQ(screens.Count("Alert"), 0u);

    // The service stops answering: the tick after the next PONG finds it unanswered.
    service.SetAnswerPong(conn, false);
    clock.Advance(10000);
    ASSERT_TRUE(PumpUntil([&] { return ClientFrames("PONG").size() == 3; }, kBound));
    PumpFor(0.05);
    EXPECT_TRUE(model.keepAlive.AwaitingAnswer);
    clock.Advance(10000);
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"StatusBarCardRefresh()", L"BuddyListRefresh()", L"ShowSignedIn()",
                                         L"MemoListSwitchBox(0)", L"PlayNotification(0)",
                                         L"Alert(네트워크가 불안정하여 Tevrik 서버와의 접속이 종료되었습니다.)",
                                         L"OnResetToLogin()"}));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(ClientFrames("PONG").size(), 3u);
}

// ---- a buddy list that arrives badly: the service holds its own list back and the test pushes
// the parts, on the test clock

namespace {

class ServiceListArrival : public ServiceSignIn {
protected:
    // Starts the sign-in with the service's list held back; the id of the list request once it
    // went out (empty when it did not).
    std::string SignInWithoutTheList() {
        service.SetNoReply("LSTA");
        if (!started || !Begin(kId, L"pa")) return {};
        std::string trid;
        PumpUntil(
            [&] {
                const std::vector<Frame> sent = ClientFrames("LSTA");
                if (!sent.empty()) trid = sent.front().trid;
                return !trid.empty();
            },
            kBound);
        return trid;
    }

    // Moves the test clock on in keep-alive intervals, each PONG answered before the next is due.
    void AdvanceAnswered(DWORD ms) {
        while (ms > 0) {
            const DWORD step = ms < 10000 ? ms : 10000;
            clock.Advance(step);
            ms -= step;
            PumpUntil([&] { return !model.keepAlive.AwaitingAnswer || model.keepAlive.TimerId == 0; }, kBound);
        }
    }

    bool SignedIn() {
        return PumpUntil([&] { return screens.Count("PlayNotification") > 0 || screens.Count("Alert") > 0; }, kBound) &&
               screens.Count("PlayNotification") == 1;
    }

    const std::string kList = "1 1\r\n0 친구 1 1001\r\nb@tevrik.example 0 1001 %00 1101 O Bee%20Park Bee %00 0 %00 %00 %00\r\n";
    const std::vector<std::wstring> kFailed{L"StatusBarCardRefresh()", L"OnResetToLogin()",
                                            std::wstring(L"Alert(") + kNoNetworkText + L")", L"LoginShowPage(0)"};
    FakeClock clock;
};

}  // namespace

TEST_F(ServiceListArrival, PartsInAnyOrderAmongStraysStillSignIn) {
    const std::string trid = SignInWithoutTheList();
    ASSERT_FALSE(trid.empty()) << screens.Dump();
    const std::string p1 = kList.substr(0, 9), p2 = kList.substr(9, 30), p3 = kList.substr(39);
    ASSERT_TRUE(service.Push(Connection(), LstaPart(trid, 3, 3, p3) + LstaPart(trid, 3, 3, "9 9\r\n") +
                                               LstaPart(trid, 0, 3, "9 9\r\n") + LstaPart("9" + trid, 1, 3, "9 9\r\n") +
                                               LstaPart(trid, 1, 3, p1)));
    ASSERT_TRUE(PumpUntil([&] { return LstaParts::Instance().Bytes().size() == p3.size() + p1.size(); }, kBound));
    AdvanceAnswered(30000);
    ASSERT_TRUE(service.Push(Connection(), LstaPart(trid, 2, 3, p2)));
    ASSERT_TRUE(SignedIn()) << screens.Dump();
    ASSERT_EQ(model.roster.Count(), 1u);
    EXPECT_EQ(model.roster.Find(L"b@tevrik.example")->Name, L"Bee Park");
    EXPECT_EQ(model.groups.FindEntry(L"0")->Name, L"친구");
    // The limit went with the list.
    AdvanceAnswered(60000);
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
    EXPECT_NE(Connection(), 0);
}

TEST_F(ServiceListArrival, NumberingThatCannotCompleteEndsTheSignIn) {
    const std::string trid = SignInWithoutTheList();
    ASSERT_FALSE(trid.empty()) << screens.Dump();
    ASSERT_TRUE(service.Push(Connection(), LstaPart(trid, 1, 2, kList.substr(0, 9)) + LstaPart(trid, 1, 0, "")));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("LoginShowPage") == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.Lines(), kFailed);
    EXPECT_TRUE(PumpUntil([&] { return Connection() == 0; }, kBound));
    EXPECT_EQ(session.Phase, 0);
    EXPECT_FALSE(screens.SignedIn);
    EXPECT_EQ(model.keepAlive.TimerId, 0u);
}

TEST_F(ServiceListArrival, ListNotWholeAMinuteAfterTheRequestEndsTheSignIn) {
    const std::string trid = SignInWithoutTheList();
    ASSERT_FALSE(trid.empty()) << screens.Dump();
    ASSERT_TRUE(service.Push(Connection(), LstaPart(trid, 1, 2, kList.substr(0, 9))));
    ASSERT_TRUE(PumpUntil([&] { return !LstaParts::Instance().Bytes().empty(); }, kBound));
    AdvanceAnswered(59999);
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
    AdvanceAnswered(1);
    EXPECT_EQ(screens.Lines(), kFailed);
    EXPECT_TRUE(PumpUntil([&] { return Connection() == 0; }, kBound));
    EXPECT_FALSE(screens.SignedIn);
}

// ---- the time limit of every step of the road, on the test clock

namespace {

// A port on 127.0.0.1 whose connection attempts are never answered: its one-place accept queue is
// taken and nobody accepts, so further SYNs are dropped and a connect waits until it is given up.
class BlackHole {
public:
    BlackHole() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(m_listener, 0) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(m_filler, reinterpret_cast<sockaddr*>(&address), size) != 0) m_port = 0;
    }
    ~BlackHole() {
        if (m_filler >= 0) ::close(m_filler);
        if (m_listener >= 0) ::close(m_listener);
    }
    BlackHole(const BlackHole&) = delete;
    BlackHole& operator=(const BlackHole&) = delete;
    uint16_t Port() const { return m_port; }

private:
    int m_listener = -1;
    int m_filler = -1;
    uint16_t m_port = 0;
};

class ServiceSignInLimits : public ServiceSignIn {
protected:
    // The attempt still waits just before the limit and has ended, closed, as a failed one at it.
    void ExpectEndsAtTheLimit(const std::string& step) {
        PumpFor(0.05);
        clock.Advance(29999);
        EXPECT_TRUE(screens.Lines().empty()) << step << "\n" << screens.Dump();
        clock.Advance(1);
        EXPECT_EQ(screens.Lines(), kFailed) << step << "\n" << screens.Dump();
        EXPECT_FALSE(session.IsConnected()) << step;
        EXPECT_EQ(session.Phase, 0) << step;
        EXPECT_EQ(session.WaitingFor(), ProtocolSession::SignInStep::None) << step;
    }

    size_t Sent(const std::string& command) { return ClientFrames(command).size(); }

    const std::vector<std::wstring> kFailed{std::wstring(L"Alert(") + kNoNetworkText + L")", L"LoginShowPage(0)"};
    FakeClock clock;
};

}  // namespace

TEST_F(ServiceSignInLimits, AnUnansweredRequestEndsTheAttemptAfter30Seconds) {
    ASSERT_TRUE(started);
    for (const std::string command : {"PVER", "AUTH", "REQS", "LIN2"}) {
        screens.Clear();
        const size_t before = Sent(command);
        service.SetNoReply(command);
        ASSERT_TRUE(Begin(kId, L"pa"));
        ASSERT_TRUE(PumpUntil([&] { return Sent(command) == before + 1; }, kBound)) << command;
        const tevrik_service::ConnId conn = ClientFrames(command).back().conn;
        ExpectEndsAtTheLimit(command);
        EXPECT_TRUE(service.WaitForClose(conn, 5s)) << command;
    }
    // The road then goes through whole, and nothing is left waiting.
    screens.Clear();
    ASSERT_TRUE(SignIn()) << screens.Dump();
    EXPECT_EQ(session.WaitingFor(), ProtocolSession::SignInStep::None);
    EXPECT_EQ(screens.Count("Alert"), 0u);
}

TEST_F(ServiceSignInLimits, AConnectThatHangsEndsTheAttemptAfter30Seconds) {
    BlackHole hole;
    ASSERT_NE(hole.Port(), 0);
    {
        // The login server drops the connection attempts.
        const std::string port = std::to_string(hole.Port());
        signin_test::ScopedEnv loginPort("TEVRIK_LOGIN_PORT", port.c_str());
        ASSERT_TRUE(Begin(kId, L"pa"));
        EXPECT_EQ(session.WaitingFor(), ProtocolSession::SignInStep::Connect);
        ExpectEndsAtTheLimit("login server");
    }
    // The session server that REQS names does.
    screens.Clear();
    service.SetNoReply("REQS");
    ASSERT_TRUE(Begin(kId, L"pa"));
    ASSERT_TRUE(PumpUntil([&] { return Sent("REQS") == 1; }, kBound));
    const Frame reqs = ClientFrames("REQS").back();
    ASSERT_TRUE(service.Push(reqs.conn, "REQS " + reqs.trid + " NS 127.0.0.1 " + std::to_string(hole.Port()) + " t1\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return session.WaitingFor() == ProtocolSession::SignInStep::TlsConnect; }, kBound));
    EXPECT_EQ(session.Phase, 1);
    ExpectEndsAtTheLimit("session server");
    EXPECT_TRUE(ClientFrames("LIN2").empty());
}
