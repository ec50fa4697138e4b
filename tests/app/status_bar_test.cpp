// The status bar's modes, its page indicator and Close, the tab bars of the main pages, the web
// links and the presence presentation, through the real program on the test clock.
#include <gtest/gtest.h>

#include <map>

#include "app/screens/common/Presence.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/TrIdGenerator.h"
#include "platform/system/shell.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/TestService.h"

namespace {

using Lines = std::vector<std::string>;

class StatusBarTest : public RigTest {
protected:
    void Prepare() override {
        app().Login().SetVisible(false);
    }
    void TearDown() override {
        SetShellLauncher(nullptr);
        app().SetCurrentView(nullptr);
        ChatSessionManager::Instance()->DeleteAllAndClear();
        rig.Settle();
    }

    StatusBar& bar() { return app().StatusBarWindow(); }
    PageIndicator& indicator() { return bar().PageStrip().Indicator(); }

    // The names of the bar's visible widgets, in the order the bar holds them.
    Lines Shown() {
        StatusBar& b = bar();
        const std::pair<QeWindow*, const char*> widgets[] = {
                {&b.BackgroundSkin(), "BackgroundSkin"}, {&b.BuddyCard().StatusIcon(), "StatusIcon"},
            {&b.BuddyCard().Nick(), "Nick"}, {&b.BuddyCard().MailIcon(), "MailIcon"},
            {&b.BuddyCard().PontaroIcon(), "PontaroIcon"}, {&b.TitleStrip().BackButton(), "BackButton"},
            {&b.TitleStrip().Title(), "Title"}, {&b.TitleStrip().BuddyAddButton(), "BuddyAddButton"},
            {&b.TitleStrip().GroupAddButton(), "GroupAddButton"}, {&b.PageStrip().BackButton(), "ChatBackButton"},
            {&b.PageStrip().Indicator(), "PageIndicator"}, {&b.PageStrip().CloseButton(), "CloseButton"}};
        Lines shown;
        for (auto [window, name] : widgets) {
            if (window->IsVisible()) shown.push_back(name);
        }
        return shown;
    }
    // Chats until there are `count`, the indicator rebuilt as a chat's arrival rebuilds it.
    void Chats(size_t count) {
        ChatSessionManager& chats = *ChatSessionManager::Instance();
        while (chats.Count() < count) {
            ChatSession* chat = chats.CreateChatSession();
            chat->SessionId = L"S" + std::to_wstring(chats.Count());
        }
        Screens().PageIndicatorRebuild();
    }
    // The part of the screen a window covers, compared with its golden.
    ::testing::AssertionResult Matches(QeWindow& window, const std::string& name) {
        rig.Settle();
        const RECT area = window.GetScreenRect();
        GoldenPicture picture{area.right - area.left, area.bottom - area.top, CaptureFramebuffer(rig.Window(), area)};
        return MatchesGolden(picture, name);
    }
    void TapCentre(QeWindow& window) { rig.TapIn(window.GetScreenRect()); }
};

TEST_F(StatusBarTest, ModesShowTheirWidgetsAndHidingKeepsTheMode) {
    const Lines card = {"BackgroundSkin", "StatusIcon", "Nick", "MailIcon", "PontaroIcon"};
    const Lines title = {"BackgroundSkin", "BackButton", "Title"};
    const std::pair<int, Lines> steps[] = {
        {0, card},
        {1, title},
        {2, {"BackgroundSkin", "BackButton", "Title", "BuddyAddButton"}},
        {1, title},
        {3, {"BackgroundSkin", "BackButton", "Title", "GroupAddButton"}},
        {4, {"BackgroundSkin", "ChatBackButton", "PageIndicator", "CloseButton"}},
        {0, card},
    };
    bar().SetVisible(true);
    for (const auto& [mode, shown] : steps) {
        bar().SetMode(mode);
        EXPECT_EQ(Shown(), shown) << "mode " << mode;
    }
    bar().SetMode(2);
    bar().SetVisible(false);
    EXPECT_EQ(Shown(), Lines{});
    bar().SetVisible(true);
    EXPECT_EQ(bar().Mode(), 2);
    EXPECT_EQ(Shown(), steps[2].second);
}

TEST_F(StatusBarTest, Pictures) {
    AccountInfo& account = *AccountInfo::Instance();
    account.Status = 3;
    account.Nickname = L"민수 (달빛)";
    bar().SetVisible(true);
    bar().SetMode(0);
    Screens().StatusBarCardRefresh();
    EXPECT_TRUE(Matches(bar(), "status_bar_card"));
    const std::tuple<int, const wchar_t*, const char*> titled[] = {
        {1, L"친구 정보", "status_bar_title"}, {2, L"친구 추가", "status_bar_buddy_add"}, {3, L"그룹 추가", "status_bar_group_add"}};
    for (auto [mode, text, name] : titled) {
        bar().SetMode(mode);
        bar().TitleStrip().SetTitle(text);
        EXPECT_TRUE(Matches(bar(), name));
    }
    Chats(9);
    indicator().SetCurrent(8);
    bar().SetMode(4);
    EXPECT_TRUE(Matches(bar(), "status_bar_chat_page"));
}

// Each case: the lefts of the visible dots (the checked one starred), then Prev and Next shown.
TEST_F(StatusBarTest, PageIndicatorGroupsOfEight) {
    const struct {
        size_t count;
        int index;
        std::string dots;
    } cases[] = {
        {0, 0, "| - -"},
        {1, 0, "169* | - -"},
        {8, 3, "57 89 121 153* 185 217 249 281 | - -"},
        {9, 8, "169* | prev -"},
        {16, 15, "57 89 121 153 185 217 249 281* | prev -"},
        {17, 16, "169* | prev -"},
        {16, 3, "57 89 121 153* 185 217 249 281 | - next"},
    };
    bar().SetVisible(true);
    bar().SetMode(4);
    for (const auto& c : cases) {
        ChatSessionManager::Instance()->DeleteAllAndClear();
        Chats(c.count);
        indicator().SetCurrent(c.index);
        std::string dots;
        for (size_t i = 0; i < indicator().DotCount(); ++i) {
            QeCheckBox& dot = indicator().Dot(i);
            if (!dot.IsVisible()) continue;
            EXPECT_EQ(dot.Rect().top, 0);
            EXPECT_EQ(dot.Width(), 22);
            dots += std::to_string(dot.Rect().left) + (dot.IsChecked() ? "* " : " ");
        }
        dots += std::string("| ") + (indicator().Prev().IsVisible() ? "prev " : "- ") +
                (indicator().Next().IsVisible() ? "next" : "-");
        EXPECT_EQ(dots, c.dots) << c.count << " chats";
    }
    EXPECT_EQ(RectText(indicator().Prev().Rect()) + " " + RectText(indicator().Next().Rect()), "25,0,47,22 313,0,335,22");

    // A tap on a dot changes nothing.
    TapCentre(indicator().Dot(5));
    EXPECT_TRUE(indicator().Dot(3).IsChecked() && !indicator().Dot(5).IsChecked());
    EXPECT_EQ(indicator().Current(), 3);
    EXPECT_EQ(app().CurrentPage(), nullptr);
}

TEST_F(StatusBarTest, TabBarsUnreadIconsAndTaps) {
    TabBar* bars[] = {&app().BuddyList().Tabs(), &app().ChatList().Tabs(), &app().MemoList().Tabs(),
                      &app().OptionList().Tabs()};
    ChatSession* chat = (Chats(1), ChatSessionManager::Instance()->ChatAt(0));
    const std::tuple<int, int, const char*> states[] = {{0, 0, "--"}, {1, 0, "c-"}, {0, 1, "-m"}, {1, 1, "cm"}};
    for (auto [chatUnread, memoUnread, icons] : states) {
        chat->Unread = static_cast<uint8_t>(chatUnread);
        MemoStore::Instance()->HasNewMemo = static_cast<uint8_t>(memoUnread);
        app().UpdateNotifyIndicators();
        for (TabBar* tabs : bars) {
            EXPECT_EQ(std::string(tabs->ChatIcon().IsVisible() ? "c" : "-") + (tabs->MemoIcon().IsVisible() ? "m" : "-"),
                      icons);
        }
    }
    bar().SetVisible(true);
    app().SetCurrentView(&app().BuddyList());
    EXPECT_TRUE(Matches(app().BuddyList().Tabs(), "tab_bar_badges"));

    // A tap on the chat badge is the chat tab's; the memo tab hides the input panel.
    TapCentre(app().BuddyList().Tabs().ChatIcon());
    EXPECT_EQ(app().CurrentPage(), &app().ChatList());
    QeInputPanel::Instance()->Show();
    TapCentre(app().ChatList().Tabs().TabButton(TabBar::kMemoListTab));
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());
    EXPECT_FALSE(QeInputPanel::Instance()->IsShown());
    TapCentre(app().MemoList().Tabs().TabButton(TabBar::kMemoListTab));
    EXPECT_TRUE(app().MemoList().Tabs().TabButton(TabBar::kMemoListTab).IsChecked());
    EXPECT_EQ(bar().History().size(), 0u);
    EXPECT_EQ(bar().Mode(), 0);
}

