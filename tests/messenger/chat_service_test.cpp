// Chats end to end: the client signed in to the local service over its real connection, the other
// users played by scripted connections. Both roads that open a chat, lines both ways, typing
// notices, members coming and going, the unread and sound rules, a failed line, and a line with "%",
// TAB and Korean that the client sends and gets back through the service's relay.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "framework/base/QeStrings.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/Credentials.h"
#include "messenger/protocol/ChatCommands.h"
#include "messenger/protocol/Envelopes.h"
#include "tests/messenger/local_service_setup.h"
#include "tests/messenger/signin_test_support.h"
#include "tests/service/ScriptedClient.h"
#include "tests/support/Pump.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/TraceLog.h"
#include "tests/support/temp_folder.h"
#include "tools/service/TestService.h"

using service_test::Crp2;
using service_test::ScriptedClient;
using signin_test::SignedInModel;
using tevrik_service::Frame;

namespace {

constexpr double kBound = 20.0;
using Lines = std::vector<std::wstring>;

const char kSeed[] = R"({
  "users": [
    {"id": "a@tevrik.example", "password": "pa", "name": "가나다", "nickname": "가",
     "groups": [{"id": "0", "name": "친구"}],
     "buddies": [{"id": "b@tevrik.example", "group": "0"}, {"id": "c@tevrik.example", "group": "0"}]},
    {"id": "b@tevrik.example", "password": "pb", "name": "Bee Park", "nickname": "Bee",
     "groups": [{"id": "0", "name": "Friends"}],
     "buddies": [{"id": "a@tevrik.example", "group": "0"}]},
    {"id": "c@tevrik.example", "password": "pc", "name": "Cee Kim", "nickname": "Cee",
     "groups": [{"id": "0", "name": "Friends"}],
     "buddies": [{"id": "a@tevrik.example", "group": "0"}]}
  ]
})";

std::wstring Wide(const std::string& utf8) { return QeStrings::Utf8ToWide(utf8); }

// A scripted user in a chat: its connection, and the session id and cookie of the room it is in.
struct Peer {
    ScriptedClient wire;
    std::string id;
    std::string sid;
    std::string cookie;
    int next = 100;  // its next transaction id
    std::string Id() { return std::to_string(next++); }
};

class ChatService : public ::testing::Test, protected LocalServiceSetUp {
protected:
    ChatService() : LocalServiceSetUp(kSeed) {}
    ~ChatService() override { harness.Session().Close(); }

    // The scripted users sign in first, so the client finds them online in its list and nothing but
    // the sign-in sound plays before the test starts.
    bool SignInPeer(Peer& peer, const std::string& id, const std::string& password) {
        peer.id = id;
        return started && service_test::SignIn(service, peer.wire, id, password).rfind("LIN2 4 ", 0) == 0;
    }

    bool SignIn() {
        if (!started) return false;
        std::wstring digest;
        HashCredentials(digest, L"a@tevrik.example", L"pa");
        if (!BeginSignIn(L"a@tevrik.example", digest, false)) return false;
        const bool done = PumpUntil([&] { return screens.Count("PlayNotification") > 0 || screens.Count("Alert") > 0; },
                                    kBound) &&
                          screens.Count("PlayNotification") == 1;
        if (!done || !Settle()) return false;
        client = service.SignedInConnection("a@tevrik.example");
        screens.Clear();
        return client != 0;
    }

    // Runs the loop until every request the client sent is answered. Nothing answers an invitation
    // that was delivered (CTOC, and the CRP2 that carried it), so those are not waited for.
    bool Settle() { return PumpUntil([&] { return Unanswered() == 0; }, kBound); }

    size_t Unanswered() {
        size_t count = 0;
        for (int32_t id = 1; id <= harness.Ids().LastId; ++id) {
            const RequestMessage* request = harness.Pending().Find(id);
            if (request == nullptr || request->Name == L"CTOC") continue;
            const auto* envelope = dynamic_cast<const Crp2Request*>(request);
            if (envelope != nullptr && envelope->Inner.Size() >= 4 &&
                std::string(reinterpret_cast<const char*>(envelope->Inner.Data()), 4) == "CTOC")
                continue;
            ++count;
        }
        return count;
    }

