// Screen transitions through the real loop on the test clock: two 20 x 20 windows of one colour
// each (with a marker line along their top and left edge, so that a part shows which end of the
// window it is) are switched, and the test reads the middle row and the middle column of the
// source's screen area from the framebuffer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeClock.h"
#include "framework/base/QeTimerManager.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "platform/screen/presenter.h"
#include "platform/windows/window.h"
#include "tests/support/AppRig.h"
#include "tests/support/Pump.h"
#include "tests/support/TraceLog.h"

namespace {

constexpr int kSide = 20;
constexpr RECT kArea{20, 20, 20 + kSide, 20 + kSide};
constexpr uint32_t kLinear = 0;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

// A constant-alpha blend with pixman's rounding.
COLORREF Blend(COLORREF over, COLORREF under, int alpha) {
    auto mul = [](int a, int b) {
        const int t = a * b + 128;
        return (t + (t >> 8)) >> 8;
    };
    auto channel = [&](int o, int u) { return static_cast<BYTE>(mul(o, alpha) + mul(u, 255 - alpha)); };
    return RGB(channel(GetRValue(over), GetRValue(under)), channel(GetGValue(over), GetGValue(under)),
               channel(GetBValue(over), GetBValue(under)));
}

// Source: red with a white marker line ("WRRR..."); target: blue with a green one ("GBBB...");
// the source faded to three quarters over the target: 'f' over blue, 'h' over the marker.
char Name(COLORREF c) {
    const std::pair<COLORREF, char> names[] = {
        {kRed, 'R'}, {kBlue, 'B'}, {kWhite, 'W'}, {kGreen, 'G'}, {RGB(0, 0, 0), '.'},
        {Blend(kRed, kBlue, 191), 'f'}, {Blend(kWhite, kGreen, 191), 'h'}};
    for (auto [color, name] : names) {
        if (color == c) return name;
    }
    return '?';
}

const std::string kSourceLine = "WRRRRRRRRRRRRRRRRRRR";
const std::string kTargetLine = "GBBBBBBBBBBBBBBBBBBB";

struct Screen : QeWindow {
    Screen(COLORREF color, COLORREF marker, bool visible) : color(color), marker(marker) {
        SetRect(kArea);
        SetOwnDC(true);
        SetVisible(visible);
    }
    int Draw(QeSurface* surface, const RECT& rect) override {
        surface->FillSolid(color, rect);
        surface->FillSolid(marker, RECT{0, 0, kSide, 1});
        surface->FillSolid(marker, RECT{0, 0, 1, kSide});
        return 1;
    }
    int OnNotify(QeWindow* child, int code) override {
        if (log != nullptr) log->push_back(std::string(name) + (child == nullptr ? " " : " child ") + std::to_string(code));
        return 1;
    }
    COLORREF color;
    COLORREF marker;
    const char* name = "";
    std::vector<std::string>* log = nullptr;
};

struct Backdrop : QeWindow {
    Backdrop() {
        SetOwnDC(true);
        SetVisible(true);
    }
    int Draw(QeSurface* surface, const RECT& rect) override { return surface->FillSolid(RGB(0, 0, 0), rect); }
};

class TransitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_rig.Start(L"Transition test", 60, 60));
        m_window = m_rig.Window();
        m_rig.Root().AddChild(&m_backdrop);
        m_rig.Root().AddChild(&m_source);
        m_rig.Root().AddChild(&m_target);
        m_source.name = "source";
        m_target.name = "target";
        m_source.log = m_target.log = &m_notes;
        m_backdrop.SetRect(RECT{0, 0, 60, 60});
        m_rig.Root().Invalidate(RECT{0, 0, 0, 0}, true);
        PumpPending();
        m_timers = QeTimerManager::Instance()->Count();
    }
    void TearDown() override { m_rig.Stop(); }

    QeTransitionParams Params(uint32_t effect, uint32_t direction, float seconds = 1.0f, uint32_t kind = kLinear) {
        QeTransitionParams params;
        params.source = &m_source;
        params.target = &m_target;
        params.effect = effect;
        params.direction = direction;
        params.animation = QeAnimationParams(seconds, kind);
        return params;
    }
    // The area's middle row, or its middle column, as colour names.
    std::string Line(bool row) {
        std::string line;
        for (int i = 0; i < kSide; ++i) {
            const int x = row ? kArea.left + i : kArea.left + kSide / 2;
            const int y = row ? kArea.top + kSide / 2 : kArea.top + i;
            line += Name(FramebufferPixel(m_window, x, y));
        }
        return line;
    }
    // The line along which the direction moves.
    std::string Moving(uint32_t direction) { return Line(direction < kTransitionDownwards); }
    // The frame painted now.
    void Repaint() {
        QeMainWindow::Instance()->Invalidate(QeMainWindow::Instance()->dirtyRect, false);
        PumpPending();
    }
    size_t ExtraTimers() { return QeTimerManager::Instance()->Count() - m_timers; }

    FakeClock m_clock;
    AppRig m_rig;
    HWND m_window = nullptr;
    Backdrop m_backdrop;
    Screen m_source{kRed, kWhite, true};
    Screen m_target{kBlue, kGreen, false};
    std::vector<std::string> m_notes;
    size_t m_timers = 0;
};

