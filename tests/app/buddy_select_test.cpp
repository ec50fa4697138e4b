// The buddy chooser in the real program on the test clock: rows by purpose, ticks handed back to
// the memo form, invitations byte for byte, and one followed end to end against the service.
#include <gtest/gtest.h>

#include "app/screens/chats/ChatPage.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/Options.h"
#include "tests/service/ChatPeer.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/TraceLog.h"

namespace {

using Ids = std::vector<std::wstring>;

// "#group" ("#group-" folded), buddies by login id ("*" ticked), "(...)" filtered out.
std::wstring Rows(MessengerRig& rig) {
    BuddySelectTable& table = rig.App().BuddySelect().Table();
    std::wstring text;
    for (int32_t i = 0; i < table.GetItemCount(); ++i) {
        const TableItem& row = *table.GetItem(i);
        const auto* buddy = reinterpret_cast<Buddy*>(row.userValue);
        const std::wstring shown = row.kind == TableItem::kHeader
                                       ? L"#" + reinterpret_cast<BuddyGroup*>(row.userValue)->Id + (row.expanded ? L"" : L"-")
                                       : buddy->Id + (buddy->Ticked != 0 ? L"*" : L"");
        text += (i == 0 ? L"" : L" ") + (row.hidden ? L"(" + shown + L")" : shown);
    }
    return text;
}

void Settle(MessengerRig& rig) {
    rig.Advance(600);
    rig.Settle();
}

void TapRow(MessengerRig& rig, int32_t index) {
    const RECT r = rig.App().BuddySelect().Table().GetItemScreenRect(index);
    rig.TapAt(r.left + 100, (r.top + r.bottom) / 2);
    Settle(rig);
}

class BuddySelectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        rig.CaptureSessionWrites();
        rig.ConnectCaptured(0);
        Sent();
        AccountInfo::Instance()->Id = L"minsu@tevrik.example";
        Options::Instance()->ViewType = 3;
        // bob, offline, is in Work and Friends; the groups sort Family, Friends, Work.
        for (auto [key, id, name, status] : {std::tuple{L"a", L"amy", L"Kim", 0u}, {L"b", L"bob", L"Lee", 6u},
                                             {L"c", L"cat", L"Park", 0u}, {L"d", L"don", L"Ahn", 0u}}) {
            Buddy buddy;
            buddy.Key = key, buddy.Id = id, buddy.Name = name, buddy.Nickname = L"n" + buddy.Key, buddy.Status = status;
            BuddyRoster::Instance()->AddOrUpdate(key, buddy);
        }
        for (auto [id, name, members] : {std::tuple{L"1", L"Work", L"abc"}, {L"2", L"Friends", L"bd"}, {L"3", L"Family", L"c"}}) {
            BuddyGroup group;
            group.Id = id, group.Name = name;
            for (const wchar_t* m = members; *m != 0; ++m) group.AddMember(std::wstring(1, *m));
            BuddyGroupList::Instance()->InsertEntry(group);
        }
        app().SetCurrentView(&app().BuddyList());
    }

    MessengerApp& app() { return rig.App(); }
    BuddySelectPage& page() { return app().BuddySelect(); }
    void Back() {
        app().StatusBarWindow().OnBack();
        Settle(rig);
    }
    // What went out since the last call.
    std::string Sent() {
        const std::string fresh = rig.SentText().substr(m_seen);
        m_seen += fresh.size();
        return fresh;
    }
    // A chat with amy, in its room at 10.0.0.5:7000 when `room`.
    ChatSession* Chat(bool room) {
        ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
        chat->BuddyId = L"amy";
        chat->AddMember(ChatMember{L"amy", L"Kim", L"na", L""});
        if (room) chat->Host = L"10.0.0.5", chat->Port = 7000, chat->Cookie = L"ck", chat->SessionId = L"77";
        return chat;
    }

    MessengerRig rig;
    size_t m_seen = 0;
};

}  // namespace

TEST_F(BuddySelectTest, RefreshListsByPurposeAndLeavesTheOption) {
    const std::wstring all = L"#3 cat #2 don bob #1 amy bob cat", online = L"#3 cat #2 don #1 amy cat";
    const std::tuple<uint32_t, uint32_t, std::wstring> cases[] = {{0, 0, online}, {0, 1, online}, {1, 0, all},
                                                                  {1, 1, all},    {2, 0, all},    {2, 1, online}};
    for (const auto& [mode, sortType, rows] : cases) {
        Options::Instance()->SortType = sortType;
        page().Table().Refresh(mode);
        EXPECT_EQ(Rows(rig) + std::to_wstring(Options::Instance()->SortType), rows + std::to_wstring(sortType)) << mode;
    }
}

