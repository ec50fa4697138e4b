// The protocol session: cutting the byte stream into frames, dispatching them, sending, the failure
// texts, and what happens when the connection ends.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeTrace.h"
#include "framework/ui/shell/QeConnection.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/Reset.h"
#include "messenger/protocol/SharedMessages.h"
#include "platform/system/device.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"

namespace {

const std::wstring kLostAlert = L"Alert(Tevrik 서버와의 연결이 끊어졌습니다.)";
const std::wstring kNetworkAlert = L"Alert(네트워크를 사용할 수 없습니다.)";

// A request under any command name, for the pending table.
class NamedRequest final : public BodilessRequest<NamedRequest> {
public:
    NamedRequest(std::wstring name, int32_t trId) : BodilessRequest(std::move(name), trId) {}
};

// The recording stand-ins first: the first class registered for a command stays.
void TestCommands(CommandRegistrar& registrar) {
    registrar.Command<AuthReceived, RecordingHandler>(L"AUTH");
    registrar.Command<RawReceived<L"PING">, RecordingHandler>(L"PING");
    registrar.Command<RawReceived<L"LIN2">, RecordingHandler>(L"LIN2");
    registrar.Command<RawReceived<L"LSTA">, RecordingHandler>(L"LSTA");
    RegisterAllCommands(registrar);
}

uint32_t Measure(ProtocolSession& session, std::string_view bytes, uint32_t preset = 0) {
    uint32_t length = preset;
    session.FrameLength(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()), length);
    return length;
}

class SessionTest : public ::testing::Test {
protected:
    RecordingScreens seam;
    SessionHarness harness{&TestCommands};
    ProtocolSession& session = harness.Session();
};

}  // namespace

// ---- framing

TEST_F(SessionTest, PlainLineIsOneFrameUpToItsLf) {
    EXPECT_EQ(Measure(session, "PING 7\r\n"), 8u);
    EXPECT_EQ(Measure(session, "PING 7\r\nPING 8\r\n"), 8u);
    // A payload count on a line that is no payload command means nothing.
    EXPECT_EQ(Measure(session, "NTFY 0 a 99\r\nrest"), 13u);
}

TEST_F(SessionTest, IncompleteFrameLeavesTheLengthUntouched) {
    EXPECT_EQ(Measure(session, "PING 7\r", 99), 99u);
    EXPECT_EQ(Measure(session, "", 99), 99u);
    EXPECT_EQ(Measure(session, "CRP2 5 DP %00 10\r\nLOPT", 99), 99u);
}

TEST_F(SessionTest, PayloadLineWithCountZeroHasAnEmptyPayload) {
    EXPECT_EQ(Measure(session, "CSES 3 LIST 0\r\nPING 1\r\n"), 15u);
    harness.Receive("CSES 3 LIST 0\r\nPING 1\r\n");
    EXPECT_EQ(harness.Delivered(), (std::vector<std::string>{"CSES 3 LIST 0\r\n", "PING 1\r\n"}));
}

TEST_F(SessionTest, PayloadWaitsForAllItsBytesAndTheNextFrameFollows) {
    harness.Receive("LSTA 4 1 1 10\r\n0123");
    EXPECT_TRUE(harness.Delivered().empty());
    EXPECT_EQ(harness.Queued(), "LSTA 4 1 1 10\r\n0123");
    harness.Receive("456789PING 0\r\n");
    EXPECT_EQ(harness.Delivered(), (std::vector<std::string>{"LSTA 4 1 1 10\r\n0123456789", "PING 0\r\n"}));
    ASSERT_EQ(harness.Handled().size(), 2u);
    EXPECT_EQ(harness.Handled()[0].Body, "1 1 10\r\n0123456789");
    EXPECT_TRUE(harness.Queued().empty());
}

TEST_F(SessionTest, ErrorReplyIsItsLineEvenForAPayloadCommandsId) {
    harness.Pending().Add(NamedRequest(L"LSTA", 12));
    EXPECT_EQ(Measure(session, "301 12\r\nPING 1\r\n"), 8u);
    EXPECT_EQ(Measure(session, "0301 12\r\n"), 9u);
}