    // Runs the client's loop until the service has recorded a frame that matches, at or after `from`.
    std::optional<Frame> PumpForFrame(const std::function<bool(const Frame&)>& match, size_t from = 0) {
        std::optional<Frame> found;
        PumpUntil(
            [&] {
                for (const Frame& frame : service.Frames(from)) {
                    if (match(frame)) {
                        found = frame;
                        return true;
                    }
                }
                return false;
            },
            kBound);
        return found;
    }

    // The client's frame whose command, or carried command, is the one given.
    std::optional<Frame> PumpForClientFrame(const std::string& command, size_t from = 0) {
        return PumpForFrame(
            [&](const Frame& f) {
                return f.conn == client && f.fromClient && (f.command == command || f.innerCommand == command);
            },
            from);
    }

    // The peer takes the invitation the client sent and enters the room: CSES CONN, ENTR, and the
    // members already there (USER) before the ENTR answer.
    void AcceptInvitation(Peer& peer, std::vector<std::string>* users = nullptr) {
        auto invitation = peer.wire.NextStartingWith("CTOC 0 a@tevrik.example ");
        ASSERT_TRUE(invitation);
        std::smatch m;
        const std::regex shape("CTOC 0 a@tevrik\\.example \\d+\r\nINVT a@tevrik\\.example 127\\.0\\.0\\.1 (\\d+) (\\S+)");
        ASSERT_TRUE(std::regex_match(*invitation, m, shape)) << *invitation;
        peer.cookie = m[2];
        const std::string body = "127.0.0.1 " + std::string(m[1]) + " " + peer.cookie + "\r\n";
        const std::string conn = peer.Id();
        peer.wire.Send("CSES " + conn + " CONN SS %00 " + std::to_string(body.size()) + "\r\n" + body);
        auto granted = peer.wire.NextStartingWith("CSES " + conn + " CONN ");
        ASSERT_TRUE(granted);
        const std::vector<std::string> tokens = service_test::Tokens(granted->substr(granted->find('\n') + 1) + "\r\n");
        ASSERT_GE(tokens.size(), 2u);
        peer.sid = tokens[1];
        Enter(peer, users);
    }

    void Enter(Peer& peer, std::vector<std::string>* users) {
        const std::string envelope = peer.Id();
        const std::string entr = peer.Id();
        // ENTR names the nickname first, then the name.
        const std::string nickThenName = peer.id == "b@tevrik.example" ? "Bee Bee%20Park" : "Cee Cee%20Kim";
        peer.wire.Send(Crp2(envelope, "SS", peer.sid,
                            "ENTR " + entr + " " + peer.id + " " + nickThenName + " " + peer.cookie + " UTF8 P 1.1 2\r\n"));
        for (;;) {
            auto frame = peer.wire.NextStartingWith("CRP2 ");
            ASSERT_TRUE(frame);
            if (frame->find("\nENTR " + entr) != std::string::npos) break;
            if (users != nullptr && frame->find("\nUSER ") != std::string::npos) users->push_back(*frame);
        }
    }

    // The peer asks for a room of its own and connects to it (RESS, CSES CONN); returns the room's
    // port, and the peer keeps its session id and cookie.
    std::string OpenRoom(Peer& peer) {
        peer.wire.Send(Crp2("10", "DP", "%00", "RESS 11\r\n"));
        auto ress = peer.wire.NextStartingWith("CRP2 10 ");
        std::smatch m;
        if (!ress || !std::regex_search(*ress, m, std::regex("RESS 11 127\\.0\\.0\\.1 (\\d+) (\\S+)\r\n"))) return {};
        const std::string port = m[1];
        peer.cookie = m[2];
        const std::string body = "127.0.0.1 " + port + " " + peer.cookie + "\r\n";
        peer.wire.Send("CSES 12 CONN SS %00 " + std::to_string(body.size()) + "\r\n" + body);
        auto granted = peer.wire.NextStartingWith("CSES 12 CONN ");
        if (!granted) return {};
        peer.sid = service_test::Tokens(granted->substr(granted->find('\n') + 1) + "\r\n")[1];
        return port;
    }

