// The edit's glyphs and their line layout, on the fixed test font, without an edit control: a bare
// host stands in for the edit.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "framework/controls/QeEditGlyph.h"
#include "framework/controls/QeEditLayout.h"
#include "framework/controls/QeFontCache.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "tests/framework/edit_text_fixture.h"
#include "tests/framework/picture.h"
#include "tests/framework/rect_text.h"
#include "tests/framework/skin_folder.h"
#include "tests/support/TraceLog.h"

namespace {

using namespace edit_text;
using Lines_ = std::vector<std::string>;

struct Host : QeEditHost {
    uint32_t aligns = 0;
    COLORREF back = RGB(0, 0, 255);
    QeEditPictures pictures;
    uint32_t LayoutAligns() const override { return aligns; }
    COLORREF LayoutBackColor() const override { return back; }
    QeEditPictures& Pictures() override { return pictures; }
};

class EditLayoutTest : public SkinFolderTest {
protected:
    void SetUp() override {
        SkinFolderTest::SetUp();
        WriteEmoticons(m_dir);
        ASSERT_TRUE(m_fonts.Select(TestStyle()));
        m_begin = new QeEditGlyphAnchor(m_fonts.Current(), QeEditGlyphAnchor::kBegin);
        m_end = new QeEditGlyphAnchor(m_fonts.Current(), QeEditGlyphAnchor::kEnd);
        QeEditLink(m_begin, m_end);
    }
    void TearDown() override {
        m_layout.Clear();
        QeEditDeleteGlyphs(m_begin, m_end);
        SkinFolderTest::TearDown();
    }

    // Glyphs for the text before the end anchor: "\n" a line break, "S" and "A" the emoticons.
    void Append(const std::u32string& text) {
        for (char32_t c : text) {
            QeEditGlyph* glyph = nullptr;
            if (c == U'\n') {
                glyph = new QeEditGlyphAnchor(m_fonts.Current(), QeEditGlyphAnchor::kLineBreak);
            } else if (c == U'S' || c == U'A') {
                glyph = QeEditGlyphImage::Create(&m_host, m_fonts.Current(), c == U'S' ? Still() : Animated());
                ASSERT_NE(glyph, nullptr);
            } else {
                glyph = new QeEditGlyphText(m_fonts.Current(), c, false);
            }
            QeEditLink(m_end->previous, glyph);
            QeEditLink(glyph, m_end);
        }
    }
    // Only the anchors left.
    void Empty() {
        m_layout.Clear();
        if (m_begin->next != m_end) QeEditDeleteGlyphs(m_begin->next, m_end->previous);
    }
    void Build(int32_t width) {
        m_layout.box.right = m_layout.box.left + width;
        m_layout.Build(m_begin, m_end);
    }
    // The n-th glyph after the begin anchor (1 = the first one).
    QeEditGlyph* At(int n) {
        QeEditGlyph* glyph = m_begin;
        while (n-- > 0 && glyph != nullptr) glyph = glyph->next;
        return glyph;
    }