TEST_F(SessionTest, FrameStartingWithWhitespaceIsALineOfItsOwnAndDropped) {
    harness.Receive("\r\nPING 5\r\n PING 6\r\n");
    EXPECT_EQ(harness.Delivered(), (std::vector<std::string>{"\r\n", "PING 5\r\n", " PING 6\r\n"}));
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].TrId, 5);
}

TEST_F(SessionTest, PayloadLineWithoutAnySpaceIsTakenAloneAndDropped) {
    // Waiting for a count that cannot come would stall the connection for good.
    harness.Receive("LIN2\r\nPING 5\r\n");
    EXPECT_EQ(harness.Delivered(), (std::vector<std::string>{"LIN2\r\n", "PING 5\r\n"}));
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].Name, L"PING");
}

TEST_F(SessionTest, PayloadCountWithoutDigitsCountsAsZero) {
    harness.Receive("LSTA 3 x\r\nPING 5\r\n");
    EXPECT_EQ(harness.Delivered(), (std::vector<std::string>{"LSTA 3 x\r\n", "PING 5\r\n"}));
    EXPECT_EQ(harness.Handled().size(), 2u);
}

TEST_F(SessionTest, FirstWordIsTakenFromTheFirstLineOnly) {
    // Without the first line's end the word would run on into the next frame's bytes.
    EXPECT_EQ(Measure(session, "CRP2\nLIN2 0 5 20\r\n"), 5u);
    EXPECT_EQ(Measure(session, "LIN2 1 2\nLIN2 3 3\r\n"), 9u + 2u);
}

TEST_F(SessionTest, WordsLongerThanThirtyOneBytesAreNoCommandsAndNoCodes) {
    harness.Pending().Add(NamedRequest(L"AUTH", 12));
    const std::string digits31 = std::string(28, '0') + "301";
    const std::string digits32 = std::string(29, '0') + "301";
    const std::string payload32 = "LSTA" + std::string(28, 'x');

    // The longest word that still counts: 31 digits are a result code.
    harness.Receive(digits31 + " 12\r\n");
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].Code, 301);
    harness.ClearHandled();
    seam.Clear();
    harness.Pending().Add(NamedRequest(L"AUTH", 12));

    // One more byte: compared whole, it is an unknown command and the line is dropped.
    harness.Receive(digits32 + " 12\r\n" + payload32 + " 1 5\r\nPING 3\r\n");
    EXPECT_EQ(harness.Delivered().back(), "PING 3\r\n");
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].Name, L"PING");
    EXPECT_NE(harness.Pending().Find(12), nullptr);
    EXPECT_TRUE(seam.Lines().empty());
}

TEST_F(SessionTest, FrameAtTheLimitIsAccepted) {
    std::string line = "LSTA 1 1 1 ";
    const uint32_t payload = ProtocolSession::kMaxFrame - static_cast<uint32_t>(line.size()) - 9;  // count + CRLF
    line += std::to_string(payload) + "\r\n";
    ASSERT_EQ(line.size() + payload, ProtocolSession::kMaxFrame);
    harness.Connect(1);
    harness.Receive(line + std::string(payload, 'p'));
    ASSERT_EQ(harness.Delivered().size(), 1u);
    EXPECT_EQ(harness.Delivered()[0].size(), ProtocolSession::kMaxFrame);
    EXPECT_TRUE(seam.Lines().empty());
}

TEST_F(SessionTest, FrameOverTheLimitEndsTheSignedInSession) {
    harness.Connect(1);
    harness.Pending().Add(NamedRequest(L"ADDG", 4));
    harness.Receive("LSTA 1 1 1 " + std::to_string(ProtocolSession::kMaxFrame) + "\r\nabc");
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{kLostAlert, L"OnResetToLogin()"}));
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_TRUE(harness.Queued().empty());
    EXPECT_EQ(session.Phase, 0);
    EXPECT_EQ(harness.Pending().Count(), 0u);
    EXPECT_TRUE(harness.Delivered().empty());
}

