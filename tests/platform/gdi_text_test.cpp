// Text through the one Korean face the setup script installs: every font below is that face,
// whatever name it asks for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "platform/graphics/gdi.h"
#include "tests/platform/gdi_test_support.h"

namespace {

using gditest::Canvas;
using Picture = std::vector<std::uint32_t>;

HFONT MakeFont(LONG height, const wchar_t* face = L"", LONG weight = FW_NORMAL, BYTE underline = 0, BYTE strike = 0,
               BYTE italic = 0) {
    LOGFONTW description{};
    description.lfHeight = height;
    description.lfWeight = weight;
    description.lfUnderline = underline;
    description.lfStrikeOut = strike;
    description.lfItalic = italic;
    std::wcsncpy(description.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&description);
}

// A canvas with a font selected; the font goes with it.
struct TextCanvas : Canvas {
    HFONT font;
    HGDIOBJ oldFont;
    TextCanvas(int w, int h, std::uint32_t fill, HFONT f) : Canvas(w, h, fill), font(f) {
        oldFont = SelectObject(dc, font);
    }
    ~TextCanvas() {
        SelectObject(dc, oldFont);
        DeleteObject(font);
    }
    TEXTMETRICW Metrics() const {
        TEXTMETRICW m{};
        EXPECT_EQ(TRUE, GetTextMetricsW(dc, &m));
        return m;
    }
    SIZE Extent(const std::wstring& text) const {
        SIZE size{};
        EXPECT_EQ(TRUE, GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr, nullptr, &size));
        return size;
    }
    // The bounds of every pixel that is not the fill colour (empty when there is none).
    RECT Ink(std::uint32_t fill) const {
        RECT r{width, height, 0, 0};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (At(x, y) != fill) r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y),
                                               std::max<LONG>(r.right, x + 1), std::max<LONG>(r.bottom, y + 1)};
        return r;
    }
};

const std::wstring kMixed = L"한글 Tevrik 0123 \x25CF\x25CF 메시지";

TEST(GdiText, MetricsFollowTheRequestedHeight) {
    for (LONG height : {12, 16, 17, 24, 40}) {
        SCOPED_TRACE(height);
        TextCanvas cell(1, 1, 0, MakeFont(height));
        ASSERT_NE(nullptr, cell.font);
        const TEXTMETRICW m = cell.Metrics();
        EXPECT_EQ(height, m.tmHeight);
        EXPECT_EQ(m.tmHeight, m.tmAscent + m.tmDescent);
        EXPECT_GT(m.tmAscent, m.tmDescent);
        EXPECT_GT(m.tmAveCharWidth, 0);
        EXPECT_GE(m.tmMaxCharWidth, m.tmAveCharWidth);

        TextCanvas em(1, 1, 0, MakeFont(-height));
        const TEXTMETRICW e = em.Metrics();
        EXPECT_EQ(e.tmHeight, e.tmAscent + e.tmDescent);
        EXPECT_GE(e.tmHeight, height);  // the em is only part of the cell
        EXPECT_EQ(e.tmHeight - height, e.tmInternalLeading);
    }
    TextCanvas byDefault(1, 1, 0, MakeFont(0));
    EXPECT_EQ(16, byDefault.Metrics().tmHeight);

    // A DC starts with the system font, the same default face at the same default height.
    Canvas plain(1, 1, 0);
    TEXTMETRICW m{};
    ASSERT_EQ(TRUE, GetTextMetricsW(plain.dc, &m));
    EXPECT_EQ(16, m.tmHeight);

    EXPECT_EQ(nullptr, MakeFont(5000));
    EXPECT_EQ(nullptr, MakeFont(-5000));
    EXPECT_EQ(nullptr, CreateFontIndirectW(nullptr));
    EXPECT_EQ(FALSE, GetTextMetricsW(nullptr, &m));
}