    // The client and b signed in, b in a room of its own; the room's port, empty when any of it failed.
    std::string BuddyInARoomOfItsOwn(Peer& bee) {
        if (!SignInPeer(bee, "b@tevrik.example", "pb") || !SignIn()) return {};
        const std::string port = OpenRoom(bee);
        if (!port.empty()) Enter(bee, nullptr);
        return port;
    }

    // An invitation from `inviter` into the peer's room, as the peer sends it to the client.
    std::string Invitation(Peer& peer, const std::string& port, const std::string& inviter) {
        const std::string invt = "INVT " + inviter + " 127.0.0.1 " + port + " " + peer.cookie;
        return Crp2(peer.Id(), "DP", "%00",
                    "CTOC " + peer.Id() + " a@tevrik.example A " + std::to_string(invt.size()) + "\r\n" + invt);
    }

    // A MESG from the peer into its room; returns once the service has answered it.
    void Say(Peer& peer, const std::string& mesgBody) {
        const std::string envelope = peer.Id();
        const std::string mesg = peer.Id();
        peer.wire.Send(Crp2(envelope, "SS", peer.sid, "MESG " + mesg + " " + mesgBody + "\r\n"));
        ASSERT_TRUE(peer.wire.NextStartingWith("CRP2 " + envelope + " "));
    }

    // The next relayed chat line the peer gets.
    std::string NextLine(Peer& peer) {
        auto frame = peer.wire.NextStartingWith("CRP2 0 SS " + peer.sid + " ");
        return frame ? frame->substr(frame->find('\n') + 1) : std::string();
    }

    size_t CountOf(const std::string& name, int number) {
        size_t count = 0;
        for (const ScreenCall& call : screens.Calls()) count += call.Name == name && call.Number == number;
        return count;
    }

    testsupport::ScopedConfigHome home;
    TimingRig timing;
    RecordingScreens screens;
    SignedInModel model;
    SessionHarness harness{&RegisterAllCommands, SessionHarness::Transport::Socket};
    tevrik_service::ConnId client = 0;
};

}  // namespace

