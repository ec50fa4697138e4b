// The participants page against the service stand-in: the user signed in, the other users played
// by scripted connections. A join and a departure in the chat the page shows change it at once; the
// same in another chat leaves it alone.
#include <gtest/gtest.h>

#include "messenger/model/ChatActions.h"
#include "messenger/model/ChatSessionManager.h"
#include "tests/service/ScriptedClient.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/TestService.h"

using service_test::Crp2;
using service_test::ScriptedClient;

namespace {

constexpr double kBound = 20.0;

// A scripted user and the room it is in.
struct Peer {
    ScriptedClient wire;
    std::string id, sid, cookie, port;
    int next = 100;
    std::string Id() { return std::to_string(next++); }
};

class ChatListService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start() && rig.StartService());
        for (auto [peer, id] : {std::pair{&jiyoung, "jiyoung@tevrik.example"}, {&seojun, "seojun@tevrik.example"}}) {
            peer->id = id;
            ASSERT_EQ(service_test::SignIn(rig.Service(), peer->wire, id, "1234").rfind("LIN2 ", 0), 0u) << id;
        }
        ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    }

    // The peer asks for a room of its own, connects to it and enters.
    void OpenRoom(Peer& peer) {
        peer.wire.Send(Crp2("10", "DP", "%00", "RESS 11\r\n"));
        auto ress = peer.wire.NextStartingWith("CRP2 10 ");
        ASSERT_TRUE(ress);
        const std::vector<std::string> tokens = service_test::Tokens(service_test::PayloadOf(*ress));
        ASSERT_EQ(tokens.size(), 5u);
        peer.port = tokens[3];
        Connect(peer, tokens[4]);
    }
    // CSES CONN into the room of the cookie, then ENTR.
    void Connect(Peer& peer, const std::string& cookie) {
        peer.cookie = cookie;
        const std::string body = "127.0.0.1 " + peer.port + " " + cookie + "\r\n";
        const std::string conn = peer.Id();
        peer.wire.Send("CSES " + conn + " CONN SS %00 " + std::to_string(body.size()) + "\r\n" + body);
        auto granted = peer.wire.NextStartingWith("CSES " + conn + " CONN ");
        ASSERT_TRUE(granted);
        peer.sid = service_test::Tokens(granted->substr(granted->find('\n') + 1) + "\r\n")[1];
        const std::string entr = peer.Id();
        peer.wire.Send(Crp2(peer.Id(), "SS", peer.sid,
                            "ENTR " + entr + " " + peer.id + " nick name " + cookie + " UTF8 P 1.1 2\r\n"));
        ASSERT_TRUE(peer.wire.NextStartingWith("CRP2 ").has_value());
    }
    // The room's member invites the login id into it.
    void Invite(Peer& from, const std::string& to) {
        const std::string invt = "INVT " + from.id + " 127.0.0.1 " + from.port + " " + from.cookie;
        from.wire.Send(Crp2(from.Id(), "DP", "%00",
                            "CTOC " + from.Id() + " " + to + " A " + std::to_string(invt.size()) + "\r\n" + invt));
    }

    MessengerApp& app() { return rig.App(); }
    ChatInfoTable& info() { return app().ChatInfo().Table(); }

    MessengerRig rig;
    Peer jiyoung, seojun;
};

}  // namespace

TEST_F(ChatListService, AJoinAndADepartureChangeTheParticipantsOfTheChatShownOnly) {
    OpenRoom(jiyoung);
    Invite(jiyoung, "minsu@tevrik.example");
    ChatSessionManager& chats = *ChatSessionManager::Instance();
    ASSERT_TRUE(PumpUntil([&] { return chats.Count() == 1 && chats.ChatAt(0)->Members.size() == 1; }, kBound));
    ChatSession* room = chats.ChatAt(0);
    ChatSession* alone = ChatOpenWithBuddy(L"hana@tevrik.example", L"Hana");  // a room with nobody in it

    // seojun comes into the room and leaves it, first while the page shows that room, then while it
    // shows the other chat.
    const std::pair<ChatSession*, std::vector<int32_t>> cases[] = {{room, {1, 2, 1}}, {alone, {0, 0, 0}}};
    for (const auto& [shown, rows] : cases) {
        info().SetSession(shown);
        info().Refresh();
        app().SetCurrentView(&app().ChatInfo());
        EXPECT_EQ(info().GetItemCount(), rows[0]);
        Invite(jiyoung, "seojun@tevrik.example");
        ASSERT_TRUE(seojun.wire.NextStartingWith("CTOC 0 jiyoung@tevrik.example ").has_value());
        seojun.port = jiyoung.port;
        Connect(seojun, jiyoung.cookie);
        ASSERT_TRUE(PumpUntil([&] { return room->Members.size() == 2; }, kBound));
        EXPECT_EQ(info().GetItemCount(), rows[1]);
        seojun.wire.Send("CSES 900 KILL SS " + seojun.sid + " 0\r\n");
        ASSERT_TRUE(PumpUntil([&] { return room->Members.size() == 1; }, kBound));
        EXPECT_EQ(info().GetItemCount(), rows[2]);
    }
}