TEST(GdiText, FacesNotInstalledAndTheDeviceFaceAreTheDefaultFace) {
    TextCanvas byDefault(1, 1, 0, MakeFont(-15));
    const SIZE expected = byDefault.Extent(kMixed);
    for (const wchar_t* face : {L"삼성 고딕", L"No Such Face At All", L"NanumGothic", L"nanumgothic"}) {
        SCOPED_TRACE(testing::Message() << face);
        TextCanvas named(1, 1, 0, MakeFont(-15, face));
        ASSERT_NE(nullptr, named.font);
        const SIZE size = named.Extent(kMixed);
        EXPECT_EQ(expected.cx, size.cx);
        EXPECT_EQ(expected.cy, size.cy);
    }
    // Bold (weight 600 and up) puts down more ink.
    const auto ink = [](LONG weight) {
        TextCanvas c(200, 24, 0xFFFFFF, MakeFont(-15, L"", weight));
        SetBkMode(c.dc, TRANSPARENT);
        ExtTextOutW(c.dc, 0, 0, 0, nullptr, kMixed.c_str(), static_cast<UINT>(kMixed.size()), nullptr);
        return c.Pixels();
    };
    const Picture regular = ink(FW_NORMAL), semiBold = ink(600), bold = ink(FW_BOLD);
    const auto count = [](const Picture& p) { return std::count(p.begin(), p.end(), 0u); };
    EXPECT_GT(count(bold), count(regular) * 11 / 10);
    EXPECT_EQ(bold, semiBold);
    EXPECT_EQ(regular, ink(599));
}

TEST(GdiText, ExtentsAddUpAndFitCountsStopAtTheLimit) {
    TextCanvas c(1, 1, 0, MakeFont(16));
    const int n = static_cast<int>(kMixed.size());
    std::vector<int> dx(kMixed.size());
    SIZE size{};
    int fit = -1;
    ASSERT_EQ(TRUE, GetTextExtentExPointW(c.dc, kMixed.c_str(), n, 1 << 30, &fit, dx.data(), &size));
    EXPECT_EQ(n, fit);
    EXPECT_EQ(16, size.cy);
    EXPECT_EQ(dx.back(), size.cx);
    int sum = 0;
    for (int i = 0; i < n; ++i) {
        const SIZE one = c.Extent(kMixed.substr(static_cast<size_t>(i), 1));
        EXPECT_GT(one.cx, 0) << i;
        sum += one.cx;
        EXPECT_EQ(sum, dx[static_cast<size_t>(i)]) << i;  // whole-pixel advances, no kerning
    }
    for (int k : {0, 1, 5, n - 1}) {
        const int at = dx[static_cast<size_t>(k)];
        ASSERT_EQ(TRUE, GetTextExtentExPointW(c.dc, kMixed.c_str(), n, at, &fit, nullptr, nullptr));
        EXPECT_EQ(k + 1, fit);
        ASSERT_EQ(TRUE, GetTextExtentExPointW(c.dc, kMixed.c_str(), n, at - 1, &fit, nullptr, nullptr));
        EXPECT_EQ(k, fit);
    }
    EXPECT_EQ(TRUE, GetTextExtentExPointW(c.dc, nullptr, 0, 10, &fit, nullptr, &size));
    EXPECT_EQ(0, fit);
    EXPECT_EQ(0, size.cx);
    EXPECT_EQ(FALSE, GetTextExtentExPointW(c.dc, nullptr, 3, 10, &fit, nullptr, &size));
    EXPECT_EQ(FALSE, GetTextExtentExPointW(c.dc, L"a", -1, 10, &fit, nullptr, &size));
}

TEST(GdiText, EveryKindOfCharacterDrawsItsInkInsideTheCell) {
    for (const std::wstring text : {L"한", L"글", L"W", L"g", L"7", L"\x25CF", L"가나다라마바사"}) {
        SCOPED_TRACE(testing::Message() << static_cast<unsigned>(text[0]));
        TextCanvas c(120, 40, 0xFFFFFF, MakeFont(20));
        SetBkMode(c.dc, TRANSPARENT);
        SetTextColor(c.dc, RGB(0x10, 0x20, 0x30));
        ASSERT_EQ(TRUE, ExtTextOutW(c.dc, 5, 7, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr));
        const RECT ink = c.Ink(0xFFFFFF);
        const SIZE cell = c.Extent(text);
        ASSERT_LT(ink.left, ink.right);
        EXPECT_GE(ink.left, 5);
        EXPECT_LE(ink.right, 5 + cell.cx);
        EXPECT_GE(ink.top, 7);
        EXPECT_LE(ink.bottom, 7 + cell.cy);
    }
}

