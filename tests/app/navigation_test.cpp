// Navigation between pages through the real program on the test clock. The pages switched are
// test pages of the program's page size added to its root, so that what each one hears (OnLeave,
// the end of a transition, showing and hiding) is written down in one log.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QeRect.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/TraceLog.h"

namespace {

std::vector<std::string> g_log;

class TestPage : public ScreenBase {
public:
    explicit TestPage(std::string name) : m_name(std::move(name)) {}
    void OnLeave(const QeTransitionParams& params) override {
        const QeTransitionManager* transitions = QeTransitionManager::Instance();
        g_log.push_back(m_name + " leave to " + Name(params.target) + ", held " +
                        std::to_string(transitions->Count()) + ", current " +
                        Name(MessengerApp::Instance()->CurrentPage()));
    }
    void OnVisibleChanged(bool visible) override { g_log.push_back(m_name + (visible ? " shown" : " hidden")); }
    int OnNotify(QeWindow*, int code) override {
        g_log.push_back(m_name + " code " + std::to_string(code));
        return 1;
    }
    static std::string Name(const QeWindow* window) {
        auto* page = dynamic_cast<const TestPage*>(window);
        return page != nullptr ? page->m_name : window == nullptr ? "none" : "other";
    }

private:
    std::string m_name;
};

// The history entry as text: "B>A effect direction easing".
std::string Entry(const QeTransitionParams& p) {
    return TestPage::Name(p.source) + ">" + TestPage::Name(p.target) + " " + std::to_string(p.effect) + " " +
           std::to_string(p.direction) + " " + std::to_string(p.animation.easingKind) +
           (p.animation.animated != 0 && p.animation.duration == 0.5f ? "" : " (not 0.5 s)");
}

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        ASSERT_TRUE(rig.Start());
        const RECT pageRect = app().BuddyList().Rect();
        for (TestPage* page : {&o, &a, &b, &c}) {
            page->SetRect(pageRect);
            app().Root().AddChild(page);
        }
        // A page of another size: the transition manager refuses to animate to it.
        odd.SetRect(RECT{pageRect.left, pageRect.top, pageRect.right, pageRect.bottom - 10});
        app().Root().AddChild(&odd);
    }
    void TearDown() override {
        app().SetCurrentView(nullptr);
        rig.Stop();
    }

    MessengerApp& app() { return rig.App(); }
    StatusBar& bar() { return app().StatusBarWindow(); }
    size_t held() { return QeTransitionManager::Instance()->Count(); }

    std::vector<std::string> History() {
        std::vector<std::string> entries;
        for (const QeTransitionParams& p : bar().History()) entries.push_back(Entry(p));
        return entries;
    }
    std::string Visible() {
        std::string names;
        for (TestPage* page : {&o, &a, &b, &c, &odd}) {
            if (page->IsVisible()) names += TestPage::Name(page);
        }
        return names;
    }
    // The go-back of a page after its action: the last entry replayed, without the running test.
    void GoBack() {
        QeTransitionParams back;
        if (bar().PopState(back)) app().ShowViewWithTransition(back);
    }
    void Start(TestPage& page) {
        app().SetCurrentView(&page);
        g_log.clear();
    }

    MessengerRig rig;
    TestPage o{"O"}, a{"A"}, b{"B"}, c{"C"}, odd{"D"};
};

TEST_F(Navigation, EachKindSlidesItsWayAndPushesItsReverse) {
    struct Case {
        int kind;
        const char* entry;
    };
    const Case cases[] = {
        {0, "B>A 2 3 7"}, {1, "B>A 2 2 7"}, {2, "B>A 0 1 7"}, {3, "B>A 0 0 7"}, {9, "B>A 0 1 19"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.kind);
        Start(a);
        bar().ClearHistory();
        app().SwitchView(&b, test.kind, false);
        EXPECT_EQ(History(), std::vector<std::string>{test.entry});
        EXPECT_EQ(held(), 1u);
        rig.Advance(600);
        EXPECT_EQ(held(), 0u);
        EXPECT_EQ(app().CurrentPage(), &b);
        EXPECT_EQ(Visible(), "B");
    }
}

TEST_F(Navigation, SwipeReplacesTheTopSoBackReturnsToWhereTheFirstChatWasEnteredFrom) {
    Start(o);
    app().SwitchView(&a, 1, false);
    rig.Advance(600);
    app().SwitchView(&b, 3, true);
    EXPECT_EQ(History(), std::vector<std::string>{"B>O 2 2 7"});
    rig.Advance(600);
    bar().OnBack();
    rig.Advance(600);
    EXPECT_EQ(app().CurrentPage(), &o);
    EXPECT_EQ(Visible(), "O");
    EXPECT_TRUE(History().empty());
}

TEST_F(Navigation, SwipeWithAnEmptyHistoryPushesTheReverseAsAPlainSwitch) {
    Start(a);
    app().SwitchView(&b, 3, true);
    EXPECT_EQ(History(), std::vector<std::string>{"B>A 0 0 7"});
}

