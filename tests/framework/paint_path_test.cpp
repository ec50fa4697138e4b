// The paint path through the real loop: windows of plain colours draw into their surfaces, WM_PAINT
// composes them onto the main window's framebuffer, and the test reads the framebuffer back as a
// picture of 20 x 20 pixel cells (every window lies on that grid).
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QePaint.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/view/QePopupHolder.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "platform/graphics/gdi.h"
#include "platform/windows/input.h"
#include "platform/screen/presenter.h"
#include "platform/windows/window.h"
#include "tests/framework/picture.h"
#include "tests/framework/screen_cells.h"
#include "tests/support/AppRig.h"
#include "tests/support/Pump.h"

namespace {

constexpr int kCell = 20;
constexpr int kWidth = 240;
constexpr int kHeight = 200;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A window of one colour; a click on it gives it the click colour.
struct Fill : QeWindow {
    Fill(COLORREF color, const RECT& rect, bool ownDC) : color(color) {
        SetRect(rect);
        SetOwnDC(ownDC);
        SetVisible(true);
    }
    COLORREF color;
    COLORREF clickColor = kYellow;
    bool breakLayer = false;
    int Draw(QeSurface* surface, const RECT& rect) override {
        surface->FillSolid(color, rect);
        // A source that no blit accepts.
        if (breakLayer) surface->Layer().source = RECT{10, 10, 0, 0};
        return 1;
    }
    int OnPenUp(int x, int y) override {
        color = clickColor;
        Invalidate(RECT{0, 0, 0, 0}, true);
        return QeWindow::OnPenUp(x, y);
    }
};

struct ColourPopup : QePopup {
    COLORREF color = kGreen;
    int Draw(QeSurface* surface, const RECT& rect) override {
        QePopup::Draw(surface, rect);
        surface->FillSolid(color, rect);
        return 1;
    }
};

// Fills the rectangle it runs over.
struct FillTransition : QeTransition {
    RECT area;
    bool fails = false;
    bool sawComposing = false;
    explicit FillTransition(const RECT& r) : area(r) {}
    bool Render(QeDC& dc) override {
        sawComposing = QeUpdateRegion::Instance()->composing;
        return !fails && dc.FillSolid(kMagenta, area) != 0;
    }
    RECT Area() const override { return area; }
};

class PaintPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_rig.Start(L"Paint path test", kWidth, kHeight));
        m_window = m_rig.Window();
        m_rig.Root().AddChild(&m_background);
        m_background.AddChild(&m_red);
        m_rig.Root().AddChild(&m_blue);
        RepaintAll();
    }
    void TearDown() override { m_rig.Stop(); }

    void RepaintAll() {
        m_rig.Root().Invalidate(RECT{0, 0, 0, 0}, true);
        Settle();
    }
    // Runs the loop until every message, paint included, is handled.
    void Settle() {
        PumpPending();
        RECT left{};
        EXPECT_FALSE(GetUpdateRect(m_window, &left, FALSE)) << "still due for painting";
    }
    // The framebuffer, one character per cell.
    Cells Screen() { return ScreenCells(m_window, kWidth, kHeight, kCell); }
    ColourPopup* OpenPopup() {
        auto* popup = new ColourPopup;
        popup->Popup(SIZE{80, 40}, nullptr, nullptr);
        Settle();
        return popup;
    }

    AppRig m_rig;
    HWND m_window = nullptr;
    Fill m_background{kWhite, RECT{0, 0, kWidth, kHeight}, true};
    Fill m_red{kRed, RECT{20, 20, 100, 100}, false};  // draws into the background's surface
    Fill m_blue{kBlue, RECT{80, 80, 180, 160}, true};
};

const Cells kScene = {
    "WWWWWWWWWWWW",  //
    "WRRRRWWWWWWW",  //
    "WRRRRWWWWWWW",  //
    "WRRRRWWWWWWW",  //
    "WRRRBBBBBWWW",  //
    "WWWWBBBBBWWW",  //
    "WWWWBBBBBWWW",  //
    "WWWWBBBBBWWW",  //
    "WWWWWWWWWWWW",  //
    "WWWWWWWWWWWW",  //
};