TEST(GdiText, FormatCharactersAreNothingAndOtherMissingCharactersTheirBox) {
    // What a peer may hide in a name or a message (direction marks and overrides, isolates,
    // joiners, zero-width spaces) measures and draws as if absent; a visible character that no face
    // here has keeps its box, the same for any such character.
    const auto drawn = [](const std::wstring& text) {
        TextCanvas c(160, 30, 0xFFFFFF, MakeFont(20));
        EXPECT_EQ(TRUE, ExtTextOutW(c.dc, 4, 4, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr));
        return std::make_pair(c.Extent(text).cx, c.Pixels());
    };
    EXPECT_EQ(drawn(L"\x200F김\x202E민수\x2066 Tev\x2067ri\x2068k\x2069\x200D\x200B\xFEFF\xAD\x061C\xE0041"),
              drawn(L"김민수 Tevrik"));
    EXPECT_EQ(drawn(L"\x200F\x202E\x2066\x2069"), drawn(L""));
    EXPECT_EQ(drawn(L"\x0E01"), drawn(L"\x0E02"));
    EXPECT_NE(drawn(L"\x0E01").second, drawn(L"").second);
}

TEST(GdiText, GlyphEdgesBlendExceptOnTheColourKey) {
    // Black 13-pixel text: over white a pixel's red is 255 less its coverage.
    const std::wstring text = L"아빠 로그";
    const auto draw = [&text](std::uint32_t background) {
        TextCanvas c(70, 20, background, MakeFont(13));
        SetBkMode(c.dc, TRANSPARENT);
        EXPECT_EQ(TRUE, ExtTextOutW(c.dc, 2, 2, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr));
        return c.Pixels();
    };
    const Picture overWhite = draw(0xFFFFFF);
    // On the key a pixel is the text colour where at least half covered, else the key: no fringe.
    Picture expectedOnKey;
    for (std::uint32_t p : overWhite) expectedOnKey.push_back(((p >> 16) & 0xFF) <= 127 ? 0 : 0xFF00FF);
    EXPECT_GT(std::count(expectedOnKey.begin(), expectedOnKey.end(), 0u), 50);
    EXPECT_EQ(expectedOnKey, draw(0xFF00FF));
    for (std::uint32_t background : {0xFFFFFFu, 0x808080u, 0xFE00FFu}) {
        SCOPED_TRACE(background);
        const Picture pixels = draw(background);
        const auto grey = std::count_if(pixels.begin(), pixels.end(),
                                        [background](std::uint32_t p) { return p != background && p != 0; });
        EXPECT_GT(grey, 50) << "edges are grey-level";
    }
}

TEST(GdiText, TheGlyphCacheKeepsToItsBoundAndLetsTheLeastRecentGo) {
    // 3,000 distinct syllables at 60 pixels are some 12 MB of glyphs.
    TextCanvas c(80, 80, 0xFFFFFF, MakeFont(60));
    const auto draw = [&c](wchar_t character) {
        const unsigned long before = GlyphsRendered();
        EXPECT_EQ(TRUE, ExtTextOutW(c.dc, 0, 0, 0, nullptr, &character, 1, nullptr));
        return GlyphsRendered() - before;
    };
    for (wchar_t ch = 0xAC00; ch < 0xAC00 + 3000; ++ch) {
        draw(ch);
        ASSERT_LE(GlyphCacheBytes(), GlyphCacheLimit());
    }
    EXPECT_GT(GlyphCacheBytes(), GlyphCacheLimit() / 2);
    EXPECT_EQ(0u, draw(0xAC00 + 2999));
    EXPECT_EQ(1u, draw(0xAC00));
}

