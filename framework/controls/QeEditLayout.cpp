#include "framework/controls/QeEditLayout.h"

#include <algorithm>

#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/view/QeRect.h"

namespace {

constexpr uint32_t kAlignLeft = 1;
constexpr uint32_t kAlignCenter = 2;
constexpr uint32_t kAlignRight = 3;

// The first element whose box ends below y; the boxes are stacked in order.
template <class Items>
auto FirstEndingBelow(const Items& items, int32_t y) {
    return std::upper_bound(items.begin(), items.end(), y,
                            [](int32_t value, const auto& item) { return value < item->box.bottom; });
}

// The element under y: the first ending below it, unless it starts below y as well.
template <class Items>
auto ItemAt(const Items& items, int32_t y) {
    auto found = FirstEndingBelow(items, y);
    if (found != items.end() && (*found)->box.top > y) return items.end();
    return found;
}

bool MeetsVertically(const RECT& box, const RECT& clip) { return box.bottom > clip.top && box.top < clip.bottom; }

}  // namespace

bool QeEditRun::Draw(QeDC& dc, POINT origin, const RECT& clip) const {
    RECT part;
    if (!QeIntersectRect(box, clip, part)) return true;
    if (font != nullptr) {
        if (QeFont* pooled = font->Font()) dc.SelectFont(pooled, false);
        dc.SetBackColor(font->Style().backColor);
        dc.SetTextColor(font->Style().textColor);
    }
    dc.SetBackMode(0);
    return dc.DrawText(text, QeOffsetRect(box, origin.x, origin.y), QeOffsetRect(part, origin.x, origin.y),
                       kTextLeft | kTextTop);
}

bool QeEditLine::Draw(QeDC& dc, POINT origin, const RECT& clip) const {
    const QeEditLayout* layout = paragraph->layout;
    const uint32_t aligns = layout->Owner() != nullptr ? layout->Owner()->LayoutAligns() : 0;
    // Behind a left-aligned line of one height the glyphs cover their boxes, so only the rest of
    // the band needs the background.
    RECT band{paragraph->box.left, box.top, paragraph->box.right, box.bottom};
    if (aligns == kAlignLeft && !mixedHeights && last != nullptr) {
        band.left = QeAsAnchor(last) != nullptr ? last->box.left : last->box.right;
    }
    RECT fill;
    if (layout->Owner() != nullptr && QeIntersectRect(band, clip, fill)) {
        dc.FillSolid(layout->Owner()->LayoutBackColor(), QeOffsetRect(fill, origin.x, origin.y));
    }
    if (box.right <= clip.left || box.left >= clip.right) return true;
    for (const QeEditRun& run : runs) {
        if (run.box.right <= clip.left) continue;
        if (run.box.left >= clip.right) break;
        if (!run.Draw(dc, origin, clip)) return false;
    }
    for (QeEditGlyph* glyph = first; glyph != nullptr; glyph = glyph->next) {
        if (glyph->box.left >= clip.right) break;
        if (glyph->box.right > clip.left && QeAsImage(glyph) != nullptr && !glyph->Draw(dc, origin, clip)) {
            return false;
        }
        if (glyph == last) break;
    }
    return true;
}

bool QeEditParagraph::Draw(QeDC& dc, POINT origin, const RECT& clip) const {
    for (auto line = FirstEndingBelow(lines, clip.top); line != lines.end(); ++line) {
        if ((*line)->box.top >= clip.bottom) break;
        if (!(*line)->Draw(dc, origin, clip)) return false;
    }
    return true;
}

bool QeEditLayout::Draw(QeDC& dc, POINT origin, const RECT& clip) const {
    for (auto paragraph = FirstEndingBelow(m_paragraphs, clip.top); paragraph != m_paragraphs.end(); ++paragraph) {
        if (!MeetsVertically((*paragraph)->box, clip)) break;
        if (!(*paragraph)->Draw(dc, origin, clip)) return false;
    }
    return true;
}

