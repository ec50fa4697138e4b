// The chat list and the participants page in the real program on the test clock, the session's
// writes captured and the service's frames injected: rows that follow the chats, taps either side
// of the disclosure threshold, participant rows and their taps, a chat that goes while its
// participants page is in the history, the reset, and the pictures of each state.
#include <gtest/gtest.h>

#include "app/screens/chats/ChatPage.h"
#include "framework/ui/view/QeRect.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/Reset.h"
#include "tests/app/model_seed.h"
#include "tests/support/MessengerRig.h"

namespace {

using Names = std::vector<std::wstring>;

// A frame that the service pushes into the chat room "77".
std::string Pushed(const std::string& inner, const std::string& sid = "77") {
    return "CRP2 0 SS " + sid + " " + std::to_string(inner.size()) + "\r\n" + inner;
}

std::string Invitation(const std::string& inviter, const std::string& cookie) {
    const std::string invt = "INVT " + inviter + " 127.0.0.1 5005 " + cookie;
    return "CTOC 0 " + inviter + " " + std::to_string(invt.size()) + "\r\n" + invt;
}

class ChatList : public RigTest {
protected:
    void Prepare() override {
        rig.LookSignedIn();
        rig.ConnectCaptured(2);
        // Bee and Cee in the group "0", Dee in none.
        AddBuddies({{L"kb", L"b@x", L"Bee Park", L"별명", 0}, {L"kc", L"c@x", L"Cee Kim", L"별명", 1},
                    {L"kd", L"d@x", L"Dee Lee", L"별명", 6}});
        AddGroup(L"0", L"친구", {L"kb", L"kc"});
    }
    void TearDown() override { rig.Stop(); }

    ChatSessionManager& chats() { return *ChatSessionManager::Instance(); }
    ChatListTable& list() { return app().ChatList().Table(); }
    ChatInfoTable& info() { return app().ChatInfo().Table(); }

    // Two chats opened from buddies, one from an invitation by a stranger.
    void ThreeChats() {
        ChatOpenWithBuddy(L"b@x", L"Bee Park");
        ChatOpenWithBuddy(L"c@x", L"Cee Kim");
        rig.Inject(Invitation("stranger@x", "ck"));
        ASSERT_EQ(chats().Count(), 3u);
    }
    // Each row's chat, by its name.
    Names Rows() {
        Names names;
        for (int32_t i = 0; i < list().GetItemCount(); ++i) {
            names.push_back(reinterpret_cast<ChatSession*>(list().GetItem(i)->userValue)->DisplayName);
        }
        return names;
    }
    // The chat's page shown, then closed as the status bar's close button does.
    void Close(ChatSession* chat) {
        rig.Cover(ChatPageOf(chat));
        ChatPageOf(chat)->MarkClosing();
        rig.Back();
    }
    // A tap on the row at x inside the row.
    void TapRow(QeTableView& table, int32_t row, int x) {
        rig.TapRow(table, row, x);
        rig.Advance(600);
    }
    void Show(ScreenBase& page) {
        app().SetCurrentView(&page);
        rig.Advance(600);  // rows added meanwhile stand at full height
    }
};

}  // namespace

TEST_F(ChatList, RowsFollowTheChatsAndHelpTextShowsExactlyWhenThereIsNone) {
    Show(app().ChatList());
    EXPECT_TRUE(list().HelpText().IsVisible());
    EXPECT_TRUE(rig.MatchesGolden("chat_list_empty"));

    ThreeChats();
    EXPECT_EQ(Rows(), (Names{L"Bee Park", L"Cee Kim", L"stranger@x"}));
    EXPECT_FALSE(list().HelpText().IsVisible());

    // An unread line on the middle chat, the last row selected.
    chats().ChatAt(1)->Unread = 1;
    list().UpdateSession(chats().ChatAt(1));
    rig.Advance(600);
    list().SetSelection(2);
    EXPECT_TRUE(rig.MatchesGolden("chat_list_three_chats"));

    // Its window shown, the chat is read; the row shows it at its next paint.
    rig.Cover(ChatPageOf(chats().ChatAt(1)));
    EXPECT_EQ(chats().ChatAt(1)->Unread, 0);
    rig.Back();

    Close(chats().ChatAt(1));
    EXPECT_EQ(Rows(), (Names{L"Bee Park", L"stranger@x"}));
    Close(chats().ChatAt(0));
    Close(chats().ChatAt(0));
    EXPECT_EQ(Rows(), Names{});
    EXPECT_TRUE(list().HelpText().IsVisible());
    EXPECT_FALSE(QeRectsDiffer(list().HelpText().Rect(), RECT{0, 0, list().Width(), list().Height()}));
}

TEST_F(ChatList, TapsEitherSideOfTheThresholdOpenThatRowsChatOrItsParticipants) {
    ThreeChats();  // the third was opened last
    Show(app().ChatList());
    TapRow(list(), 1, ChatListTable::DisclosureThreshold());
    EXPECT_EQ(app().CurrentPage(), ChatPageOf(chats().ChatAt(1)));
    rig.Back();
    TapRow(list(), 1, ChatListTable::DisclosureThreshold() + 1);
    EXPECT_EQ(app().CurrentPage(), &app().ChatInfo());
    EXPECT_EQ(info().Session(), chats().ChatAt(1));
    rig.Back();
    // The unread icon is the chat's, to its last pixel.
    TapRow(list(), 1, ScreenSkin::Rect({L"ChatList", L"View", L"NewIcon"}).right);
    EXPECT_EQ(app().CurrentPage(), ChatPageOf(chats().ChatAt(1)));
}

