// Tweens, kinetic scrolling and the scroll indicator on the test clock, with pen sequences routed
// through a view tree as the loop would deliver them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/base/QeClock.h"
#include "framework/base/QeTimerManager.h"
#include "framework/controls/QeScrollView.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/motion/QeTween.h"
#include "tests/framework/picture.h"
#include "tests/framework/rect_text.h"
#include "tests/framework/test_skin.h"
#include "tests/support/Pump.h"
#include "tests/support/TraceLog.h"

namespace {

using Lines = std::vector<std::string>;

constexpr uint32_t kLinear = 0;

size_t Timers() { return QeTimerManager::Instance()->Count(); }

// ---- tweens

struct TickCounter {
    int ticks = 0;
    static void Tick(void* user) { ++static_cast<TickCounter*>(user)->ticks; }
};

class TweenTest : public FakeClockTest {};

TEST_F(TweenTest, RunsFromTheClockAndLeavesNoTimerBehind) {
    TickCounter counter;
    QeTween tween(kLinear, 1.0f, 100, 300);
    tween.Start(&TickCounter::Tick, &counter);
    EXPECT_EQ(tween.Current(), 100);
    EXPECT_TRUE(tween.IsRunning());
    Advance(250);
    EXPECT_EQ(tween.Update(), 150);
    Advance(750);
    EXPECT_EQ(tween.Update(), 300);
    EXPECT_FALSE(tween.IsRunning());
    EXPECT_EQ(tween.TimerId(), 0u) << "the id goes with the timer";
    EXPECT_EQ(Timers(), 0u);
    EXPECT_GE(counter.ticks, 99);

    // Its stale id is never removed again: a later Stop leaves another tween's timer alone.
    QeFloatTween other(kLinear, 1.0f, 1.0f, 0.0f);
    other.Start(&TickCounter::Tick, &counter);
    tween.Stop();
    EXPECT_TRUE(other.IsRunning());
    Advance(500);
    EXPECT_FLOAT_EQ(other.Update(), 0.5f) << "floats are not truncated";
}

TEST_F(TweenTest, NoLengthEndsAtOnceAndADestroyedTweenTicksNoMore) {
    for (float duration : {0.0f, -1.0f}) {
        TickCounter counter;
        QeTween tween(kLinear, duration, 5, 9);
        tween.Start(&TickCounter::Tick, &counter);
        EXPECT_EQ(counter.ticks, 1) << "its one tick came at once";
        EXPECT_FALSE(tween.IsRunning());
        EXPECT_EQ(tween.Update(), 9);
        EXPECT_EQ(Timers(), 0u);
    }
    TickCounter counter;
    {
        QeTween tween(kLinear, 1.0f, 0, 10);
        tween.Start(&TickCounter::Tick, &counter);
        Advance(100);
    }
    EXPECT_EQ(Timers(), 0u);
    const int ticks = counter.ticks;
    Advance(500);
    EXPECT_EQ(counter.ticks, ticks);
}

// ---- scrolling

// A scroll view that writes down when its axes begin dragging.
struct Scroller : QeScrollView {
    Lines drags;
    void OnDragBegin(QeKineticScroller& axis) override { drags.push_back(axis.IsVertical() ? "y" : "x"); }
};

// The parent of the view: writes down what the view reports.
struct Parent : QeWindow {
    Lines heard;
    int OnNotify(QeWindow*, int code) override {
        heard.push_back(std::to_string(code));
        return 1;
    }
};

class KineticTest : public FakeClockTest {
protected:
    void SetUp() override {
        for (QeWindow* w : {&m_root, static_cast<QeWindow*>(&m_parent)}) {
            w->SetRect(RECT{0, 0, 480, 640});
            w->SetVisible(true);
        }
        m_root.AddChild(&m_parent);
        m_view.SetRect(RECT{0, 0, 200, 300});
        m_view.SetVisible(true);
        m_view.SetContentSize(200, 1000);
        m_parent.AddChild(&m_view);
    }
    void TearDown() override {
        m_parent.RemoveChild(&m_view);
        m_root.RemoveChild(&m_parent);
    }