TEST_F(PaintPathTest, LayersGoStraightToTheScreenInTheOrderTheyDrew) {
    EXPECT_EQ(Screen(), kScene);
    EXPECT_EQ(m_rig.App().Frame().dc.Handle(), nullptr) << "no popup, no off-screen frame";
    EXPECT_EQ(QeMainWindow::Instance()->dirtyRect.right, 0) << "cleared after the paint";

    // A click travels the loop; the window repaints itself.
    InjectClick(m_window, 170, 150);
    Settle();
    Cells clicked = kScene;
    for (int y = 4; y <= 7; ++y) clicked[y].replace(4, 5, "YYYYY");
    EXPECT_EQ(Screen(), clicked);
}

TEST_F(PaintPathTest, OnlyTheDirtyAreaChanges) {
    m_background.color = kGreen;
    m_red.color = kYellow;
    m_blue.color = kMagenta;
    // Two cells across the red and blue corner; nothing else is redrawn.
    QeMainWindow::Instance()->Invalidate(RECT{60, 80, 100, 100}, true);
    Settle();
    Cells expected = kScene;
    expected[4].replace(3, 2, "YM");
    EXPECT_EQ(Screen(), expected);
}

TEST_F(PaintPathTest, APopupDimsTheScreenBehindIt) {
    ColourPopup* popup = OpenPopup();
    EXPECT_EQ(Screen(), (Cells{
                            "wwwwwwwwwwww",  //
                            "wrrrrwwwwwww",  //
                            "wrrrrwwwwwww",  //
                            "wrrrrwwwwwww",  //
                            "wrrrGGGGbwww",  //
                            "wwwwGGGGbwww",  //
                            "wwwwbbbbbwww",  //
                            "wwwwbbbbbwww",  //
                            "wwwwwwwwwwww",  //
                            "wwwwwwwwwwww",  //
                        }));
    EXPECT_EQ(m_rig.App().Frame().dc.Width(), kWidth);

    // The popup alone changes over a screen that draws nothing (a menu list covers it): its own
    // change still reaches the screen.
    QePopupHolder::Instance()->cover = popup;
    popup->color = kYellow;
    popup->Invalidate(RECT{0, 0, 20, 20}, true);
    Settle();
    Cells expected = Screen();
    EXPECT_EQ(expected[4].substr(4, 4), "YGGG");
    EXPECT_EQ(expected[5].substr(4, 4), "GGGG");
    EXPECT_EQ(expected[0], "wwwwwwwwwwww") << "dimmed once, not twice";
    QePopupHolder::Instance()->cover = nullptr;

    popup->Close(0);
    Settle();
    EXPECT_EQ(Screen(), kScene);
}

TEST_F(PaintPathTest, AResizedRootRebuildsTheFrameForTheNextPopup) {
    OpenPopup()->Close(0);
    Settle();
    ASSERT_EQ(m_rig.App().Frame().dc.Width(), kWidth);
    MoveWindow(m_window, 0, QeMainWindow::kTitleBarHeight, 200, 160, FALSE);
    EXPECT_EQ(m_rig.Root().Width(), 200);
    EXPECT_EQ(m_rig.Root().Height(), 160);
    EXPECT_EQ(QeSurfacePool::Instance()->FreeCount(), 0u) << "the old sizes' surfaces are gone";
    OpenPopup();
    EXPECT_EQ(m_rig.App().Frame().dc.Width(), 200);
    EXPECT_EQ(m_rig.App().Frame().dc.Height(), 160);
    EXPECT_EQ(Screen()[0].substr(0, 10), "wwwwwwwwww");
}

TEST_F(PaintPathTest, AFailingLayerDrawsNothingAndTheFrameGoesOn) {
    Fill broken(kMagenta, RECT{160, 120, 240, 200}, true);
    broken.breakLayer = true;
    m_rig.Root().AddChild(&broken);
    RepaintAll();
    EXPECT_EQ(Screen(), kScene);
    m_rig.Root().RemoveChild(&broken);
}

