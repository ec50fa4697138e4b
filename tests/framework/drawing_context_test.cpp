#include "framework/ui/drawing/QeDC.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/ui/drawing/QeBitmap.h"
#include "tests/framework/picture.h"

namespace {

using Rows = std::vector<std::string>;


struct BlitCase {
    const char* what;
    RECT to;
    RECT from;
    Rows expected;
};

TEST(DrawingContextTest, EmptyExtentsStandForTheSourceBitmap) {
    const BlitCase cases[] = {
        {"both empty: the whole source at (0, 0)", {0, 0, 0, 0}, {0, 0, 0, 0}, {"RG..", "BW..", "...."}},
        {"both empty at an offset", {2, 1, 2, 1}, {0, 0, 0, 0}, {"....", "..RG", "..BW"}},
        {"empty destination: the source's extent", {0, 0, 0, 0}, {1, 0, 2, 1}, {"GG..", "GG..", "...."}},
        {"empty source, equal extents", {1, 1, 3, 3}, {0, 0, 0, 0}, {"....", ".RG.", ".BW."}},
        {"empty source, stretched", {0, 0, 4, 2}, {0, 0, 0, 0}, {"RRGG", "BBWW", "...."}},
        {"one row, stretched", {0, 2, 4, 3}, {0, 1, 2, 2}, {"....", "....", "BBWW"}},
    };
    QeSurface source;
    ASSERT_TRUE(MakeSurface(source, {"RG", "BW"}));
    for (const BlitCase& c : cases) {
        QeSurface target;
        ASSERT_TRUE(MakeSurface(target, {"....", "....", "...."}));
        EXPECT_TRUE(QeDC::Blit(target, source, c.to, c.from, SRCCOPY)) << c.what;
        EXPECT_EQ(Picture(target), c.expected) << c.what;
    }
}

TEST(DrawingContextTest, ColourKeyLeavesKeyPixelsUndrawn) {
    QeSurface source, target;
    ASSERT_TRUE(MakeSurface(source, {"MR", "GM"}));
    ASSERT_TRUE(MakeSurface(target, {"WWW", "WWW"}));
    EXPECT_TRUE(QeDC::TransparentBlit(target, source, {1, 0, 1, 0}, {0, 0, 0, 0}, RGB(255, 0, 255)));
    EXPECT_EQ(Picture(target), (Rows{"WWR", "WGW"}));
}

void ExpectColor(COLORREF actual, int red, int green, int blue, const char* what) {
    EXPECT_NEAR(GetRValue(actual), red, 1) << what;
    EXPECT_NEAR(GetGValue(actual), green, 1) << what;
    EXPECT_NEAR(GetBValue(actual), blue, 1) << what;
}

TEST(DrawingContextTest, ConstantAndPerPixelAlpha) {
    QeSurface white, target;
    ASSERT_TRUE(MakeSurface(white, {"WW"}));
    ASSERT_TRUE(MakeSurface(target, {"..", ".."}));
    EXPECT_TRUE(QeDC::AlphaBlit(target, white, {0, 0, 2, 1}, {0, 0, 0, 0}, 128));
    ExpectColor(PixelAt(target, 0, 0), 128, 128, 128, "white at 128 over black");
    ExpectColor(PixelAt(target, 1, 1), 0, 0, 0, "untouched");

    // Premultiplied pixels: half-transparent red, and a fully transparent one.
    QeDC source;
    ASSERT_TRUE(source.CreateMemoryDC());
    auto* bitmap = new QeBitmap;
    ASSERT_TRUE(bitmap->CreateDibSection(2, 1, 32));
    auto* bits = static_cast<BYTE*>(bitmap->Bits());
    const BYTE pixels[8] = {0, 0, 128, 128, 0, 0, 0, 0};
    std::copy(pixels, pixels + 8, bits);
    ASSERT_EQ(source.SelectBitmap(bitmap, true), 1);
    QeSurface back;
    ASSERT_TRUE(MakeSurface(back, {"WW"}));
    EXPECT_TRUE(QeDC::AlphaBlitPerPixel(back, source, {0, 0, 0, 0}, {0, 0, 0, 0}));
    ExpectColor(PixelAt(back, 0, 0), 255, 127, 127, "half red over white");
    ExpectColor(PixelAt(back, 1, 0), 255, 255, 255, "transparent over white");
}

TEST(DrawingContextTest, ReleaseRestoresAndDeletesOnlyWhatItOwns) {
    QeBitmap kept;
    ASSERT_TRUE(kept.CreateCompatible(3, 2));
    auto* owned = new QeBitmap;
    ASSERT_TRUE(owned->CreateCompatible(5, 4));
    const HBITMAP ownedHandle = owned->Handle();
    BitmapPixels pixels = {};
    {
        QeDC dc;
        ASSERT_TRUE(dc.CreateMemoryDC());
        EXPECT_EQ(dc.Kind(), QeDC::kMemory);
        EXPECT_EQ(dc.Width(), 0);
        ASSERT_EQ(dc.SelectBitmap(&kept, false), 1);
        EXPECT_EQ(dc.Width(), 3);
        // A bitmap selected in one DC cannot go into another.
        QeDC other;
        ASSERT_TRUE(other.CreateMemoryDC());
        EXPECT_EQ(other.SelectBitmap(&kept, false), 0);
        EXPECT_EQ(other.Width(), 0);
        // Selecting the next one gives the first back, still alive.
        ASSERT_EQ(dc.SelectBitmap(owned, true), 1);
        EXPECT_EQ(dc.Height(), 4);
        EXPECT_EQ(other.SelectBitmap(&kept, false), 1);
        other.Release();
        EXPECT_EQ(other.Handle(), nullptr);
    }
    EXPECT_TRUE(GetBitmapPixels(kept.Handle(), &pixels));
    EXPECT_FALSE(GetBitmapPixels(ownedHandle, &pixels));
}

TEST(DrawingContextTest, BlitsWithoutASourceBitmapDrawNothing) {
    QeDC empty;
    ASSERT_TRUE(empty.CreateMemoryDC());
    QeSurface target;
    ASSERT_TRUE(MakeSurface(target, {"WW"}));
    QeDC::Blit(target, empty, {0, 0, 0, 0}, {0, 0, 0, 0}, SRCCOPY);
    EXPECT_EQ(Picture(target), (Rows{"WW"}));
}

}  // namespace