    // The pen as the loop hands it over: the frame clock refreshed for each message.
    void Down(int x, int y) {
        QeClock::Instance()->Update();
        m_root.RoutePenDown(x, y);
    }
    void Move(int x, int y) {
        QeClock::Instance()->Update();
        m_root.RoutePenMove(x, y);
    }
    void Up(int x, int y) {
        QeClock::Instance()->Update();
        m_root.RoutePenUp(x, y);
    }
    // A drag along y in steps of `step` pixels, one every `ms` milliseconds, from y0 to y1.
    void Drag(int y0, int y1, int step, DWORD ms) {
        Down(100, y0);
        for (int y = y0; y != y1;) {
            y = std::abs(y1 - y) < step ? y1 : y + (y1 > y ? step : -step);
            Advance(ms);
            Move(100, y);
        }
    }
    int Y() const { return m_view.AxisY().Position(); }

    QeMainWindow m_main;  // collects the dirty rectangle; it has no window
    QeWindow m_root;
    Parent m_parent;
    Scroller m_view;
};

TEST_F(KineticTest, SmallMovesNeverScrollAndTheParentStillHearsTheTap) {
    Down(100, 150);
    for (int y : {160, 169, 131, 150}) {
        Advance(10);
        Move(100, y);
    }
    Advance(10);
    Up(100, 150);
    EXPECT_EQ(Y(), 0);
    EXPECT_TRUE(m_view.drags.empty());
    EXPECT_EQ(m_parent.heard, (Lines{"0", "2", "2", "2", "2", "1"}));
    Advance(3000);
    EXPECT_EQ(Y(), 0);
    EXPECT_EQ(Timers(), 0u);
}

TEST_F(KineticTest, ASlowDragFollowsThePenOneToOne) {
    Down(100, 250);
    Advance(20);
    Move(100, 230);  // 20 pixels: the drag begins here, nothing moves yet
    EXPECT_EQ(m_view.drags, (Lines{"y"}));
    EXPECT_EQ(Y(), 0);
    for (int y = 225; y >= 150; y -= 5) {
        Advance(20);
        Move(100, y);
        EXPECT_EQ(Y(), y - 230);
    }
    // A pause longer than the fling window: the release neither flings nor springs back.
    Advance(100);
    Up(100, 150);
    EXPECT_FALSE(m_view.AxisY().IsMoving());
    Advance(3000);
    EXPECT_EQ(Y(), -80);
    EXPECT_EQ(Timers(), 0u);
}

TEST_F(KineticTest, AFlingDeceleratesAndStops) {
    Drag(250, 200, 10, 20);
    const int released = Y();
    EXPECT_EQ(released, -30);
    EXPECT_EQ(m_view.AxisY().FlingDistance(), -300) << "30 x the last 10-pixel step";
    Up(100, 200);
    ASSERT_TRUE(m_view.AxisY().IsFlinging());
    m_main.ClearDirtyRect();
    Advance(10);
    EXPECT_EQ(RectText(m_main.dirtyRect), "0,0,200,300") << "a view without children repaints as it moves";
    std::vector<int> steps;
    int last = Y();
    for (int t = 0; t < 250; ++t) {
        Advance(10);
        steps.push_back(last - Y());
        last = Y();
    }
    EXPECT_EQ(Y(), released - 300);
    EXPECT_FALSE(m_view.AxisY().IsMoving());
    EXPECT_EQ(Timers(), 0u) << "the fling and the indicator fade are over";
    // Slower and slower: each 100 ms moves no further than the 100 ms before (give or take the
    // pixel that truncation moves between them).
    int previous = 1 << 30;
    for (size_t i = 0; i + 10 <= steps.size(); i += 10) {
        int sum = 0;
        for (size_t j = i; j < i + 10; ++j) sum += steps[j];
        EXPECT_LE(sum, previous + 1) << "at " << i * 10 << " ms";
        previous = sum;
    }
}

// The end of a fling moves a pixel every few ticks: the ticks between repaint nothing.
TEST_F(KineticTest, AFlingTickThatMovesNothingRepaintsNothing) {
    QeSurface surface;
    ASSERT_TRUE(surface.Create(200, 300));
    Drag(250, 200, 10, 20);
    Up(100, 200);
    int still = 0;
    for (int before = Y(); m_view.AxisY().IsFlinging(); before = Y()) {
        ASSERT_TRUE(m_view.Draw(&surface, RECT{0, 0, 200, 300}));  // as the paint path would
        m_main.invalidations = 0;
        Advance(10);
        still += Y() == before ? 1 : 0;
        EXPECT_EQ(m_main.invalidations, Y() == before ? 0u : 1u) << "at " << before;
    }
    EXPECT_GT(still, 10);
}

// Ticks that would move nothing do not come: the fling wakes only to move, at the ticks and to the
// places of one that woke every 10 ms (a tween of the same run beside it, ticking after it). What
// changes the run wakes it at once, with the braking of one tick.
struct Beside {
    QeTween tween{kDefaultEasingKind, QeKineticScroller::kFlingSeconds, 0, -300};
    const QeKineticScroller* axis;
    std::vector<std::pair<int, int>> seen;  // (the view's position, the tween's value)
    static void Tick(void* user) {
        auto* self = static_cast<Beside*>(user);
        self->seen.emplace_back(self->axis->Position(), self->tween.Update());
    }
};

TEST_F(KineticTest, AFlingWakesOnlyForTheTicksThatMoveIt) {
    Drag(250, 200, 10, 20);
    Up(100, 200);
    const int released = Y();
    Beside beside{.axis = &m_view.AxisY(), .seen = {}};
    beside.tween.Start(&Beside::Tick, &beside);
    m_main.invalidations = 0;  // without a drawn frame every tick of the view repaints
    Advance(2500);
    ASSERT_EQ(beside.seen.size(), 250u);
    unsigned moves = 0;
    for (size_t i = 0; i < beside.seen.size(); ++i) {
        EXPECT_EQ(beside.seen[i].first, released + beside.seen[i].second) << "tick " << i;
        moves += i == 0 || beside.seen[i].second != beside.seen[i - 1].second || i == 249 ? 1 : 0;
    }
    EXPECT_EQ(m_main.invalidations, moves);

    // In the slow tail, a tick after a move, the content's end comes 50 pixels into the view.
    Drag(250, 200, 10, 20);
    Up(100, 200);
    Advance(2000);
    for (bool moved = false;;) {  // to a tick that moved nothing just after one that moved
        const int before = Y();
        Advance(10);
        if (moved && Y() == before) break;
        moved = Y() != before;
    }
    QeClock::Instance()->Update();  // as the loop does for each message
    m_view.SetContentSize(200, 250 - Y());
    Advance(10);
    EXPECT_EQ(m_view.AxisY().FlingDistance(), -300 + 10 * 50 / 20) << "10 ms of braking at 50 pixels";
}

TEST_F(KineticTest, ADiagonalFlingRepaintsOncePerStepOfBothAxes) {
    m_view.SetContentSize(1000, 1000);
    Down(180, 250);
    for (int d = 10; d <= 80; d += 10) {
        Advance(20);
        Move(180 - d, 250 - d);
    }
    Up(100, 170);
    ASSERT_TRUE(m_view.AxisX().IsFlinging());
    ASSERT_TRUE(m_view.AxisY().IsFlinging());
    // Each 10 ms both axes step once. (The step that stops an axis may ask once more: the axes
    // still moving are fewer by then.)
    int steps = 0;
    for (;;) {
        m_main.invalidations = 0;
        Advance(10);
        if (!m_view.AxisX().IsMoving() || !m_view.AxisY().IsMoving()) break;
        ASSERT_EQ(m_main.invalidations, 1u) << "after " << steps << " steps";
        ++steps;
    }
    EXPECT_GT(steps, 100);
}

TEST_F(KineticTest, APenDownStopsAFling) {
    Drag(250, 200, 10, 20);
    Up(100, 200);
    Advance(100);
    const int at = Y();
    EXPECT_LT(at, -30);
    Down(100, 100);
    EXPECT_FALSE(m_view.AxisY().IsMoving());
    Advance(1000);
    EXPECT_EQ(Y(), at);
    Up(100, 100);
}

TEST_F(KineticTest, AFlickWhoseOnlyMoveBeginsTheDragFliesWithNoEarlierSpeed) {
    const struct {
        const char* earlier;
        int y0, y1, step;
        DWORD pause;  // before the release
        int at;       // where the earlier gesture left the content
    } cases[] = {
        {"a fling up", 250, 200, 10, 0, -330},
        {"a slow drag up, held still", 250, 150, 5, 100, -80},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.earlier);
        m_view.AxisY().SetPosition(0);
        Drag(c.y0, c.y1, c.step, 20);
        Advance(c.pause);
        Up(100, c.y1);
        Advance(3000);
        ASSERT_EQ(Y(), c.at);
        // 30 pixels down in one move, released at once.
        Down(100, 100);
        EXPECT_EQ(m_view.AxisY().FlingDistance(), 0);
        Advance(10);
        Move(100, 130);
        Advance(10);
        Up(100, 130);
        Advance(3000);
        EXPECT_EQ(Y(), c.at);
    }
}