TEST_F(ChatService, InitiatorQueuesUntilTheBuddyJoinsThenTheyTalk) {
    Peer bee, cee;
    ASSERT_TRUE(SignInPeer(bee, "b@tevrik.example", "pb"));
    ASSERT_TRUE(SignInPeer(cee, "c@tevrik.example", "pc"));
    ASSERT_TRUE(SignIn()) << screens.Dump();

    // The user opens the chat and types at once: the text waits for the buddy.
    ChatSession* chat = ChatOpenWithBuddy(L"b@tevrik.example", L"Bee Park");
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(ChatSendText(*chat, L"먼저 쓴 말 100%"));
    RecordingChatWindow* window = screens.WindowOf(chat);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpForClientFrame("CTOC"));
    EXPECT_FALSE(chat->SessionId.empty());
    EXPECT_EQ(chat->QueuedTexts, (Lines{L"먼저 쓴 말 100%"}));
    EXPECT_TRUE(window->Lines().empty());

    // The buddy comes in: the queued text goes out on its JOIN and only now shows as the user's own.
    std::vector<std::string> users;
    AcceptInvitation(bee, &users);
    ASSERT_EQ(users.size(), 1u);
    EXPECT_NE(users[0].find("USER 0 1 1 a@tevrik.example 가 가나다 "), std::string::npos) << users[0];
    ASSERT_TRUE(PumpUntil([&] { return chat->Members.size() == 1 && chat->QueuedTexts.empty(); }, kBound));
    EXPECT_EQ(NextLine(bee), "MESG 0 a@tevrik.example MSG 0%090%090%09먼저%20쓴%20말%20100%2525\r\n");
    EXPECT_EQ(window->Lines(), (Lines{L"가나다 (가) 님의 말:\n먼저 쓴 말 100%\n"}));
    EXPECT_EQ(window->LineKinds(), (std::vector<int>{kChatLineMe}));
    EXPECT_EQ(chat->State, 0u);
    ASSERT_TRUE(Settle());

    // A line from the buddy, with the roster's name and nickname; the window is not shown, so the
    // chat is marked unread once and every line rings.
    window->Clear();
    screens.Clear();
    Say(bee, "MSG 0%090%090%09안녕%20하세요");
    Say(bee, "MSG 0%090%090%09둘째");
    ASSERT_TRUE(PumpUntil([&] { return window->Lines().size() == 2; }, kBound));
    EXPECT_EQ(window->Lines(), (Lines{L"Bee Park (Bee) 님의 말:\n안녕 하세요\n", L"Bee Park (Bee) 님의 말:\n둘째\n"}));
    EXPECT_EQ(window->LineKinds(), (std::vector<int>{kChatLineOther, kChatLineOther}));
    EXPECT_EQ(window->Status().rfind(L"마지막 메시지를 받은 시각: ", 0), 0u) << window->Status();
    EXPECT_EQ(chat->Unread, 1);
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 1u);
    EXPECT_EQ(screens.Count("ChatListUpdateRow"), 1u);
    EXPECT_EQ(CountOf("PlayNotification", 2), 2u);

    // Shown: nothing rings and nothing is marked.
    window->CurrentPage = true;
    chat->Unread = 0;
    screens.Clear();
    Say(bee, "MSG 0%090%090%09보여요");
    ASSERT_TRUE(PumpUntil([&] { return window->Lines().size() == 3; }, kBound));
    EXPECT_EQ(chat->Unread, 0);
    EXPECT_EQ(screens.Count("PlayNotification"), 0u);
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 0u);

    // Typing notices set and clear the status line.
    Say(bee, "TYPING 1");
    ASSERT_TRUE(PumpUntil([&] { return window->Status() == L"Bee Park (Bee) 님이 메시지를 입력하고 있습니다."; }, kBound))
        << window->Status();
    Say(bee, "TYPING 0");
    ASSERT_TRUE(PumpUntil([&] { return window->Status() == L"대기 중입니다."; }, kBound)) << window->Status();

    // The user's own typing notices reach the buddy.
    ASSERT_TRUE(ChatTypingAfterInput(*chat, 1));
    EXPECT_EQ(NextLine(bee), "MESG 0 a@tevrik.example TYPING 1\r\n");
    ASSERT_TRUE(Settle());

    // A third user is invited; the join line appears, and a leave line when that user quits.
    ASSERT_EQ(SendInvitation(*chat, L"c@tevrik.example"), 1);
    ASSERT_TRUE(PumpForClientFrame("CTOC"));
    AcceptInvitation(cee);
    ASSERT_TRUE(PumpUntil([&] { return chat->Members.size() == 2; }, kBound));
    EXPECT_EQ(window->Lines().back(), L"Cee Kim (Cee) 님이 입장하였습니다.\n");
    cee.wire.Send("CSES 900 KILL SS " + cee.sid + " 0\r\n");
    ASSERT_TRUE(PumpUntil([&] { return chat->Members.size() == 1; }, kBound));
    EXPECT_EQ(window->Lines().back(), L"Cee Kim (Cee) 님이 퇴장하였습니다.\n");
    EXPECT_EQ(window->LineKinds().back(), kChatLineSystem);
    EXPECT_EQ(chat->BuddyId, L"b@tevrik.example");
}

