// The buddy list page in the real program on the test clock: the table kept up to date one buddy
// at a time, taps on its rows, and the search word.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

#include "app/screens/chats/ChatPage.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/Options.h"
#include "messenger/protocol/Reset.h"
#include "platform/system/device.h"
#include "platform/windows/input.h"
#include "tests/app/model_seed.h"
#include "tests/service/ScriptedClient.h"
#include "tests/support/MessengerRig.h"

namespace {

class BuddyListTest : public RigTest {
public:
    void SetUp() override {
        BeforeStart();
        ASSERT_TRUE(rig.Start());
        rig.LookSignedIn();
        // "Friends" (2) sorts before "Work" (1); b is a member of both.
        AddBuddies({{L"a", L"amy", L"Kim", L"n1", 0}, {L"b", L"bob", L"Lee", L"n2", 6}, {L"c", L"cat", L"Park", L"n3", 0},
                    {L"d", L"dan", L"Ahn", L"n0", 0}});
        AddGroup(L"1", L"Work", {L"a", L"b", L"c"});
        AddGroup(L"2", L"Friends", {L"b", L"d"});
        Options::Instance()->ViewType = 1;
        Options::Instance()->SortType = 1;
        app().SetCurrentView(&app().BuddyList());
        table().Refresh();
        Settle();
    }
    void TearDown() override { app().BuddyList().OnResetBegin(); }
    virtual void BeforeStart() {}

    BuddyListTable& table() { return app().BuddyList().Table(); }
    Buddy& buddy(const wchar_t* key) { return *BuddyRoster::Instance()->FindEntry(key); }
    void Settle() { rig.Pass(1000); }
    std::wstring Rows() { return BuddyRows(table(), false); }
    // Taps row `index` at x (row coordinates), halfway down.
    void TapRow(int32_t index, int x) {
        rig.TapRow(table(), index, x);
        Settle();
    }
};

TEST_F(BuddyListTest, UpdateBuddyRowKeepsEachGroupInOrder) {
    EXPECT_EQ(Rows(), L"#2 d #1 a c");
    const struct {
        const char* step;
        std::function<void(BuddyListTest&)> change;
        const wchar_t* key;
        const wchar_t* expected;
    } steps[] = {
        {"online", [](BuddyListTest& t) { t.buddy(L"b").Status = 0; }, L"b", L"#2 d b #1 a b c"},
        {"offline", [](BuddyListTest& t) { t.buddy(L"d").Status = 6; }, L"d", L"#2 b #1 a b c"},
        // Its new place is the list's last row.
        {"nickname last", [](BuddyListTest& t) { t.buddy(L"b").Nickname = L"n9"; }, L"b", L"#2 b #1 a c b"},
        {"nickname first", [](BuddyListTest& t) { t.buddy(L"b").Nickname = L"n"; }, L"b", L"#2 b #1 b a c"},
        {"folded, offline",
         [](BuddyListTest& t) {
             t.table().CollapseGroup(t.table().FindGroupRow(L"1"));
             t.buddy(L"a").Status = 6;
         },
         L"a", L"#2 b #1- b c"},
        {"folded, online", [](BuddyListTest& t) { t.buddy(L"a").Status = 1; }, L"a", L"#2 b #1- b a c"},
        {"filtered, online",
         [](BuddyListTest& t) {
             t.table().SetFilter(L"Lee");
             t.buddy(L"d").Status = 7;
         },
         L"d", L"#2 b (d) #1- b (a) (c)"},
    };
    for (const auto& step : steps) {
        step.change(*this);
        table().UpdateBuddyRow(&buddy(step.key));
        Settle();
        EXPECT_EQ(Rows(), step.expected) << step.step;
    }
}

// Rows placed one notice at a time stand as a refresh puts them: equal nicknames go by member key,
// and buddies changed together before their notices each find their place.
TEST_F(BuddyListTest, UpdatedRowsStandAsARefreshPutsThem) {
    const auto set = [](const wchar_t* key, const wchar_t* nick, uint32_t status) {
        return [=](BuddyListTest& t) { t.buddy(key).Nickname = nick, t.buddy(key).Status = status; };
    };
    const struct {
        std::function<void(BuddyListTest&)> change;
        std::vector<const wchar_t*> notices;
    } steps[] = {
        {set(L"b", L"n1", 0), {L"b"}},  // equal to a's, after it: "#1 a b c"
        {set(L"a", L"n3", 0), {L"a"}},  // equal to c's, before it
        {set(L"c", L"m", 0), {L"c"}},   // first
        {set(L"c", L"z", 0), {L"c"}},   // last of the list
        {[&](BuddyListTest& t) { set(L"b", L"n1", 6)(t), set(L"d", L"n0", 6)(t); }, {L"d", L"b"}},
        {[&](BuddyListTest& t) { set(L"b", L"n1", 0)(t), set(L"d", L"n0", 0)(t); }, {L"b", L"d"}},
        {[&](BuddyListTest& t) { t.table().SetFilter(L"Lee"), set(L"a", L"n", 1)(t); }, {L"a"}},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].change(*this);
        for (const wchar_t* key : steps[i].notices) table().UpdateBuddyRow(&buddy(key));
        Settle();
        const std::wstring updated = Rows();
        table().Refresh();
        Settle();
        EXPECT_EQ(updated, Rows()) << "step " << i;
    }
}

