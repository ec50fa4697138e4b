// The option screens through the real program: the list's values, the choice page's taps with
// what they send and save, the nickname page's leaving, the pictures of each page, and the
// service stand-in with a scripted buddy.
#include <gtest/gtest.h>

#include "framework/base/QeRegistry.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/Options.h"
#include "messenger/protocol/TrIdGenerator.h"
#include "platform/windows/input.h"
#include "tests/service/ScriptedClient.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/TestService.h"

namespace {

using Texts = std::vector<std::wstring>;

class OptionScreens : public RigTest {
protected:
    Options& options() { return *Options::Instance(); }
    AccountInfo& account() { return *AccountInfo::Instance(); }
    void ShowList() {
        app().SetCurrentView(&app().OptionList());
        rig.Settle();
    }
    void TapRow(QeTableView& table, int row) {
        rig.TapRow(table, row);
        rig.Advance(600);
    }
    // The option list's row opened, as a user taps it.
    void Open(int listRow) {
        ShowList();
        TapRow(app().OptionList().Table(), listRow);
    }
    // The session writing to a capture, transaction ids from 1 again: ONST 1 goes in CRP2 2.
    void Capture() {
        rig.ConnectCaptured(2);
        TrIdGenerator::Instance()->LastId = 0;
    }
    std::string Sent() { return rig.Fresh(true); }
    static uint32_t Stored(const wchar_t* name) {
        QeRegistryKey key;
        return key.Open(L"Software\\Quandell\\ZevivoZadoruvuv", HKEY_CURRENT_USER) ? key.QueryDword(name, 99) : 98;
    }
};

TEST_F(OptionScreens, ListShowsTheCurrentValueOfEverySetting) {
    account().Nickname = L"별";
    struct Case {
        uint32_t chat, view, sort, notify, scopes;
        Texts values;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, {L"별", L"대화하기", L"이름 보기", L"전체 보기", L"사용 안 함", L"사용 안 함", L""}},
        {1, 1, 1, 1, 3, {L"별", L"쪽지쓰기", L"대화명 보기", L"접속자만 보기", L"소리 사용", L"로그인+대화 알림", L""}},
        {0, 2, 0, 2, 7, {L"별", L"대화하기", L"이름+ID 보기", L"전체 보기", L"진동 사용", L"로그인+대화+쪽지 알림", L""}},
        {0, 3, 0, 3, 4, {L"별", L"대화하기", L"이름+대화명 보기", L"전체 보기", L"소리+진동 사용", L"쪽지 알림", L""}},
    };
    for (const Case& c : cases) {
        options().ChatType = c.chat, options().ViewType = c.view, options().SortType = c.sort;
        options().NotifyType = c.notify, options().NotifyScopes = c.scopes;
        Texts values;
        for (int row = 1; row < OptionListTable::kRowCount; ++row) values.push_back(OptionListTable::RowValue(row));
        EXPECT_EQ(values, c.values);
    }
    Texts statuses;
    for (uint32_t status = 0; status <= 7; ++status) {
        account().Status = status;
        statuses.push_back(OptionListTable::RowValue(0));
    }
    EXPECT_EQ(statuses, (Texts{L"온라인", L"자리 비움", L"회의 중", L"통화 중", L"다른 용무 중", L"오프라인 표시", L"오프라인",
                               L"기타"}));
    Texts labels;
    for (int row = 0; row < OptionListTable::kRowCount; ++row) labels.push_back(OptionListTable::RowLabel(row));
    EXPECT_EQ(labels, (Texts{L"내 상태", L"내 대화명", L"대화 방식", L"보기 방식", L"정렬 방식", L"알림 방식", L"알림 범위",
                             L"시스템 정보"}));
}

