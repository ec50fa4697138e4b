#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/graphics/gdi.h"
#include "tests/platform/gdi_test_support.h"

namespace {

using gditest::Canvas;
using gditest::DibFormat;
using Picture = std::vector<std::uint32_t>;

// ---- Objects, selection and deletion ----

TEST(GdiObjects, SelectionAnswersWhatItReplacesAndABitmapLivesInOneDc) {
    HDC screen = GetDC(nullptr);
    ASSERT_NE(nullptr, screen);
    HDC a = CreateCompatibleDC(screen);
    HDC b = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 2);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, bitmap);
    HGDIOBJ stock = SelectObject(a, bitmap);
    ASSERT_NE(nullptr, stock);
    EXPECT_EQ(bitmap, GetCurrentObject(a, OBJ_BITMAP));
    EXPECT_EQ(nullptr, SelectObject(b, bitmap));    // already selected in a
    EXPECT_EQ(nullptr, SelectObject(screen, bitmap));  // not a memory DC
    EXPECT_EQ(bitmap, SelectObject(a, stock));
    EXPECT_NE(nullptr, SelectObject(b, bitmap));  // free again

    // Bad handles are refused, never crash.
    EXPECT_EQ(nullptr, SelectObject(nullptr, bitmap));
    EXPECT_EQ(nullptr, SelectObject(a, nullptr));
    EXPECT_EQ(nullptr, SelectObject(a, reinterpret_cast<HGDIOBJ>(a)));
    EXPECT_EQ(FALSE, DeleteObject(nullptr));
    EXPECT_EQ(FALSE, DeleteObject(reinterpret_cast<HGDIOBJ>(a)));  // a DC goes with DeleteDC
    EXPECT_EQ(FALSE, DeleteDC(reinterpret_cast<HDC>(bitmap)));
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(screen, 0, 5));
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(screen, 5, -1));
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(screen, 40000, 1));
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(nullptr, 5, 5));
    EXPECT_EQ(nullptr, CreateCompatibleDC(reinterpret_cast<HDC>(bitmap)));

    EXPECT_EQ(TRUE, DeleteObject(bitmap));
    EXPECT_EQ(TRUE, DeleteDC(a));
    EXPECT_EQ(TRUE, DeleteDC(b));
    EXPECT_EQ(FALSE, DeleteDC(a));
    EXPECT_EQ(1, ReleaseDC(nullptr, screen));
    EXPECT_EQ(0, ReleaseDC(nullptr, screen));
}

TEST(GdiObjects, DeletingASelectedBitmapWaitsForItsDeselection) {
    Canvas out(2, 1, 0x000000);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 1);
    HGDIOBJ stock = SelectObject(dc, bitmap);
    RECT all{0, 0, 2, 1};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(TRUE, DeleteObject(bitmap));
    EXPECT_EQ(FALSE, DeleteObject(bitmap));  // once only
    BitmapPixels pixels;
    EXPECT_EQ(FALSE, GetBitmapPixels(bitmap, &pixels));  // gone for everyone but the DC

    // The DC still draws into it and reads from it.
    ASSERT_EQ(TRUE, BitBlt(out.dc, 0, 0, 2, 1, dc, 0, 0, SRCCOPY));
    EXPECT_EQ((Picture{0xFFFFFF, 0xFFFFFF}), out.Pixels());

    // Deselected: now it is freed (the sanitizer build sees any use after this).
    EXPECT_EQ(bitmap, SelectObject(dc, stock));
    EXPECT_EQ(nullptr, SelectObject(dc, bitmap));
    DeleteDC(dc);

    // Deleting the DC frees a bitmap whose deletion waits.
    HDC dc2 = CreateCompatibleDC(nullptr);
    HBITMAP bitmap2 = CreateCompatibleBitmap(dc2, 4, 4);
    SelectObject(dc2, bitmap2);
    DeleteObject(bitmap2);
    EXPECT_EQ(TRUE, DeleteDC(dc2));
    EXPECT_EQ(FALSE, DeleteObject(bitmap2));
}