TEST_F(SessionTest, PayloadCountIsReadInSixtyFourBits) {
    // 2^32 + 8 would read as 8 in 32 bits and deliver "LOPT 9\r\n" as this frame's payload.
    harness.Connect(1);
    harness.Receive("LSTA 1 1 1 4294967304\r\nLOPT 9\r\n");
    EXPECT_TRUE(harness.Delivered().empty());
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{kLostAlert, L"OnResetToLogin()"}));
}

TEST_F(SessionTest, HugeCountEndsTheSignInAttemptInPhaseZero) {
    harness.Connect(0);
    harness.Receive("CRP2 1 DP %00 99999999999999999999999999\r\n");
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{kNetworkAlert, L"LoginShowPage(0)"}));
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(harness.Closes(), 1);
}

TEST_F(SessionTest, LineLongerThanTheLimitWithoutLfIsAProtocolError) {
    harness.Connect(1);
    harness.Receive(std::string(ProtocolSession::kMaxFrame - 1, 'a'));
    EXPECT_TRUE(seam.Lines().empty());
    harness.Receive("a");
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{kLostAlert, L"OnResetToLogin()"}));
    EXPECT_TRUE(harness.Queued().empty());
}

// ---- dispatch

TEST_F(SessionTest, ErrorReplyReachesThePendingRequestsHandlerWithItsCode) {
    harness.Pending().Add(NamedRequest(L"AUTH", 12));
    harness.Receive("301 12\r\n");
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0], (HandledMessage{L"AUTH", 12, 301, L"", 0, ""}));
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{L"Alert(입력하신 비밀번호를 확인하시고, 다시 로그인을 시도해 주세요.)"}));
    EXPECT_EQ(harness.Pending().Find(12), nullptr);
}

TEST_F(SessionTest, ErrorReplyWithoutAPendingRequestIsDropped) {
    harness.Pending().Add(NamedRequest(L"AUTH", 11));
    harness.Receive("301 12\r\n");
    EXPECT_TRUE(harness.Handled().empty());
    EXPECT_TRUE(seam.Lines().empty());
    EXPECT_NE(harness.Pending().Find(11), nullptr);
}

TEST_F(SessionTest, ErrorReplyReadsNoBody) {
    harness.Pending().Add(NamedRequest(L"AUTH", 12));
    harness.Receive("500 12 token\r\n");
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].Code, 500);
}

TEST_F(SessionTest, ReplyRemovesItsPendingEntryAfterTheHandler) {
    harness.Pending().Add(NamedRequest(L"AUTH", 5));
    harness.Receive("AUTH 5 token\r\n");
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].Code, 100);
    EXPECT_EQ(harness.Pending().Find(5), nullptr);
    // A reply to an id never sent is dispatched all the same when it is no error reply.
    harness.Receive("AUTH 77 token\r\n");
    EXPECT_EQ(harness.Handled().size(), 2u);
}

TEST_F(SessionTest, ServicesPingUnderAWaitingRequestsIdLeavesItWaiting) {
    harness.Pending().Add(NamedRequest(L"AUTH", 9));
    harness.Receive("PING 9\r\n");
    ASSERT_EQ(harness.Handled().size(), 1u);
    ASSERT_NE(harness.Pending().Find(9), nullptr);
    EXPECT_EQ(harness.Pending().Find(9)->Name, L"AUTH");
    // Its own reply still ends the wait, and so does the service's PING under a PING's id.
    harness.Receive("AUTH 9 token\r\n");
    EXPECT_EQ(harness.Pending().Find(9), nullptr);
    harness.Pending().Add(NamedRequest(L"PING", 10));
    harness.Receive("PING 10\r\n");
    EXPECT_EQ(harness.Pending().Find(10), nullptr);
}

TEST_F(SessionTest, ZeroIdRemovesNothing) {
    harness.Pending().Add(NamedRequest(L"PING", 0));
    harness.Receive("PING 0\r\n");
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_NE(harness.Pending().Find(0), nullptr);
}