// Presence notices back to back, each while the row change before it still animates.
TEST_F(BuddyListTest, NoticesBackToBackChangeTheirOwnRows) {
    BuddyGroupList::Instance()->FindEntry(L"2")->Name = L"Zoo";
    const std::pair<std::vector<std::string>, const wchar_t*> cases[] = {
        {{"amy F", "cat F"}, L"#1 b #2 d b"}, {{"bob F"}, L"#1 a c #2 d"}, {{"cat F", "cat O"}, L"#1 a b c #2 d b"}};
    for (const auto& [notices, expected] : cases) {
        BuddyRoster::Instance()->ForEach([](Buddy& buddy) { buddy.Status = 0; });
        table().Refresh();
        Settle();
        for (const std::string& notice : notices) rig.Inject("NTFY 0 " + notice + " 0 %00 1\r\n");
        Settle();
        EXPECT_EQ(Rows(), expected) << notices[0];
    }
}

TEST_F(BuddyListTest, TapsOpenChatMemoOrProfile) {
    // b online in both groups: "#2 d b #1 a b c".
    buddy(L"b").Status = 0;
    Options::Instance()->SortType = 0;
    table().Refresh();
    Settle();
    const int threshold = BuddyListTable::ChatTapThreshold();
    EXPECT_EQ(threshold, 436 - 14);
    const struct {
        const char* what;
        uint32_t chatType;
        const wchar_t* offline;  // made offline first
        int32_t row;
        int x;
        ScreenBase* expectedPage;
        const wchar_t* profile;  // "buddy in group"
    } cases[] = {
        {"header", 0, nullptr, 0, threshold + 1, &app().BuddyList(), L""},
        {"offline chat", 0, L"d", 1, threshold, &app().BuddyList(), L""},
        {"offline memo", 1, L"d", 1, threshold, &app().MemoWrite(), L""},
        {"profile, first group", 0, nullptr, 2, threshold + 1, &app().BuddyProfile(), L"b in 2"},
        {"profile, second group", 0, nullptr, 5, threshold + 1, &app().BuddyProfile(), L"b in 1"},
    };
    for (const auto& c : cases) {
        app().SetCurrentView(&app().BuddyList());
        app().StatusBarWindow().ClearHistory();
        app().BuddyProfile().SetBuddy(nullptr, nullptr);
        Options::Instance()->ChatType = c.chatType;
        if (c.offline != nullptr) buddy(c.offline).Status = 6;
        app().MemoWrite().Form().PrepareReply(L"C9", L"x@y.z");
        app().MemoWrite().Form().Message().SetText(L"old");
        TapRow(c.row, c.x);
        EXPECT_EQ(app().CurrentPage(), c.expectedPage) << c.what;
        if (c.expectedPage == &app().MemoWrite()) {
            // A new memo to that buddy alone.
            MemoWriteForm& form = app().MemoWrite().Form();
            EXPECT_EQ(std::make_tuple(form.Kind(), form.ReferenceCookie(), form.Recipients(), form.Message().GetText()),
                      std::make_tuple(0u, std::wstring(), std::vector<std::wstring>{buddy(c.offline).Id}, std::wstring()));
        }
        const Buddy* shown = app().BuddyProfile().ShownBuddy();
        const BuddyGroup* group = app().BuddyProfile().ShownGroup();
        EXPECT_EQ((shown != nullptr ? shown->Key : L"") + (group != nullptr ? L" in " + group->Id : L""), c.profile)
            << c.what;
    }
    EXPECT_EQ(Rows(), L"#2 d b #1 a b c");
}

// Each picture after the loop settled: a selected row and a folded group with names and
// nicknames; a header's online count after a presence change while shown, and while hidden.
TEST_F(BuddyListTest, Pictures) {
    Options::Instance()->ViewType = 3;
    table().Refresh();
    table().CollapseGroup(table().FindGroupRow(L"2"));
    Settle();
    table().SetSelection(table().FindBuddyRow(&buddy(L"c"), -1));
    EXPECT_TRUE(rig.MatchesGolden("buddy_list_selected_folded"));

    table().ExpandGroup(table().FindGroupRow(L"2"));
    Settle();
    buddy(L"b").Status = 1;
    table().UpdateBuddyRow(&buddy(L"b"));
    Settle();
    EXPECT_TRUE(rig.MatchesGolden("buddy_list_after_presence"));

    app().SetCurrentView(&app().MemoList());
    buddy(L"a").Status = 6;
    table().UpdateBuddyRow(&buddy(L"a"));
    Settle();
    app().SetCurrentView(&app().BuddyList());
    EXPECT_TRUE(rig.MatchesGolden("buddy_list_changed_while_hidden"));
}