TEST(GdiObjects, StockObjectsStayAndNewBitmapsAreBlack) {
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    ASSERT_NE(nullptr, white);
    EXPECT_EQ(white, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(TRUE, DeleteObject(white));
    EXPECT_EQ(white, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(nullptr, GetStockObject(-1));
    EXPECT_EQ(nullptr, GetStockObject(999));

    Canvas c(3, 2, 0x123456);
    HDC fresh = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(fresh, 3, 2);
    HGDIOBJ old = SelectObject(fresh, bitmap);
    BitBlt(c.dc, 0, 0, 3, 2, fresh, 0, 0, SRCCOPY);
    EXPECT_EQ(Picture(6, 0), c.Pixels());
    BitmapPixels pixels;
    ASSERT_EQ(TRUE, GetBitmapPixels(bitmap, &pixels));
    EXPECT_EQ(32, pixels.bitsPerPixel);
    EXPECT_EQ(12, pixels.stride);
    EXPECT_EQ(3, pixels.width);
    EXPECT_EQ(2, pixels.height);
    SelectObject(fresh, old);
    DeleteObject(bitmap);
    DeleteDC(fresh);
}

// ---- DIB formats in ----

// A 4 x 2 picture in each format: the rows' bytes (top row first, unpadded) and what they show.
const DibFormat kFormats[] = {
    {"1 bit", 1, BI_RGB, {}, {0x0000FF, 0xFFFF00}, {{0xB0}, {0x40}},
     {0xFFFF00, 0x0000FF, 0xFFFF00, 0xFFFF00, 0x0000FF, 0xFFFF00, 0x0000FF, 0x0000FF}},
    {"4 bit", 4, BI_RGB, {}, {0x000000, 0x110000, 0x002200, 0x000033, 0x444444, 0, 0, 0x777777, 0, 0, 0, 0, 0, 0, 0,
                              0xABCDEF},
     {{0x3F, 0x07}, {0x12, 0x34}},
     {0x000033, 0xABCDEF, 0x000000, 0x777777, 0x110000, 0x002200, 0x000033, 0x444444}},
    {"8 bit, short palette", 8, BI_RGB, {}, {0x010203, 0x040506, 0x070809},
     {{0, 1, 2, 1}, {2, 2, 0, 200}},  // 200 lies past the palette: black
     {0x010203, 0x040506, 0x070809, 0x040506, 0x070809, 0x070809, 0x010203, 0x000000}},
    {"16 bit 5-5-5", 16, BI_RGB, {}, {}, {{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42}, {0xFF, 0x7F, 0, 0, 1, 0, 0, 0}},
     {0xFF0000, 0x00FF00, 0x0000FF, 0x848484, 0xFFFFFF, 0x000000, 0x000008, 0x000000}},
    {"16 bit 5-6-5", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {},
     {{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84}, {0xFF, 0xFF, 0x20, 0, 0, 0, 0, 0}},
     {0xFF0000, 0x00FF00, 0x0000FF, 0x848284, 0xFFFFFF, 0x000400, 0x000000, 0x000000}},
    {"16 bit 4-4-4", 16, BI_BITFIELDS, {0x0F00, 0x00F0, 0x000F}, {},
     {{0x00, 0x0F, 0x80, 0x00, 0x01, 0x00, 0xFF, 0xFF}, {0, 0, 0, 0, 0, 0, 0, 0}},
     {0xFF0000, 0x008800, 0x000011, 0xFFFFFF, 0, 0, 0, 0}},
    {"24 bit", 24, BI_RGB, {}, {}, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 9, 9, 9}},
     {0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0000FF, 0x00FF00, 0xFF0000, 0x090909}},
    {"32 bit", 32, BI_RGB, {}, {}, {{1, 2, 3, 99, 4, 5, 6, 0, 7, 8, 9, 255, 10, 11, 12, 1}, std::vector<BYTE>(16, 0x80)},
     {0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x808080, 0x808080, 0x808080, 0x808080}},
    {"32 bit red low", 32, BI_BITFIELDS, {0x0000FF, 0x00FF00, 0xFF0000}, {},
     {{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0}, std::vector<BYTE>(16, 0)},
     {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0, 0, 0, 0}},
};

TEST(GdiDib, EveryFormatCopiesTopDownAndBottomUpIntoTheDeviceFormat) {
    for (const DibFormat& format : kFormats) {
        for (bool topDown : {true, false}) {
            SCOPED_TRACE(std::string(format.name) + (topDown ? " top-down" : " bottom-up"));
            gditest::Dib dib(format, topDown);
            ASSERT_NE(nullptr, dib.bitmap);
            HDC source = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(source, dib.bitmap);
            Canvas out(4, 2, 0x5A5A5A);
            ASSERT_EQ(TRUE, BitBlt(out.dc, 0, 0, 4, 2, source, 0, 0, SRCCOPY));
            EXPECT_EQ(format.expected, out.Pixels());

            // The same bytes through SetDIBitsToDevice.
            Canvas direct(4, 2, 0x5A5A5A);
            EXPECT_EQ(2, SetDIBitsToDevice(direct.dc, 0, 0, 4, 2, 0, 0, 0, 2, dib.bits, dib.Info(), DIB_RGB_COLORS));
            EXPECT_EQ(format.expected, direct.Pixels());
            SelectObject(source, old);
            DeleteDC(source);
        }
    }
}

