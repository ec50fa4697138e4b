// The buddy request list and info pages in the real program on the test clock: which buddies are
// listed and in what order, the pictures, and the answers that go out.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "framework/ui/view/QePopup.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "tests/support/MessengerRig.h"

namespace {

class BuddyRequestsTest : public ::testing::Test {
public:
    void SetUp() override { ASSERT_TRUE(rig.Start()); }
    void TearDown() override { app().BuddyRequestInfo().OnResetBegin(); }

    MessengerApp& app() { return rig.App(); }
    BuddyRequestListTable& list() { return app().BuddyRequestList().Table(); }
    BuddyRequestInfoTable& info() { return app().BuddyRequestInfo().Table(); }
    void AddBuddy(const wchar_t* key, const wchar_t* id, const wchar_t* name, uint32_t flags) {
        Buddy buddy;
        buddy.Key = key, buddy.Id = id, buddy.Name = name, buddy.ListFlags = flags, buddy.Status = 0;
        BuddyRoster::Instance()->AddOrUpdate(key, buddy);
    }
    void AddGroup(const wchar_t* id, const wchar_t* name) {
        BuddyGroup group;
        group.Id = id, group.Name = name;
        BuddyGroupList::Instance()->InsertEntry(group);
    }
    void Show(ScreenBase& page) {
        app().SetCurrentView(&page);
        Settle();
    }
    void Settle() {
        rig.Advance(1000);
        rig.Settle();
    }
    std::wstring Listed() {
        std::wstring text;
        for (const std::wstring& id : list().Requests()) text += (text.empty() ? L"" : L" ") + id;
        return text;
    }
    // Through the info page's group row: the chooser, titled with the requester, checks the page's
    // group; the row of the name is ticked and the chooser left.
    void ChooseGroup(const std::wstring& name) {
        const RECT row = info().GetItemScreenRect(BuddyRequestInfoTable::kGroupRow);
        rig.TapAt(row.left + 10, (row.top + row.bottom) / 2);
        Settle();
        GroupSelectPage& chooser = app().GroupSelect();
        ASSERT_EQ(app().CurrentPage(), &chooser);
        const std::vector<std::wstring>& names = chooser.Table().Names();
        EXPECT_EQ(std::make_tuple(chooser.CurrentMode(), chooser.TitleBar().BuddyNick().Text().Text(),
                                  names[static_cast<size_t>(chooser.Table().CheckedRow())]),
                  std::make_tuple(uint32_t{GroupSelectPage::kModeRequest}, info().Requester()->Id, info().Group()->Name));
        const RECT wanted = chooser.Table().GetItemScreenRect(
            static_cast<int32_t>(std::find(names.begin(), names.end(), name) - names.begin()));
        rig.TapAt(wanted.left + 10, (wanted.top + wanted.bottom) / 2);
        rig.Settle();
        app().StatusBarWindow().OnBack();
        Settle();
        ASSERT_EQ(app().CurrentPage(), &app().BuddyRequestInfo());
    }
    std::string Sent() {
        const std::string all = rig.SentText();
        const std::string fresh = all.substr(m_seen);
        m_seen = all.size();
        return fresh;
    }