TEST_F(ChatService, InvitedSideHearsTheMembersFirstAndDoesNotInviteBack) {
    // The buddy opens a room of its own and invites the client.
    Peer bee;
    const std::string port = BuddyInARoomOfItsOwn(bee);
    ASSERT_FALSE(port.empty()) << screens.Dump();
    const size_t from = service.FrameCount();
    bee.wire.Send(Invitation(bee, port, "b@tevrik.example"));

    // The client connects and enters; the service names the buddy (USER) before it answers the ENTR.
    auto entr = PumpForClientFrame("ENTR", from);
    ASSERT_TRUE(entr);
    ASSERT_TRUE(Settle());
    ASSERT_EQ(model.chats.Count(), 1u);
    ChatSession* chat = model.chats.ChatAt(0);
    EXPECT_EQ(chat->SessionId, Wide(bee.sid));
    EXPECT_EQ(chat->BuddyId, L"b@tevrik.example");
    EXPECT_EQ(chat->DisplayName, L"Bee Park");
    ASSERT_EQ(chat->Members.size(), 1u);
    EXPECT_EQ(chat->Members[0].Name, L"Bee Park");
    EXPECT_EQ(chat->Members[0].Nickname, L"Bee");
    EXPECT_EQ(entr->inner.find("ENTR "), 0u);
    EXPECT_NE(entr->inner.find(" a@tevrik.example 가 가나다 " + bee.cookie + " UTF8 P 1.1 2\r\n"), std::string::npos)
        << entr->inner;

    size_t userAt = 0, answerAt = 0;
    for (const Frame& frame : service.Frames(from)) {
        if (frame.conn != client || frame.fromClient) continue;
        if (frame.innerCommand == "USER" && userAt == 0) userAt = frame.index;
        if (frame.innerCommand == "ENTR" && answerAt == 0) answerAt = frame.index;
    }
    ASSERT_NE(userAt, 0u);
    ASSERT_NE(answerAt, 0u);
    EXPECT_LT(userAt, answerAt);
    for (const Frame& frame : service.Frames(from)) {
        if (frame.conn == client && frame.fromClient) {
            EXPECT_NE(frame.innerCommand, "CTOC") << frame.bytes;
        }
    }
    RecordingChatWindow* window = screens.WindowOf(chat);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Lines().empty());
    EXPECT_EQ(screens.Count("ChatListAddRow"), 1u);
    EXPECT_EQ(screens.Count("PageIndicatorRebuild"), 1u);

    // They talk.
    Say(bee, "MSG 0%090%090%09어서%20와요");
    ASSERT_TRUE(PumpUntil([&] { return window->Lines().size() == 1; }, kBound));
    EXPECT_EQ(window->Lines()[0], L"Bee Park (Bee) 님의 말:\n어서 와요\n");
    ASSERT_TRUE(ChatSendText(*chat, L"반가워요"));
    EXPECT_EQ(NextLine(bee), "MESG 0 a@tevrik.example MSG 0%090%090%09반가워요\r\n");
}

// What the client sends, relayed by the service and sent back by another copy of the same bytes,
// reads as what was typed.
TEST_F(ChatService, ALineWithPercentTabAndKoreanComesBackAsTyped) {
    Peer bee;
    ASSERT_TRUE(SignInPeer(bee, "b@tevrik.example", "pb"));
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ChatSession* chat = ChatOpenWithBuddy(L"b@tevrik.example", L"Bee Park");
    ASSERT_TRUE(PumpForClientFrame("CTOC"));
    AcceptInvitation(bee);
    ASSERT_TRUE(PumpUntil([&] { return chat->Members.size() == 1; }, kBound));
    ASSERT_TRUE(Settle());
    RecordingChatWindow* window = screens.WindowOf(chat);
    window->CurrentPage = true;

    const std::wstring typed = L"50% 할인\t%41%2541 끝%";
    const size_t from = service.FrameCount();
    ASSERT_TRUE(ChatSendText(*chat, typed));
    auto sent = PumpForClientFrame("MESG", from);
    ASSERT_TRUE(sent);
    const std::string relayed = NextLine(bee);
    ASSERT_EQ(relayed.rfind("MESG 0 a@tevrik.example MSG ", 0), 0u) << relayed;
    // The sender's own bytes (what the client's send path produced) go back as another member's line.
    const std::string token = relayed.substr(std::string("MESG 0 a@tevrik.example MSG ").size());
    EXPECT_EQ(sent->inner.substr(sent->inner.find(" MSG ") + 5), token);
    Say(bee, "MSG " + token.substr(0, token.size() - 2));
    ASSERT_TRUE(PumpUntil([&] { return window->Lines().size() == 2; }, kBound));
    EXPECT_EQ(window->Lines()[0], L"가나다 (가) 님의 말:\n" + typed + L"\n");
    EXPECT_EQ(window->Lines()[1], L"Bee Park (Bee) 님의 말:\n" + typed + L"\n");
}