TEST_F(KineticTest, BeyondAnEndTheContentMovesAtHalfSpeedAndSpringsBack) {
    Drag(100, 180, 10, 20);  // the drag begins at 120: 60 pixels beyond the start
    EXPECT_EQ(Y(), 10 + 5 * 5) << "the first step reaches 10, the five after it half as far";
    Advance(100);
    Up(100, 180);
    ASSERT_TRUE(m_view.AxisY().IsBouncing());
    Advance(250);
    EXPECT_GT(Y(), 0);
    EXPECT_LT(Y(), 35);
    Advance(250);
    EXPECT_EQ(Y(), 0);
    EXPECT_EQ(Timers(), 0u);

    // At the far end too, and content shorter than the view always goes back to 0.
    m_view.AxisY().SetPosition(-750);
    Down(100, 100);
    Advance(100);
    Up(100, 100);
    Advance(500);
    EXPECT_EQ(Y(), -700);
    m_view.SetContentSize(200, 100);
    Down(100, 100);
    Advance(100);
    Up(100, 100);
    Advance(500);
    EXPECT_EQ(Y(), 0);
}

// A spring-back meets the caret brought into view, 300 pixels trimmed above the view, a line more.
TEST_F(KineticTest, ASpringBackGivesWayToChangesFromOutside) {
    const struct { int content, shift, end; } cases[] = {{1000, 300, -445}, {700, 300, -400}, {1016, 0, -716}};
    for (const auto& c : cases) {
        m_view.SetContentSize(200, 1000);
        m_view.AxisY().SetPosition(-700);
        Drag(250, 150, 10, 20);  // to -745
        Advance(100);
        Up(100, 150);
        m_view.SetContentSize(200, c.content);
        if (c.shift != 0) m_view.AxisY().SetPosition(Y() + c.shift);
        Advance(1000);
        EXPECT_EQ(Y(), c.end) << c.content;
    }
}