    Host m_host;
    QeFontCache m_fonts;
    QeEditLayout m_layout{&m_host};
    QeEditGlyph* m_begin = nullptr;
    QeEditGlyph* m_end = nullptr;
};

TEST_F(EditLayoutTest, TheTestFontIsFixed) {
    QeEditGlyphText a(m_fonts.Current(), U'a', false);
    QeEditGlyphText w(m_fonts.Current(), U'W', false);
    QeEditGlyphText ga(m_fonts.Current(), U'가', false);
    EXPECT_EQ(a.Width(), kLatin);
    EXPECT_EQ(w.Width(), kLatin);
    EXPECT_EQ(ga.Width(), 2 * kLatin);
    EXPECT_EQ(a.Height(), kLineHeight);
    EXPECT_EQ(m_begin->Width(), 0);
    EXPECT_EQ(m_end->Width(), 2);
    EXPECT_EQ(m_end->Height(), kLineHeight);
}

TEST_F(EditLayoutTest, LinesBreakAtTheWidthWhereverTheyAre) {
    const struct {
        const char32_t* text;
        int32_t width;
        Lines_ expected;
    } cases[] = {
        // 4 letters fit 32 pixels; the end anchor (2 wide) starts a line of its own.
        {U"abcdefgh", 32, {"0+16 0: ^abcd", "16+16 0: efgh", "32+16 0: $"}},
        {U"abcdefgh", 34, {"0+16 0: ^abcd", "16+16 0: efgh$"}},
        // Words are not kept together.
        {U"to be", 24, {"0+16 0: ^to ", "16+16 0: be$"}},
        // Hangul syllables are twice as wide.
        {U"가나다", 40, {"0+16 0: ^가나", "16+16 0: 다$"}},
        // Breaks end a line and a paragraph; two in a row give an empty line of the anchor's height.
        {U"ab\n\ncd", 100, {"0+16 0: ^ab/", "16+16 0: /", "32+16 0: cd$"}},
        // A glyph wider than the layout still gets a line of its own.
        {U"aSb", 20, {"0+16 0: ^a", "16+24 0: S", "40+16 0: b$"}},
        // Nothing fits a layout of no width: one glyph a line.
        {U"ab", 0, {"0+16 0: ^", "16+16 0: a", "32+16 0: b", "48+16 0: $"}},
    };
    for (const auto& c : cases) {
        Empty();
        Append(c.text);
        Build(c.width);
        EXPECT_EQ(Lines(m_layout), c.expected) << "width " << c.width;
        EXPECT_EQ(m_layout.Height(), m_end->box.bottom);
    }
}

TEST_F(EditLayoutTest, GlyphsOfAnotherHeightShareTheBottomEdge) {
    Append(U"aSbA");
    Build(200);
    EXPECT_EQ(Lines(m_layout), (Lines_{"0+24 0: ^aSbA$"}));
    const QeEditLine& line = *m_layout.Paragraphs()[0]->lines[0];
    EXPECT_TRUE(line.mixedHeights);
    const struct {
        int n;
        RECT box;
    } boxes[] = {
        {0, {0, 8, 0, 24}},    // the begin anchor
        {1, {0, 8, 8, 24}},    // a
        {2, {8, 0, 38, 24}},   // the still emoticon sets the height
        {3, {38, 8, 46, 24}},  // b
        {4, {46, 14, 66, 24}}, // the animated one is shorter than the text
        {5, {66, 8, 68, 24}},  // the end anchor
    };
    for (const auto& b : boxes) {
        EXPECT_EQ(RectText(At(b.n)->box), RectText(b.box)) << "glyph " << b.n;
    }
    // Runs: text glyphs of one font, ended by images and anchors.
    ASSERT_EQ(line.runs.size(), 2u);
    EXPECT_EQ(line.runs[0].text, L"a");
    EXPECT_EQ(line.runs[1].text, L"b");
    EXPECT_EQ(line.runs[1].box.left, 38);
    EXPECT_EQ(line.runs[1].box.top, 8);

    Empty();
    Append(U"ab");
    Build(200);
    EXPECT_FALSE(m_layout.Paragraphs()[0]->lines[0]->mixedHeights);
    ASSERT_EQ(m_layout.Paragraphs()[0]->lines[0]->runs.size(), 1u);
    EXPECT_EQ(m_layout.Paragraphs()[0]->lines[0]->runs[0].text, L"ab");
}

TEST_F(EditLayoutTest, AlignsPlaceEachLineAsAWhole) {
    Append(U"abcde\nab");
    const struct {
        uint32_t aligns;
        Lines_ expected;
    } cases[] = {
        {1, {"0+16 0: ^abcde/", "16+16 0: ab$"}},
        {2, {"0+16 29: ^abcde/", "16+16 41: ab$"}},
        // Left and HCenter together give 3: right.
        {3, {"0+16 58: ^abcde/", "16+16 82: ab$"}},
        // HCenter and VCenter give 34: no horizontal placement, the line stays where it was built.
        {34, {"0+16 0: ^abcde/", "16+16 0: ab$"}},
    };
    for (const auto& c : cases) {
        m_host.aligns = c.aligns;
        m_layout.Clear();
        Build(100);
        EXPECT_EQ(Lines(m_layout), c.expected) << c.aligns;
    }
}

TEST_F(EditLayoutTest, ARelayoutAfterDeletionsMatchesAFreshLayout) {
    // Each case deletes glyphs first..last (positions after the begin anchor) and relays out from
    // the glyph before them, as the edit does; the result equals a layout built from nothing.
    const struct {
        const char32_t* text;
        int first;
        int last;
        const char32_t* left;
    } cases[] = {
        {U"abcdefghij", 3, 5, U"abfghij"},
        {U"ab\ncd\nef", 3, 3, U"abcd\nef"},           // a break: two paragraphs become one
        {U"ab\ncd\nef", 2, 7, U"af"},
        {U"ab\ncd\nef", 4, 5, U"ab\n\nef"},          // after a break: its paragraph stays
        {U"ab\ncdefgh\nij", 4, 10, U"ab\nij"},
        {U"aSbAc\nxyz", 2, 4, U"ac\nxyz"},  // the images and the line's height go
        {U"abcdefghijklmnop", 1, 16, U""},
        {U"abcdefghijklmnop", 13, 16, U"abcdefghijkl"},
    };
    for (const auto& c : cases) {
        Empty();
        Append(c.text);
        Build(40);
        QeEditGlyph* before = At(c.first - 1);
        QeEditDeleteGlyphs(At(c.first), At(c.last));
        m_layout.Build(before, m_end);
        const Lines_ relaid = Lines(m_layout);
        const int32_t height = m_layout.Height();

        Empty();
        Append(c.left);
        Build(40);
        EXPECT_EQ(relaid, Lines(m_layout)) << "case deleting " << c.first << ".." << c.last;
        EXPECT_EQ(height, m_layout.Height());
    }
}

TEST_F(EditLayoutTest, NewGlyphsAreLaidOutFromTheirNeighbourOn) {
    Append(U"abcdefgh\nxy");
    Build(40);
    // Typed after "b": the glyph has no line yet; the build starts at its paragraph.
    auto* typed = new QeEditGlyphText(m_fonts.Current(), U'Z', false);
    QeEditGlyph* b = At(2);
    QeEditGlyph* c = b->next;
    QeEditLink(b, typed);
    QeEditLink(typed, c);
    m_layout.Build(typed, m_end);
    EXPECT_EQ(Lines(m_layout), (Lines_{"0+16 0: ^abZcd", "16+16 0: efgh/", "32+16 0: xy$"}));
}

TEST_F(EditLayoutTest, HitTestFindsTheGlyphUnderThePoint) {
    Append(U"abA\ncd");
    Build(100);
    // Line 1 is 16 high; "A" (20 x 10) sits on its bottom, from y 6.
    const struct {
        POINT point;
        int expected;  // glyph position, -1 for none
    } cases[] = {
        {{0, 0}, 0},     // the begin anchor has no width but its edge counts
        {{3, 5}, 1},     // a
        {{8, 5}, 1},     // on the edge between a and b: the first glyph that holds it
        {{12, 15}, 2},   // b
        {{20, 3}, -1},   // above the short image, inside the line
        {{20, 8}, 3},    // the image
        {{37, 8}, 4},    // the break anchor
        {{38, 8}, -1},   // at the line's right end
        {{5, 16}, 5},    // line 2 starts at y 16
        {{17, 20}, 7},   // the end anchor
        {{40, 20}, -1},  // beyond the last line's end
        {{5, 32}, -1},   // below everything
        {{-1, 5}, -1},   // before the line
    };
    for (const auto& c : cases) {
        QeEditGlyph* hit = m_layout.HitTest(c.point);
        EXPECT_EQ(hit, c.expected < 0 ? nullptr : At(c.expected)) << c.point.x << "," << c.point.y;
    }
}

TEST_F(EditLayoutTest, GlyphClassesAnswerTheirKind) {
    Append(U"aS");
    QeEditGlyph* text = At(1);
    QeEditGlyph* image = At(2);
    const struct {
        QeEditGlyph* glyph;
        bool anchor, isText, isImage;
    } cases[] = {{m_begin, true, false, false}, {text, false, true, false}, {image, false, false, true}};
    for (const auto& c : cases) {
        EXPECT_TRUE(IsKindOf(c.glyph, &QeEditGlyphClass));
        EXPECT_EQ(IsKindOf(c.glyph, &QeEditGlyphAnchorClass), c.anchor);
        EXPECT_EQ(IsKindOf(c.glyph, &QeEditGlyphTextClass), c.isText);
        EXPECT_EQ(IsKindOf(c.glyph, &QeEditGlyphImageClass), c.isImage);
    }
    EXPECT_EQ(QeEditGlyphAnchorClass.Base(), &QeEditGlyphClass);
    EXPECT_EQ(QeEditGlyphClass.Base(), nullptr);
}

// However many glyphs show an emoticon, its texts and image are held once, until its last glyph goes.
TEST_F(EditLayoutTest, GlyphsOfOneEmoticonShareOnePicture) {
    Append(U"ASAAS");
    QeEditPicture* animated = QeAsImage(At(1))->Picture();
    QeEditPicture* still = QeAsImage(At(2))->Picture();
    EXPECT_EQ(m_host.pictures.Count(), 2u);
    EXPECT_EQ(QeAsImage(At(3))->Picture(), animated);
    EXPECT_EQ(QeAsImage(At(5))->Picture(), still);
    EXPECT_EQ(animated->Glyphs(), 3u);
    EXPECT_EQ(m_host.pictures.AnimatedGlyphs(), 3u) << "the still one is not animated";
    QeEditDeleteGlyphs(At(1), At(3));
    EXPECT_EQ(m_host.pictures.AnimatedGlyphs(), 1u);
    EXPECT_EQ(QeAsImage(At(1))->Emoticon().Text, L"(a)");
    EXPECT_EQ(QeEditGlyphImage::Create(&m_host, m_fonts.Current(), Emoticon(L"missing.bmp", L"(m)")), nullptr);
    EXPECT_EQ(m_host.pictures.Count(), 2u);
    Empty();
    EXPECT_EQ(m_host.pictures.Count(), 0u);
}

TEST_F(EditLayoutTest, SurrogateHalvesShowAsTheReplacementCharacter) {
    QeEditGlyphText lone(m_fonts.Current(), 0xD83D, false);
    QeEditGlyphText replacement(m_fonts.Current(), 0xFFFD, false);
    QeEditGlyphText whole(m_fonts.Current(), 0x1F600, false);
    QeEditGlyphText dot(m_fonts.Current(), 0x25CF, false);
    QeEditGlyphText secret(m_fonts.Current(), U'x', true);
    EXPECT_EQ(lone.TextCharacter(), 0xFFFDu);
    EXPECT_EQ(lone.Shown(), 0xFFFDu);
    EXPECT_EQ(lone.Width(), replacement.Width());
    EXPECT_EQ(whole.TextCharacter(), 0x1F600u) << "a whole code point is one glyph";
    EXPECT_EQ(secret.Shown(), 0x25CFu);
    EXPECT_EQ(secret.Character(), U'x');
    EXPECT_EQ(secret.Width(), dot.Width());
}

TEST_F(EditLayoutTest, WithoutASurfaceAGlyphMeasuresNothing) {
    TraceLog trace;
    QeGraphicsStop();  // no surface pool
    QeEditGlyphText glyph(nullptr, U'a', false);
    EXPECT_EQ(glyph.Width(), 0);
    EXPECT_EQ(glyph.Height(), 0);
    EXPECT_EQ(trace.Text(), L"[QE+] QeEditGlyph::Measure, No surface to measure the text on.\n");
    ASSERT_TRUE(QeGraphicsStart());
    // The font cache's holders came from the stopped pool: select the style again.
    m_fonts.Clear();
    ASSERT_TRUE(m_fonts.Select(TestStyle()));
}

// Widths are kept per font after the first glyph of a character: every later glyph, in each font,
// must still measure what a fresh measure of it gives, and a font made anew must measure again.
TEST_F(EditLayoutTest, KeptWidthsMatchAFreshMeasure) {
    auto check = [](QeFontHandle* font, const char* when) {
        for (char32_t c : {U'a', U' ', U'\t', U'가', U'中', char32_t{0x0301} /* combining */, char32_t{0x1F600},
                           char32_t{0xFFFD}, char32_t{0x25CF}, char32_t{0xD83D} /* lone half */}) {
            const QeEditGlyphText glyph(font, c, c == U'a');
            const SIZE fresh = QeEditMeasure(font, std::wstring(1, static_cast<wchar_t>(glyph.Shown())));
            EXPECT_EQ(RectText(glyph.box), RectText(RECT{0, 0, fresh.cx, fresh.cy})) << when << " U+" << std::hex << +c;
        }
        EXPECT_EQ(QeEditGlyphAnchor(font, QeEditGlyphAnchor::kEnd).Height(), QeEditMeasure(font, L"").cy) << when;
    };
    QeFontCache fonts;
    ASSERT_TRUE(fonts.Select(TestStyle(24)));
    for (QeFontHandle* font : {m_fonts.Current(), fonts.Current(), m_fonts.Current(), fonts.Current()}) check(font, "kept");
    EXPECT_NE(QeEditGlyphText(fonts.Current(), U'a', false).Width(), kLatin);
    // The pooled font made again in another size in place, then as the pool holds it.
    ASSERT_TRUE(m_fonts.Current()->Font()->Create(TestStyle(24).font));
    check(m_fonts.Current(), "remade");
    ASSERT_TRUE(m_fonts.Current()->Font()->Create(TestStyle().font));
}

TEST_F(EditLayoutTest, LinesDrawTheirBandRunsAndImagesInsideTheClip) {
    // Text in its own back colour so that runs show as blocks: runs blue, the band red (the
    // host's colour), the still emoticon green, what is not drawn black.
    QeTextStyle style = TestStyle();
    style.textColor = style.backColor;
    ASSERT_TRUE(m_fonts.Select(style));
    m_host.back = RGB(255, 0, 0);
    m_host.aligns = 1;
    Append(U"ab\nS");
    Build(40);
    // The picture in 4 x 4 cells, each its centre pixel.
    auto drawn = [&](const RECT& clip) {
        QeSurface surface;
        EXPECT_TRUE(surface.Create(40, 40));
        surface.Fill(RGB(0, 0, 0));
        EXPECT_TRUE(m_layout.Draw(surface, POINT{0, 0}, clip));
        Lines_ rows;
        const std::vector<std::string> pixels = Picture(surface);
        for (size_t y = 2; y < pixels.size(); y += 4) {
            std::string row;
            for (size_t x = 2; x < pixels[y].size(); x += 4) row += pixels[y][x];
            rows.push_back(row);
        }
        return rows;
    };
    // Line 1 has one height: its band starts at the break anchor. Line 2 mixes heights: the band
    // runs under the whole line and the image lies on it.
    EXPECT_EQ(drawn(RECT{0, 0, 40, 40}), (Lines_{
                                              "BBBBRRRRRR",  //
                                              "BBBBRRRRRR",  //
                                              "BBBBRRRRRR",  //
                                              "BBBBRRRRRR",  //
                                              "GGGGGGGRRR",  //
                                              "GGGGGGGRRR",  //
                                              "GGGGGGGRRR",  //
                                              "GGGGGGGRRR",  //
                                              "GGGGGGGRRR",  //
                                              "GGGGGGGRRR",  //
                                          }));
    EXPECT_EQ(drawn(RECT{20, 8, 40, 40}), (Lines_{
                                               "..........",  //
                                               "..........",  //
                                               ".....RRRRR",  //
                                               ".....RRRRR",  //
                                               ".....GGRRR",  //
                                               ".....GGRRR",  //
                                               ".....GGRRR",  //
                                               ".....GGRRR",  //
                                               ".....GGRRR",  //
                                               ".....GGRRR",  //
                                           }));
}

}  // namespace