TEST(GdiText, OpaqueAndClippedDrawing) {
    const std::wstring text = L"가A";
    const RECT box{4, 3, 30, 25};
    // ETO_OPAQUE fills the rectangle with the background colour; no text is a plain fill.
    TextCanvas fill(40, 30, 0x000000, MakeFont(16));
    SetBkColor(fill.dc, RGB(0x11, 0x22, 0x33));
    ASSERT_EQ(TRUE, ExtTextOutW(fill.dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &box, nullptr, 0, nullptr));
    EXPECT_EQ((RECT{4, 3, 30, 25}).right, fill.Ink(0).right);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(x >= 4 && x < 30 && y >= 3 && y < 25 ? 0x112233u : 0u, fill.At(x, y)) << x << "," << y;

    // An opaque background mode fills the text's cell even without ETO_OPAQUE.
    TextCanvas cell(60, 30, 0x000000, MakeFont(16));
    SetBkColor(cell.dc, RGB(0, 0, 0xFF));
    SetTextColor(cell.dc, RGB(0xFF, 0xFF, 0xFF));
    ASSERT_EQ(TRUE, ExtTextOutW(cell.dc, 2, 5, 0, nullptr, text.c_str(), 2, nullptr));
    const SIZE size = cell.Extent(text);
    const RECT painted = cell.Ink(0);
    EXPECT_EQ((std::vector<LONG>{2, 5, 2 + size.cx, 5 + size.cy}),
              (std::vector<LONG>{painted.left, painted.top, painted.right, painted.bottom}));

    // ETO_CLIPPED keeps text inside the rectangle: cut through the first glyph.
    TextCanvas whole(60, 30, 0xFFFFFF, MakeFont(20)), clipped(60, 30, 0xFFFFFF, MakeFont(20));
    for (HDC dc : {whole.dc, clipped.dc}) SetBkMode(dc, TRANSPARENT);
    const RECT cut{0, 0, 9, 30};
    ASSERT_EQ(TRUE, ExtTextOutW(whole.dc, 2, 2, 0, nullptr, text.c_str(), 2, nullptr));
    ASSERT_EQ(TRUE, ExtTextOutW(clipped.dc, 2, 2, ETO_CLIPPED, &cut, text.c_str(), 2, nullptr));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(x < 9 ? whole.At(x, y) : 0xFFFFFFu, clipped.At(x, y)) << x << "," << y;
    EXPECT_LT(whole.Ink(0xFFFFFF).left, 9);

    // Given advances place each character; drawing twice from the cache gives the same picture.
    TextCanvas spaced(80, 30, 0xFFFFFF, MakeFont(20));
    SetBkMode(spaced.dc, TRANSPARENT);
    const int dx[] = {40, 10};
    ASSERT_EQ(TRUE, ExtTextOutW(spaced.dc, 2, 2, 0, nullptr, L"AA", 2, dx));
    const RECT first = spaced.Ink(0xFFFFFF);
    TextCanvas one(80, 30, 0xFFFFFF, MakeFont(20));
    SetBkMode(one.dc, TRANSPARENT);
    ASSERT_EQ(TRUE, ExtTextOutW(one.dc, 42, 2, 0, nullptr, L"A", 1, nullptr));
    ASSERT_EQ(TRUE, ExtTextOutW(one.dc, 2, 2, 0, nullptr, L"A", 1, nullptr));
    EXPECT_EQ(one.Pixels(), spaced.Pixels());
    EXPECT_GE(first.right, 42);
}

TEST(GdiText, UnderlineAndStrikeOutRunAcrossTheText) {
    const std::wstring text = L"한 a";
    TextCanvas plain(60, 30, 0xFFFFFF, MakeFont(20));
    TextCanvas under(60, 30, 0xFFFFFF, MakeFont(20, L"", FW_NORMAL, 1));
    TextCanvas struck(60, 30, 0xFFFFFF, MakeFont(20, L"", FW_NORMAL, 0, 1));
    for (TextCanvas* c : {&plain, &under, &struck}) {
        SetBkMode(c->dc, TRANSPARENT);
        ASSERT_EQ(TRUE, ExtTextOutW(c->dc, 3, 4, 0, nullptr, text.c_str(), 3, nullptr));
    }
    const int right = 3 + plain.Extent(text).cx;
    const int baseline = 4 + plain.Metrics().tmAscent;
    // A full row of ink from the start of the text to its end, below or above the baseline.
    const auto fullRows = [right](const TextCanvas& c) {
        std::vector<int> rows;
        for (int y = 0; y < 30; ++y) {
            bool full = c.At(2, y) == 0xFFFFFF && c.At(right, y) == 0xFFFFFF;
            for (int x = 3; x < right && full; ++x) full = c.At(x, y) != 0xFFFFFF;
            if (full) rows.push_back(y);
        }
        return rows;
    };
    EXPECT_TRUE(fullRows(plain).empty());
    ASSERT_FALSE(fullRows(under).empty());
    EXPECT_GE(fullRows(under).front(), baseline);
    ASSERT_FALSE(fullRows(struck).empty());
    EXPECT_LT(fullRows(struck).back(), baseline);
}

