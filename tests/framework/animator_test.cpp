// Fades and moves of windows on the test clock: their values along the way, where they end, and
// the timers they leave behind (none).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/base/QeTimerManager.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QeWindow.h"
#include "tests/framework/rect_text.h"
#include "tests/support/Pump.h"
#include "tests/support/TraceLog.h"

namespace {

struct Watched : QeWindow {
    Watched() { SetOwnDC(true); }
    std::vector<std::string> changes;
    void OnVisibleChanged(bool on) override { changes.push_back(on ? "shown" : "hidden"); }
    void OnRectChanged(const RECT& r) override { changes.push_back("rect " + RectText(r)); }
};

constexpr uint32_t kLinear = 0;
constexpr uint32_t kBackIn = 24;
constexpr uint32_t kBackOut = 25;

class AnimatorTest : public FakeClockTest {
protected:
    size_t Timers() { return QeTimerManager::Instance()->Count(); }
    QeMainWindow m_main;  // collects the dirty rectangle; it has no window
};

TEST_F(AnimatorTest, AFadeInShowsAtOnceAndRisesToFull) {
    Watched w;
    w.SetAnimation(QeAnimationParams(1.0f, kLinear));
    w.SetVisible(true);
    EXPECT_TRUE(w.IsVisible());
    EXPECT_EQ(w.Alpha(), 0);
    EXPECT_EQ(w.changes, std::vector<std::string>{"shown"});
    EXPECT_EQ(w.Animation().animated, 0) << "the settings serve one call";
    EXPECT_NE(w.AlphaAnimator().TimerId(), 0u);
    Advance(500);
    EXPECT_EQ(w.Alpha(), 127);
    EXPECT_EQ(RectText(m_main.dirtyRect), "0,0,0,0") << "an empty window invalidates nothing";
    Advance(500);
    EXPECT_EQ(w.Alpha(), 255);
    EXPECT_EQ(w.AlphaAnimator().TimerId(), 0u) << "the finished timer's id is not kept";
    EXPECT_EQ(Timers(), 0u);
}

TEST_F(AnimatorTest, AFadeOutStaysVisibleUntilItsLastTick) {
    Watched w;
    w.SetRect(RECT{10, 10, 30, 20});
    w.SetVisible(true);
    w.changes.clear();
    w.SetAnimation(QeAnimationParams(0.3f, kLinear));
    w.SetVisible(false);
    EXPECT_EQ(w.changes, std::vector<std::string>{"hidden"}) << "told at the start of the fade";
    Advance(290);
    EXPECT_TRUE(w.IsVisible());
    EXPECT_GT(w.Alpha(), 0);
    EXPECT_EQ(RectText(m_main.dirtyRect), "10,10,30,20") << "each step repaints the whole window";
    Advance(10);
    EXPECT_FALSE(w.IsVisible());
    EXPECT_EQ(w.Alpha(), 0);
    EXPECT_EQ(Timers(), 0u);
    EXPECT_EQ(w.changes.size(), 1u);
}

TEST_F(AnimatorTest, OvershootingCurvesAreClamped) {
    Watched w;
    w.SetAnimation(QeAnimationParams(1.0f, kBackOut));
    w.SetVisible(true);
    // Back out passes 1.08 at the half: 277 would wrap to 21.
    Advance(500);
    EXPECT_EQ(w.Alpha(), 255);

    // Back in first pulls the other way: at 0.2 s of 1 s it stands at -0.0465.
    w.SetRect(RECT{0, 0, 10, 10});
    w.changes.clear();
    w.SetAnimation(QeAnimationParams(1.0f, kBackIn));
    w.SetRect(RECT{100, 0, 110, 10});
    EXPECT_EQ(w.changes, std::vector<std::string>{"rect 100,0,110,10"}) << "told the target at once";
    EXPECT_EQ(RectText(w.Rect()), "0,0,10,10");
    Advance(200);
    EXPECT_EQ(RectText(w.Rect()), "-4,0,5,10") << "edges truncate toward zero";
    m_main.ClearDirtyRect();
    Advance(10);
    EXPECT_EQ(RectText(w.Rect()), "-5,0,4,10");
    EXPECT_EQ(RectText(m_main.dirtyRect), "-5,0,5,10") << "what it left and what it entered";
    Advance(790);
    EXPECT_EQ(RectText(w.Rect()), "100,0,110,10");
    EXPECT_EQ(w.RectAnimator().TimerId(), 0u);
    EXPECT_EQ(w.changes.size(), 1u);
    EXPECT_EQ(Timers(), 0u);
}

TEST_F(AnimatorTest, NoDurationJumpsToTheEnd) {
    Watched w;
    w.SetVisible(true);
    for (float seconds : {0.0f, -1.0f}) {
        w.SetVisible(true);
        w.SetAnimation(QeAnimationParams(seconds, 19));
        w.SetVisible(false);
        EXPECT_FALSE(w.IsVisible()) << seconds;
        EXPECT_EQ(w.Alpha(), 0);
        w.SetAnimation(QeAnimationParams(seconds, 19));
        w.SetRect(RECT{5, 6, 7, 8});
        EXPECT_EQ(RectText(w.Rect()), "5,6,7,8");
        EXPECT_EQ(Timers(), 0u);
    }
}

TEST_F(AnimatorTest, AKindWithoutACurveEasesLikeKind19) {
    Watched w;
    w.SetAnimation(QeAnimationParams(1.0f, 99));
    w.SetVisible(true);
    Advance(100);
    EXPECT_EQ(w.Alpha(), 127) << "exponential out is half way at a tenth";
}

TEST_F(AnimatorTest, RestartingSnappingAndDestroyingLeaveNoTimer) {
    TraceLog traces;
    {
        Watched w;
        w.SetAnimation(QeAnimationParams(1.0f, kLinear));
        w.SetVisible(true);
        Advance(300);
        w.SetAnimation(QeAnimationParams(1.0f, kLinear));
        w.SetVisible(false);
        EXPECT_EQ(Timers(), 1u);
        EXPECT_EQ(w.AlphaAnimator().From(), 76) << "the fade out starts where the fade in stood";
        Advance(500);
        w.SetVisible(true);
        EXPECT_EQ(Timers(), 0u);
        EXPECT_EQ(w.Alpha(), 255);
        Advance(1000);
        EXPECT_TRUE(w.IsVisible()) << "the stopped fade does not hide it later";

        w.SetAnimation(QeAnimationParams(1.0f, kLinear));
        w.SetRect(RECT{0, 0, 50, 50});
        EXPECT_EQ(Timers(), 1u);
    }
    EXPECT_EQ(Timers(), 0u) << "destroyed mid-move";

    QeWindow shared;
    shared.SetAnimation(QeAnimationParams(0.1f, kLinear));
    shared.SetVisible(true);
    EXPECT_EQ(traces.Text(), L"[QE+] QeWindow::SetVisible, It needs own dc to animate visibility.\n");
    Advance(100);
    EXPECT_EQ(shared.Alpha(), 255) << "the fade runs anyway";
}

}  // namespace