TEST_F(KineticTest, ChildrenMoveWithTheContent) {
    QeWindow child;
    child.SetRect(RECT{10, 400, 60, 420});
    child.SetVisible(true);
    m_view.AddChild(&child);
    Drag(250, 190, 10, 20);
    EXPECT_EQ(RectText(child.Rect()), "10,360,60,380");
    EXPECT_EQ(RectText(m_view.ContentToLocal(RECT{10, 400, 60, 420})), "10,360,60,380");
    const POINT content = m_view.ScreenToContent(POINT{10, 360});
    EXPECT_EQ(content.y, 400);
    m_view.AxisY().SetPosition(0);
    EXPECT_EQ(RectText(child.Rect()), "10,400,60,420");
    Up(100, 190);
    m_view.RemoveChild(&child);
}

TEST_F(KineticTest, TheScaleIsNeverZero) {
    TraceLog log;
    QeKineticScroller& y = m_view.AxisY();
    EXPECT_TRUE(y.SetScale(2.0f));
    EXPECT_EQ(y.ScaledContentSize(), 2000);
    for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) EXPECT_FALSE(y.SetScale(bad));
    EXPECT_EQ(y.Scale(), 2.0f);
    EXPECT_NE(log.Text().find(L"[QE+] QeKineticScroller::SetScale, "), std::wstring::npos);
}

// ---- the indicator