// A presence the skin has no icon for leaves the icon box as the row's back: no pixel of the shared
// icon picture may be stretched over it. The list's icons are cut from an opaque picture here, so
// that any pixel drawn shows.
class BuddyListWithoutAwayIcon : public BuddyListTest {
    void BeforeStart() override {
        std::string skin;
        ASSERT_TRUE(tevrik_service::ReadWholeFile(TEVRIK_ASSETS_DIR "/Image/Skin.dat", skin));
        const size_t away = skin.find("<Away><Big>");
        ASSERT_NE(away, std::string::npos);
        skin.erase(away, skin.find("</Away>", away) + 7 - away);
        const std::string icon = "<File>presence.png</File><ImageCoord>0, 0, 28, 28</ImageCoord>"
                                 "<DrawMethod>AlphaBlendPerPixel</DrawMethod>";
        const size_t listIcon = skin.find(icon, skin.find("<BuddyIcon>", skin.find("<BuddyList>")));
        ASSERT_NE(listIcon, std::string::npos);
        skin.replace(listIcon, icon.size(), "<File>selection.png</File><DrawMethod>BitBlt</DrawMethod>");
        rig.UseSkinText(skin);
    }
};

TEST_F(BuddyListWithoutAwayIcon, DrawsNoIcon) {
    const RECT icon = ScreenSkin::Rect({L"BuddyList", L"View", L"BuddyIcon"});
    // The icon box's pixels, and the row's back left of it.
    const auto pixels = [&](const wchar_t* key) {
        const RECT row = table().GetItemScreenRect(table().FindBuddyRow(&buddy(key), -1));
        const RECT box{row.left + icon.left, row.top + icon.top, row.left + icon.right, row.top + icon.bottom};
        const RECT back{row.left + 2, box.top, row.left + 3, box.top + 1};
        return std::pair{CaptureFramebuffer(rig.Window(), box), CaptureFramebuffer(rig.Window(), back).at(0)};
    };
    buddy(L"a").Status = 1;
    table().UpdateBuddyRow(&buddy(L"a"));
    Settle();
    const auto [away, awayBack] = pixels(L"a");
    EXPECT_EQ(std::count(away.begin(), away.end(), awayBack), static_cast<long>(away.size()));
    const auto [online, onlineBack] = pixels(L"c");
    EXPECT_NE(std::count(online.begin(), online.end(), onlineBack), static_cast<long>(online.size()));
}

// Keys routed to the search word: the rows, the filter and the icon after each.
TEST_F(BuddyListTest, SearchWordFiltersAfterEveryKey) {
    rig.Tap({L"BuddyList", L"SearchBar", L"SearchWord"});
    QeInputPanel::Instance()->SetImeMode(1);  // Latin letters
    BuddyListSearchBar& bar = app().BuddyList().SearchBar();
    constexpr UINT kCaretToStart = 0;
    const auto state = [&] {
        return Rows() + L" [" + table().FilterText() + L"] " + (bar.SearchIcon().IsVisible() ? L"search" : L"") +
               (bar.RollbackIcon().IsVisible() ? L"rollback" : L"");
    };
    const struct {
        std::vector<UINT> keys;
        const wchar_t* expected;
    } steps[] = {
        {{'A'}, L"#2 d #1 a c [a] rollback"},
        {{'B'}, L"#2 (d) #1 (a) (c) [ab] rollback"},
        {{VK_BACK}, L"#2 d #1 a c [a] rollback"},
        {{kCaretToStart}, L"#2 d #1 a c [a] rollback"},
        {{VK_DELETE}, L"#2 d #1 a c [] search"},
        {{'M'}, L"#2 (d) #1 a (c) [m] rollback"},
    };
    for (const auto& step : steps) {
        for (UINT key : step.keys) {
            if (key == kCaretToStart) {
                // The edit moves its caret by the pen: in front of the first letter.
                const RECT page = ScreenSkin::Rect({L"BuddyList"}), bar = ScreenSkin::Rect({L"BuddyList", L"SearchBar"}),
                           word = ScreenSkin::Rect({L"BuddyList", L"SearchBar", L"SearchWord"});
                rig.TapAt(page.left + bar.left + word.left + 2, page.top + bar.top + (word.top + word.bottom) / 2);
                QeInputPanel::Instance()->SetImeMode(1);
            } else {
                rig.Key(key);
            }
        }
        Settle();
        EXPECT_EQ(state(), step.expected) << step.keys[0];
    }
    rig.Tap({L"BuddyList", L"SearchBar", L"RollbackIcon"});
    Settle();
    EXPECT_EQ(state(), L"#2 d #1 a c [] search");
    EXPECT_EQ(bar.SearchWord().GetText(), L"");
}

