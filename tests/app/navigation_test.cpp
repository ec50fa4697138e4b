// Navigation through the real program on the test clock, between test pages of the program's page
// size whose OnLeave, transition ends (code 7) and showing and hiding go into one log.
#include <gtest/gtest.h>

#include <functional>

#include "app/screens/chats/ChatPage.h"
#include "app/screens/login/LoginSettings.h"
#include "framework/base/QeRegistry.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QeRect.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/Options.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/SignIn.h"
#include "platform/windows/input.h"
#include "tests/service/ChatPeer.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/TraceLog.h"

namespace {

using Lines = std::vector<std::string>;
Lines g_log;

std::string Name(const QeWindow* window);

struct TestPage : ScreenBase {
    explicit TestPage(const char* name) : name(name) {}
    void OnLeave(const QeTransitionParams& params) override {
        g_log.push_back(name + " leave to " + Name(params.target) + ", held " +
                        std::to_string(QeTransitionManager::Instance()->Count()) + ", current " +
                        Name(MessengerApp::Instance()->CurrentPage()));
    }
    void OnVisibleChanged(bool visible) override { g_log.push_back(name + (visible ? " shown" : " hidden")); }
    int OnNotify(QeWindow*, int code) override {
        g_log.push_back(name + " code " + std::to_string(code));
        return 1;
    }
    std::string name;
};

std::string Name(const QeWindow* window) {
    auto* page = dynamic_cast<const TestPage*>(window);
    return page != nullptr ? page->name : "none";
}

class Navigation : public RigTest {
protected:
    void Prepare() override {
        const RECT r = app().BuddyList().Rect();
        for (TestPage* page : {&o, &a, &b, &c, &d}) app().Root().AddChild(page);
        for (TestPage* page : {&o, &a, &b, &c}) page->SetRect(r);
        d.SetRect(RECT{r.left, r.top, r.right, r.bottom - 10});  // another size: no transition
    }
    void TearDown() override { app().SetCurrentView(nullptr); }