TEST_F(KineticTest, TheBarFollowsThePositionWithinItsTrack) {
    QeScrollIndicator& bar = m_view.IndicatorY();
    EXPECT_EQ(RectText(bar.TrackRect()), "192,0,200,300");
    const struct {
        int content, position;
        const char* expected;
    } cases[] = {
        {1000, 0, "192,0,198,90"},      {1000, -700, "192,210,198,300"}, {1000, 50, "192,0,198,75"},
        {1000, -800, "192,240,198,300"}, {300, 0, "192,0,198,300"},       {100, 40, "192,0,198,300"},
        {0, 0, "192,0,198,300"},
    };
    for (const auto& c : cases) {
        m_view.SetContentSize(200, c.content);
        m_view.AxisY().SetPosition(c.position);
        EXPECT_EQ(RectText(bar.BarRect()), c.expected) << c.content << " at " << c.position;
    }
    EXPECT_EQ(RectText(m_view.IndicatorX().BarRect()), "0,292,200,298");
}

TEST_F(KineticTest, TheBarShowsWhileTheContentMovesAndThenFades) {
    QeSurface surface;
    ASSERT_TRUE(surface.Create(200, 300));
    m_view.SetDrawMode(QeScrollView::kDrawWhole);
    auto barPixel = [&] {
        EXPECT_TRUE(m_view.Draw(&surface, RECT{0, 0, 200, 300}));
        return static_cast<int>(GetRValue(PixelAt(surface, 195, 10)));
    };
    EXPECT_EQ(barPixel(), 0) << "at rest nothing shows over the black content";
    Drag(250, 200, 10, 20);
    const int shown = 0x80 * 192 / 255;
    EXPECT_NEAR(barPixel(), shown, 1) << "grey at alpha 192";
    EXPECT_TRUE(m_view.IndicatorY().IsShown());
    Advance(100);
    Up(100, 200);  // no fling: the axis stops, the bar fades
    EXPECT_TRUE(m_view.IndicatorY().IsFading());
    Advance(10);  // the first step after the content size was set repaints the whole track
    m_main.ClearDirtyRect();
    Advance(190);
    EXPECT_EQ(RectText(m_main.dirtyRect), "192,9,198,99") << "each fade step repaints the bar";
    const int fading = barPixel();
    EXPECT_GT(fading, 0);
    EXPECT_LT(fading, shown - 1);
    Advance(800);
    EXPECT_FALSE(m_view.IndicatorY().IsFading());
    EXPECT_EQ(barPixel(), 0);
    EXPECT_EQ(Timers(), 0u);

    // Shown by the content's owner: it fades from full; a new content size repaints the whole track.
    m_view.SetContentSize(200, 600);
    m_view.IndicatorY().Show(true);
    m_main.ClearDirtyRect();
    Advance(10);
    EXPECT_EQ(RectText(m_main.dirtyRect), "192,0,200,300");
    m_main.ClearDirtyRect();
    Advance(10);
    EXPECT_EQ(RectText(m_main.dirtyRect), "192,15,198,165");
}

TEST_F(KineticTest, IndicatorsFromTheSkin) {
    TestSkin skin;
    m_view.Load(skin.Parse(L"<View><XIndicator><Enabled>False</Enabled></XIndicator>"
                           L"<YIndicator><Enabled>True</Enabled><Thick>12</Thick><Margin>4</Margin></YIndicator></View>"));
    EXPECT_FALSE(m_view.IndicatorX().IsEnabled());
    EXPECT_TRUE(m_view.IndicatorY().IsEnabled());
    EXPECT_EQ(RectText(m_view.IndicatorY().BarRect()), "188,0,196,90");
    m_view.Load(skin.Parse(L"<View><YIndicator><Enabled>yes</Enabled><Thick>-3</Thick></YIndicator></View>"));
    EXPECT_FALSE(m_view.IndicatorY().IsEnabled()) << "only the text True enables";
    EXPECT_EQ(m_view.IndicatorY().Thickness(), 0);

    // A disabled indicator draws nothing, moving or not.
    QeSurface surface;
    ASSERT_TRUE(surface.Create(200, 300));
    m_view.SetDrawMode(QeScrollView::kDrawWhole);
    Drag(250, 200, 10, 20);
    EXPECT_TRUE(m_view.Draw(&surface, RECT{0, 0, 200, 300}));
    EXPECT_EQ(PixelAt(surface, 195, 10), RGB(0, 0, 0));
    Up(100, 200);
}

}  // namespace
