// The lines of the edit control: paragraphs (ended by line breaks) of lines (broken at the layout's
// width, at any glyph: words are not kept together) of runs (consecutive text glyphs of one font).
//
// Rules callers rely on:
//   - every glyph from the first build's glyph on belongs to a line after a build, and its box is
//     placed: lines stack from the layout's top (0 unless the owner sets it), glyphs sit on their
//     line's bottom edge;
//   - a build starts at the paragraph that holds its first glyph (glyphs not yet laid out count
//     from the nearest laid-out glyph before them), or at the next one when that glyph is the break
//     that ends its paragraph, and rebuilds everything from there to its last glyph; paragraphs
//     before it keep their places;
//   - the first glyph of a line always goes in, so a glyph wider than the layout gets a line of
//     its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/QeEditGlyph.h"

class QeEditLayout;
class QeEditParagraph;

// Consecutive text glyphs of one font, drawn with one call.
class QeEditRun {
public:
    bool Draw(QeDC& dc, POINT origin, const RECT& clip) const;

    QeFontHandle* font = nullptr;
    std::wstring text;
    RECT box{0, 0, 0, 0};
};

class QeEditLine {
public:
    bool Draw(QeDC& dc, POINT origin, const RECT& clip) const;

    QeEditParagraph* paragraph = nullptr;
    QeEditGlyph* first = nullptr;
    QeEditGlyph* last = nullptr;
    std::vector<QeEditRun> runs;
    bool endsWithBreak = false;
    bool mixedHeights = false;  // a glyph is shorter than the line
    int32_t width = 0;          // the sum of the glyph widths
    RECT box{0, 0, 0, 0};
};

class QeEditParagraph {
public:
    bool Draw(QeDC& dc, POINT origin, const RECT& clip) const;

    QeEditLayout* layout = nullptr;
    size_t index = 0;  // in the layout
    std::vector<std::unique_ptr<QeEditLine>> lines;
    RECT box{0, 0, 0, 0};
};

class QeEditLayout {
public:
    explicit QeEditLayout(QeEditHost* owner) : m_owner(owner) {}
    QeEditLayout(const QeEditLayout&) = delete;
    QeEditLayout& operator=(const QeEditLayout&) = delete;

    // Rebuilds from the paragraph that holds `from` through `to`, then places what was rebuilt.
    void Build(QeEditGlyph* from, QeEditGlyph* to);
    // Deletes every paragraph, line and run; glyphs keep no line.
    void Clear();
    // Moves the top to `top` and every line, run and glyph with it.
    void SetTop(int32_t top);
    // Forgets the paragraphs before the one at `keep`, whose glyphs (all but `begin`, the list's
    // head, now linked to the first glyph kept) were deleted, and moves the rest up to the top with
    // `begin` at the front of the first line: what a build from `begin` would give, at the cost of moving the boxes. False,
    // and nothing changed, when a build could break or place the first line otherwise.
    bool DropLeading(size_t keep, QeEditGlyph* begin);
    // The glyph under the content point, or null.
    QeEditGlyph* HitTest(POINT point) const;
    // The paragraphs that meet the clip (content coordinates) vertically; `origin` is where the
    // content's (0, 0) lies in the surface. Stops at the first draw that fails.
    bool Draw(QeDC& dc, POINT origin, const RECT& clip) const;

    // The extent: left and top as set, right as set (the width lines break at), bottom from the
    // build.
    RECT box{0, 0, 0, 0};
    int32_t Width() const { return box.right - box.left; }
    int32_t Height() const { return box.bottom - box.top; }

    QeEditHost* Owner() const { return m_owner; }
    const std::vector<std::unique_ptr<QeEditParagraph>>& Paragraphs() const { return m_paragraphs; }

private:
    void Place(size_t from);
    void PlaceLine(QeEditLine& line, const RECT& paragraph, int32_t top) const;

    QeEditHost* m_owner;
    std::vector<std::unique_ptr<QeEditParagraph>> m_paragraphs;
};