TEST_F(Navigation, BackWhileRunningOrWithNothingToGoBackToChangesNothing) {
    Start(a);
    app().SwitchView(&b, 1, false);
    rig.Advance(100);
    bar().OnBack();
    EXPECT_EQ(History(), std::vector<std::string>{"B>A 2 2 7"});
    EXPECT_EQ(app().CurrentPage(), &b);
    EXPECT_EQ(held(), 1u);
    rig.Advance(600);
    bar().OnBack();
    rig.Advance(600);
    ASSERT_EQ(app().CurrentPage(), &a);
    g_log.clear();
    bar().OnBack();
    GoBack();
    EXPECT_EQ(held(), 0u);
    EXPECT_EQ(app().CurrentPage(), &a);
    EXPECT_EQ(Visible(), "A");
    EXPECT_TRUE(g_log.empty());
}

TEST_F(Navigation, TabsNeitherPushNorLeaveAndTheCurrentPageAgainInvalidatesNothing) {
    Start(a);
    app().SetCurrentView(&b);
    app().SetCurrentView(&c);
    EXPECT_EQ(g_log, (std::vector<std::string>{"A hidden", "B shown", "B hidden", "C shown"}));
    EXPECT_TRUE(History().empty());
    const uint32_t invalidations = QeMainWindow::Instance()->invalidations;
    const RECT dirty = QeMainWindow::Instance()->dirtyRect;
    app().SetCurrentView(&c);
    EXPECT_EQ(QeMainWindow::Instance()->invalidations, invalidations);
    EXPECT_FALSE(QeRectsDiffer(QeMainWindow::Instance()->dirtyRect, dirty));
}

TEST_F(Navigation, LeaveComesBeforeTheSwitchStartsAndTheEndTellsBothPages) {
    Start(a);
    app().SwitchView(&b, 3, false);
    rig.Advance(600);
    EXPECT_EQ(g_log, (std::vector<std::string>{"A leave to B, held 0, current A", "A hidden", "B shown", "B hidden",
                                               "B shown", "A code 7", "B code 7"}));
}

TEST_F(Navigation, SwitchWithNoCurrentPageShowsTheTargetAtOnce) {
    app().SwitchView(&b, 1, false);
    EXPECT_EQ(held(), 0u);
    EXPECT_EQ(app().CurrentPage(), &b);
    EXPECT_EQ(Visible(), "B");
    EXPECT_TRUE(History().empty());
}

TEST_F(Navigation, SecondSwitchEndsTheRunningOneFirst) {
    struct Case {
        const char* name;
        bool timeUp;  // the first slide's time is up but its last tick still waits
    };
    for (const Case& test : {Case{"midway", false}, Case{"last tick waiting", true}}) {
        SCOPED_TRACE(test.name);
        Start(a);
        bar().ClearHistory();
        app().SwitchView(&b, 1, false);
        if (test.timeUp) {
            rig.Clock().AdvanceBlocked(600);
        } else {
            rig.Advance(200);
        }
        g_log.clear();
        app().SwitchView(&c, 3, false);
        EXPECT_EQ(g_log, (std::vector<std::string>{"B shown", "A code 7", "B code 7", "B leave to C, held 0, current B",
                                                   "B hidden", "C shown", "C hidden"}));
        rig.Advance(600);
        EXPECT_EQ(app().CurrentPage(), &c);
        EXPECT_EQ(Visible(), "C");
        EXPECT_EQ(History(), (std::vector<std::string>{"B>A 2 2 7", "C>B 0 0 7"}));
    }
}

TEST_F(Navigation, GoBackWhileSlidingEndsTheSlideThenGoesBack) {
    Start(a);
    app().SwitchView(&b, 1, false);
    rig.Clock().AdvanceBlocked(600);
    GoBack();
    rig.Advance(600);
    EXPECT_EQ(app().CurrentPage(), &a);
    EXPECT_EQ(Visible(), "A");
    EXPECT_TRUE(History().empty());
}

TEST_F(Navigation, SwitchToTheCurrentPageRefreshesItWithoutSlideOrEntry) {
    Start(a);
    app().SwitchView(&a, 1, false);
    EXPECT_EQ(held(), 0u);
    EXPECT_TRUE(History().empty());
    EXPECT_EQ(g_log, (std::vector<std::string>{"A hidden", "A shown"}));
}

TEST_F(Navigation, RefusedTransitionSwitchesAtOnceAndKeepsItsEntry) {
    TraceLog trace;
    Start(a);
    app().SwitchView(&odd, 1, false);
    EXPECT_EQ(trace.Text(), L"[QE+] QeTransition::Start, Transition source and target must be same size.\n");
    EXPECT_EQ(held(), 0u);
    EXPECT_EQ(app().CurrentPage(), &odd);
    EXPECT_EQ(Visible(), "D");
    EXPECT_EQ(History(), std::vector<std::string>{"D>A 2 2 7"});
}

}  // namespace