// "김" typed through the two-set composer: the filter follows each composition step.
TEST_F(BuddyListTest, HangulCompositionFiltersEachStep) {
    buddy(L"a").Name = L"김민수";
    buddy(L"c").Name = L"박기김";
    Options::Instance()->ViewType = 3;
    table().Refresh();
    Settle();
    // The tap opens the input panel for Korean.
    rig.Tap({L"BuddyList", L"SearchBar", L"SearchWord"});
    const struct {
        UINT key;
        const wchar_t* expected;
    } steps[] = {
        {'R', L"#2 (d) #1 (a) (c) [ㄱ]"},
        {'L', L"#2 (d) #1 (a) c [기]"},
        {'A', L"#2 (d) #1 a c [김]"},
    };
    for (const auto& step : steps) {
        rig.Key(step.key);
        Settle();
        EXPECT_EQ(Rows() + L" [" + table().FilterText() + L"]", step.expected) << step.key;
    }
    EXPECT_TRUE(rig.MatchesGolden("buddy_list_filtered"));
    // A pen down in the table puts the panel away.
    EXPECT_TRUE(QeInputPanel::Instance()->IsShown());
    TapRow(0, 10);
    EXPECT_FALSE(QeInputPanel::Instance()->IsShown());
}

// Signed in against the service stand-in; another user signs in and is tapped.
TEST(BuddyListSignedIn, AnotherUserComesOnlineOpensAChatAndLogOut) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start() && rig.StartService());
    Options::Instance()->SortType = 0;
    Options::Instance()->ViewType = 3;
    ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    MessengerApp& app = rig.App();
    BuddyListTable& table = app.BuddyList().Table();
    app.SetCurrentView(&app.BuddyList());
    rig.Advance(1000);
    EXPECT_TRUE(rig.MatchesGolden("buddy_list_signed_in"));

    // As the option screens change the sort type.
    Options::Instance()->SortType = 1;
    table.Refresh();
    rig.Pass(1000);
    EXPECT_EQ(BuddyRows(table), L"#2 #3 #0 #1");
    ClearDeviceCalls();
    service_test::ScriptedClient other;
    EXPECT_NE(service_test::SignIn(rig.Service(), other, "jiyoung@tevrik.example", "1234"), "");
    ASSERT_TRUE(PumpUntil([&] { return table.GetItemCount() == 5; }, 10.0));
    rig.Pass(1000);
    EXPECT_EQ(BuddyRows(table), L"#2 #3 #0 jiyoung@tevrik.example #1");
    EXPECT_EQ(rig.Sounds(), std::vector<std::wstring>{L"buddy_login.wav, 0x20001)"});

    const auto minsu = rig.Service().SignedInConnection("minsu@tevrik.example");
    const size_t before = rig.Service().FrameCount();
    rig.TapRow(table, 3, 10);
    const auto ress = rig.Service().WaitForClientFrame(minsu, "RESS", std::chrono::seconds(5), before);
    ASSERT_TRUE(ress.has_value());
    // After the memo box's first page and count, asked for at sign-in.
    EXPECT_EQ(ress->bytes, "CRP2 12 DP %00 9\r\nRESS 13\r\n");
    ChatSession* chat = ChatSessionManager::Instance()->FindChatWithBuddy(L"jiyoung@tevrik.example");
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(app.CurrentPage(), ChatPageOf(chat));
    // The chat is open now: a second tap asks for no chat server and shows the same page.
    app.SetCurrentView(&app.BuddyList());
    rig.TapRow(table, 3, 10);
    EXPECT_EQ(ChatSessionManager::Instance()->Count(), 1u);
    EXPECT_EQ(app.CurrentPage(), ChatPageOf(chat));

    // Log out with a search word typed and the list shown, then sign in again.
    app.SetCurrentView(&app.BuddyList());
    rig.Tap({L"BuddyList", L"SearchBar", L"SearchWord"});
    QeInputPanel::Instance()->SetImeMode(1);
    rig.Key('B');
    EXPECT_EQ(BuddyRows(table), L"#2 #3 #0 (jiyoung@tevrik.example) #1");
    ResetToLogin();
    rig.Settle();
    EXPECT_EQ(table.GetItemCount(), 0);
    ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    rig.Pass(1000);
    EXPECT_EQ(BuddyRows(table) + L" [" + app.BuddyList().SearchBar().SearchWord().GetText() + L"|" +
                  table.FilterText() + L"]",
              L"#2 #3 #0 jiyoung@tevrik.example #1 [|]");
}

}  // namespace
