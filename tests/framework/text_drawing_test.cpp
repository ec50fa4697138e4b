#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "tests/framework/picture.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The columns and rows where anything but the background was drawn: {left, top, right, bottom},
// all zero when nothing was.
RECT Ink(const QeDC& dc, COLORREF background) {
    RECT ink = {0, 0, 0, 0};
    bool any = false;
    for (int y = 0; y < dc.Height(); ++y) {
        for (int x = 0; x < dc.Width(); ++x) {
            if (PixelAt(dc, x, y) == background) continue;
            if (!any) ink = RECT{x, y, x + 1, y + 1};
            any = true;
            ink.left = std::min<LONG>(ink.left, x);
            ink.top = std::min<LONG>(ink.top, y);
            ink.right = std::max<LONG>(ink.right, x + 1);
            ink.bottom = std::max<LONG>(ink.bottom, y + 1);
        }
    }
    return ink;
}

class TextDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        FontKey key;
        key.height = 16;
        ASSERT_TRUE(m_font.Create(key));
    }

    // A black surface with white transparent text selected.
    void Prepare(QeSurface& surface, int width, int height) {
        ASSERT_TRUE(surface.Create(width, height));
        surface.Fill(kBlack);
        surface.SelectFont(&m_font, false);
        surface.SetBackMode(1);
        surface.SetTextColor(kWhite);
    }

    QeFont m_font;
};

TEST_F(TextDrawingTest, TheDefaultFaceDrawsKorean) {
    QeSurface surface;
    Prepare(surface, 64, 24);
    const SIZE extent = surface.TextExtent(L"가나다");
    EXPECT_GT(extent.cx, 20);
    EXPECT_GT(extent.cy, 10);
    EXPECT_GT(surface.TextMetrics().tmHeight, 0);
    ASSERT_TRUE(surface.DrawText(L"가나다", {0, 0, 64, 24}, {0, 0, 64, 24}, kTextLeft | kTextTop));
    const RECT ink = Ink(surface, kBlack);
    EXPECT_GT(ink.right - ink.left, extent.cx / 2);
    // Real glyphs, not one missing-glyph box for every syllable.
    QeSurface ga, na;
    Prepare(ga, 24, 24);
    Prepare(na, 24, 24);
    ASSERT_TRUE(ga.DrawText(L"가", {0, 0, 24, 24}, {0, 0, 24, 24}, kTextLeft | kTextTop));
    ASSERT_TRUE(na.DrawText(L"나", {0, 0, 24, 24}, {0, 0, 24, 24}, kTextLeft | kTextTop));
    const std::map<COLORREF, char> legend = {{kBlack, '.'}};
    EXPECT_NE(Picture(ga, legend), Picture(na, legend));
}

TEST_F(TextDrawingTest, ShortenedTextStaysInsideItsRectangleForEveryAlignment) {
    const std::wstring text = L"Quite a long line of text";
    for (uint32_t align : {kTextLeft, kTextHCenter, kTextRight}) {
        QeSurface surface;
        Prepare(surface, 200, 24);
        const SIZE whole = surface.TextExtent(text);
        const RECT layout = {40, 0, 40 + whole.cx / 2, 24};
        ASSERT_TRUE(surface.DrawText(text, layout, {0, 0, 200, 24}, align | kTextVCenter | kTextEndEllipsis));
        const RECT ink = Ink(surface, kBlack);
        EXPECT_GT(ink.right - ink.left, 0) << align;
        EXPECT_GE(ink.left, layout.left) << align;
        EXPECT_LE(ink.right, layout.right) << align;
    }
}

TEST_F(TextDrawingTest, WiderTextCentresAroundItsRectangle) {
    QeSurface surface;
    Prepare(surface, 200, 24);
    const std::wstring text = L"MMMMMMMM";
    const SIZE whole = surface.TextExtent(text);
    const RECT layout = {100 - whole.cx / 4, 0, 100 + whole.cx / 4, 24};
    ASSERT_TRUE(surface.DrawText(text, layout, {0, 0, 200, 24}, kTextHCenter | kTextVCenter));
    const RECT ink = Ink(surface, kBlack);
    // A negative remainder puts the text out on both sides, about equally.
    EXPECT_LT(ink.left, layout.left);
    EXPECT_GT(ink.right, layout.right);
    EXPECT_NEAR(layout.left - ink.left, ink.right - layout.right, 3);
}

TEST_F(TextDrawingTest, OpaqueTextFillsItsClipRectangle) {
    QeSurface surface;
    Prepare(surface, 20, 10);
    surface.SetBackMode(0);
    surface.SetBackColor(RGB(0, 0, 255));
    ASSERT_TRUE(surface.DrawText(L"", {0, 0, 20, 10}, {2, 3, 6, 5}, kTextLeft));
    EXPECT_EQ(Ink(surface, kBlack).left, 2);
    EXPECT_EQ(Ink(surface, kBlack).bottom, 5);
    EXPECT_EQ(PixelAt(surface, 5, 4), RGB(0, 0, 255));
    // FillSolid with an empty rectangle covers the whole bitmap.
    surface.FillSolid(RGB(1, 2, 3), {0, 0, 0, 0});
    EXPECT_EQ(Ink(surface, RGB(1, 2, 3)).right, 0);
}

}  // namespace