struct KindCase {
    uint32_t effect;
    uint32_t direction;
    std::string quarter;  // a quarter of the way (p = 0.75), along the moving line
    std::string late;     // at the last tick before the end (p = 0.0025)
};

// Push moves both, cover moves the target in over a source that stays, uncover moves the source
// out over a target that stays; shrink and grow stretch the whole window into the centre.
const KindCase kKinds[] = {
    {kTransitionPush, kTransitionRightwards, "BBBBBWRRRRRRRRRRRRRR", kTargetLine},
    {kTransitionPush, kTransitionLeftwards, "RRRRRRRRRRRRRRRGBBBB", kTargetLine},
    {kTransitionPush, kTransitionDownwards, "BBBBBWRRRRRRRRRRRRRR", kTargetLine},
    {kTransitionPush, kTransitionUpwards, "RRRRRRRRRRRRRRRGBBBB", kTargetLine},
    {kTransitionCover, kTransitionRightwards, "BBBBBRRRRRRRRRRRRRRR", kTargetLine},
    {kTransitionCover, kTransitionLeftwards, "WRRRRRRRRRRRRRRGBBBB", kTargetLine},
    {kTransitionCover, kTransitionDownwards, "BBBBBRRRRRRRRRRRRRRR", kTargetLine},
    {kTransitionCover, kTransitionUpwards, "WRRRRRRRRRRRRRRGBBBB", kTargetLine},
    {kTransitionUncover, kTransitionRightwards, "GBBBBWRRRRRRRRRRRRRR", kTargetLine},
    {kTransitionUncover, kTransitionLeftwards, "RRRRRRRRRRRRRRRBBBBB", kTargetLine},
    {kTransitionUncover, kTransitionDownwards, "GBBBBWRRRRRRRRRRRRRR", kTargetLine},
    {kTransitionUncover, kTransitionUpwards, "RRRRRRRRRRRRRRRBBBBB", kTargetLine},
    {kTransitionFade, 0, "hfffffffffffffffffff", kTargetLine},
    {kTransitionShrink, 0, "GBWRRRRRRRRRRRRRRBBB", kTargetLine},
    {kTransitionGrow, 0, "WRRRRRRBBBBBRRRRRRRR", "GBBBBBBBBBBBBBBBBBBR"},
};

TEST_F(TransitionTest, EachKindDrawsOnlyTheSourceAtTheStartItsPartsOnTheWayAndOnlyTheTargetAtTheEnd) {
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE("effect " + std::to_string(c.effect) + " direction " + std::to_string(c.direction));
        m_source.SetVisible(true);
        m_target.SetVisible(false);
        ASSERT_TRUE(QeTransitionManager::Instance()->Start(Params(c.effect, c.direction, 4.0f)));
        EXPECT_FALSE(m_source.IsVisible());
        EXPECT_FALSE(m_target.IsVisible());
        // At p = 1 the parts of no width are skipped: no flash of the whole target.
        Repaint();
        EXPECT_EQ(Line(true), kSourceLine);
        EXPECT_EQ(Line(false), kSourceLine);
        m_clock.Advance(1000);
        EXPECT_EQ(QeTransitionManager::Instance()->Areas().size(), 1u);
        EXPECT_EQ(Moving(c.direction), c.quarter);
        m_clock.Advance(2990);
        EXPECT_EQ(Moving(c.direction), c.late);
        m_clock.Advance(10);
        EXPECT_EQ(QeTransitionManager::Instance()->Count(), 0u);
        EXPECT_EQ(Line(true), kTargetLine);
        EXPECT_EQ(Line(false), kTargetLine);
        EXPECT_EQ(ExtraTimers(), 0u);
    }
}

