// The participants page against the service stand-in: the user signed in, the other users played
// by scripted connections. A join and a departure in the chat the page shows change it at once; the
// same in another chat leaves it alone.
#include <gtest/gtest.h>

#include "messenger/model/ChatActions.h"
#include "messenger/model/ChatSessionManager.h"
#include "tests/service/ChatPeer.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/TestService.h"

using service_test::ChatPeer;

namespace {

constexpr double kBound = 20.0;

class ChatListService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start() && rig.StartService());
        jiyoung.SignIn(rig.Service(), "jiyoung@tevrik.example");
        seojun.SignIn(rig.Service(), "seojun@tevrik.example");
        ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    }

    MessengerApp& app() { return rig.App(); }
    ChatInfoTable& info() { return app().ChatInfo().Table(); }

    MessengerRig rig;
    ChatPeer jiyoung, seojun;
};

}  // namespace

TEST_F(ChatListService, AJoinAndADepartureChangeTheParticipantsOfTheChatShownOnly) {
    jiyoung.OpenRoom();
    jiyoung.Invite("minsu@tevrik.example");
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
        jiyoung.Invite("seojun@tevrik.example");
        ASSERT_TRUE(seojun.Joins(*room, "jiyoung@tevrik.example", 2));
        EXPECT_EQ(info().GetItemCount(), rows[1]);
        seojun.wire.Send("CSES 900 KILL SS " + seojun.sid + " 0\r\n");
        ASSERT_TRUE(PumpUntil([&] { return room->Members.size() == 1; }, kBound));
        EXPECT_EQ(info().GetItemCount(), rows[2]);
    }
}
