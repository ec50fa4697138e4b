// The buddy chooser in the real program on the test clock: rows by purpose, ticks handed back to
// the memo form, invitations byte for byte, and one followed end to end against the service.
#include <gtest/gtest.h>

#include "app/screens/chats/ChatPage.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/Options.h"
#include "tests/app/model_seed.h"
#include "tests/service/ChatPeer.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/TraceLog.h"

namespace {

using Ids = std::vector<std::wstring>;

std::wstring Rows(MessengerRig& rig) { return BuddyRows(rig.App().BuddySelect().Table()); }

void TapRow(MessengerRig& rig, int32_t index) {
    rig.TapRow(rig.App().BuddySelect().Table(), index, 100);
    rig.Pass(600);
}

class BuddySelectTest : public RigTest {
protected:
    void Prepare() override {
        rig.ConnectCaptured(0);
        Sent();
        AccountInfo::Instance()->Id = L"minsu@tevrik.example";
        Options::Instance()->ViewType = 3;
        // bob, offline, is in Work and Friends; the groups sort Family, Friends, Work.
        AddBuddies({{L"a", L"amy", L"Kim", L"na", 0}, {L"b", L"bob", L"Lee", L"nb", 6}, {L"c", L"cat", L"Park", L"nc", 0},
                    {L"d", L"don", L"Ahn", L"nd", 0}});
        AddGroup(L"1", L"Work", {L"a", L"b", L"c"});
        AddGroup(L"2", L"Friends", {L"b", L"d"});
        AddGroup(L"3", L"Family", {L"c"});
        app().SetCurrentView(&app().BuddyList());
    }

    BuddySelectPage& page() { return app().BuddySelect(); }
    void Back() {
        app().StatusBarWindow().OnBack();
        rig.Pass(600);
    }
    std::string Sent() { return rig.Fresh(); }
    // A chat with amy, in its room at 10.0.0.5:7000 when `room`.
    ChatSession* Chat(bool room) {
        ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
        chat->BuddyId = L"amy";
        chat->AddMember(ChatMember{L"amy", L"Kim", L"na", L""});
        if (room) chat->Host = L"10.0.0.5", chat->Port = 7000, chat->Cookie = L"ck", chat->SessionId = L"77";
        return chat;
    }
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
    rig.Pass(600);
    const auto openChooser = [&] {
        rig.Tap({L"MemoWrite", L"View", L"ReceiverButton"});
        rig.Pass(600);
        return std::make_tuple(app().CurrentPage() == &page(), page().CurrentMode(), Rows(rig), page().ExtraIds());
    };
    EXPECT_EQ(openChooser(), std::make_tuple(true, 1u, std::wstring(L"#3 cat* #2 don bob #1 amy bob cat*"), Ids{L"zed@x.org"}));
    TapRow(rig, 0);
    TapRow(rig, 4);
    rig.Tap({L"BuddySelect", L"SearchBar", L"SearchWord"});
    QeInputPanel::Instance()->SetImeMode(1);
    rig.Key('O');
    rig.Pass(600);
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
            rig.Pass(600);
            EXPECT_EQ(std::make_tuple(app().CurrentPage() == &page(), page().CurrentMode(), page().Chat(), Rows(rig)),
                      std::make_tuple(true, 0u, chat, std::wstring(L"#3 cat #2 don #1 amy cat")));
        } else {
            app().SetCurrentView(&app().BuddyList());
            if (opener == kDeleted) page().SelectForInvite(chat);
            app().SwitchView(&page(), kSwitchCoverUpwards, false);
            rig.Pass(600);
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
    jiyoung.SignIn(rig.Service(), "jiyoung@tevrik.example");
    seojun.SignIn(rig.Service(), "seojun@tevrik.example");
    ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    ChatSession* chat = ChatOpenWithBuddy(L"jiyoung@tevrik.example", L"이지영");
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(jiyoung.Joins(*chat, "minsu@tevrik.example", 1));

    rig.App().SwitchView(ChatPageOf(chat), kSwitchCoverUpwards, false);
    rig.Pass(600);
    rig.Tap({L"Chat", L"View", L"InviteButton"});
    rig.Pass(600);
    EXPECT_EQ(Rows(rig), L"#2 #3 #0 jiyoung@tevrik.example #1 seojun@tevrik.example");
    TapRow(rig, 5);
    rig.App().StatusBarWindow().OnBack();
    ASSERT_TRUE(seojun.Joins(*chat, "minsu@tevrik.example", 2));
    EXPECT_EQ(ChatPageOf(chat)->View().Output().GetText(), L"name (nick) 님이 입장하였습니다.\n");
}
