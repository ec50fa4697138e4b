#include "framework/ui/drawing/QeSkinValues.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/framework/test_skin.h"
#include "tests/support/TraceLog.h"

namespace {

struct FlagCase {
    uint32_t (*parse)(const std::wstring&);
    const wchar_t* value;
    uint32_t expected;
};

TEST(SkinValuesTest, FlagWordsAreFoundAnywhere) {
    const FlagCase cases[] = {
        {ParseTextFormats, L"HCenter VCenter EndEllipsis", 82},
        {ParseTextFormats, L"LeftTop", 9},
        {ParseTextFormats, L"Right|Bottom", 36},
        {ParseTextFormats, L"left top", 0},
        {ParseTextFormats, L"", 0},
        {ParseFontEffects, L"Bold,Italic", 3},
        {ParseFontEffects, L"UnderlineStrikeOut", 12},
        {ParseFontEffects, L"Heavy", 0},
        {ParseEditStyles, L"ReadOnly Password", 5},
        {ParseEditStyles, L"SingleLineNumberOnly", 10},
        {ParseEditAligns, L"Left HCenter", 3},
        {ParseEditAligns, L"HCenter VCenter", 34},
        {ParseEditAligns, L"Right Left HCenter", 3},
        {ParseEditAligns, L"Left Top", 17},
        {ParseEditAligns, L"Top VCenter", 48},
        {ParseEditAligns, L"Bottom Top", 48},
        {ParseEditAligns, L"Right Bottom", 51},
        {ParseEditAligns, L"Centre", 0},
    };
    for (const FlagCase& c : cases) EXPECT_EQ(c.parse(c.value), c.expected) << c.value;
}

TEST(SkinValuesTest, WholeValueWords) {
    const struct {
        int32_t (*parse)(const std::wstring&);
        const wchar_t* value;
        int32_t expected;
    } cases[] = {
        {ParseBackMode, L"Opaque", 0},
        {ParseBackMode, L"Transparent", 1},
        {ParseBackMode, L" Transparent", 0},
        {ParseBackMode, L"transparent", 0},
        {ParseDrawMethod, L"BitBlt", 0},
        {ParseDrawMethod, L"TransparentBlt", 1},
        {ParseDrawMethod, L"AlphaBlend", 2},
        {ParseDrawMethod, L"AlphaBlendPerPixel", 3},
        {ParseDrawMethod, L"AlphaBlendPerPixel ", 0},
        {ParseDrawMethod, L"StretchBlt", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.parse(c.value), c.expected) << c.value;
}

std::wstring Describe(const QeTextStyle& s) {
    wchar_t text[256];
    swprintf(text, 256, L"h%d w%d i%d u%d s%d [%ls] mode %d back %06X text %06X format %u", s.font.height,
             s.font.weight, s.font.italic, s.font.underline, s.font.strikeOut, s.font.faceName.c_str(), s.backMode,
             s.backColor, s.textColor, s.format);
    return text;
}

std::wstring Describe(const QeImageDescriptor& d) {
    wchar_t text[256];
    swprintf(text, 256, L"[%ls] stream %d format %d mode %d src %d,%d,%d,%d target %dx%d method %d key %06X",
             d.key.fileName.c_str(), d.key.source != nullptr, d.key.format, d.key.bitmapMode, d.source.left,
             d.source.top, d.source.right, d.source.bottom, d.targetSize.cx, d.targetSize.cy, d.drawMethod,
             d.keyOrAlpha);
    return text;
}

TEST(SkinValuesTest, TextStyles) {
    const struct {
        const wchar_t* markup;
        const wchar_t* style;
        const wchar_t* trace;
    } cases[] = {
        {L"<E/>", L"h0 w0 i0 u0 s0 [] mode 1 back 9AB01B text 17E4E2 format 18", L""},
        {L"<E><FontSize>14</FontSize><BackMode>Opaque</BackMode><BackColor>#102030</BackColor>"
         L"<TextColor>#ff0000</TextColor><TextFormats>Right Bottom EndEllipsis</TextFormats>"
         L"<FontEffects>Bold Italic Underline StrikeOut</FontEffects></E>",
         L"h14 w700 i1 u1 s1 [] mode 0 back 302010 text 0000FF format 100", L""},
        // Present but unreadable values give what their parsers give, not the defaults.
        {L"<E><BackMode>Solid</BackMode><TextFormats>none</TextFormats><FontEffects>Italic</FontEffects></E>",
         L"h0 w0 i1 u0 s0 [] mode 0 back 9AB01B text 17E4E2 format 0", L""},
        {L"<E><FontSize>-12</FontSize></E>", L"h-12 w0 i0 u0 s0 [] mode 1 back 9AB01B text 17E4E2 format 18", L""},
        {L"<E><FontSize>99999999999</FontSize></E>",
         L"h1024 w0 i0 u0 s0 [] mode 1 back 9AB01B text 17E4E2 format 18",
         L"[QE+] QeSkinText::Load, FontSize 2147483647 is out of range and has been clamped.\n"},
        {L"<E><FontSize>-5000</FontSize></E>", L"h-1024 w0 i0 u0 s0 [] mode 1 back 9AB01B text 17E4E2 format 18",
         L"[QE+] QeSkinText::Load, FontSize -5000 is out of range and has been clamped.\n"},
    };
    for (const auto& c : cases) {
        TraceLog log;
        TestSkin skin(c.markup);
        EXPECT_EQ(Describe(ReadTextStyle(skin.First())), c.style) << c.markup;
        EXPECT_EQ(log.Text(), c.trace) << c.markup;
    }
}

TEST(SkinValuesTest, ImageDescriptors) {
    const struct {
        const wchar_t* markup;
        const wchar_t* descriptor;
        const wchar_t* trace;
    } cases[] = {
        {L"<E/>", L"[] stream 0 format 4 mode 0 src 0,0,0,0 target 0x0 method 0 key 000000", L""},
        // ImageCoord is x, y, width, height.
        {L"<E><File>Skin\\Button.png</File><ImageCoord>10, 20, 30, 40</ImageCoord><TargetSize>16, 18</TargetSize>"
         L"<DrawMethod>TransparentBlt</DrawMethod><ColorKey>#ff00ff</ColorKey></E>",
         L"[Skin\\Button.png] stream 0 format 4 mode 0 src 10,20,40,60 target 16x18 method 1 key FF00FF", L""},
        // ConstantAlpha is read after ColorKey, whichever comes first in the file.
        {L"<E><ConstantAlpha>128</ConstantAlpha><ColorKey>#ff00ff</ColorKey><DrawMethod>AlphaBlend</DrawMethod></E>",
         L"[] stream 0 format 4 mode 0 src 0,0,0,0 target 0x0 method 2 key 000080", L""},
        {L"<E><DrawMethod>Blend</DrawMethod><ConstantAlpha>256</ConstantAlpha></E>",
         L"[] stream 0 format 4 mode 0 src 0,0,0,0 target 0x0 method 0 key 0000FF",
         L"[QE+] QeSkinImage::Load, ConstantAlpha 256 is out of range and has been clamped.\n"},
        {L"<E><ConstantAlpha>-3</ConstantAlpha></E>",
         L"[] stream 0 format 4 mode 0 src 0,0,0,0 target 0x0 method 0 key 000000",
         L"[QE+] QeSkinImage::Load, ConstantAlpha -3 is out of range and has been clamped.\n"},
        {L"<E><ImageCoord>5, 5, -2, 4</ImageCoord><TargetSize>-1, 7</TargetSize></E>",
         L"[] stream 0 format 4 mode 0 src 0,0,0,0 target 0x7 method 0 key 000000",
         L"[QE+] QeSkinImage::Load, ImageCoord \"5, 5, -2, 4\" has a negative extent and has been ignored.\n"
         L"[QE+] QeSkinImage::Load, TargetSize \"-1, 7\" has a negative extent and has been clamped.\n"},
        // Sums beyond 32 bits stop at the limit rather than wrap into a negative extent.
        {L"<E><ImageCoord>2147483600, 0, 100, 1</ImageCoord></E>",
         L"[] stream 0 format 4 mode 0 src 2147483600,0,2147483647,1 target 0x0 method 0 key 000000", L""},
    };
    for (const auto& c : cases) {
        TraceLog log;
        TestSkin skin(c.markup);
        EXPECT_EQ(Describe(ReadImageDescriptor(skin.First())), c.descriptor) << c.markup;
        EXPECT_EQ(log.Text(), c.trace) << c.markup;
    }
}

}  // namespace