TEST(GdiText, ItalicInkLeansRight) {
    // How far right the ink's middle lies in its top row compared with its bottom row.
    const auto lean = [](bool italic) {
        TextCanvas c(60, 50, 0xFFFFFF, MakeFont(40, L"NanumGothic", FW_NORMAL, 0, 0, italic ? 1 : 0));
        SetBkMode(c.dc, TRANSPARENT);
        EXPECT_EQ(TRUE, ExtTextOutW(c.dc, 10, 5, 0, nullptr, L"l", 1, nullptr));
        const RECT ink = c.Ink(0xFFFFFF);
        const auto middle = [&c, &ink](int y) {
            int sum = 0, count = 0;
            for (int x = ink.left; x < ink.right; ++x)
                if (c.At(x, y) != 0xFFFFFF) sum += x, ++count;
            return count == 0 ? 0.0 : static_cast<double>(sum) / count;
        };
        EXPECT_GT(ink.bottom - ink.top, 20);
        return middle(ink.top) - middle(ink.bottom - 1);
    };
    EXPECT_NEAR(0.0, lean(false), 1.0);
    EXPECT_GE(lean(true), 4.0);  // a slant of about 12 degrees over some 28 rows
}

TEST(GdiText, EachGlyphIsRenderedOncePerFaceAndSize) {
    const std::wstring text = L"가나가AA";  // three characters
    const auto draw = [&text](TextCanvas& c) {
        const unsigned long before = GlyphsRendered();
        EXPECT_EQ(TRUE, ExtTextOutW(c.dc, 0, 0, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr));
        return GlyphsRendered() - before;
    };
    TextCanvas first(100, 40, 0, MakeFont(31)), same(100, 40, 0, MakeFont(31)), other(100, 40, 0, MakeFont(33));
    EXPECT_EQ(3u, draw(first));
    EXPECT_EQ(0u, draw(first));
    EXPECT_EQ(0u, draw(same));  // another font of the same face and size
    EXPECT_EQ(3u, draw(other));
}

TEST(GdiText, EachDcKeepsItsStateAcrossSelections) {
    Canvas a(4, 4, 0), b(4, 4, 0);
    EXPECT_EQ(OPAQUE, GetBkMode(a.dc));
    EXPECT_EQ(0xFFFFFFu, GetBkColor(a.dc));
    EXPECT_EQ(0u, GetTextColor(a.dc));
    EXPECT_EQ(OPAQUE, SetBkMode(a.dc, TRANSPARENT));
    EXPECT_EQ(0xFFFFFFu, SetBkColor(a.dc, RGB(1, 2, 3)));
    EXPECT_EQ(0u, SetTextColor(a.dc, RGB(4, 5, 6)));
    EXPECT_EQ(0, SetBkMode(a.dc, 7));

    HFONT font = MakeFont(18);
    HGDIOBJ systemFont = SelectObject(a.dc, font);
    ASSERT_NE(nullptr, systemFont);
    HBITMAP other = CreateCompatibleBitmap(a.dc, 2, 2);
    HGDIOBJ mine = SelectObject(a.dc, other);
    SelectObject(a.dc, mine);
    DeleteObject(other);
    EXPECT_EQ(TRANSPARENT, GetBkMode(a.dc));
    EXPECT_EQ(RGB(1, 2, 3), GetBkColor(a.dc));
    EXPECT_EQ(RGB(4, 5, 6), GetTextColor(a.dc));
    EXPECT_EQ(OPAQUE, GetBkMode(b.dc));  // the other DC is untouched
    EXPECT_EQ(0xFFFFFFu, GetBkColor(b.dc));

    // A font deleted while selected still draws until it is deselected.
    EXPECT_EQ(TRUE, DeleteObject(font));
    TEXTMETRICW m{};
    ASSERT_EQ(TRUE, GetTextMetricsW(a.dc, &m));
    EXPECT_EQ(18, m.tmHeight);
    EXPECT_EQ(TRUE, ExtTextOutW(a.dc, 0, 0, 0, nullptr, L"가", 1, nullptr));
    EXPECT_EQ(font, SelectObject(a.dc, systemFont));
    EXPECT_EQ(nullptr, SelectObject(a.dc, font));
    EXPECT_EQ(FALSE, ExtTextOutW(nullptr, 0, 0, 0, nullptr, L"가", 1, nullptr));
    EXPECT_EQ(FALSE, ExtTextOutW(a.dc, 0, 0, 0, nullptr, nullptr, 1, nullptr));
    EXPECT_EQ(CLR_INVALID, SetTextColor(nullptr, 0));
}

}  // namespace