TEST_F(SessionTest, UnknownCommandsAndCommandsWithoutHandlerAreDropped) {
    harness.Pending().Add(NamedRequest(L"LOUT", 3));
    harness.Receive("LOUT 3\r\nXYZW 1\r\n");
    harness.Receive("402 3\r\n");  // LOUT has no received class: dropped, entry stays
    EXPECT_TRUE(harness.Handled().empty());
    EXPECT_TRUE(seam.Lines().empty());
    EXPECT_NE(harness.Pending().Find(3), nullptr);
}

TEST(SessionDispatch, HandlerThatFreesTheReceivedBytesStillSeesItsFrame) {
    // The peer's receive queue goes away when a handler closes or reconnects; the frame and any
    // frame carried in it must come from the session's own copy (ASan sees a read of the freed
    // bytes).
    static std::unique_ptr<std::string> wire;
    struct FreeingCrp2Handler final : MessageHandler {
        bool Handle(ProtocolSession* s, ReceivedMessage& m) override {
            wire.reset();
            s->Close();
            return Crp2Handler().Handle(s, m);
        }
    };
    struct Group {
        static void Register(CommandRegistrar& registrar) {
            registrar.Command<Crp2Received, FreeingCrp2Handler>(L"CRP2");
            registrar.Command<RawReceived<L"NPRF">, RecordingHandler>(L"NPRF");
        }
    };
    RecordingScreens seam;
    SessionHarness harness(&Group::Register);
    harness.Connect(1);
    wire = std::make_unique<std::string>("CRP2 4 DP %00 17\r\nNPRF 5 abc def\r\n");
    harness.Inject(*wire);
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].Body, "abc def\r\n");
    EXPECT_EQ(harness.Handled()[0].Depth, 1);
}

TEST(SessionDispatch, CloseInsideAHandlerEmptiesTheQueueAndStopsFraming) {
    struct ClosingHandler final : MessageHandler {
        bool Handle(ProtocolSession* s, ReceivedMessage&) override {
            s->Close();
            return true;
        }
    };
    struct Group {
        static void Register(CommandRegistrar& registrar) {
            registrar.Command<KillStandIn, ClosingHandler>(L"KILL");
            registrar.Command<RawReceived<L"PING">, RecordingHandler>(L"PING");
        }
        class KillStandIn final : public BodilessReceived {
        public:
            explicit KillStandIn(int32_t trId) : BodilessReceived(L"KILL", trId) {}
        };
    };
    RecordingScreens seam;
    SessionHarness harness(&Group::Register);
    harness.Connect(1);
    harness.Receive("PING 1\r\nKILL 0\r\nPING 2\r\n");
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].TrId, 1);
    EXPECT_TRUE(harness.Queued().empty());
    EXPECT_FALSE(harness.Session().IsConnected());
}

// ---- sending

TEST_F(SessionTest, SendWritesTheRequestAndRemembersIt) {
    harness.Connect(1);
    LoutRequest request(9);
    EXPECT_EQ(session.Send(request), 1);
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{"LOUT 9\r\n"}));
    ASSERT_NE(harness.Pending().Find(9), nullptr);
    EXPECT_EQ(harness.Pending().Find(9)->Name, L"LOUT");
}

