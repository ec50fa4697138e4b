#include "framework/ui/drawing/QeGraphics.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/ui/drawing/QeSkinElements.h"
#include "tests/framework/picture.h"
#include "tests/framework/test_skin.h"
#include "tests/support/TraceLog.h"

namespace {

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QeGraphicsStart()); }
    void TearDown() override { QeGraphicsStop(); }
};

TEST_F(GraphicsTest, StartMakesTheGroupAndStopEndsIt) {
    ASSERT_NE(QeSurfacePool::Instance(), nullptr);
    ASSERT_NE(QeImagePool::Instance(), nullptr);
    ASSERT_NE(QeFontPool::Instance(), nullptr);
    ASSERT_NE(QeUpdateRegion::Instance(), nullptr);
    ASSERT_NE(QeBackBuffer::Instance(), nullptr);
    QeSurface& dim = QeBackBuffer::Instance()->Surface();
    EXPECT_EQ(dim.Width(), 1);
    EXPECT_EQ(PixelAt(dim, 0, 0), RGB(8, 8, 8));
    EXPECT_EQ(QeBackBuffer::Instance()->alpha, 128);
    EXPECT_FALSE(QeUpdateRegion::Instance()->composing);

    QeFontHandle held;
    ASSERT_TRUE(held.Create(QeTextStyle{}));
    QeGraphicsStop();
    EXPECT_EQ(QeSurfacePool::Instance(), nullptr);
    EXPECT_EQ(QeFontPool::Instance(), nullptr);
    EXPECT_EQ(QeBackBuffer::Instance(), nullptr);
    // A holder that outlives the pool lets go of nothing, also not in the pool of the next start.
    ASSERT_TRUE(QeGraphicsStart());
    QeFontHandle fresh;
    ASSERT_TRUE(fresh.Create(QeTextStyle{}));
    EXPECT_EQ(fresh.Handle(), held.Handle());
    EXPECT_EQ(held.Font(), nullptr);
    held.Release();
    EXPECT_NE(fresh.Font(), nullptr);
}

TEST_F(GraphicsTest, FontHandlesShareThePooledFont) {
    QeTextStyle style;
    style.font.height = 14;
    QeFontHandle a, b;
    ASSERT_TRUE(a.Create(style));
    style.textColor = 0x123456;
    ASSERT_TRUE(b.Create(style));
    EXPECT_EQ(a.Handle(), b.Handle());
    EXPECT_EQ(a.Font(), b.Font());
    EXPECT_FALSE(a == b);  // same font, other colour
    style.textColor = a.Style().textColor;
    ASSERT_TRUE(b.Create(style));
    EXPECT_TRUE(a == b);
    a.Release();
    EXPECT_NE(b.Font(), nullptr);
    b.Release();
    EXPECT_EQ(QeFontPool::Instance()->Size(), 0u);

    TraceLog log;
    EXPECT_EQ(QeFontPool::Instance()->Find(-1), nullptr);
    QeFontPool::Instance()->Unload(-1);
    EXPECT_EQ(log.Text(),
              L"[QE+] QeResourcePool< FontKey, QeFont >::Find, Invalid handle has been tried to find.\n"
              L"[QE+] QeResourcePool< FontKey, QeFont >::Unload, Invalid handle has been tried to unload.\n");
}

TEST_F(GraphicsTest, SurfacesOfOneSizeInOneFrame) {
    QeSurfacePool& pool = *QeSurfacePool::Instance();
    QeSurface* first = pool.Acquire(20, 10, nullptr);
    QeSurface* second = pool.Acquire(20, 10, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->Width(), 20);
    EXPECT_EQ(first->Height(), 10);
    pool.FlushPending();
    EXPECT_EQ(pool.Acquire(20, 10, second), second);
    EXPECT_EQ(pool.Acquire(20, 10, first), first);
    const auto layers = pool.InUseList();
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0].value, second);
    // A transition pins one; a root resize spares it and moves the generation on.
    pool.Pin(first);
    const uint32_t generation = pool.Generation();
    pool.UnloadAll();
    EXPECT_NE(pool.Generation(), generation);
    EXPECT_EQ(first->Width(), 20);
    EXPECT_NE(pool.Acquire(20, 10, first), first);
}

class SkinTextTest : public GraphicsTest {
protected:
    const QeMarkupElement& Element(const std::wstring& markup) { return m_skin.Parse(markup); }
    TestSkin m_skin;
};

TEST_F(SkinTextTest, LoadsItsStyleFontAndText) {
    QeSkinText text;
    ASSERT_TRUE(text.Load(Element(L"<E><FontSize>18</FontSize><TextColor>#ffffff</TextColor>"
                                  L"<TextFormats>Right Bottom</TextFormats><Text>안녕</Text></E>")));
    EXPECT_EQ(text.Text(), L"안녕");
    EXPECT_EQ(text.Style().format, kTextRight | kTextBottom);
    ASSERT_NE(text.FontHandle().Font(), nullptr);
    EXPECT_EQ(text.FontHandle().Font()->Key().height, 18);

    // Drawn at the bottom right of its rectangle, in its colour, over a transparent background.
    QeSurface surface;
    ASSERT_TRUE(surface.Create(60, 40));
    surface.Fill(RGB(0, 0, 0));
    ASSERT_TRUE(text.Draw(surface, {0, 0, 60, 40}, {0, 0, 60, 40}));
    int inkLeft = 60, inkBottom = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            if (PixelAt(surface, x, y) == RGB(0, 0, 0)) continue;
            inkLeft = std::min(inkLeft, x);
            inkBottom = std::max(inkBottom, y + 1);
        }
    }
    EXPECT_GT(inkLeft, 20);
    EXPECT_GT(inkBottom, 30);
    EXPECT_EQ(PixelAt(surface, 0, 0), RGB(0, 0, 0));

    // Without a Text key the text stays; the same style shares the font.
    QeSkinText other;
    other.SetText(L"kept");
    ASSERT_TRUE(other.Load(Element(L"<E><FontSize>18</FontSize></E>")));
    EXPECT_EQ(other.Text(), L"kept");
    EXPECT_EQ(other.FontHandle().Handle(), text.FontHandle().Handle());
}

}  // namespace