TEST_F(PaintPathTest, RunningTransitionsAreDrawnDimmedAndCopied) {
    // The transition's own area is due on the system's side only; the frame's dirty part lies
    // elsewhere, and still the transition reaches the screen.
    const RECT area{160, 0, 240, 40};
    auto frame = [&] {
        QeMainWindow::Instance()->Invalidate(area, false);
        QeMainWindow::Instance()->Invalidate(RECT{0, 180, 20, 200}, true);
        Settle();
    };
    auto owned = std::make_unique<FillTransition>(area);
    FillTransition* transition = owned.get();
    QeTransitionManager::Instance()->Add(std::move(owned));
    frame();
    EXPECT_EQ(Screen()[0], "WWWWWWWWMMMM");
    EXPECT_EQ(Screen()[1], "WRRRRWWWMMMM");
    EXPECT_TRUE(transition->sawComposing);
    EXPECT_FALSE(QeUpdateRegion::Instance()->composing);

    // A transition that cannot draw abandons the frame: the default handling takes the paint, and
    // the dirty rectangle and the composing flag go all the same.
    transition->fails = true;
    frame();
    EXPECT_EQ(QeMainWindow::Instance()->dirtyRect.right, 0);
    EXPECT_FALSE(QeUpdateRegion::Instance()->composing);
    QeTransitionManager::Instance()->Clear();

    OpenPopup();
    EXPECT_EQ(Screen()[0], "wwwwwwwwwwww");
    QeTransitionManager::Instance()->Add(std::make_unique<FillTransition>(area));
    frame();
    EXPECT_EQ(Screen()[0], "wwwwwwwwmmmm") << "dimmed behind the popup like every layer";
    QeTransitionManager::Instance()->Clear();
}

TEST(ComposeLayerTest, EachMethodDrawsItsWayAndNothingDrawnAddsNothing) {
    struct Case {
        const char* what;
        QeLayer layer;
        RECT answer;
        const char* expected;
    };
    const RECT all{0, 0, 4, 1};
    const Case cases[] = {
        {"copy", {{1, 0, 3, 1}, {0, 0, 2, 1}, kDrawBitBlt, 0}, {1, 0, 3, 1}, ".RG."},
        {"colour key", {all, all, kDrawTransparentBlt, RGB(0, 255, 0)}, all, "R.BW"},
        {"constant alpha", {all, all, kDrawAlphaBlend, 0x1FF}, all, "RGBW"},
        {"per-pixel alpha", {all, all, kDrawAlphaBlendPerPixel, 0}, all, "RGBW"},
        // An empty destination would stand for the whole surface at 0, 0.
        {"empty destination", {{2, 0, 2, 1}, all, kDrawBitBlt, 0}, {0, 0, 0, 0}, "...."},
        {"failing blit", {all, {3, 0, 1, 1}, kDrawBitBlt, 0}, {0, 0, 0, 0}, "...."},
        {"unknown method", {all, all, 9, 0}, all, "...."},
    };
    for (const Case& c : cases) {
        // Opaque premultiplied 32-bit pixels serve every method.
        QeSurface target;
        QeDC source;
        auto* pixels = new QeBitmap;
        ASSERT_TRUE(MakeSurface(target, {"...."}));
        ASSERT_TRUE(source.CreateMemoryDC() && pixels->CreateDibSection(4, 1, 32));
        source.SelectBitmap(pixels, true);
        ASSERT_TRUE(Paint(source, {"RGBW"}, kPictureColors, 255));
        source.Layer() = c.layer;
        const RECT drawn = QeComposeLayer(target, source);
        EXPECT_EQ(Picture(target), std::vector<std::string>{c.expected}) << c.what;
        EXPECT_EQ((std::vector<LONG>{drawn.left, drawn.top, drawn.right, drawn.bottom}),
                  (std::vector<LONG>{c.answer.left, c.answer.top, c.answer.right, c.answer.bottom}))
            << c.what;
    }
}

}  // namespace