QeEditGlyph* QeEditLayout::HitTest(POINT point) const {
    auto paragraph = ItemAt(m_paragraphs, point.y);
    if (paragraph == m_paragraphs.end()) return nullptr;
    const auto& lines = (*paragraph)->lines;
    auto line = ItemAt(lines, point.y);
    if (line == lines.end()) return nullptr;
    const QeEditLine& found = **line;
    if (found.first == nullptr || point.x >= found.box.right || point.x < found.first->box.left) return nullptr;
    for (QeEditGlyph* glyph = found.first; glyph != nullptr; glyph = glyph->next) {
        if (QePointInRect(glyph->box, point)) return glyph;
        if (glyph == found.last) break;
    }
    return nullptr;
}

void QeEditLayout::Clear() {
    for (const auto& paragraph : m_paragraphs) {
        for (const auto& line : paragraph->lines) {
            for (QeEditGlyph* glyph = line->first; glyph != nullptr; glyph = glyph->next) {
                glyph->line = nullptr;
                if (glyph == line->last) break;
            }
        }
    }
    m_paragraphs.clear();
    box.bottom = box.top;
}

void QeEditLayout::SetTop(int32_t top) {
    const int32_t height = Height();
    box.top = top;
    if (m_paragraphs.empty()) {
        box.bottom = top + height;
    } else {
        Place(0);
    }
}

bool QeEditLayout::DropLeading(size_t keep, QeEditGlyph* begin) {
    if (keep == 0 || keep >= m_paragraphs.size()) return false;
    QeEditLine& line = *m_paragraphs[keep]->lines.front();
    // Behind a zero-width head the line breaks where it did, unless its first glyph alone is too
    // wide; a head taller than the line would make it taller.
    if (begin->Width() != 0 || begin->Height() > line.box.bottom - line.box.top ||
        line.first->Width() > Width()) {
        return false;
    }
    const int32_t dy = m_paragraphs[keep]->box.top - box.top;
    const auto up = [dy](RECT& r) {
        r.top -= dy;
        r.bottom -= dy;
    };
    m_paragraphs.erase(m_paragraphs.begin(), m_paragraphs.begin() + static_cast<std::ptrdiff_t>(keep));
    // Each step along a line's glyphs waits for the glyph before it to come from memory, so the
    // glyphs of several lines are moved side by side: their waits overlap.
    constexpr size_t kSideBySide = 8;
    QeEditGlyph* walking[kSideBySide] = {};
    const QeEditLine* walked[kSideBySide] = {};
    size_t lanes = 0;
    const auto walk = [&]() {
        for (bool moving = true; moving;) {
            moving = false;
            for (size_t lane = 0; lane < lanes; ++lane) {
                QeEditGlyph* glyph = walking[lane];
                if (glyph == nullptr) continue;
                up(glyph->box);
                walking[lane] = glyph == walked[lane]->last ? nullptr : glyph->next;
                moving = true;
            }
        }
        lanes = 0;
    };
    for (size_t i = 0; i < m_paragraphs.size(); ++i) {
        QeEditParagraph& paragraph = *m_paragraphs[i];
        paragraph.index = i;
        up(paragraph.box);
        for (const auto& moved : paragraph.lines) {
            up(moved->box);
            for (QeEditRun& run : moved->runs) up(run.box);
            walking[lanes] = moved->first;
            walked[lanes] = moved.get();
            if (++lanes == kSideBySide) walk();
        }
    }
    walk();
    begin->line = &line;
    line.first = begin;
    PlaceLine(line, m_paragraphs.front()->box, line.box.top);
    box.bottom -= dy;
    return true;
}