    StatusBar& bar() { return app().StatusBarWindow(); }
    size_t held() { return QeTransitionManager::Instance()->Count(); }
    // Each entry as "source>target effect direction easing".
    Lines History() {
        Lines entries;
        for (const QeTransitionParams& p : bar().History()) {
            entries.push_back(Name(p.source) + ">" + Name(p.target) + " " + std::to_string(p.effect) + " " +
                              std::to_string(p.direction) + " " + std::to_string(p.animation.easingKind) +
                              (p.animation.duration == 0.5f ? "" : " not 0.5 s"));
        }
        return entries;
    }
    std::string Visible() {
        std::string names;
        for (TestPage* page : {&o, &a, &b, &c, &d}) names += page->IsVisible() ? page->name : "";
        return names;
    }
    // A page's go-back after its action: no running-transition test.
    void GoBack() {
        QeTransitionParams back;
        if (bar().PopState(back)) app().ShowViewWithTransition(back);
    }
    void Begin(TestPage& page) {
        app().SetCurrentView(&page);
        bar().ClearHistory();
        g_log.clear();
    }
    // Current page, what is visible, the history: compared whole.
    void ExpectState(TestPage* current, const std::string& visible, const Lines& history) {
        EXPECT_EQ(app().CurrentPage(), current);
        EXPECT_EQ(Visible(), visible);
        EXPECT_EQ(History(), history);
    }
    TestPage o{"O"}, a{"A"}, b{"B"}, c{"C"}, d{"D"};
};

TEST_F(Navigation, EachKindSlidesItsWayAndPushesItsReverse) {
    const std::pair<int, const char*> cases[] = {
        {0, "B>A 2 3 7"}, {1, "B>A 2 2 7"}, {2, "B>A 0 1 7"}, {3, "B>A 0 0 7"}, {9, "B>A 0 1 19"}};
    for (auto [kind, entry] : cases) {
        SCOPED_TRACE(kind);
        Begin(a);
        app().SwitchView(&b, kind, false);
        EXPECT_EQ(held(), 1u);
        rig.Advance(600);
        EXPECT_EQ(held(), 0u);
        ExpectState(&b, "B", {entry});
    }
    EXPECT_EQ(g_log, (Lines{"A leave to B, held 0, current A", "A hidden", "B shown", "B hidden", "B shown",
                            "A code 7", "B code 7"}));
}

TEST_F(Navigation, SwipeReplacesTheTopSoBackReturnsToWhereTheFirstChatWasEnteredFrom) {
    Begin(o);
    app().SwitchView(&a, 1, false);
    rig.Advance(600);
    app().SwitchView(&b, 3, true);
    rig.Advance(600);
    EXPECT_EQ(History(), Lines{"B>O 2 2 7"});
    bar().OnBack();
    rig.Advance(600);
    ExpectState(&o, "O", {});
    Begin(a);
    app().SwitchView(&b, 3, true);
    EXPECT_EQ(History(), Lines{"B>A 0 0 7"});
}

TEST_F(Navigation, BackWhileRunningOrWithNothingToGoBackToChangesNothing) {
    Begin(a);
    app().SwitchView(&b, 1, false);
    rig.Advance(100);
    bar().OnBack();
    EXPECT_EQ(held(), 1u);
    ExpectState(&b, "", {"B>A 2 2 7"});
    rig.Advance(600);
    bar().OnBack();
    rig.Advance(600);
    g_log.clear();
    bar().OnBack();
    GoBack();
    EXPECT_EQ(held(), 0u);
    ExpectState(&a, "A", {});
    EXPECT_TRUE(g_log.empty());
}

TEST_F(Navigation, TabsNeitherPushNorLeaveAndTheCurrentPageAgainInvalidatesNothing) {
    Begin(a);
    app().SetCurrentView(&b);
    app().SetCurrentView(&c);
    EXPECT_EQ(g_log, (Lines{"A hidden", "B shown", "B hidden", "C shown"}));
    const QeMainWindow& main = *QeMainWindow::Instance();
    const uint32_t invalidations = main.invalidations;
    const RECT dirty = main.dirtyRect;
    app().SetCurrentView(&c);
    EXPECT_EQ(main.invalidations, invalidations);
    EXPECT_FALSE(QeRectsDiffer(main.dirtyRect, dirty));
    ExpectState(&c, "C", {});
}

TEST_F(Navigation, WithNoCurrentPageTheTargetShowsAtOnce) {
    app().SwitchView(&b, 1, false);
    EXPECT_EQ(held(), 0u);
    ExpectState(&b, "B", {});
}

TEST_F(Navigation, SecondSwitchOrGoBackEndsTheRunningSlideFirst) {
    for (bool timeUp : {false, true}) {  // midway, or the time up and the last tick still waiting
        SCOPED_TRACE(timeUp);
        Begin(a);
        app().SwitchView(&b, 1, false);
        timeUp ? rig.Clock().AdvanceBlocked(600) : rig.Advance(200);
        g_log.clear();
        app().SwitchView(&c, 3, false);
        EXPECT_EQ(g_log, (Lines{"B shown", "A code 7", "B code 7", "B leave to C, held 0, current B", "B hidden",
                                "C shown", "C hidden"}));
        rig.Clock().AdvanceBlocked(600);
        GoBack();
        rig.Advance(600);
        ExpectState(&b, "B", {"B>A 2 2 7"});
    }
}

TEST_F(Navigation, SwitchToTheCurrentPageRefreshesItWithoutSlideOrEntry) {
    Begin(a);
    app().SwitchView(&a, 1, false);
    EXPECT_EQ(held(), 0u);
    EXPECT_EQ(g_log, (Lines{"A hidden", "A shown"}));
    ExpectState(&a, "A", {});
}

TEST_F(Navigation, RefusedTransitionSwitchesAtOnceAndKeepsItsEntry) {
    TraceLog trace;
    Begin(a);
    app().SwitchView(&d, 1, false);
    EXPECT_EQ(trace.Text(), L"[QE+] QeTransition::Start, Transition source and target must be same size.\n");
    EXPECT_EQ(held(), 0u);
    ExpectState(&d, "D", {"D>A 2 2 7"});
}

// Signed in with Enter in the password, then off a chat by Back and by its invite button: after
// each, text and Enter typed reach no view at all, so no hidden edit changes and nothing is sent.
TEST(NavigationFocus, KeysTypedAfterAPageLeftReachNoHiddenEdit) {
    MessengerRig rig;
    ASSERT_TRUE(rig.StartService());
    QeRegistry::WriteDword(LoginSettings::kKeyPath, LoginSettings::kAgreed, 1);
    ASSERT_TRUE(rig.Start());
    rig.Tap({L"Login", L"Counter", L"IdEdit"});
    for (const wchar_t* typed : {L"minsu", L"1234"}) {
        rig.Type(typed);
        rig.Key(VK_RETURN);
    }
    ASSERT_TRUE(PumpUntil([&] { return rig.App().SignedIn() && PendingRequests::Instance()->Count() == 0; }, 20.0));
    rig.ConnectCaptured(2);
    ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
    chat->AddMember(ChatMember{L"jiyoung@tevrik.example", L"지영", L"", L""});
    chat->SessionId = L"77";
    const LoginFormPanel& form = rig.App().Login().Form();
    const auto edits = [&] {
        return form.IdEdit.GetText() + L"|" + form.PasswordEdit.GetText() + L"|" +
               ChatPageOf(chat)->InputBar().Input().GetText();
    };
    const std::function<void()> ways[] = {
        [] {},
        [&] {
            rig.Cover(ChatPageOf(chat));
            rig.Back();
        },
        [&] {
            rig.Cover(ChatPageOf(chat));
            rig.Tap({L"Chat", L"View", L"InviteButton"});
            rig.Advance(600);
        },
    };
    for (const auto& leave : ways) {
        SCOPED_TRACE(&leave - ways);
        leave();
        const std::wstring before = edits();
        rig.Fresh();
        rig.Type(L"oops");
        rig.Key(VK_RETURN);
        EXPECT_EQ(rig.Fresh(), "");
        EXPECT_EQ(edits(), before);
        EXPECT_EQ(QeGetFocusWindow(), nullptr);  // not even a button of the page left
    }
}

// Each way a field takes the focus without a tap on it, from the other mode: what "hana" types there.
TEST(NavigationFocus, AFieldTypesInItsOwnModeHoweverItTakesTheFocus) {
    MessengerRig rig;
    service_test::ChatPeer seojun, jiyoung;
    QeRegistry::WriteDword(LoginSettings::kKeyPath, LoginSettings::kAgreed, 1);
    ASSERT_TRUE(rig.StartService() && rig.Start());
    seojun.SignIn(rig.Service(), "seojun@tevrik.example");
    jiyoung.SignIn(rig.Service(), "jiyoung@tevrik.example");
    Options::Instance()->SortType = 1;  // online buddies only: seojun's row is on screen
    ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
    rig.Pass(1000);
    MessengerApp& app = rig.App();
    LoginFormPanel& form = app.Login().Form();
    BuddyListTable& buddies = app.BuddyList().Table();
    const auto chat = [](const wchar_t* id) { return ChatSessionManager::Instance()->FindChatWithBuddy(id); };
    const auto input = [&](const wchar_t* id) { return chat(id) != nullptr ? &ChatPageOf(chat(id))->InputBar().Input() : nullptr; };
    const wchar_t *seo = L"seojun@tevrik.example", *jiy = L"jiyoung@tevrik.example";
    const std::pair<const wchar_t*, std::function<QeEdit*()>> ways[] = {
        {L"ㅗ뭄", [&] { rig.TapRow(buddies, buddies.FindBuddyRow(BuddyRoster::Instance()->Find(seo), -1), 10);
                       return input(seo); }},
        {L"hana", [&] { rig.Cover(&app.BuddyAdd()); return &app.BuddyAdd().Table().IdEdit(); }},
        {L"ㅗ뭄", [&] { app.SetCurrentView(&app.ChatList()); rig.TapRow(app.ChatList().Table(), 0, 10);
                       return input(seo); }},
        {L"ㅗ뭄", [&] { rig.Cover(&app.OptionNick()); return &app.OptionNick().View().Nick(); }},
        {L"ㅗ뭄", [&] { jiyoung.OpenRoom(); jiyoung.Invite("minsu@tevrik.example");
                       if (PumpUntil([&] { return chat(jiy) && !chat(jiy)->Members.empty(); }, 20.0)) rig.Cover(ChatPageOf(chat(jiy)));
                       return input(jiy); }},
        {L"hana", [&] { LogOut(); rig.Tap({L"Login", L"Gate", L"LoginWithOtherIdButton"}); rig.TapBox(L"YesButton");
                       return &form.IdEdit; }},
        {L"hana", [&] {  // refused: "9" and Enter under its box neither type nor sign in again
             form.PasswordEdit.SetText(L"wrong");
             rig.Tap({L"Login", L"Counter", L"LoginButton"});
             EXPECT_TRUE(PumpUntil([&] { return !rig.BoxText().empty(); }, 20.0));
             rig.Type(L"9");
             rig.Key(VK_RETURN);
             EXPECT_EQ(app.Login().CurrentPanel() + (QePopup::Current() != nullptr), 0);
             return &form.PasswordEdit; }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(&way - ways);
        QeInputPanel::Instance()->SetImeMode(way.first[0] == L'h' ? 0 : 1);
        QeEdit* field = way.second();
        rig.Pass(600);
        ASSERT_TRUE(field != nullptr && QeGetFocusWindow() == field);
        const std::wstring before = field->GetText();
        rig.Type(L"hana ");
        EXPECT_EQ(field->GetText(), before + way.first + L" ");
    }
}

}  // namespace
