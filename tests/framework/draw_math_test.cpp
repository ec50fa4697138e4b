#include "framework/ui/drawing/QeDrawMath.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/ui/drawing/QeGraphicsTypes.h"

namespace {

// Every character is 10 pixels wide and the line 12 high, except "." which is 3 wide and the
// Hangul filler U+1160, which has no width. It counts the characters it measures.
class FixedMeasure : public QeTextMeasure {
public:
    static LONG Width(wchar_t c) { return c == L'.' ? 3 : c == L'\x1160' ? 0 : 10; }
    SIZE Extent(const std::wstring& text) override {
        LONG width = 0;
        for (wchar_t c : text) width += Width(c);
        measured += text.size();
        return SIZE{width, 12};
    }
    int Fit(const std::wstring& text, int32_t maxWidth) override {
        int count = 0;
        LONG width = 0;
        for (wchar_t c : text) {
            width += Width(c);
            if (width > maxWidth) break;
            ++count;
        }
        measured += text.size();
        return count;
    }
    size_t measured = 0;
};

struct PlaceCase {
    const wchar_t* text;
    RECT layout;
    uint32_t format;
    const wchar_t* shown;
    int32_t x, y;
};

TEST(DrawMathTest, TextPlacement) {
    const PlaceCase cases[] = {
        {L"abc", {0, 0, 100, 40}, kTextLeft | kTextTop, L"abc", 0, 0},
        {L"abc", {0, 0, 100, 40}, kTextHCenter | kTextVCenter, L"abc", 35, 14},
        {L"abc", {0, 0, 100, 40}, kTextRight | kTextBottom, L"abc", 70, 28},
        // HCenter wins over Right, VCenter over Bottom.
        {L"abc", {10, 10, 110, 50}, kTextHCenter | kTextRight | kTextVCenter | kTextBottom, L"abc", 45, 24},
        // Negative remainders: the text is wider than the rectangle; halves truncate toward zero.
        {L"abcdefg", {0, 0, 45, 5}, kTextHCenter | kTextVCenter, L"abcdefg", -12, -3},
        {L"abcdefg", {0, 0, 45, 5}, kTextRight | kTextBottom, L"abcdefg", -25, -7},
        // A text that fits is drawn unchanged.
        {L"abcd", {0, 0, 40, 12}, kTextEndEllipsis, L"abcd", 0, 0},
        // Four characters fit 45 px; "abc..." is 39 wide, the first head narrower than 45.
        {L"abcdefg", {0, 0, 45, 12}, kTextLeft | kTextEndEllipsis, L"abc...", 0, 0},
        {L"abcdefg", {0, 0, 45, 12}, kTextHCenter | kTextEndEllipsis, L"abc...", 3, 0},
        {L"abcdefg", {100, 0, 145, 12}, kTextRight | kTextEndEllipsis, L"abc...", 106, 0},
        // "ab..." is exactly 29 wide: only narrower counts.
        {L"abcdefg", {0, 0, 29, 12}, kTextEndEllipsis, L"a...", 0, 0},
        {L"abcdefg", {0, 0, 9, 12}, kTextEndEllipsis, L"...", 0, 0},
        {L"abcdefg", {0, 0, 0, 12}, kTextHCenter | kTextEndEllipsis, L"...", -4, 0},
        {L"", {0, 0, 10, 10}, kTextHCenter | kTextVCenter | kTextEndEllipsis, L"", 5, -1},
        // Extreme rectangles from a skin neither overflow nor wrap.
        {L"ab", {INT32_MIN, 0, INT32_MAX, 0}, kTextHCenter, L"ab", -11, 0},
        {L"ab", {INT32_MAX, 0, INT32_MAX, 0}, kTextLeft, L"ab", INT32_MAX, 0},
    };
    FixedMeasure measure;
    for (const PlaceCase& c : cases) {
        const QeTextPlacement placed = PlaceText(c.text, c.layout, c.format, measure);
        EXPECT_EQ(placed.shown, c.shown) << c.text << " in " << c.layout.right - c.layout.left;
        EXPECT_EQ(placed.x, c.x) << c.text << " format " << c.format;
        EXPECT_EQ(placed.y, c.y) << c.text << " format " << c.format;
    }
}

TEST(DrawMathTest, ShortenedTextStaysInsideTheRectangleForEveryAlignment) {
    FixedMeasure measure;
    const RECT layout = {20, 0, 77, 12};
    for (uint32_t align : {kTextLeft, kTextHCenter, kTextRight}) {
        const QeTextPlacement placed = PlaceText(L"a long line of text", layout, align | kTextEndEllipsis, measure);
        const LONG width = measure.Extent(placed.shown).cx;
        EXPECT_EQ(placed.shown.substr(placed.shown.size() - 3), L"...");
        EXPECT_LT(width, layout.right - layout.left);
        EXPECT_GE(placed.x, layout.left) << align;
        EXPECT_LE(placed.x + width, layout.right) << align;
    }
}

// Names and chat lines from other users may hold long runs of characters without width: the
// shortened head is found in a few measures of the text, not one measure per character of the run.
TEST(DrawMathTest, RunsWithoutWidthAreShortenedInFewMeasures) {
    const std::wstring run(20000, L'\x1160');
    const struct {
        std::wstring text;
        std::wstring shown;
    } cases[] = {
        {L"abcd" + run + L"e", L"abc..."},  // the run after a line that just fits
        {L"ab" + run + L"cdefg", L"ab" + run + L"c..."},
        {run + L"abcdefg", run + L"abc..."},
    };
    for (const auto& c : cases) {
        FixedMeasure measure;
        EXPECT_EQ(PlaceText(c.text, {0, 0, 45, 12}, kTextEndEllipsis, measure).shown, c.shown);
        EXPECT_LT(measure.measured, 32 * c.text.size());
    }
}

TEST(DrawMathTest, BoxPartsMapIntoTheSource) {
    const struct {
        RECT source;
        RECT part;
        SIZE box;
        RECT mapped;
    } cases[] = {
        // The whole box is the whole source.
        {{0, 0, 30, 20}, {0, 0, 60, 40}, {60, 40}, {0, 0, 30, 20}},
        {{10, 5, 40, 25}, {30, 20, 60, 40}, {60, 40}, {25, 15, 40, 25}},
        // A third of a 3-wide box lands on column 1 only thanks to the bias (1/3 * 3 < 1 in floats).
        {{0, 0, 3, 3}, {1, 1, 2, 2}, {3, 3}, {1, 1, 2, 2}},
        // A part narrower than one source pixel still takes one column and one row.
        {{0, 0, 4, 4}, {50, 50, 51, 51}, {100, 100}, {2, 2, 3, 3}},
        {{0, 0, 4, 4}, {99, 0, 100, 100}, {100, 100}, {3, 0, 4, 4}},
        // The bias never carries an edge past the source, nor does a part beyond the box.
        {{0, 0, 1000, 1000}, {0, 0, 1, 1}, {1, 1}, {1, 1, 1000, 1000}},
        {{0, 0, 1000, 1000}, {0, 0, INT32_MAX, 1}, {1, 1}, {1, 1, 1000, 1000}},
        {{0, 0, 4, 4}, {100, 100, 100, 100}, {100, 100}, {3, 3, 4, 4}},
        {{10, 10, 14, 14}, {-50, -50, -40, -40}, {100, 100}, {10, 10, 11, 11}},
    };
    for (const auto& c : cases) {
        RECT out = {};
        ASSERT_TRUE(MapBoxPart(c.source, c.part, c.box, out));
        EXPECT_EQ((std::vector<LONG>{out.left, out.top, out.right, out.bottom}),
                  (std::vector<LONG>{c.mapped.left, c.mapped.top, c.mapped.right, c.mapped.bottom}))
            << c.part.left << "," << c.part.top << " of " << c.box.cx << "x" << c.box.cy;
    }
    RECT out = {};
    EXPECT_FALSE(MapBoxPart({0, 0, 4, 4}, {0, 0, 1, 1}, {0, 10}, out));
    EXPECT_FALSE(MapBoxPart({0, 0, 4, 4}, {0, 0, 1, 1}, {10, 0}, out));
    EXPECT_FALSE(MapBoxPart({0, 0, 4, 4}, {0, 0, 1, 1}, {-5, 10}, out));
}

TEST(DrawMathTest, FrameDueAtEachTime) {
    // Loop twice through delays of 100 and 200 ms, then stay on the last frame.
    const std::vector<uint32_t> delays = {100, 200};
    // `after`: until the frame changes; 0 once it never will.
    const struct {
        uint32_t elapsed;
        size_t frame;
        uint32_t after;
    } cases[] = {{0, 0, 100},   {99, 0, 1},    {100, 1, 200}, {299, 1, 1},  {300, 0, 100},
                 {399, 0, 1},   {400, 1, 0},   {599, 1, 0},   {600, 1, 0},  {4000000000u, 1, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(FrameAt(delays, 2, c.elapsed), c.frame) << c.elapsed;
        EXPECT_EQ(FrameChangeAfter(delays, 2, c.elapsed), c.after) << c.elapsed;
    }
    EXPECT_EQ(FrameChangeAfter(delays, 0, 400), 200u) << "forever";
    EXPECT_EQ(FrameChangeAfter({100}, 0, 50), 0u) << "one frame";
    // Forever: the cycle goes on; no frames: 0; zero delays count as 1 ms.
    EXPECT_EQ(FrameAt(delays, 0, 600), 0u);
    EXPECT_EQ(FrameAt(delays, 0, 700), 1u);
    EXPECT_EQ(FrameAt({}, 0, 50), 0u);
    EXPECT_EQ(FrameAt({0, 0, 0}, 0, 4), 1u);
}

}  // namespace
