// The buddy profile and the group chooser in the real program on the test clock: the rows read
// from the model, the requests each action sends, and nothing sent once the model is gone.
#include <gtest/gtest.h>

#include <tuple>

#include "app/screens/chats/ChatPage.h"
#include "tests/app/model_seed.h"
#include "tests/support/MessengerRig.h"

namespace {

std::string MoveFrame(const std::string& from, const std::string& to) {
    const std::string line = "0 k1 amy@tevrik.example " + from + " " + to + "\r\n";
    return Carried("MVBG 1 0 " + std::to_string(line.size()) + "\r\n" + line);
}

class BuddyProfileTest : public RigTest {
public:
    void Prepare() override {
        rig.LookSignedIn();
        AddBuddies({{L"k1", L"amy@tevrik.example", L"Amy", L"", 0, kListForward | kListAllow}});
        // "Zoo" twice (3 and 5) sorts between "Work" and the Hangul names.
        for (const auto& [id, name] : {std::pair{L"1", L"Work"}, {L"2", L"기타"}, {L"3", L"Zoo"}, {L"4", L"가족"}, {L"5", L"Zoo"}}) {
            AddGroup(id, name, {L"k1"});
        }
        rig.ConnectCaptured(2);
        Sent();
    }

    BuddyProfilePage& profile() { return app().BuddyProfile(); }
    Buddy* buddy() { return BuddyRoster::Instance()->FindEntry(L"k1"); }
    BuddyGroup* group(const wchar_t* id) { return BuddyGroupList::Instance()->FindEntry(id); }
    void Show(const wchar_t* groupId) {
        profile().SetBuddy(buddy(), groupId != nullptr ? group(groupId) : nullptr);
        app().SetCurrentView(&profile());
        profile().Repaint();
        rig.Pass(1000);
    }
    std::string Sent() { return rig.Fresh(true); }
    // Opens the chooser from the profile, ticks the named row's index, and leaves it.
    std::string ChooseAndLeave(int32_t row) {
        profile().Table().OpenGroupSelect();
        rig.Pass(1000);
        if (row >= 0) rig.TapRow(app().GroupSelect().Table(), row);
        app().StatusBarWindow().OnBack();
        rig.Pass(1000);
        return Sent();
    }
};

TEST(BuddyProfileBirthday, ReadsOnlyRealDates) {
    const struct {
        const wchar_t* profile6;
        uint8_t flag10;
        const wchar_t* text;
    } cases[] = {
        {L"", 1, L""},
        {L"19900315", 1, L"3월 15일 (양력)"},
        {L"19900315", 0, L"3월 15일 (음력)"},
        {L"00000000", 0, L""},
        {L"19901315", 1, L""},
        {L"19900132", 1, L""},
        {L"abc", 1, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(BuddyProfileTable::BirthdayText(c.profile6, c.flag10), c.text) << c.profile6;
}

TEST_F(BuddyProfileTest, ButtonsSendOnYesOnlyAndDeleteGoesBack) {
    Show(L"3");
    const struct {
        void (*answer)(int);
        int result;
        std::string sent;
    } cases[] = {
        {&BuddyProfileButtonBar::BlockBuddy, 1, ""},
        {&BuddyProfileButtonBar::BlockBuddy, 2, Carried("ADDB 1 BL k1 amy@tevrik.example 3\r\n")},
        {&BuddyProfileButtonBar::UnblockBuddy, 1, ""},
        {&BuddyProfileButtonBar::UnblockBuddy, 2, Carried("ADDB 1 AL k1 amy@tevrik.example 3\r\n")},
        {&BuddyProfileButtonBar::DeleteBuddy, 1, ""},
    };
    for (const auto& c : cases) {
        c.answer(c.result);
        EXPECT_EQ(Sent(), c.sent);
        EXPECT_EQ(app().CurrentPage(), &profile());
    }
    app().SetCurrentView(&app().BuddyList());
    app().SwitchView(&profile(), kSwitchPushLeftwards, false);
    rig.Pass(1000);
    BuddyProfileButtonBar::DeleteBuddy(2);
    EXPECT_EQ(Sent(), Carried("RMVB 1 FL k1 amy@tevrik.example\r\n"));
    rig.Pass(1000);
    EXPECT_EQ(app().CurrentPage(), &app().BuddyList());
}

TEST_F(BuddyProfileTest, RowsAndBlockLabelFollowTheBuddy) {
    buddy()->Profile6 = L"19900315", buddy()->Flag10 = 1, buddy()->Nickname = L"별", buddy()->Profile1 = L"010";
    Show(L"4");
    std::vector<std::wstring> values;
    for (int32_t row = 0; row < BuddyProfileTable::kRowCount; ++row) values.push_back(profile().Table().RowValue(row));
    EXPECT_EQ(values, (std::vector<std::wstring>{L"Amy", L"온라인", L"별", L"3월 15일 (양력)", L"amy@tevrik.example",
                                                 L"010", L"가족"}));
    EXPECT_EQ(profile().ButtonBar().BlockButton().DefaultLabel().Text(), L"친구 차단");
    buddy()->ListFlags = kListForward;
    profile().Repaint();
    rig.Settle();
    EXPECT_EQ(profile().ButtonBar().BlockButton().DefaultLabel().Text(), L"차단 해제");
}

TEST_F(BuddyProfileTest, ChooserListsByCodeUnitsAndChecksTheProfilesGroup) {
    const struct {
        const wchar_t* groupId;  // the profile's group; null for none
        int32_t checked;
    } cases[] = {{L"1", 0}, {L"5", 1}, {L"4", 3}, {nullptr, 4}};
    for (const auto& c : cases) {
        Show(c.groupId);
        ChooseAndLeave(-1);
        EXPECT_EQ(app().GroupSelect().Table().Names(),
                  (std::vector<std::wstring>{L"Work", L"Zoo", L"Zoo", L"가족", L"기타"}));
        EXPECT_EQ(app().GroupSelect().Table().CheckedRow(), c.checked) << (c.groupId ? "group" : "none");
    }
    // No row has the name: nothing checked, not the row of an earlier visit.
    group(L"2")->Name = L"Other";
    Show(nullptr);
    ChooseAndLeave(-1);
    EXPECT_EQ(app().GroupSelect().Table().CheckedRow(), -1);
}

TEST_F(BuddyProfileTest, LeavingTheChooserMovesOnlyToAnotherName) {
    const struct {
        const wchar_t* from;
        int32_t row;
        std::string sent;
    } cases[] = {
        {L"1", -1, ""},
        {L"1", 0, ""},
        {L"1", 3, MoveFrame("1", "4")},
        {L"5", 1, ""},  // the first "Zoo" row, while the buddy is shown in the second "Zoo"
        {L"5", 2, ""},
        {L"4", 1, MoveFrame("4", "3")},
        {nullptr, 0, ""},
    };
    for (const auto& c : cases) {
        Show(c.from);
        EXPECT_EQ(ChooseAndLeave(c.row), c.sent) << (c.from ? "from group" : "no group") << " row " << c.row;
    }
}

TEST_F(BuddyProfileTest, AfterLogOutNothingIsSent) {
    Show(L"1");
    app().OnResetBegin();
    app().SetCurrentView(&profile());
    rig.Pass(1000);
    for (int32_t row = 0; row < BuddyProfileTable::kRowCount; ++row) {
        EXPECT_EQ(profile().Table().RowValue(row), L"") << row;
    }
    BuddyProfileButtonBar::BlockBuddy(2);
    BuddyProfileButtonBar::UnblockBuddy(2);
    profile().Table().OpenChat();
    EXPECT_EQ(Sent(), "");
    app().SetCurrentView(&profile());
    EXPECT_EQ(ChooseAndLeave(0), "");
}

}  // namespace

namespace {

// Row 0 split at each icon's threshold; row 4 does nothing; row 6 anywhere opens the chooser.
TEST_F(BuddyProfileTest, TapsOnTheRows) {
    const int chat = BuddyProfileTable::IconThreshold(BuddyProfileTable::kChatThreshold);
    const int memo = BuddyProfileTable::IconThreshold(BuddyProfileTable::kMemoThreshold);
    const int end = BuddyProfileTable::IconThreshold(BuddyProfileTable::kEndThreshold);
    const struct {
        int32_t row;
        int x;
        ScreenBase* page;  // null: a chat page
    } cases[] = {
        {0, chat - 1, &profile()}, {0, chat, nullptr},         {0, chat + 1, nullptr},
        {0, memo - 1, nullptr},    {0, memo, &app().MemoWrite()}, {0, memo + 1, &app().MemoWrite()},
        {0, end - 1, &app().MemoWrite()}, {0, end, &profile()}, {0, end + 1, &profile()},
        {4, 5, &profile()},        {6, 5, &app().GroupSelect()},  {6, memo, &app().GroupSelect()},
    };
    for (const auto& c : cases) {
        Show(L"1");
        app().StatusBarWindow().ClearHistory();
        MemoWriteForm& form = app().MemoWrite().Form();
        form.PrepareReply(L"C9", L"x@y.z");
        form.Message().SetText(L"old");
        rig.TapRow(profile().Table(), c.row, c.x);
        rig.Pass(1000);
        ScreenBase* page = app().CurrentPage();
        if (c.page == nullptr) {
            EXPECT_NE(dynamic_cast<ChatPage*>(page), nullptr) << c.row << " at " << c.x;
        } else {
            EXPECT_EQ(page, c.page) << c.row << " at " << c.x;
        }
        if (c.page == &app().MemoWrite()) {
            // A new memo to the profile's buddy alone.
            EXPECT_EQ(std::make_tuple(form.Kind(), form.ReferenceCookie(), form.Recipients(), form.Message().GetText()),
                      std::make_tuple(0u, std::wstring(), std::vector<std::wstring>{L"amy@tevrik.example"}, std::wstring()))
                << c.x;
        }
        if (c.page == &app().GroupSelect()) {
            EXPECT_EQ(app().GroupSelect().CurrentMode(), GroupSelectPage::kModeProfile);
            EXPECT_EQ(app().GroupSelect().TitleBar().BuddyName().Text().Text(), L"Amy");
        }
    }
}

TEST_F(BuddyProfileTest, Pictures) {
    buddy()->Profile6 = L"19900315", buddy()->Flag10 = 0, buddy()->Nickname = L"별";
    Show(L"4");
    EXPECT_TRUE(rig.MatchesGolden("buddy_profile_online_allowed"));
    buddy()->Status = 6, buddy()->ListFlags = kListForward | kListBlock;
    Show(L"4");
    EXPECT_TRUE(rig.MatchesGolden("buddy_profile_offline_blocked"));
    profile().Table().OpenGroupSelect();
    rig.Pass(1000);
    EXPECT_TRUE(rig.MatchesGolden("group_select_from_profile"));
}

}  // namespace
