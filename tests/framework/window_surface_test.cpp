// Which surface a window draws into, frame after frame, and the layer it leaves for the compositor.
#include <gtest/gtest.h>

#include <string>

#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/view/QeWindow.h"
#include "tests/framework/rect_text.h"

namespace {

struct Box : QeWindow {
    Box(const RECT& rect, bool ownDC) {
        SetRect(rect);
        SetOwnDC(ownDC);
        SetVisible(true);
    }
};

class WindowSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QeGraphicsStart()); }
    void TearDown() override { QeGraphicsStop(); }
    QeSurfacePool& Pool() { return *QeSurfacePool::Instance(); }
    // What WM_PAINT does first: this frame's surfaces go back to the pool.
    void NextFrame() { Pool().FlushPending(); }
};

TEST_F(WindowSurfaceTest, EachWindowGetsItsOwnSurfaceBackFrameAfterFrame) {
    Box a(RECT{0, 0, 40, 30}, true), b(RECT{0, 0, 40, 30}, true);
    QeSurface* first = a.GetDC();
    QeSurface* second = b.GetDC();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->Width(), 40);
    EXPECT_EQ(first->Height(), 30);
    EXPECT_EQ(a.GetDC(), first) << "held for the frame: asking again takes no second surface";
    EXPECT_EQ(Pool().InUseCount(), 2u);

    // The next frame, asked the other way round: each gets its own back.
    NextFrame();
    EXPECT_EQ(b.GetDC(), second);
    EXPECT_EQ(a.GetDC(), first);

    // A surface pinned by a transition goes to nobody else.
    NextFrame();
    Pool().Pin(first);
    EXPECT_EQ(b.GetDC(), second);
    QeSurface* fresh = a.GetDC();
    EXPECT_NE(fresh, first);
    EXPECT_NE(fresh, second);
    Pool().Unpin(first);
}

TEST_F(WindowSurfaceTest, AKeptSurfaceIsNeverUsedUnheld) {
    Box a(RECT{0, 0, 40, 30}, true);
    QeSurface* kept = a.GetDC();
    NextFrame();
    // Outside the paint, the window acquires its surface like everyone else: nobody else can
    // take it while it draws.
    EXPECT_EQ(a.GetDC(), kept);
    EXPECT_TRUE(Pool().IsInUse(kept));
    EXPECT_EQ(a.HeldSurface(), kept);

    // A root resize frees every surface: the window's pointer is stale and is not offered back.
    Pool().UnloadAll();
    EXPECT_EQ(a.HeldSurface(), nullptr);
    QeSurface* again = a.GetDC();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(Pool().IsInUse(again));
    EXPECT_EQ(again->Width(), 40);
}

TEST_F(WindowSurfaceTest, ChildrenShareTheirOwnDCAncestorsSurface) {
    Box screen(RECT{0, 100, 200, 300}, true);
    Box panel(RECT{10, 10, 110, 60}, false);
    Box label(RECT{5, 5, 25, 15}, false);
    screen.AddChild(&panel);
    panel.AddChild(&label);

    // The label draws first (its screen has not drawn this frame): the screen's surface is taken,
    // and its layer covers the label's part.
    QeSurface* surface = label.GetSurface(RECT{15, 15, 35, 25}, RECT{15, 115, 35, 125});
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(screen.HeldSurface(), surface);
    EXPECT_EQ(surface->Width(), 200);
    EXPECT_EQ(RectText(surface->Layer().source), "15,15,35,25");
    EXPECT_EQ(RectText(surface->Layer().destination), "15,115,35,125");

    // The panel's part joins it; a part beyond the surface is cut to it.
    EXPECT_EQ(panel.GetSurface(RECT{10, 10, 110, 60}, RECT{10, 110, 110, 160}), surface);
    EXPECT_EQ(RectText(surface->Layer().source), "10,10,110,60");
    EXPECT_EQ(panel.GetSurface(RECT{150, 180, 260, 230}, RECT{150, 280, 260, 330}), surface);
    EXPECT_EQ(RectText(surface->Layer().source), "10,10,200,200");
    EXPECT_EQ(RectText(surface->Layer().destination), "10,110,200,300");
    EXPECT_EQ(Pool().InUseCount(), 1u);

    // A window with no own-DC ancestor draws nowhere.
    Box loose(RECT{0, 0, 10, 10}, false);
    Box inner(RECT{0, 0, 5, 5}, false);
    loose.AddChild(&inner);
    EXPECT_EQ(inner.GetDC(), nullptr);
    EXPECT_EQ(loose.GetSurface(RECT{0, 0, 5, 5}, RECT{0, 0, 5, 5}), nullptr);
}

TEST_F(WindowSurfaceTest, TheLayerBlendsAWindowThatIsNotOpaque) {
    Box a(RECT{0, 0, 20, 20}, true);
    QeSurface* surface = a.GetSurface(RECT{0, 0, 20, 20}, RECT{30, 40, 50, 60});
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->Layer().drawMethod, kDrawBitBlt);

    NextFrame();
    a.SetAnimation(QeAnimationParams(0, 19));
    a.SetVisible(false);  // no duration: at alpha 0 at once
    surface = a.GetSurface(RECT{0, 0, 10, 10}, RECT{30, 40, 40, 50});
    EXPECT_EQ(surface->Layer().drawMethod, kDrawAlphaBlend);
    EXPECT_EQ(surface->Layer().keyOrAlpha, 0u);
    EXPECT_EQ(RectText(surface->Layer().destination), "30,40,40,50") << "a new frame starts a new layer";
}

}  // namespace