TEST_F(TransitionTest, HalfASecondOfTheDefaultCurveTakesFiftyTicksAndLetsTheSurfacesGo) {
    QeTransitionParams params;  // push rightwards, kind 19, 0.5 s
    params.source = &m_source;
    params.target = &m_target;
    ASSERT_TRUE(QeTransitionManager::Instance()->Start(params));
    QeSurface* captured[] = {m_source.HeldSurface(), m_target.HeldSurface()};
    QeSurfacePool* pool = QeSurfacePool::Instance();
    for (QeSurface* surface : captured) {
        ASSERT_NE(surface, nullptr);
        EXPECT_TRUE(pool->IsPinned(surface));
    }
    EXPECT_NE(captured[0], captured[1]);
    EXPECT_TRUE(QeTransitionManager::Instance()->IsAnyRunning());
    EXPECT_EQ(ExtraTimers(), 1u);

    int ticks = 0;
    while (m_notes.empty() && ticks < 200) {
        m_clock.Advance(10);
        ++ticks;
    }
    EXPECT_EQ(ticks, 50);
    EXPECT_EQ(m_notes, (std::vector<std::string>{"source 7", "target 7"}));
    EXPECT_TRUE(m_target.IsVisible());
    EXPECT_FALSE(m_source.IsVisible());
    for (QeSurface* surface : captured) EXPECT_FALSE(pool->IsPinned(surface));
    EXPECT_FALSE(QeTransitionManager::Instance()->IsAnyRunning());
    EXPECT_EQ(ExtraTimers(), 0u);
}

TEST_F(TransitionTest, ItRunsUntilItsLastTickHasBeenHandledWhateverTheClockSays) {
    ASSERT_TRUE(QeTransitionManager::Instance()->Start(Params(kTransitionPush, kTransitionRightwards, 0.5f)));
    m_clock.AdvanceBlocked(600);
    QeClock::Instance()->Update();  // as the loop does for a Back tap taken before the tick
    EXPECT_TRUE(QeTransitionManager::Instance()->IsAnyRunning()) << "the last tick still waits";
    PumpPending();
    EXPECT_FALSE(QeTransitionManager::Instance()->IsAnyRunning());
    EXPECT_EQ(m_notes, (std::vector<std::string>{"source 7", "target 7"}));
}