// Recipients cat and one the roster lacks; bob ticked, Family folded, "o" typed; Back hands the
// ticks over in roster order. Then both unticked.
TEST_F(BuddySelectTest, TheMemoFormsRecipientsAreTickedAndComeBackInRosterOrder) {
    MemoWriteForm& form = app().MemoWrite().Form();
    form.SetRecipients({L"cat", L"zed@x.org"});
    app().SwitchView(&app().MemoWrite(), kSwitchCoverUpwards, false);
    Settle(rig);
    const auto openChooser = [&] {
        rig.Tap({L"MemoWrite", L"View", L"ReceiverButton"});
        Settle(rig);
        return std::make_tuple(app().CurrentPage() == &page(), page().CurrentMode(), Rows(rig), page().ExtraIds());
    };
    EXPECT_EQ(openChooser(), std::make_tuple(true, 1u, std::wstring(L"#3 cat* #2 don bob #1 amy bob cat*"), Ids{L"zed@x.org"}));
    TapRow(rig, 0);
    TapRow(rig, 4);
    rig.Tap({L"BuddySelect", L"SearchBar", L"SearchWord"});
    QeInputPanel::Instance()->SetImeMode(1);
    rig.Key('O');
    Settle(rig);
    EXPECT_EQ(Rows(rig), L"#3- (cat*) #2 don bob* #1 (amy) bob* (cat*)");
    EXPECT_TRUE(rig.MatchesGolden("buddy_select_ticked_folded_filtered"));
    Back();
    EXPECT_EQ(form.Recipients(), Ids({L"bob", L"cat", L"zed@x.org"}));

    EXPECT_EQ(openChooser(), std::make_tuple(true, 1u, std::wstring(L"#3 cat* #2 don bob* #1 amy bob* cat*"), Ids{L"zed@x.org"}));
    TapRow(rig, 1);
    TapRow(rig, 4);
    Back();
    EXPECT_EQ(form.Recipients(), Ids({L"zed@x.org"}));
}

// Opened with no purpose, through the chat window's invite button, and for a chat deleted while
// the chooser shows; amy and don ticked or not.
TEST_F(BuddySelectTest, LeavingInvitesEachTickedBuddyOnlyIntoAChatWithItsRoom) {
    enum { kNoPurpose, kButton, kDeleted };
    const std::string sent = "CRP2 2 DP %00 59\r\nCTOC 3 amy A 42\r\nINVT minsu@tevrik.example 10.0.0.5 7000 ck"
                             "CRP2 5 DP %00 59\r\nCTOC 6 don A 42\r\nINVT minsu@tevrik.example 10.0.0.5 7000 ck";
    const std::wstring trace = L"BuddySelectPage::OnLeave, the chat has no room yet; not invited: amy, don.\n";
    // opener, the chat has its room, amy and don ticked, what goes out, the trace
    const std::tuple<int, bool, bool, std::string, std::wstring> cases[] = {
        {kNoPurpose, true, true, "", L""}, {kButton, true, true, sent, L""}, {kButton, true, false, "", L""},
        {kButton, false, true, "", trace}, {kDeleted, true, true, "", L""}};
    for (const auto& [opener, room, ticked, expectedSent, expectedTrace] : cases) {
        ChatSession* chat = Chat(room);
        if (opener == kButton) {
            app().SetCurrentView(ChatPageOf(chat));
            rig.Tap({L"Chat", L"View", L"InviteButton"});
            Settle(rig);
            EXPECT_EQ(std::make_tuple(app().CurrentPage() == &page(), page().CurrentMode(), page().Chat(), Rows(rig)),
                      std::make_tuple(true, 0u, chat, std::wstring(L"#3 cat #2 don #1 amy cat")));
        } else {
            app().SetCurrentView(&app().BuddyList());
            if (opener == kDeleted) page().SelectForInvite(chat);
            app().SwitchView(&page(), kSwitchCoverUpwards, false);
            Settle(rig);
        }
        for (const wchar_t* key : {L"d", L"a"}) BuddyRoster::Instance()->FindEntry(key)->Ticked = ticked;
        if (opener == kDeleted) ChatSessionManager::Instance()->RemoveChat(chat);
        TraceLog log;
        Back();
        EXPECT_EQ(Sent(), expectedSent) << opener;
        EXPECT_EQ(log.Text(), expectedTrace) << opener;
    }
}

// minsu, in a chat with jiyoung, invites seojun; both are played by scripted connections.
TEST(BuddySelectService, AnInvitedBuddyEntersAndTheChatShowsTheJoin) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start() && rig.StartService());
    service_test::ChatPeer jiyoung, seojun;
    for (auto [peer, id] : {std::pair{&jiyoung, "jiyoung@tevrik.example"}, {&seojun, "seojun@tevrik.example"}}) {
        peer->id = id;
        ASSERT_EQ(service_test::SignIn(rig.Service(), peer->wire, id, "1234").rfind("LIN2 ", 0), 0u) << id;
    }
    ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    ChatSession* chat = ChatOpenWithBuddy(L"jiyoung@tevrik.example", L"이지영");
    ASSERT_NE(chat, nullptr);
    jiyoung.FollowInvitation("minsu@tevrik.example");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    ASSERT_TRUE(PumpUntil([&] { return chat->Members.size() == 1; }, 20.0));

    rig.App().SwitchView(ChatPageOf(chat), kSwitchCoverUpwards, false);
    Settle(rig);
    rig.Tap({L"Chat", L"View", L"InviteButton"});
    Settle(rig);
    EXPECT_EQ(Rows(rig), L"#2 #0 jiyoung@tevrik.example #1 seojun@tevrik.example");
    TapRow(rig, 4);
    rig.App().StatusBarWindow().OnBack();
    seojun.FollowInvitation("minsu@tevrik.example");
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    ASSERT_TRUE(PumpUntil([&] { return chat->Members.size() == 2; }, 20.0));
    EXPECT_EQ(ChatPageOf(chat)->View().Output().GetText(), L"name (nick) 님이 입장하였습니다.\n");
}