TEST_F(SessionTest, SendKeepsNothingForRequestsWithoutId) {
    harness.Connect(1);
    PingRequest zero(0);
    EXPECT_EQ(session.Send(zero), 1);
    PingRequest carried(4);
    carried.NoTrId = true;
    EXPECT_EQ(session.Send(carried), 1);
    EXPECT_EQ(harness.SentText(), "PING 0\r\nPING\r\n");
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

TEST_F(SessionTest, SendWithoutConnectionQueuesNothing) {
    LoutRequest early(3);
    EXPECT_EQ(session.Send(early), 0);
    EXPECT_EQ(harness.Pending().Count(), 0u);
    // Nothing waits to go out first on the next connection.
    harness.Connect(0);
    EXPECT_TRUE(harness.Sent().empty());
    harness.Session().Close();
    LoutRequest late(4);
    EXPECT_EQ(session.Send(late), 0);
    EXPECT_TRUE(harness.Sent().empty());
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

TEST_F(SessionTest, FailedWriteRemembersNothing) {
    harness.Connect(1);
    harness.FailWrites = true;
    LoutRequest request(6);
    EXPECT_EQ(session.Send(request), 0);
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

TEST_F(SessionTest, ConnectSendsThePhasesFirstRequest) {
    session.SetConnectAction(0, [](ProtocolSession& s) {
        PingRequest first(1);
        s.Send(first);
    });
    session.SetConnectAction(1, [](ProtocolSession& s) {
        PongRequest first(2);
        s.Send(first);
    });
    harness.Connect(0);
    harness.Connect(1);
    harness.Connect(2);
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{"PING 1\r\n", "PONG 2\r\n"}));
}

// ---- failure texts

TEST(FailureCodeName, MapsTheTableAndAnythingElseToUnknownError) {
    // The protocol's table, written out.
    const std::map<int32_t, std::wstring> table = {
        {100, L"FailureCodeSuccess"},
        {101, L"FailureCodeLowCache"},
        {200, L"FailureCodeInvalidPacket"},
        {201, L"FailureCodeMissingData"},
        {202, L"FailureCodeInvalidData"},
        {203, L"FailureCodeInvalidCommand"},
        {270, L"FailureCodeInvalidSsSession"},
        {280, L"FailureCodeMsgError"},
        {300, L"입력하신 아이디를 확인하시고, 다시 로그인을 시도해 주세요."},
        {301, L"입력하신 비밀번호를 확인하시고, 다시 로그인을 시도해 주세요."},
        {302, L"FailureCodeAlreadyLoggedIn"},
        {303, L"FailureCodeWrongDomain"},
        {304, L"FailureCodeInvalidTargetId"},
        {305, L"FailureCodeOfflineTargetId"},
        {306, L"FailureCodeInvalidSession"},
        {307, L"FailureCodeIdAlreadyExists"},
        {308, L"FailureCodeClosedSession"},
        {309, L"FailureCodeStoppedCommunication"},
        {321, L"FailureCodeFlExceeded"},
        {322, L"FailureCodeBuddyExceeded"},
        {395, L"아직 OTP 인증은 지원하지 않습니다."},
        {396, L"FailureCodeOtpNotReg"},
        {397, L"FailureCodeOtpOverTry"},
        {400, L"FailureCodeGeneralServerError"},
        {401, L"FailureCodeResourceExhausted"},
        {411, L"FailureCodeDplNotRegistered"},
        {412, L"FailureCodeDplInsertError"},
        {413, L"FailureCodeDplIInvalidHost"},
        {414, L"FailureCodeDplUnknownOs"},
        {418, L"FailureCodeDplUnsupportedVersion"},
        {420, L"FailureCodeDispError"},
        {421, L"FailureCodeDispConnectionFailed"},
        {422, L"FailureCodeDispTimeout"},
        {423, L"FailureCodeDispIpmlTimeout"},
        {480, L"FailureCodeMrError"},
        {490, L"FailureCodeIpmlError"},
        {500, L"FailureCodeDbError"},
        {600, L"FailureCodeLowVersion"},
        {601, L"FailureCodeUnauthorized"},
        {997, L"FailureCodeSrFormat"},
        {998, L"FailureCodeLink"},
        {999, L"FailureCodeGeneral"},
    };
    ASSERT_EQ(table.size(), 42u);
    std::vector<int32_t> codes = {INT32_MIN, -301, 2147483647, 1100, 1300};
    for (int32_t code = -1; code <= 1000; ++code) codes.push_back(code);
    for (int32_t code : codes) {
        AuthReceived message(1);
        message.Code = code;
        std::wstring text = L"stale";
        ProtocolSession::FailureCodeName(message, text);
        const auto entry = table.find(code);
        ASSERT_EQ(text, entry != table.end() ? entry->second : L"Unknown Error") << code;
    }
}

TEST_F(SessionTest, ShowFailureAlertsTheTextAsItIs) {
    AuthReceived message(1);
    message.Code = 402;
    ProtocolSession::ShowFailure(message);
    message.Code = 600;
    ProtocolSession::ShowFailure(message);
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{L"Alert(Unknown Error)", L"Alert(FailureCodeLowVersion)"}));
}