Lines g_log;

struct TestChatPage : ScreenBase {
    ChatSession* PageChatSession() override { return chat; }
    void MarkClosing() override {
        g_log.push_back("closing, history " + std::to_string(MessengerApp::Instance()->StatusBarWindow().History().size()));
    }
    int OnNotify(QeWindow*, int code) override {
        if (code == kNotifyTransitionDone) g_log.push_back(IsVisible() ? "shown" : "left");
        return 1;
    }
    ChatSession* chat = nullptr;
};

TEST_F(StatusBarTest, CloseEndsThePageChatOnceAndGoesBack) {
    Chats(2);
    TestChatPage page;
    page.chat = ChatSessionManager::Instance()->ChatAt(1);
    app().Root().AddChild(&page);
    page.SetRect(app().BuddyList().Rect());
    bar().SetVisible(true);
    app().SetCurrentView(&app().BuddyList());
    rig.Cover(&page);
    bar().SetMode(4);
    rig.ConnectCaptured(2);
    const size_t before = rig.SentText().size();
    TrIdGenerator::Instance()->LastId = 0;
    QeInputPanel::Instance()->Show();
    g_log.clear();

    TapCentre(bar().PageStrip().CloseButton());
    TapCentre(bar().PageStrip().CloseButton());  // the go-back still runs
    EXPECT_EQ(rig.SentText().substr(before), "CSES 1 KILL SS S2 0\r\n");
    EXPECT_FALSE(QeInputPanel::Instance()->IsShown());
    rig.Advance(600);
    EXPECT_EQ(g_log, (Lines{"closing, history 1", "left"}));
    EXPECT_EQ(app().CurrentPage(), &app().BuddyList());
    app().Root().RemoveChild(&page);
}