TEST_F(ChatList, ParticipantRowsAndTheirTaps) {
    ChatSession* chat = ChatOpenWithBuddy(L"b@x", L"Bee Park");
    chat->SessionId = L"77";
    for (const char* user : {"USER 0 1 3 b@x Bee Bee%20Park %00 1\r\n", "USER 0 2 3 d@x Dee Dee%20Lee %00 1\r\n",
                             "USER 0 3 3 e@x 이 이름 %00 1\r\n"}) {
        rig.Inject(Pushed(user));
    }
    ASSERT_EQ(chat->Members.size(), 3u);
    Show(app().ChatList());
    TapRow(list(), 0, ChatListTable::DisclosureThreshold() + 1);
    ASSERT_EQ(app().CurrentPage(), &app().ChatInfo());
    EXPECT_EQ(info().GetItemCount(), 3);
    info().SetSelection(1);
    EXPECT_TRUE(rig.MatchesGolden("chat_info_three_members"));

    // Row -> the page current after the tap: a buddy in no group and a person outside the roster open
    // nothing; a roster buddy in a group opens its profile.
    const std::pair<int32_t, ScreenBase*> taps[] = {
        {1, &app().ChatInfo()}, {2, &app().ChatInfo()}, {0, &app().BuddyProfile()}};
    for (auto [row, page] : taps) {
        SCOPED_TRACE(row);
        TapRow(info(), row, 100);
        EXPECT_EQ(app().CurrentPage(), page);
    }
    // Found by the buddy's member key, which is what groups hold.
    EXPECT_EQ(app().BuddyProfile().ShownBuddy(), BuddyRoster::Instance()->Find(L"b@x"));
    EXPECT_EQ(app().BuddyProfile().ShownGroup(), BuddyGroupList::Instance()->FindEntry(L"0"));

    // From the profile to that chat, closed, then Back: the participants page holds no chat (it was
    // freed), shows no row and a tap does nothing; a new chat is not taken for the one gone.
    Close(chat);
    rig.Settle();
    ASSERT_EQ(chats().Count(), 0u);
    rig.Back();
    ASSERT_EQ(app().CurrentPage(), &app().ChatInfo());
    EXPECT_EQ(info().Session(), nullptr);
    EXPECT_EQ(info().GetItemCount(), 0);
    TapRow(info(), 0, 100);
    EXPECT_EQ(app().CurrentPage(), &app().ChatInfo());
    EXPECT_FALSE(IsChatInfoShowing(info(), ChatOpenWithBuddy(L"b@x", L"Bee Park")));
}

// Members coming and going while their participants page shows: each frame adds or removes only its
// own row (the others keep a mark set before it), and the rows end as a full refresh builds them.
TEST_F(ChatList, AJoinOrAQuitChangesOnlyItsOwnParticipantRow) {
    ChatOpenWithBuddy(L"b@x", L"Bee Park")->SessionId = L"77";
    info().SetSession(chats().ChatAt(0));
    Show(app().ChatInfo());
    // Each row's id, "+" before a row the frame added; with `at`, its top and height instead.
    const auto rows = [&](bool at) {
        Names out;
        for (int32_t i = 0; i < info().GetItemCount(); ++i) {
            const TableItem& row = *info().GetItem(i);
            out.push_back(at ? row.text + L" " + std::to_wstring(row.y) + L" " + std::to_wstring(row.shownHeight)
                             : (row.userValue == 0 ? L"+" : L"") + row.text);
        }
        return out;
    };
    const std::pair<const char*, Names> steps[] = {
        {"JOIN 0 b@x Bee Bee%20Park %00 1\r\n", {L"+b@x"}},
        {"JOIN 0 c@x Cee Cee%20Kim %00 1\r\n", {L"b@x", L"+c@x"}},
        {"USER 0 1 3 d@x Dee Dee%20Lee %00 1\r\n", {L"b@x", L"c@x", L"+d@x"}},
        {"QUIT 0 c@x %00\r\n", {L"b@x", L"d@x"}},
        {"JOIN 0 e@x Eee Eee %00 1\r\n", {L"b@x", L"d@x", L"+e@x"}},
        {"QUIT 0 d@x %00\r\n", {L"b@x", L"e@x"}},
    };
    for (const auto& [frame, ids] : steps) {
        for (int32_t i = 0; i < info().GetItemCount(); ++i) info().GetItem(i)->userValue = 1;
        rig.Inject(Pushed(frame));
        EXPECT_EQ(rows(false), ids) << frame;
    }
    const Names kept = rows(true);
    info().Refresh();
    EXPECT_EQ(rows(true), kept);
}

// The log-out while the participants of a chat show: the rows and the chat go before the chats do.
TEST_F(ChatList, TheResetEmptiesTheListAndTheParticipantsBeforeTheChatsGo) {
    ThreeChats();
    info().SetSession(chats().ChatAt(2));
    Show(app().ChatInfo());
    ResetToLogin();
    rig.Settle();  // the chats are freed
    EXPECT_EQ(list().GetItemCount(), 0);
    EXPECT_EQ(info().GetItemCount(), 0);
    EXPECT_EQ(info().Session(), nullptr);
    Show(app().ChatList());
    EXPECT_TRUE(list().HelpText().IsVisible());
}