TEST_F(OptionScreens, ChoicePageRowsChecksAndWhatATapSendsOrSaves) {
    OptionChoiceTable& table = app().Option().Table();
    // Rows per list row: status, chat, view, sort, notify, scopes.
    struct Page {
        int listRow, rows;
        Texts texts;  // title, help lines, row texts
    };
    const Page pages[] = {
        {0, 4, {L"내 상태 설정", L"내 상태를 설정하세요.", L"", L"온라인", L"자리 비움", L"다른 용무 중", L"오프라인 표시"}},
        {2, 2, {L"대화 방식 설정", L"Tevrik 친구를 선택했을 때,", L"처음 커뮤니케이션 하는 방법을 설정하세요.", L"대화하기", L"쪽지쓰기"}},
        {3, 4, {L"보기 방식 설정", L"친구 보기 방식을 설정하세요.", L"", L"이름 보기", L"대화명 보기", L"이름+ID 보기", L"이름+대화명 보기"}},
        {4, 2, {L"정렬 방식 설정", L"친구 정렬 방식을 설정하세요.", L"", L"전체 보기", L"접속자만 보기"}},
        {5, 4, {L"알림 방식 설정", L"알림 방식을 설정하세요.", L"", L"사용 안 함", L"소리 사용", L"진동 사용", L"소리+진동 사용"}},
        {6, 3, {L"알림 범위 설정", L"알림 범위를 설정하세요.", L"", L"로그인 알림", L"대화 알림", L"쪽지 알림"}},
    };
    for (const Page& page : pages) {
        Open(page.listRow);
        EXPECT_EQ(app().CurrentPage(), &app().Option());
        EXPECT_EQ(app().StatusBarWindow().Mode(), StatusBar::kModeTitle);
        Texts texts{app().StatusBarWindow().TitleStrip().Title().Text().Text(),
                    app().Option().Help().HelpText1().Text().Text(), app().Option().Help().HelpText2().Text().Text()};
        for (int row = 0; row < table.GetItemCount(); ++row) texts.push_back(table.RowText(row));
        EXPECT_EQ(table.GetItemCount(), page.rows) << page.listRow;
        EXPECT_EQ(texts, page.texts);
        rig.Back();
    }
    EXPECT_EQ(app().CurrentPage(), &app().OptionList());

    // The checked status row for own statuses 0 to 5.
    Open(0);
    std::vector<int> checked;
    for (uint32_t status = 0; status <= 5; ++status) {
        account().Status = status;
        for (int row = 0; row < 4; ++row) checked.push_back(table.RowChecked(row) ? row : -1);
    }
    EXPECT_EQ(checked, (std::vector<int>{0, -1, -1, -1, -1, 1, -1, -1, -1, -1, 2, -1, -1, -1, 2, -1, -1, -1, 2, -1,
                                         -1, -1, -1, 3}));

    // Each status row sends its ONST whole, the checked one again too.
    Capture();
    const std::pair<int, const char*> statuses[] = {{0, "O"}, {1, "A"}, {2, "B"}, {3, "X"}, {3, "X"}};
    for (auto [row, letter] : statuses) {
        TapRow(table, row);
        EXPECT_EQ(Sent(), Carried(std::string("ONST 1 ") + letter + " 0 %00 2\r\n"));
        EXPECT_EQ(account().Status, OptionChoiceTable::StatusOfRow(row));
    }
    rig.Back();

    // The other settings: each tap is in the registry at once, nothing goes out.
    struct Tap {
        int listRow, row;
        const wchar_t* value;
        uint32_t stored;
    };
    const Tap taps[] = {{2, 1, L"OptionsChatType", 1},    {3, 2, L"OptionsViewType", 2},
                        {4, 1, L"OptionsSortType", 1},    {5, 0, L"OptionsNotifyType", 0},
                        {6, 0, L"OptionsNotifyScopes", 6}, {6, 2, L"OptionsNotifyScopes", 2},
                        {6, 0, L"OptionsNotifyScopes", 3}};
    for (const Tap& tap : taps) {
        Open(tap.listRow);
        TapRow(table, tap.row);
        EXPECT_EQ(Stored(tap.value), tap.stored) << tap.listRow << " " << tap.row;
        rig.Back();
    }
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(std::vector<uint32_t>({options().ChatType, options().ViewType, options().SortType, options().NotifyType,
                                     options().NotifyScopes}),
              std::vector<uint32_t>({1, 2, 1, 0, 3}));
}

// A nickname beyond the typing limit is filled in whole and typing stays limited; one changed
// elsewhere while the page is shown ("*") is not overwritten by the untouched field.
TEST_F(OptionScreens, NicknameGoesOutOnlyWhenChanged) {
    Capture();
    const std::string longest = "01234567890123456789012345678901234567890123456789";
    const std::wstring wide(longest.begin(), longest.end());
    const std::tuple<std::wstring, std::u32string, std::string> cases[] = {
        {L"별", U"", ""}, {L"별", U"빛", "CNIK 1 별빛\r\n"}, {L"별빛", U"\b\b", "CNIK 1 %00\r\n"}, {wide, U"x", ""},
        {wide, U"\b", "CNIK 1 " + longest.substr(0, 49) + "\r\n"}, {L"*", U"", ""}, {L"별\n빛", U"", ""}};
    for (const auto& [nickname, typed, sent] : cases) {
        account().Nickname = nickname;
        Open(1);
        EXPECT_EQ(app().OptionNick().View().Nick().GetText(), nickname == L"별\n빛" ? L"별빛" : nickname);  // a single line
        EXPECT_TRUE(app().MenuBarWindow().SipButton().IsChecked());
        if (nickname == L"*") account().Nickname = L"달";
        for (char32_t c : typed) c == U'\b' ? (void)rig.Key(VK_BACK) : (void)InjectText(rig.Window(), std::u32string(1, c));
        rig.Settle();
        rig.Back();
        EXPECT_EQ(Sent(), Carried(sent));
    }
}