TEST_F(ChatService, AFailedLineShowsTheErrorLine) {
    Peer bee;
    ASSERT_TRUE(SignInPeer(bee, "b@tevrik.example", "pb"));
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ChatSession* chat = ChatOpenWithBuddy(L"b@tevrik.example", L"Bee Park");
    ASSERT_TRUE(PumpForClientFrame("CTOC"));
    AcceptInvitation(bee);
    ASSERT_TRUE(PumpUntil([&] { return chat->Members.size() == 1; }, kBound));
    ASSERT_TRUE(Settle());
    RecordingChatWindow* window = screens.WindowOf(chat);
    window->Clear();
    screens.Clear();

    service.SetErrorReply("MESG", 280);
    ASSERT_TRUE(ChatSendText(*chat, L"안 갈 말"));
    ASSERT_TRUE(PumpUntil([&] { return window->Lines().size() == 2; }, kBound));
    EXPECT_EQ(window->Lines(), (Lines{L"가나다 (가) 님의 말:\n안 갈 말\n", L"[280] FailureCodeMsgError\n"}));
    EXPECT_EQ(window->LineKinds(), (std::vector<int>{kChatLineMe, kChatLineError}));
    EXPECT_EQ(screens.Count("Alert"), 0u);
    EXPECT_TRUE(Settle());
}

// Another user sends invitations from ever new inviters, which the service relays unchanged: the
// client opens chats up to its cap, drops every invitation past it with a trace (no chat, window,
// row or CSES CONN), and still takes an invitation into a chat it has, or one into room made free.
TEST_F(ChatService, AnInvitationFloodOpensNoMoreChatsThanTheCap) {
    Peer bee;
    const std::string port = BuddyInARoomOfItsOwn(bee);
    ASSERT_FALSE(port.empty()) << screens.Dump();

    constexpr size_t kCap = ChatSessionManager::kMaxChats;
    constexpr size_t kFlood = 3 * kCap;
    TraceLog traces;
    auto dropped = [&] {
        const std::wstring text = traces.Text();
        size_t count = 0;
        for (size_t at = text.find(L"is dropped"); at != std::wstring::npos; at = text.find(L"is dropped", at + 1))
            count += text.rfind(L"InvtHandler::Handle", at) != std::wstring::npos;
        return count;
    };
    auto connsSent = [&](size_t from) {
        size_t count = 0;
        for (const Frame& f : service.Frames(from)) count += f.conn == client && f.fromClient && f.command == "CSES";
        return count;
    };
    size_t from = service.FrameCount();
    std::string flood;
    for (size_t i = 0; i < kFlood; ++i) flood += Invitation(bee, port, "x" + std::to_string(i) + "@tevrik.example");
    ASSERT_TRUE(bee.wire.Send(flood));
    ASSERT_TRUE(PumpUntil([&] { return dropped() == kFlood - kCap; }, kBound)) << dropped();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(model.chats.Count(), kCap);
    EXPECT_EQ(screens.WindowsCreated(), kCap);
    EXPECT_EQ(screens.Count("ChatListAddRow"), kCap);
    EXPECT_EQ(connsSent(from), kCap);
    EXPECT_EQ(model.chats.ChatAt(kCap - 1)->BuddyId, Wide("x" + std::to_string(kCap - 1) + "@tevrik.example"));
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();

    // An inviter whose chat is open is taken into it, as before, when it names another room (one
    // naming the room the chat is entering sends nothing).
    traces.Clear();
    screens.Clear();
    from = service.FrameCount();
    const std::string cookie = bee.cookie;
    bee.cookie = "another-room";
    ASSERT_TRUE(bee.wire.Send(Invitation(bee, port, "x0@tevrik.example")));
    bee.cookie = cookie;
    ASSERT_TRUE(PumpUntil([&] { return connsSent(from) == 1; }, kBound));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(model.chats.Count(), kCap);
    EXPECT_EQ(dropped(), 0u);

    // A chat closed makes room for one more.
    ASSERT_EQ(model.chats.RemoveChat(model.chats.ChatAt(5)), 1);
    from = service.FrameCount();
    ASSERT_TRUE(bee.wire.Send(Invitation(bee, port, "late@tevrik.example") + Invitation(bee, port, "later@tevrik.example")));
    ASSERT_TRUE(PumpUntil([&] { return dropped() == 1; }, kBound));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(model.chats.Count(), kCap);
    EXPECT_EQ(model.chats.ChatAt(kCap - 1)->BuddyId, L"late@tevrik.example");
    EXPECT_EQ(connsSent(from), 1u);
}