TEST_F(StatusBarTest, WebLinksHandTheTicketToTheOpenerAsOneArgument) {
    Lines opened;
    SetShellLauncher([&](const std::string&, const std::vector<std::string>& argv) {
        opened.push_back(argv.size() == 2 ? argv[1] : "argv of " + std::to_string(argv.size()));
        return true;
    });
    ASSERT_TRUE(rig.StartService());
    testsupport::ScopedEnv host("TEVRIK_WEB_HOST", "127.0.0.1:8080");
    ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    const char* ticket = "t k;$(touch x)|'\"&`";
    ASSERT_TRUE(rig.Service().SendTick(rig.Service().SignedInConnection("minsu@tevrik.example"), ticket));
    ASSERT_TRUE(PumpUntil([] { return AccountInfo::Instance()->TickText == L"t k;$(touch x)|'\"&`"; }, 5.0));
    rig.Tap({L"StatusBar", L"Default", L"MailIcon"});
    setenv("TEVRIK_WEB_HOST", "https://127.0.0.1:8080/", 1);
    rig.Tap({L"StatusBar", L"Default", L"PontaroIcon"});
    EXPECT_EQ(opened, (Lines{std::string("http://127.0.0.1:8080/index.php?code=G115&t=") + ticket,
                             std::string("http://127.0.0.1:8080/index.php?code=D044&t=") + ticket}));
}

TEST(Presence, LabelsAndIconsByCodeAndBlock) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start());
    const std::map<std::string, std::pair<RECT, RECT>> icons = {
        {"Online", {{0, 0, 28, 28}, {0, 28, 16, 44}}},          {"Away", {{28, 0, 56, 28}, {16, 28, 32, 44}}},
        {"Busy", {{56, 0, 84, 28}, {32, 28, 48, 44}}},          {"Offline", {{84, 0, 112, 28}, {48, 28, 64, 44}}},
        {"BlockedOnline", {{112, 0, 140, 28}, {64, 28, 80, 44}}}, {"BlockedOffline", {{140, 0, 168, 28}, {80, 28, 96, 44}}}};
    const std::tuple<uint32_t, const wchar_t*, const char*, const char*> cases[] = {
        {0, L"온라인", "Online", "BlockedOnline"},         {1, L"자리 비움", "Away", "BlockedOnline"},
        {2, L"회의 중", "Away", "BlockedOnline"},          {3, L"통화 중", "Busy", "BlockedOnline"},
        {4, L"다른 용무 중", "Busy", "BlockedOnline"},     {5, L"오프라인 표시", "Offline", "BlockedOnline"},
        {6, L"오프라인", "Offline", "BlockedOffline"},     {7, L"기타", "Online", "BlockedOnline"},
        {99, L"기타", "Online", "BlockedOnline"}};
    for (auto [code, label, plain, blocked] : cases) {
        SCOPED_TRACE(code);
        EXPECT_EQ(PresenceLabel(code), label);
        // Flags other than BL (FL, AL, RL) leave the icon as the code has it.
        EXPECT_EQ(RectText(PresenceIcon(code, 1 | 2 | 8)), RectText(icons.at(plain).first));
        EXPECT_EQ(RectText(GetStatusIconRect(code, 0)), RectText(icons.at(plain).second));
        EXPECT_EQ(RectText(PresenceIcon(code, 4)), RectText(icons.at(blocked).first));
        EXPECT_EQ(RectText(GetStatusIconRect(code, 4 | 1)), RectText(icons.at(blocked).second));
    }
}

}  // namespace