TEST_F(OptionScreens, PicturesOfEachPageSignedIn) {
    ASSERT_TRUE(rig.StartService() && rig.SignIn(L"minsu@tevrik.example", L"1234"));
    MessengerApp& app = rig.App();
    AccountInfo::Instance()->Status = 3;
    app.StatusBarWindow().BuddyCard().Refresh();
    Options::Instance()->NotifyScopes = 0;
    rig.TapIn(app.BuddyList().Tabs().TabButton(TabBar::kOptionListTab).GetScreenRect());
    EXPECT_EQ(app.CurrentPage(), &app.OptionList());
    EXPECT_TRUE(rig.MatchesGolden("option_list"));
    const std::pair<int, const char*> pages[] = {
        {0, "option_status_on_the_phone"}, {6, "option_scopes_off"}, {1, "option_nick"}, {7, "option_service_info"}};
    for (auto [row, name] : pages) {
        Open(row);
        EXPECT_TRUE(rig.MatchesGolden(name));
        rig.Tap({L"StatusBar", L"Disclosure", L"BackButton"});
        rig.Advance(600);
        EXPECT_EQ(app.CurrentPage(), &app.OptionList());
    }
}

TEST_F(OptionScreens, ChangesReachTheBuddyAndOptionsTheNextStart) {
    ASSERT_TRUE(rig.StartService() && rig.SignIn(L"minsu@tevrik.example", L"1234"));
    service_test::ScriptedClient buddy;
    ASSERT_EQ(service_test::SignIn(rig.Service(), buddy, "jiyoung@tevrik.example", "1234").rfind("LIN2 ", 0), 0u);
    MessengerApp& app = rig.App();
    Open(0);
    rig.TapRow(app.Option().Table(), 1);
    EXPECT_TRUE(buddy.NextStartingWith("NTFY 0 minsu@tevrik.example A "));
    Open(1);
    rig.Type(L"!");
    rig.Back();
    auto nick = buddy.NextStartingWith("NNIK 0 minsu@tevrik.example ");
    ASSERT_TRUE(nick);
    EXPECT_EQ(*nick, "NNIK 0 minsu@tevrik.example 민수!\r\n");

    // The buddy's new nickname sorts first only once the rows are ordered by nickname.
    buddy.Send(service_test::Crp2("10", "DP", "%00", "CNIK 11 A\r\n"));
    ASSERT_TRUE(PumpUntil([] { return BuddyRoster::Instance()->Find(L"jiyoung@tevrik.example")->Nickname == L"A"; }, 5.0));
    auto buddyRows = [&] {
        std::vector<std::wstring> ids;
        BuddyListTable& table = app.BuddyList().Table();
        for (int32_t i = 0; i < table.GetItemCount(); ++i) {
            if (table.GetItem(i)->kind == TableItem::kItem) ids.push_back(reinterpret_cast<Buddy*>(table.GetItem(i)->userValue)->Id);
        }
        return ids;
    };
    const std::vector<std::wstring> byName{L"bob@tevrik.example", L"carol@example.org", L"jiyoung@tevrik.example",
                                           L"alice@tevrik.example", L"seojun@tevrik.example"};
    EXPECT_EQ(buddyRows(), byName);
    Open(3);
    rig.TapRow(app.Option().Table(), 1);
    EXPECT_EQ(buddyRows(), (std::vector<std::wstring>{L"jiyoung@tevrik.example", L"bob@tevrik.example",
                                                      L"carol@example.org", L"alice@tevrik.example",
                                                      L"seojun@tevrik.example"}));
    rig.TapRow(app.Option().Table(), 0);
    EXPECT_EQ(buddyRows(), byName);
    rig.Stop();
    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(Options::Instance()->ViewType, 0u);
}

}  // namespace