TEST(GdiDib, CopiesFillsAndTextGoOutIntoEachDrawableDepth) {
    Canvas source(2, 1, 0);
    source.Set(0, 0, 0xFF8000);
    source.Set(1, 0, 0x0842FF);
    struct Case {
        DibFormat format;
        std::vector<BYTE> copied;  // the two pixels' bytes after the copy
        std::vector<BYTE> filled;  // after a fill with 0x102030 (red 0x10)
    };
    const Case cases[] = {
        // 32 bits to 32 bits copies the fourth byte as it is.
        {{"32 bit", 32, BI_RGB, {}, {}, {{}}, {}}, {0x00, 0x80, 0xFF, 0x00, 0xFF, 0x42, 0x08, 0x00},
         {0x30, 0x20, 0x10, 0xFF, 0x30, 0x20, 0x10, 0xFF}},
        {{"24 bit", 24, BI_RGB, {}, {}, {{}}, {}}, {0x00, 0x80, 0xFF, 0xFF, 0x42, 0x08},
         {0x30, 0x20, 0x10, 0x30, 0x20, 0x10}},
        {{"5-5-5", 16, BI_RGB, {}, {}, {{}}, {}}, {0x00, 0x7E, 0x1F, 0x05}, {0x86, 0x08, 0x86, 0x08}},
        {{"5-6-5", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {}, {{}}, {}}, {0x00, 0xFC, 0x1F, 0x0A},
         {0x06, 0x11, 0x06, 0x11}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format.name);
        gditest::Dib dib(c.format, true, 2);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, dib.bitmap);
        const BYTE* bytes = static_cast<const BYTE*>(dib.bits);
        ASSERT_EQ(TRUE, BitBlt(dc, 0, 0, 2, 1, source.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(c.copied, std::vector<BYTE>(bytes, bytes + c.copied.size()));
        const HBRUSH brush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        const RECT all{0, 0, 2, 1};
        ASSERT_EQ(1, FillRect(dc, &all, brush));
        SetBkColor(dc, RGB(0x10, 0x20, 0x30));
        ASSERT_EQ(TRUE, ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr));
        EXPECT_EQ(c.filled, std::vector<BYTE>(bytes, bytes + c.filled.size()));
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    // Palette bitmaps are sources only.
    gditest::Dib palette(DibFormat{"8 bit", 8, BI_RGB, {}, {0x000000, 0xFFFFFF}, {{1, 0}}, {}}, true, 2);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, palette.bitmap);
    const RECT all{0, 0, 2, 1};
    EXPECT_EQ(FALSE, BitBlt(dc, 0, 0, 2, 1, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(0, FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(FALSE, ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, L"a", 1, nullptr));
    EXPECT_EQ((std::vector<BYTE>{1, 0}), std::vector<BYTE>(static_cast<BYTE*>(palette.bits), static_cast<BYTE*>(palette.bits) + 2));
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST(GdiDib, SetDIBitsToDeviceTakesPartsOfTheLinesAndSourceRectangles) {
    // A bottom-up 24-bit DIB of 2 x 4; pixel (x, row from the top) = 0x0000RX.
    const DibFormat format{"24 bit", 24, BI_RGB, {}, {},
                       {{0x00, 0, 0, 0x01, 0, 0}, {0x10, 0, 0, 0x11, 0, 0}, {0x20, 0, 0, 0x21, 0, 0},
                        {0x30, 0, 0, 0x31, 0, 0}},
                       {}};
    gditest::Dib dib(format, false, 2);
    const BYTE* rows = static_cast<const BYTE*>(dib.bits);
    const int stride = 8;
    {
        // Scan lines 1 and 2 counted from the bottom: the picture's rows 2 and 1.
        Canvas out(2, 4, 0xEEEEEE);
        EXPECT_EQ(2, SetDIBitsToDevice(out.dc, 0, 0, 2, 4, 0, 0, 1, 2, rows + stride, dib.Info(), DIB_RGB_COLORS));
        EXPECT_EQ((Picture{0xEEEEEE, 0xEEEEEE, 0x10, 0x11, 0x20, 0x21, 0xEEEEEE, 0xEEEEEE}), out.Pixels());
    }
    {
        // A 1 x 2 source rectangle whose lower-left corner is (1, 1) from the bottom: rows 1 and 2.
        Canvas out(2, 2, 0xEEEEEE);
        EXPECT_EQ(4, SetDIBitsToDevice(out.dc, 1, 0, 1, 2, 1, 1, 0, 4, rows, dib.Info(), DIB_RGB_COLORS));
        EXPECT_EQ((Picture{0xEEEEEE, 0x11, 0xEEEEEE, 0x21}), out.Pixels());
    }
    gditest::Dib topDown(format, true, 2);
    {
        // Top-down: the source rectangle's corner is its top-left, rows counted from the top.
        Canvas out(2, 2, 0xEEEEEE);
        EXPECT_EQ(4, SetDIBitsToDevice(out.dc, 0, 0, 2, 2, 0, 1, 0, 4, topDown.bits, topDown.Info(), DIB_RGB_COLORS));
        EXPECT_EQ((Picture{0x10, 0x11, 0x20, 0x21}), out.Pixels());
    }
    Canvas out(2, 2, 0xEEEEEE);
    EXPECT_EQ(0, SetDIBitsToDevice(out.dc, 0, 0, 2, 2, 0, 0, 0, 4, nullptr, dib.Info(), DIB_RGB_COLORS));
    EXPECT_EQ(0, SetDIBitsToDevice(out.dc, 0, 0, 2, 2, 0, 0, 0, 4, rows, dib.Info(), DIB_PAL_COLORS));
    EXPECT_EQ(0, SetDIBitsToDevice(out.dc, 0, 0, 2, 2, 0, 0, 4, 1, rows, dib.Info(), DIB_RGB_COLORS));
    EXPECT_EQ(Picture(4, 0xEEEEEE), out.Pixels());
}

TEST(GdiDib, BadHeadersAreRefused) {
    struct Case {
        const char* name;
        LONG width, height;
        WORD bits;
        DWORD compression;
        DWORD size;
        std::uint32_t masks[3];
    };
    const Case cases[] = {
        {"zero width", 0, 4, 32, BI_RGB, 40, {}},
        {"negative width", -4, 4, 32, BI_RGB, 40, {}},
        {"zero height", 4, 0, 32, BI_RGB, 40, {}},
        {"too wide", 32768, 1, 8, BI_RGB, 40, {}},
        {"too many bytes", 32767, 32767, 32, BI_RGB, 40, {}},
        {"depth 2", 4, 4, 2, BI_RGB, 40, {}},
        {"depth 0", 4, 4, 0, BI_RGB, 40, {}},
        {"depth 64", 4, 4, 64, BI_RGB, 40, {}},
        {"short header", 4, 4, 32, BI_RGB, 39, {}},
        {"RLE section", 4, 4, 8, BI_RLE8, 40, {}},
        {"bit fields on 24", 4, 4, 24, BI_BITFIELDS, 40, {0xFF0000, 0xFF00, 0xFF}},
        {"gappy mask", 4, 4, 16, BI_BITFIELDS, 40, {0xF00F, 0x00F0, 0x0F00}},
        {"overlapping masks", 4, 4, 16, BI_BITFIELDS, 40, {0xFF00, 0x0FF0, 0x000F}},
        {"mask past 16 bits", 4, 4, 16, BI_BITFIELDS, 40, {0x1F0000, 0x07E0, 0x001F}},
        {"empty mask", 4, 4, 32, BI_BITFIELDS, 40, {0, 0xFF00, 0xFF}},
        {"unknown compression", 4, 4, 32, 7, 40, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gditest::InfoBlock info{};
        info.header.biSize = c.size;
        info.header.biWidth = c.width;
        info.header.biHeight = c.height;
        info.header.biBitCount = c.bits;
        info.header.biCompression = c.compression;
        std::memcpy(info.extra, c.masks, sizeof c.masks);
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(nullptr, CreateDIBSection(nullptr, info.Info(), DIB_RGB_COLORS, &bits, nullptr, 0));
        EXPECT_EQ(nullptr, bits);
        Canvas out(1, 1, 0x333333);
        std::vector<BYTE> pixels(64, 0xFF);
        EXPECT_EQ(0, SetDIBitsToDevice(out.dc, 0, 0, 1, 1, 0, 0, 0, 1, pixels.data(), info.Info(), DIB_RGB_COLORS));
        EXPECT_EQ(Picture{0x333333}, out.Pixels());
    }
    // The framework's own header: size 44 (the whole info block), planes left 0.
    gditest::InfoBlock info{};
    info.header.biSize = 44;
    info.header.biWidth = 3;
    info.header.biHeight = -2;
    info.header.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP ok = CreateDIBSection(nullptr, info.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, ok);
    EXPECT_EQ(std::vector<BYTE>(24, 0), std::vector<BYTE>(static_cast<BYTE*>(bits), static_cast<BYTE*>(bits) + 24));
    DeleteObject(ok);
    EXPECT_EQ(nullptr, CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(nullptr, CreateDIBSection(nullptr, info.Info(), DIB_PAL_COLORS, &bits, nullptr, 0));
}

// ---- Copies ----

// Each pixel of a w x h picture a distinct colour: 0xYYXX01.
void Number(Canvas& c) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) c.Set(x, y, static_cast<std::uint32_t>((y << 16) | (x << 8) | 1));
}

TEST(GdiBlit, CopiesClipToBothBitmapsAndKeepWhatHasNoSource) {
    Canvas source(4, 3, 0);
    Number(source);
    struct Case {
        const char* name;
        int x, y, w, h, xs, ys;
    };
    const Case cases[] = {
        {"inside", 1, 1, 2, 2, 0, 0},       {"off the destination", -2, -1, 4, 3, 0, 0},
        {"off the source", 0, 0, 5, 5, -1, -2}, {"far off", 0, 0, 5, 5, 100, 0},
        {"huge extent", 0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas out(5, 4, 0xEEEEEE);
        ASSERT_EQ(TRUE, BitBlt(out.dc, c.x, c.y, c.w, c.h, source.dc, c.xs, c.ys, SRCCOPY));
        Picture expected(20, 0xEEEEEE);
        for (long long y = 0; y < 4; ++y)
            for (long long x = 0; x < 5; ++x) {
                const long long sx = x - c.x + c.xs, sy = y - c.y + c.ys;
                const bool inside = x >= c.x && x < c.x + static_cast<long long>(c.w) && y >= c.y &&
                                    y < c.y + static_cast<long long>(c.h);
                if (inside && sx >= 0 && sx < 4 && sy >= 0 && sy < 3)
                    expected[static_cast<size_t>(y * 5 + x)] = source.At(static_cast<int>(sx), static_cast<int>(sy));
            }
        EXPECT_EQ(expected, out.Pixels());
    }
    Canvas out(2, 2, 0xEEEEEE);
    EXPECT_EQ(FALSE, BitBlt(out.dc, 0, 0, -1, 2, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(FALSE, BitBlt(out.dc, 0, 0, 2, 2, source.dc, 0, 0, 0x00EE0086));
    EXPECT_EQ(FALSE, BitBlt(out.dc, 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
    EXPECT_EQ(FALSE, BitBlt(nullptr, 0, 0, 2, 2, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(TRUE, BitBlt(out.dc, 0, 0, 0, 2, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(Picture(4, 0xEEEEEE), out.Pixels());
}

TEST(GdiBlit, OverlappingCopiesInsideOneBitmapReadBeforeTheyWrite) {
    struct Case {
        int x, y, xs, ys;
    };
    for (const Case& c : {Case{1, 1, 0, 0}, Case{0, 0, 1, 1}, Case{0, 2, 0, 0}, Case{2, 0, 0, 0}, Case{0, 0, 0, 2},
                          Case{0, 0, 2, 0}, Case{2, 0, 0, 2}}) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " from " << c.xs << "," << c.ys);
        Canvas c1(6, 5, 0);
        Number(c1);
        const Picture before = c1.Pixels();
        ASSERT_EQ(TRUE, BitBlt(c1.dc, c.x, c.y, 4, 3, c1.dc, c.xs, c.ys, SRCCOPY));
        Picture expected = before;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                expected[static_cast<size_t>((c.y + y) * 6 + c.x + x)] = before[static_cast<size_t>((c.ys + y) * 6 + c.xs + x)];
        EXPECT_EQ(expected, c1.Pixels());
    }
}

TEST(GdiBlit, PaintDcDrawsOnlyInsideItsRegion) {
    HDC screen = GetDC(nullptr);
    HBITMAP target = CreateCompatibleBitmap(screen, 4, 3);
    const RECT parts[] = {{0, 0, 2, 1}, {1, 0, 3, 2}, {3, 2, 9, 9}, {2, 2, 2, 3}};
    HDC paint = CreatePaintDC(target, parts, 4);
    ASSERT_NE(nullptr, paint);
    EXPECT_EQ(nullptr, SelectObject(paint, CreateCompatibleBitmap(screen, 1, 1)));
    Canvas source(4, 3, 0x102030);
    ASSERT_EQ(TRUE, BitBlt(paint, 0, 0, 4, 3, source.dc, 0, 0, SRCCOPY));
    BitmapPixels pixels;
    ASSERT_EQ(TRUE, GetBitmapPixels(target, &pixels));
    const Picture expected{0x102030, 0x102030, 0x102030, 0, 0, 0x102030, 0x102030, 0, 0, 0, 0, 0x102030};
    EXPECT_EQ(expected, gditest::Read(pixels));
    // The box around what the DC may draw on, and pixels read through it.
    const RECT limit{1, 1, 3, 3};
    RECT box{};
    SetClipRect(paint, &limit);
    EXPECT_EQ(SIMPLEREGION, GetClipBox(paint, &box));
    EXPECT_EQ((std::vector<LONG>{1, 1, 3, 2}), (std::vector<LONG>{box.left, box.top, box.right, box.bottom}));
    EXPECT_EQ((std::vector<COLORREF>{RGB(0x10, 0x20, 0x30), CLR_INVALID, CLR_INVALID}),
              (std::vector<COLORREF>{GetPixel(paint, 2, 1), GetPixel(paint, 0, 1), GetPixel(paint, 2, 2)}));
    SetClipRect(paint, nullptr);

    // The target lives while the paint DC does.
    EXPECT_EQ(TRUE, DeleteObject(target));
    RECT all{0, 0, 4, 3};
    EXPECT_EQ(1, FillRect(paint, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(1, ReleaseDC(nullptr, paint));
    EXPECT_EQ(nullptr, CreatePaintDC(target, parts, 1));

    // No rectangles: nothing is drawn.
    HBITMAP other = CreateCompatibleBitmap(screen, 2, 2);
    HDC none = CreatePaintDC(other, nullptr, 0);
    ASSERT_NE(nullptr, none);
    EXPECT_EQ(TRUE, BitBlt(none, 0, 0, 2, 2, source.dc, 0, 0, SRCCOPY));
    ASSERT_EQ(TRUE, GetBitmapPixels(other, &pixels));
    EXPECT_EQ(Picture(4, 0), gditest::Read(pixels));
    EXPECT_EQ(NULLREGION, GetClipBox(none, &box));
    DeleteDC(none);
    DeleteObject(other);
    ReleaseDC(nullptr, screen);
}


// ---- Stretching ----

// A row of 1 x n or a column: the stretch maps each destination pixel to one source pixel.
std::vector<int> StretchRow(int from, int to) {
    Canvas source(from, 1, 0);
    for (int x = 0; x < from; ++x) source.Set(x, 0, static_cast<std::uint32_t>(x + 1));
    Canvas out(to, 1, 0xEEEEEE);
    EXPECT_EQ(TRUE, StretchBlt(out.dc, 0, 0, to, 1, source.dc, 0, 0, from, 1, SRCCOPY));
    std::vector<int> picked;
    for (std::uint32_t p : out.Pixels()) picked.push_back(static_cast<int>(p) - 1);
    return picked;
}

TEST(GdiStretch, EachDestinationPixelTakesTheSourcePixelUnderItsCentre) {
    EXPECT_EQ((std::vector<int>{0, 0, 1, 1}), StretchRow(2, 4));
    EXPECT_EQ((std::vector<int>{0, 0, 0, 1, 1, 1}), StretchRow(2, 6));
    EXPECT_EQ((std::vector<int>{0, 2}), StretchRow(4, 2));   // centres on borders take the pixel before
    EXPECT_EQ((std::vector<int>{0, 2}), StretchRow(3, 2));   // centres at 0.75 and 2.25
    EXPECT_EQ((std::vector<int>{0, 1, 1, 2}), StretchRow(3, 4));  // 0.375, 1.125, 1.875, 2.625
    EXPECT_EQ((std::vector<int>{1}), StretchRow(3, 1));
    EXPECT_EQ(std::vector<int>(480, 0), StretchRow(1, 480));  // a step rounded up nears the next pixel

    // Vertically too, with a source rectangle partly off the source: those rows stay.
    Canvas source(1, 2, 0);
    source.Set(0, 0, 0x11);
    source.Set(0, 1, 0x22);
    Canvas out(1, 6, 0xEEEEEE);
    ASSERT_EQ(TRUE, StretchBlt(out.dc, 0, 0, 1, 6, source.dc, 0, -1, 1, 3, SRCCOPY));
    EXPECT_EQ((Picture{0xEEEEEE, 0xEEEEEE, 0x11, 0x11, 0x22, 0x22}), out.Pixels());
    EXPECT_EQ(FALSE, StretchBlt(out.dc, 0, 0, 1, 40000, source.dc, 0, 0, 1, 2, SRCCOPY));
    EXPECT_EQ(FALSE, StretchBlt(out.dc, 0, 0, 1, 2, source.dc, 0, 0, -1, 2, SRCCOPY));
}

// The colour key picks the same pixels as pixman's stretch, for any ratio and clip.
TEST(GdiStretch, ColourKeyAndCopyAgreeOnEveryRatio) {
    Canvas source(13, 7, 0);
    Number(source);
    // The same picture in 24 bits goes through the general keyed path rather than the 32-bit loop.
    gditest::Dib wide(DibFormat{"24 bit", 24, BI_RGB, {}, {}, std::vector<std::vector<BYTE>>(7), {}}, true, 13);
    HDC wideDc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(wideDc, wide.bitmap);
    ASSERT_EQ(TRUE, BitBlt(wideDc, 0, 0, 13, 7, source.dc, 0, 0, SRCCOPY));
    const int sizes[][4] = {{13, 7, 5, 3}, {3, 2, 13, 11}, {7, 7, 9, 4}, {13, 7, 40, 17}, {5, 3, 4, 6}};
    for (HDC from : {source.dc, wideDc}) {
        for (const auto& s : sizes) {
            for (int offset : {0, -3}) {
                SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3] << " at "
                                                << offset << (from == wideDc ? " from 24 bits" : ""));
                Canvas copied(30, 20, 0xEEEEEE), keyed(30, 20, 0xEEEEEE);
                ASSERT_EQ(TRUE, StretchBlt(copied.dc, offset, 1, s[2], s[3], from, 1, offset, s[0], s[1], SRCCOPY));
                ASSERT_EQ(TRUE, TransparentImage(keyed.dc, offset, 1, s[2], s[3], from, 1, offset, s[0], s[1],
                                                 RGB(0xFF, 0, 0xFF)));
                EXPECT_EQ(copied.Pixels(), keyed.Pixels());
            }
        }
    }
    SelectObject(wideDc, old);
    DeleteDC(wideDc);
}

// ---- Colour key ----

TEST(GdiColourKey, PixelsOfTheKeyAreSkippedInEachSourceFormat) {
    // Magenta in each source's own terms; 0xEEEEEE in what is expected marks a skipped pixel.
    const std::uint32_t kept = 0xEEEEEE;
    const DibFormat formats[] = {
        {"32 bit, fourth byte ignored", 32, BI_RGB, {}, {},
         {{1, 2, 3, 0, 0xFF, 0, 0xFF, 0x00, 4, 5, 6, 0, 0xFF, 0, 0xFF, 0x77}}, {0x030201, kept, 0x060504, kept}},
        {"24 bit, a near miss drawn", 24, BI_RGB, {}, {}, {{1, 2, 3, 0xFF, 0, 0xFF, 0xFE, 0, 0xFF, 0xFF, 0, 0xFF}},
         {0x030201, kept, 0xFF00FE, kept}},
        {"16 bit 5-6-5", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {},
         {{0x00, 0xF8, 0x1F, 0xF8, 0x1F, 0x00, 0x1F, 0xF8}}, {0xFF0000, kept, 0x0000FF, kept}},
        {"8 bit by palette colour", 8, BI_RGB, {}, {0x000000, 0xFF00FF, 0x123456, 0xFF00FF}, {{2, 1, 0, 3}},
         {0x123456, kept, 0x000000, kept}},
        {"4 bit", 4, BI_RGB, {}, {0xFF00FF, 0x00FF00}, {{0x10, 0x10}}, {0x00FF00, kept, 0x00FF00, kept}},
        {"1 bit", 1, BI_RGB, {}, {0x0000FF, 0xFF00FF}, {{0x50}}, {0x0000FF, kept, 0x0000FF, kept}},
    };
    for (const DibFormat& format : formats) {
        SCOPED_TRACE(format.name);
        gditest::Dib dib(format, true);
        ASSERT_NE(nullptr, dib.bitmap);
        Canvas out(4, 1, kept);
        // A bitmap handle serves as the source as well as a DC.
        ASSERT_EQ(TRUE, TransparentImage(out.dc, 0, 0, 4, 1, dib.bitmap, 0, 0, 4, 1, RGB(0xFF, 0x00, 0xFF)));
        EXPECT_EQ(format.expected, out.Pixels());
    }
    // A 16-bit source compares the key cut down to its masks.
    gditest::Dib dib(formats[2], true);
    Canvas out(4, 1, kept);
    ASSERT_EQ(TRUE, TransparentImage(out.dc, 0, 0, 4, 1, dib.bitmap, 0, 0, 4, 1, RGB(0xFE, 0x01, 0xFC)));
    EXPECT_EQ(formats[2].expected, out.Pixels());
}

TEST(GdiColourKey, KeyedCopiesIntoOtherDepthsAndWithinOneBitmap) {
    Canvas source(3, 1, 0);
    source.Set(0, 0, 0xFF00FF);
    source.Set(1, 0, 0x00FF00);
    source.Set(2, 0, 0xFF00FF);
    // Into a 16-bit DIB section.
    gditest::Dib target(
        DibFormat{"565", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {}, {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, {}},
        true, 3);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target.bitmap);
    ASSERT_EQ(TRUE, TransparentImage(dc, 0, 0, 3, 1, source.dc, 0, 0, 3, 1, RGB(0xFF, 0, 0xFF)));
    const BYTE* bytes = static_cast<const BYTE*>(target.bits);
    EXPECT_EQ((std::vector<BYTE>{0xFF, 0xFF, 0xE0, 0x07, 0xFF, 0xFF}), std::vector<BYTE>(bytes, bytes + 6));
    SelectObject(dc, old);
    DeleteDC(dc);

    // Within one bitmap, overlapping: the keyed pixel leaves what was there before the copy.
    Canvas one(4, 1, 0);
    one.Set(0, 0, 0x000001);
    one.Set(1, 0, 0xFF00FF);
    one.Set(2, 0, 0x000003);
    one.Set(3, 0, 0x000004);
    ASSERT_EQ(TRUE, TransparentImage(one.dc, 1, 0, 3, 1, one.dc, 0, 0, 3, 1, RGB(0xFF, 0, 0xFF)));
    EXPECT_EQ((Picture{0x000001, 0x000001, 0x000003, 0x000003}), one.Pixels());
}

// ---- Alpha ----

// pixman's product of two 8-bit values, rounded.
int Mul(int a, int b) {
    const int t = a * b + 0x80;
    return (t + (t >> 8)) >> 8;
}

TEST(GdiAlpha, ConstantAlphaBlendsOpaqueSources) {
    const std::uint32_t src = 0xC86432, dst = 0x1E3C5A;
    for (int alpha : {0, 1, 64, 128, 200, 254, 255}) {
        SCOPED_TRACE(alpha);
        Canvas source(2, 1, src);
        *source.Pixel(1, 0) = 0x00C86432;  // a fourth byte of 0 does not matter
        Canvas out(2, 1, dst);
        ASSERT_EQ(TRUE, AlphaBlend(out.dc, 0, 0, 2, 1, source.dc, 0, 0, 2, 1,
                                   BLENDFUNCTION{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0}));
        std::uint32_t expected = 0;
        for (int shift : {16, 8, 0}) {
            const int s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
            expected |= static_cast<std::uint32_t>(Mul(s, alpha) + Mul(d, 255 - alpha)) << shift;
        }
        EXPECT_EQ(Picture(2, expected), out.Pixels());
        // One source pixel stretched over an area (the dimming behind a popup) blends alike.
        Canvas area(3, 2, dst);
        ASSERT_EQ(TRUE, AlphaBlend(area.dc, 0, 0, 3, 2, source.dc, 1, 0, 1, 1,
                                   BLENDFUNCTION{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0}));
        EXPECT_EQ(Picture(6, expected), area.Pixels());
    }
}

TEST(GdiAlpha, PerPixelAlphaTakesPremultipliedPixels) {
    // Premultiplied BGRA: transparent, opaque, half, a quarter with constant alpha 128 on top.
    const std::vector<BYTE> row{0, 0, 0, 0, 10, 20, 30, 255, 50, 40, 30, 128, 64, 0, 32, 64};
    const DibFormat format{"32 bit", 32, BI_RGB, {}, {}, {row}, {}};
    gditest::Dib dib(format, false);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib.bitmap);
    const std::uint32_t dst = 0x6496C8;  // R 100, G 150, B 200
    for (int constant : {255, 128}) {
        SCOPED_TRACE(constant);
        Canvas out(4, 1, dst);
        ASSERT_EQ(TRUE, AlphaBlend(out.dc, 0, 0, 4, 1, dc, 0, 0, 4, 1,
                                   BLENDFUNCTION{AC_SRC_OVER, 0, static_cast<BYTE>(constant), AC_SRC_ALPHA}));
        Picture expected;
        for (int x = 0; x < 4; ++x) {
            const int a = Mul(row[static_cast<size_t>(4 * x + 3)], constant);
            std::uint32_t p = 0;
            for (int c = 0; c < 3; ++c) {
                const int s = Mul(row[static_cast<size_t>(4 * x + c)], constant);
                const int d = (dst >> (8 * c)) & 0xFF;
                p |= static_cast<std::uint32_t>(std::min(255, s + Mul(d, 255 - a))) << (8 * c);
            }
            expected.push_back(p);
        }
        EXPECT_EQ(expected, out.Pixels());
        Canvas area(3, 1, dst);
        ASSERT_EQ(TRUE, AlphaBlend(area.dc, 0, 0, 3, 1, dc, 2, 0, 1, 1,
                                   BLENDFUNCTION{AC_SRC_OVER, 0, static_cast<BYTE>(constant), AC_SRC_ALPHA}));
        EXPECT_EQ(Picture(3, expected[2]), area.Pixels()) << "one pixel stretched";
    }
    // Stretched: each destination pixel blends its nearest source pixel.
    Canvas out(8, 1, dst);
    ASSERT_EQ(TRUE, AlphaBlend(out.dc, 0, 0, 8, 1, dc, 0, 0, 4, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
    const Picture p = out.Pixels();
    for (int x = 0; x < 8; x += 2) EXPECT_EQ(p[static_cast<size_t>(x)], p[static_cast<size_t>(x + 1)]);
    EXPECT_EQ(dst, p[0]);
    EXPECT_EQ(0x1E140Au, p[2]);
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST(GdiAlpha, RefusedBlendsDrawNothing) {
    Canvas device(4, 4, 0x808080);
    const DibFormat format{
        "32 bit", 32, BI_RGB, {}, {}, {std::vector<BYTE>(16, 0x40), std::vector<BYTE>(16, 0x40)}, {}};
    const DibFormat format24{"24 bit", 24, BI_RGB, {}, {}, {std::vector<BYTE>(12, 0x40)}, {}};
    gditest::Dib dib(format, true), dib24(format24, true);
    HDC dibDc = CreateCompatibleDC(nullptr), dib24Dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old1 = SelectObject(dibDc, dib.bitmap), old2 = SelectObject(dib24Dc, dib24.bitmap);
    const BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0}, perPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    struct Case {
        const char* name;
        HDC dest;
        int x, y, w, h;
        HDC source;
        int xs, ys, ws, hs;
        BLENDFUNCTION blend;
    };
    const Case cases[] = {
        {"negative width", device.dc, 0, 0, -1, 1, dibDc, 0, 0, 1, 1, half},
        {"negative source height", device.dc, 0, 0, 1, 1, dibDc, 0, 0, 1, -1, half},
        {"source off the left", device.dc, 0, 0, 2, 2, dibDc, -1, 0, 2, 2, half},
        {"source past the bottom", device.dc, 0, 0, 2, 2, dibDc, 0, 1, 2, 2, half},
        {"source past the right", device.dc, 0, 0, 2, 2, dibDc, 3, 0, 2, 2, half},
        {"overlap in one bitmap", device.dc, 1, 1, 2, 2, device.dc, 0, 0, 2, 2, half},
        {"per pixel of a device bitmap", dibDc, 0, 0, 1, 1, device.dc, 0, 0, 1, 1, perPixel},
        {"per pixel of 24 bits", device.dc, 0, 0, 1, 1, dib24Dc, 0, 0, 1, 1, perPixel},
        {"unknown operation", device.dc, 0, 0, 1, 1, dibDc, 0, 0, 1, 1, BLENDFUNCTION{1, 0, 128, 0}},
        {"no source", device.dc, 0, 0, 1, 1, nullptr, 0, 0, 1, 1, half},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FALSE, AlphaBlend(c.dest, c.x, c.y, c.w, c.h, c.source, c.xs, c.ys, c.ws, c.hs, c.blend));
    }
    EXPECT_EQ(Picture(16, 0x808080), device.Pixels());
    // Apart within one bitmap is fine.
    EXPECT_EQ(TRUE, AlphaBlend(device.dc, 2, 2, 2, 2, device.dc, 0, 0, 2, 2, half));
    SelectObject(dibDc, old1);
    SelectObject(dib24Dc, old2);
    DeleteDC(dibDc);
    DeleteDC(dib24Dc);
}

}  // namespace