// ---- the end of a connection

TEST_F(SessionTest, ClosedSignedInConnectionShowsTheLossAndReturnsToLogin) {
    harness.Connect(1);
    harness.Pending().Add(NamedRequest(L"ADDG", 8));
    session.OnClosed();
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{kLostAlert, L"OnResetToLogin()"}));
    EXPECT_EQ(session.Phase, 0);
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

TEST_F(SessionTest, ClosedLoginServerConnectionEndsTheAttemptOnTheForm) {
    // The sign-in waits for a reply that cannot come any more.
    harness.Connect(0);
    session.OnClosed();
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{kNetworkAlert, L"LoginShowPage(0)"}));
    EXPECT_FALSE(session.IsConnected());
    EXPECT_EQ(harness.Closes(), 1);
}

TEST_F(SessionTest, ConnectionErrorWhileSignedInIsAConnectionLoss) {
    harness.Connect(1);
    session.OnError(104);
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{kLostAlert, L"OnResetToLogin()"}));
    EXPECT_EQ(session.Phase, 0);
}

TEST_F(SessionTest, ConnectionErrorOnTheLoginServerReturnsToTheForm) {
    // A refused connect must not leave the user on the connecting panel.
    session.Phase = 0;
    session.OnError(111);
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{kNetworkAlert, L"LoginShowPage(0)"}));
    EXPECT_EQ(harness.Closes(), 1);
}

// ---- reset to login

TEST_F(SessionTest, ResetToLoginEmptiesEverythingAndTwiceChangesNothing) {
    BuddyRoster roster;
    BuddyGroupList groups;
    Buddy buddy;
    buddy.Id = L"bob@x";
    roster.AddOrUpdate(L"k1", buddy);
    BuddyGroup group;
    group.Id = L"g1";
    groups.InsertEntry(group);
    MemoStore memos;
    memos.AddFront();
    memos.HasNewMemo = 1;
    ChatSessionManager chats;
    chats.CreateChatSession();

    harness.Connect(1);
    harness.Pending().Add(NamedRequest(L"ADDG", 8));
    ResetToLogin();
    EXPECT_EQ(roster.Count(), 0u);
    EXPECT_EQ(groups.Count(), 0u);
    EXPECT_EQ(memos.Count(), 0u);
    EXPECT_EQ(memos.HasNewMemo, 0);
    EXPECT_EQ(chats.Count(), 0u);
    EXPECT_EQ(harness.Pending().Count(), 0u);
    EXPECT_EQ(session.Phase, 0);
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(seam.Count("OnResetToLogin"), 1u);
    // The chats and their windows go once the loop runs.
    seam.RunPendingTasks();
    EXPECT_EQ(chats.RemovedCount(), 0u);

    ResetToLogin();
    EXPECT_EQ(roster.Count(), 0u);
    EXPECT_EQ(seam.Count("OnResetToLogin"), 2u);
}

// ---- the Internet connection

TEST(SessionConnectionTest, TheSessionHoldsTheInternetConnectionForItsLife) {
    ResetDevices();
    QeConnection connection;
    {
        ProtocolSession session;
        EXPECT_NE(connection.Handle(), nullptr);
        EXPECT_EQ(OpenConnectionCount(), 1);
    }
    EXPECT_EQ(connection.Handle(), nullptr);
    EXPECT_EQ(DeviceCalls(), (std::vector<std::wstring>{L"ConnMgrEstablishConnectionSync(60000)",
                                                        L"ConnMgrReleaseConnection(1)"}));

    // A refused connection changes nothing else: the session goes on without one.
    SetConnMgrResults(E_FAIL, S_OK);
    {
        ProtocolSession session;
        EXPECT_EQ(connection.Handle(), nullptr);
    }
    ResetDevices();
}