    MessengerRig rig;
    size_t m_seen = 0;
};

TEST_F(BuddyRequestsTest, ListsRequestOnlyBuddiesByNameKeepingKeyOrderForEqualNames) {
    Show(app().BuddyRequestList());
    EXPECT_EQ(Listed(), L"");
    EXPECT_TRUE(list().HelpText().IsVisible());
    EXPECT_TRUE(rig.MatchesGolden("buddy_request_list_empty"));

    // Keys in the reverse of the name order; "e" and "a" tie on the empty name.
    AddBuddy(L"e", L"eve", L"", 8);
    AddBuddy(L"d", L"dan", L"Ahn", 8);
    AddBuddy(L"c", L"cat", L"", 9);
    AddBuddy(L"b", L"bob", L"", 10);
    AddBuddy(L"f", L"fay", L"", 12);
    AddBuddy(L"a", L"amy", L"", 8);
    Show(app().BuddyList());
    Show(app().BuddyRequestList());
    EXPECT_EQ(Listed(), L"amy eve dan");
    EXPECT_FALSE(list().HelpText().IsVisible());
    EXPECT_EQ(list().GetItemCount(), 3);
    list().SetSelection(2);
    Settle();
    EXPECT_TRUE(rig.MatchesGolden("buddy_request_list_selected"));
}

TEST_F(BuddyRequestsTest, AnswersGoOutWholeAndGoBack) {
    rig.CaptureSessionWrites();
    rig.ConnectCaptured(0);
    AddBuddy(L"1004", L"b@tevrik.example", L"", 8);
    Show(app().BuddyRequestList());
    const RECT row = list().GetItemScreenRect(0);

    // Without a group "0" nothing opens.
    rig.TapAt(row.left + 100, (row.top + row.bottom) / 2);
    Settle();
    EXPECT_EQ(app().CurrentPage(), &app().BuddyRequestList());

    AddGroup(L"0", L"친구");
    AddGroup(L"5", L"회사");
    const struct {
        const char* what;
        const wchar_t* group;  // chosen instead of "0", or null
        SkinPath button;
        const char* frames;
    } cases[] = {
        {"accept", nullptr, {L"BuddyRequestInfo", L"ButtonBar", L"AcceptButton"},
         "CRP2 3 DP %00 42\r\nADSB 2 ACCPT 1004 b@tevrik.example 0 %00\r\n"},
        {"reject", nullptr, {L"BuddyRequestInfo", L"ButtonBar", L"RejectButton"},
         "CRP2 5 DP %00 42\r\nADSB 4 REJCT 1004 b@tevrik.example 0 %00\r\n"},
        {"accept into another group", L"5", {L"BuddyRequestInfo", L"ButtonBar", L"AcceptButton"},
         "CRP2 7 DP %00 42\r\nADSB 6 ACCPT 1004 b@tevrik.example 5 %00\r\n"},
    };
    Sent();
    for (const auto& c : cases) {
        Show(app().BuddyRequestList());
        app().StatusBarWindow().ClearHistory();
        rig.TapAt(row.left + 100, (row.top + row.bottom) / 2);
        Settle();
        ASSERT_EQ(app().CurrentPage(), &app().BuddyRequestInfo()) << c.what;
        if (c.group != nullptr) ChooseGroup(BuddyGroupList::Instance()->FindEntry(c.group)->Name);
        if (c.what == cases[0].what) {
            EXPECT_TRUE(rig.MatchesGolden("buddy_request_info"));
        }
        rig.Tap(c.button);
        Settle();
        EXPECT_EQ(Sent(), c.frames) << c.what;
        // Back on the list, which still shows the request: the reply has not come.
        EXPECT_EQ(app().CurrentPage(), &app().BuddyRequestList()) << c.what;
        EXPECT_EQ(Listed(), L"b@tevrik.example") << c.what;
    }

    // The reply to the last answer: the buddy is taken, and the list shown again no longer has it.
    rig.Inject("ADSB 6 ACCPT 1004 Bee 0 %00\r\n");
    Show(app().BuddyList());
    Show(app().BuddyRequestList());
    EXPECT_EQ(Listed(), L"");

    // After a log-out's reset the rows are empty and neither button sends or leaves.
    app().BuddyRequestInfo().OnResetBegin();
    Show(app().BuddyRequestInfo());
    EXPECT_EQ(info().Requester(), nullptr);
    for (const wchar_t* button : {L"AcceptButton", L"RejectButton"}) {
        rig.Tap({L"BuddyRequestInfo", L"ButtonBar", button});
        Settle();
        EXPECT_EQ(Sent(), "");
        EXPECT_EQ(app().CurrentPage(), &app().BuddyRequestInfo());
    }
}

// A second request's prompt answered Yes while the info page shows the first: the page shown again
// with the new requester, the history as it was.
TEST_F(BuddyRequestsTest, PromptAnsweredYesOnTheInfoPageShowsTheNewRequester) {
    rig.CaptureSessionWrites();
    rig.ConnectCaptured(0);
    AddGroup(L"0", L"친구");
    Show(app().BuddyList());
    size_t history = 0;
    for (const char* id : {"b@tevrik.example", "c@tevrik.example"}) {
        rig.Inject(std::string("ADDB 0 RL 10") + id[0] + " " + id + " 안녕 %00\r\n");
        Settle();
        ASSERT_NE(QePopup::Current(), nullptr) << id;
        const RECT box = QePopup::Current()->Rect();
        rig.Tap({L"MsgBox", L"YesButton"}, POINT{box.left, box.top});
        Settle();
        ASSERT_EQ(app().CurrentPage(), &app().BuddyRequestInfo()) << id;
        ASSERT_NE(info().Requester(), nullptr);
        EXPECT_EQ(info().Requester()->Id, std::wstring(id, id + 16)) << id;
        // The first switch pushes the list's entry; the second, to the page shown, pushes nothing.
        if (history == 0) history = app().StatusBarWindow().History().size();
        EXPECT_EQ(app().StatusBarWindow().History().size(), history) << id;
    }
    EXPECT_EQ(history, 1u);
}

}  // namespace