TEST_F(TransitionTest, ARefusedStartIsTracedAndStillSwitchesAtOnce) {
    struct Case {
        const char* what;
        void (*spoil)(QeTransitionParams&, Screen& source, Screen& target);
        bool answer;
        const wchar_t* trace;
    };
    const Case cases[] = {
        {"no source", [](QeTransitionParams& p, Screen&, Screen&) { p.source = nullptr; }, false,
         L"[QE+] QeTransition::Start, Transition source must be given.\n"},
        {"no target", [](QeTransitionParams& p, Screen&, Screen&) { p.target = nullptr; }, false,
         L"[QE+] QeTransition::Start, Transition target must be given.\n"},
        {"source shares a dc", [](QeTransitionParams&, Screen& s, Screen&) { s.SetOwnDC(false); }, false,
         L"[QE+] QeTransition::Start, Transition source must have own dc.\n"},
        {"target shares a dc", [](QeTransitionParams&, Screen&, Screen& t) { t.SetOwnDC(false); }, false,
         L"[QE+] QeTransition::Start, Transition target must have own dc.\n"},
        {"sizes differ", [](QeTransitionParams&, Screen&, Screen& t) { t.SetSize(kSide, kSide - 1); }, false,
         L"[QE+] QeTransition::Start, Transition source and target must be same size.\n"},
        {"unknown effect", [](QeTransitionParams& p, Screen&, Screen&) { p.effect = 6; }, false,
         L"[QE+] QeTransition::Start, Transition effect or direction is unknown.\n"},
        {"unknown direction", [](QeTransitionParams& p, Screen&, Screen&) { p.direction = 4; }, false,
         L"[QE+] QeTransition::Start, Transition effect or direction is unknown.\n"},
        {"no animation", [](QeTransitionParams& p, Screen&, Screen&) { p.animation = QeAnimationParams(); }, true,
         L""},
        {"no length", [](QeTransitionParams& p, Screen&, Screen&) { p.animation.duration = 0; }, true, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_source.SetVisible(true);
        m_target.SetVisible(false);
        QeTransitionParams params = Params(kTransitionCover, kTransitionUpwards);
        c.spoil(params, m_source, m_target);
        m_notes.clear();
        TraceLog trace;
        EXPECT_EQ(QeTransitionManager::Instance()->Start(params), c.answer);
        EXPECT_EQ(trace.Text(), c.trace);
        std::vector<std::string> told;
        if (params.source != nullptr) told.push_back("source 7");
        if (params.target != nullptr) told.push_back("target 7");
        EXPECT_EQ(m_notes, told);
        EXPECT_FALSE(m_source.IsVisible() && params.source != nullptr);
        EXPECT_EQ(m_target.IsVisible(), params.target != nullptr);
        EXPECT_EQ(QeTransitionManager::Instance()->Count(), 0u);
        EXPECT_EQ(ExtraTimers(), 0u);
        m_source.SetOwnDC(true);
        m_target.SetOwnDC(true);
        m_target.SetSize(kSide, kSide);
    }
    // The switch reaches the screen.
    PumpPending();
    EXPECT_EQ(Line(true), kTargetLine);
}

TEST_F(TransitionTest, ClearDropsWhatRunsWithItsTimerAndPins) {
    ASSERT_TRUE(QeTransitionManager::Instance()->Start(Params(kTransitionFade, 0)));
    QeSurface* captured = m_target.HeldSurface();
    QeTransitionManager::Instance()->Clear();
    EXPECT_EQ(ExtraTimers(), 0u);
    EXPECT_FALSE(QeSurfacePool::Instance()->IsPinned(captured));
    m_clock.Advance(2000);
    EXPECT_TRUE(m_notes.empty()) << "a reset tells nobody";
}

// Told that its leaving is over, the source deletes itself (as a closing chat page does); nothing
// touches it afterwards.
TEST_F(TransitionTest, TheSourceMayDeleteItselfWhenTold) {
    struct Leaving : Screen {
        Leaving() : Screen(kRed, kWhite, true) {}
        int OnNotify(QeWindow*, int code) override {
            if (code == kNotifyTransitionDone) {
                Parent()->RemoveChild(this);
                delete this;
            }
            return 1;
        }
    };
    auto* leaving = new Leaving;
    m_rig.Root().AddChild(leaving);
    QeTransitionParams params = Params(kTransitionUncover, kTransitionLeftwards, 0.2f, 19);
    params.source = leaving;
    ASSERT_TRUE(QeTransitionManager::Instance()->Start(params));
    m_clock.Advance(300);
    EXPECT_EQ(m_notes, std::vector<std::string>{"target 7"});
    EXPECT_EQ(m_rig.Root().LastChild(), &m_target);
}

// A switch from a window still arriving: the second slide shows the first one's picture of it, not
// a blank surface, and the picture stays pinned until both slides have let it go.
TEST_F(TransitionTest, ASwitchFromAWindowStillArrivingSlidesItsPicture) {
    Screen third(kGreen, kWhite, false);
    m_rig.Root().AddChild(&third);
    ASSERT_TRUE(QeTransitionManager::Instance()->Start(Params(kTransitionPush, kTransitionRightwards, 0.5f)));
    QeSurface* arriving = m_target.HeldSurface();
    m_clock.Advance(200);
    QeTransitionParams onwards = Params(kTransitionPush, kTransitionLeftwards, 0.5f);
    onwards.source = &m_target;
    onwards.target = &third;
    ASSERT_TRUE(QeTransitionManager::Instance()->Start(onwards));
    for (int tick = 0; tick < 50; ++tick) {
        m_clock.Advance(10);
        ASSERT_EQ(Line(true).find('.'), std::string::npos) << "black at tick " << tick << ": " << Line(true);
        EXPECT_TRUE(tick != 30 || QeSurfacePool::Instance()->IsPinned(arriving)) << "the first slide is over";
    }
    EXPECT_FALSE(QeSurfacePool::Instance()->IsPinned(arriving));
    EXPECT_EQ(Line(true), "WGGGGGGGGGGGGGGGGGGG");
}

// A window deleted mid-switch ends the switch at once: the other window is switched and told, the
// deleted one is never touched again (ASan sees any use).
TEST_F(TransitionTest, AWindowDeletedMidSwitchEndsItWithoutBeingTouched) {
    for (const bool deleteTarget : {true, false}) {
        SCOPED_TRACE(deleteTarget ? "target deleted" : "source deleted");
        auto* doomed = new Screen(kRed, kGreen, !deleteTarget);
        m_rig.Root().AddChild(doomed);
        m_source.SetVisible(true);
        m_target.SetVisible(false);
        m_notes.clear();
        QeTransitionParams params = Params(kTransitionCover, kTransitionRightwards, 0.5f);
        (deleteTarget ? params.target : params.source) = doomed;
        ASSERT_TRUE(QeTransitionManager::Instance()->Start(params));
        QeSurface* captured[] = {params.source->HeldSurface(), params.target->HeldSurface()};
        m_clock.Advance(200);
        delete doomed;
        EXPECT_EQ(QeTransitionManager::Instance()->Count(), 0u);
        m_clock.Advance(600);
        EXPECT_EQ(m_notes, std::vector<std::string>{deleteTarget ? "source 7" : "target 7"});
        for (QeSurface* surface : captured) EXPECT_FALSE(QeSurfacePool::Instance()->IsPinned(surface));
        EXPECT_EQ(m_target.IsVisible(), !deleteTarget);
    }
}

TEST(TransitionParamsTest, ReversingSwapsTheWindowsTheEffectsAndTheDirection) {
    QeWindow a;
    QeWindow b;
    QeTransitionParams cover;
    cover.source = &a;
    cover.target = &b;
    cover.effect = kTransitionCover;
    cover.direction = kTransitionRightwards;
    cover.animation = QeAnimationParams(0.3f, 7);
    const QeTransitionParams back = cover.Reverse();
    EXPECT_EQ(back.source, &b);
    EXPECT_EQ(back.target, &a);
    EXPECT_EQ(back.effect, kTransitionUncover);
    EXPECT_EQ(back.direction, kTransitionLeftwards);
    EXPECT_EQ(back.animation, cover.animation);

    // effect -> reversed effect; direction -> reversed direction
    const uint32_t effects[][2] = {{0, 0}, {1, 2}, {2, 1}, {3, 3}, {4, 5}, {5, 4}, {9, 9}};
    const uint32_t directions[][2] = {{0, 1}, {1, 0}, {2, 3}, {3, 2}, {7, 7}};
    for (auto [effect, reversedEffect] : effects) {
        for (auto [direction, reversedDirection] : directions) {
            QeTransitionParams p = cover;
            p.effect = effect;
            p.direction = direction;
            EXPECT_EQ(p.Reverse().effect, reversedEffect);
            EXPECT_EQ(p.Reverse().direction, reversedDirection);
            EXPECT_EQ(p.Reverse().Reverse(), p);
        }
    }

    const QeTransitionParams defaults;
    EXPECT_EQ(defaults.animation, QeAnimationParams(0.5f, 19));
    EXPECT_EQ(QeAnimationParams().animated, 0);
    EXPECT_EQ(QeAnimationParams().easingKind, 19u);
}

// Without a timer manager no timer can be had: the start is refused after the captures, and the
// captures are let go.
TEST(TransitionTimerTest, AStartWithoutATimerIsRefusedAndLetsItsCapturesGo) {
    ASSERT_TRUE(QeGraphicsStart());
    {
        QeMainWindow main;
        QeTransitionManager manager;
        QeWindow root;
        Screen source(kRed, kWhite, true);
        Screen target(kBlue, kGreen, false);
        root.AddChild(&source);
        root.AddChild(&target);
        QeTransitionParams params;
        params.source = &source;
        params.target = &target;
        TraceLog trace;
        EXPECT_FALSE(manager.Start(params));
        EXPECT_EQ(trace.Text(), L"[QE+] QeTransition::Start, Transition timer could not be added.\n");
        EXPECT_EQ(manager.Count(), 0u);
        EXPECT_TRUE(target.IsVisible());
        EXPECT_FALSE(source.IsVisible());
        QeSurface* captured = target.HeldSurface();
        ASSERT_NE(captured, nullptr);
        EXPECT_FALSE(QeSurfacePool::Instance()->IsPinned(captured));
        root.RemoveChild(&source);
        root.RemoveChild(&target);
    }
    QeGraphicsStop();
}

}  // namespace