void QeEditLayout::Build(QeEditGlyph* from, QeEditGlyph* to) {
    if (from == nullptr) return;
    // Glyphs made since the last build have no line yet: the change starts at the nearest glyph
    // before them that has one, or at the head of the list.
    QeEditGlyph* known = from;
    while (known->line == nullptr && known->previous != nullptr) known = known->previous;
    size_t index = 0;
    QeEditGlyph* glyph = known;
    if (known->line != nullptr && known->line->endsWithBreak && known->line->last == known &&
        known->next != nullptr) {
        // A change after a paragraph's break leaves that paragraph as it was: text appended at the
        // end lays out only the new lines, not the last one again.
        index = known->line->paragraph->index + 1;
        glyph = known->next;
    } else if (known->line != nullptr) {
        QeEditParagraph* held = known->line->paragraph;
        index = held->index;
        glyph = held->lines.front()->first;
    } else {
        Clear();
    }
    m_paragraphs.resize(std::min(index, m_paragraphs.size()));

    const int32_t width = Width();
    // Everything after the first glyph is rebuilt, whatever `to` says: a glyph left behind would
    // name a line that no longer exists.
    (void)to;
    while (glyph != nullptr) {
        auto paragraph = std::make_unique<QeEditParagraph>();
        paragraph->layout = this;
        paragraph->index = m_paragraphs.size();
        bool paragraphEnded = false;
        while (glyph != nullptr && !paragraphEnded) {
            auto line = std::make_unique<QeEditLine>();
            line->paragraph = paragraph.get();
            line->first = glyph;
            do {
                glyph->line = line.get();
                line->last = glyph;
                line->width += glyph->Width();
                if (QeIsAnchor(glyph, QeEditGlyphAnchor::kLineBreak)) line->endsWithBreak = true;
                glyph = glyph->next;
            } while (glyph != nullptr && !line->endsWithBreak && line->width + glyph->Width() <= width);
            paragraphEnded = line->endsWithBreak;
            paragraph->lines.push_back(std::move(line));
        }
        m_paragraphs.push_back(std::move(paragraph));
    }
    Place(index);
}

void QeEditLayout::Place(size_t from) {
    int32_t y = from > 0 && from <= m_paragraphs.size() ? m_paragraphs[from - 1]->box.bottom : box.top;
    for (size_t i = from; i < m_paragraphs.size(); ++i) {
        QeEditParagraph& paragraph = *m_paragraphs[i];
        paragraph.box = RECT{box.left, y, box.right, y};
        for (const auto& line : paragraph.lines) {
            PlaceLine(*line, paragraph.box, y);
            y = line->box.bottom;
        }
        paragraph.box.bottom = y;
    }
    box.bottom = y;
}

void QeEditLayout::PlaceLine(QeEditLine& line, const RECT& paragraph, int32_t top) const {
    int32_t height = 0;
    int32_t lowest = INT32_MAX;
    for (QeEditGlyph* glyph = line.first; glyph != nullptr; glyph = glyph->next) {
        height = std::max(height, glyph->Height());
        lowest = std::min(lowest, glyph->Height());
        if (glyph == line.last) break;
    }
    line.mixedHeights = lowest != height;

    const int32_t room = paragraph.right - paragraph.left;
    int32_t left = line.box.left;
    switch (m_owner != nullptr ? m_owner->LayoutAligns() : 0) {
    case kAlignLeft:
        left = paragraph.left;
        break;
    case kAlignCenter:
        left = paragraph.left + (room - line.width) / 2;
        break;
    case kAlignRight:
        left = paragraph.left + room - line.width;
        break;
    default:
        break;
    }
    line.box = RECT{left, top, left + line.width, top + height};

    line.runs.clear();
    QeEditRun* run = nullptr;
    int32_t x = left;
    for (QeEditGlyph* glyph = line.first; glyph != nullptr; glyph = glyph->next) {
        glyph->MoveTo(x, line.box.bottom - glyph->Height());
        x += glyph->Width();
        const QeEditGlyphText* text = QeAsText(glyph);
        if (text == nullptr) {
            run = nullptr;  // anchors and images end a run
        } else {
            const bool sameFont = run != nullptr && (run->font == glyph->style ||
                                                     (run->font != nullptr && glyph->style != nullptr &&
                                                      *run->font == *glyph->style));
            if (!sameFont) {
                run = &line.runs.emplace_back();
                run->font = glyph->style;
                run->box = RECT{glyph->box.left, line.box.bottom, glyph->box.left, line.box.bottom};
            }
            run->text.push_back(static_cast<wchar_t>(text->Shown()));
            run->box.right += glyph->Width();
            run->box.top = std::min(run->box.top, glyph->box.top);
        }
        if (glyph == line.last) break;
    }
}
