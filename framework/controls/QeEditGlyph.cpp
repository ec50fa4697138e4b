#include "framework/controls/QeEditGlyph.h"

#include <algorithm>
#include <tuple>

#include "framework/base/QeTrace.h"
#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/view/QeRect.h"

namespace {

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The extent of the text in the font (none: the surface's own), measured on a borrowed 1 x 1
// surface; false, traced, when no surface can be had.
bool MeasureOnSurface(QeFont* font, const std::wstring& text, SIZE& size) {
    QeSurfacePool* pool = QeSurfacePool::Instance();
    QeSurface* surface = pool != nullptr ? pool->Acquire(1, 1, nullptr) : nullptr;
    if (surface == nullptr) {
        QeTrace(L"[QE+] QeEditGlyph::Measure, No surface to measure the text on.\n");
        return false;
    }
    if (font != nullptr) surface->SelectFont(font, false);
    size = surface->TextExtent(text);
    // The surface goes back to the pool; it must not keep naming a font the pool may free.
    surface->SelectFont(nullptr, false);
    pool->Unload(surface);
    return true;
}

// A character's extent as its font measured it before, else measured now and kept with the font.
SIZE Measured(QeFontHandle* style, char32_t shown) {
    QeFont* font = style != nullptr ? style->Font() : nullptr;
    if (font == nullptr) return QeEditMeasure(style, std::wstring(1, static_cast<wchar_t>(shown)));
    auto& characters = font->KnownExtents().characters;
    if (auto found = characters.find(shown); found != characters.end()) return found->second;
    SIZE size{0, 0};
    if (MeasureOnSurface(font, std::wstring(1, static_cast<wchar_t>(shown)), size)) characters.emplace(shown, size);
    return size;
}

// The extent of no text: as wide as nothing, as tall as the font's line.
SIZE LineExtent(QeFontHandle* style) {
    QeFont* font = style != nullptr ? style->Font() : nullptr;
    if (font == nullptr) return QeEditMeasure(style, std::wstring());
    std::optional<SIZE>& empty = font->KnownExtents().empty;
    SIZE size{0, 0};
    if (!empty && MeasureOnSurface(font, std::wstring(), size)) empty = size;
    return empty.value_or(size);
}

}  // namespace

SIZE QeEditMeasure(QeFontHandle* style, const std::wstring& text) {
    SIZE size{0, 0};
    MeasureOnSurface(style != nullptr ? style->Font() : nullptr, text, size);
    return size;
}

void QeEditGlyph::MoveTo(int32_t left, int32_t top) {
    box = RECT{left, top, left + Width(), top + Height()};
}

QeEditGlyphAnchor::QeEditGlyphAnchor(QeFontHandle* style, Kind kind) : QeEditGlyph(style), m_kind(kind) {
    const SIZE line = LineExtent(style);
    box = RECT{0, 0, kind == kBegin ? 0 : 2, line.cy};
}

QeEditGlyphText::QeEditGlyphText(QeFontHandle* style, char32_t character, bool password)
    : QeEditGlyph(style), m_character(character), m_password(password) {
    const SIZE size = Measured(style, Shown());
    box = RECT{0, 0, size.cx, size.cy};
}

char32_t QeEditGlyphText::TextCharacter() const { return IsSurrogate(m_character) ? kReplacement : m_character; }

bool QeEditPictures::Less::operator()(const EmoticonImage& a, const EmoticonImage& b) const {
    return std::tie(a.File, a.X, a.Y, a.Width, a.Height, a.DrawMethod, a.KeyOrAlpha, a.HasKeyOrAlpha, a.Text) <
           std::tie(b.File, b.X, b.Y, b.Width, b.Height, b.DrawMethod, b.KeyOrAlpha, b.HasKeyOrAlpha, b.Text);
}

QeEditPicture* QeEditPictures::Acquire(const EmoticonImage& emoticon) {
    auto [at, made] = m_pictures.try_emplace(emoticon);
    QeEditPicture& picture = at->second;
    if (made) {
        if (!picture.m_image.SetImage(emoticon.Descriptor())) {
            m_pictures.erase(at);
            return nullptr;
        }
        picture.m_emoticon = &at->first;
        picture.m_pictures = this;
        const QeImageDescriptor& loaded = picture.m_image.Descriptor();
        SIZE size = loaded.targetSize;
        if (size.cx <= 0 || size.cy <= 0) {
            size = SIZE{loaded.source.right - loaded.source.left, loaded.source.bottom - loaded.source.top};
        }
        picture.m_size = SIZE{std::max<LONG>(size.cx, 0), std::max<LONG>(size.cy, 0)};
        const QeImage* image = picture.m_image.Image();
        picture.m_animated = image != nullptr && image->FrameCount() >= 2;
    }
    ++picture.m_glyphs;
    if (made && picture.m_animated && animatedChanged) animatedChanged();
    return &picture;
}

void QeEditPictures::Release(QeEditPicture* picture) {
    if (picture == nullptr || --picture->m_glyphs != 0) return;
    const bool animated = picture->m_animated;
    m_pictures.erase(*picture->m_emoticon);
    if (animated && animatedChanged) animatedChanged();
}

uint32_t QeEditPictures::AnimatedGlyphs() const {
    uint32_t glyphs = 0;
    for (const auto& [emoticon, picture] : m_pictures) glyphs += picture.IsAnimated() ? picture.Glyphs() : 0;
    return glyphs;
}

QeEditGlyphImage::QeEditGlyphImage(QeFontHandle* style, QeEditPicture* picture)
    : QeEditGlyph(style), m_picture(picture) {
    box = RECT{0, 0, picture->Size().cx, picture->Size().cy};
}

QeEditGlyphImage* QeEditGlyphImage::Create(QeEditHost* owner, QeFontHandle* style, const EmoticonImage& emoticon) {
    QeEditPicture* picture = owner != nullptr ? owner->Pictures().Acquire(emoticon) : nullptr;
    return picture != nullptr ? new QeEditGlyphImage(style, picture) : nullptr;
}

QeEditGlyphImage::~QeEditGlyphImage() { m_picture->m_pictures->Release(m_picture); }

bool QeEditGlyphImage::Draw(QeDC& dc, POINT origin, const RECT& clip) {
    RECT part;
    if (!QeIntersectRect(box, clip, part)) return true;
    const RECT destination = QeOffsetRect(part, origin.x, origin.y);
    const RECT inBox = QeOffsetRect(part, -box.left, -box.top);
    return m_picture->Image().Draw(dc, destination, inBox, SIZE{Width(), Height()});
}

QeEditGlyphAnchor* QeAsAnchor(QeEditGlyph* glyph) {
    return IsKindOf(glyph, &QeEditGlyphAnchorClass) ? static_cast<QeEditGlyphAnchor*>(glyph) : nullptr;
}
QeEditGlyphText* QeAsText(QeEditGlyph* glyph) {
    return IsKindOf(glyph, &QeEditGlyphTextClass) ? static_cast<QeEditGlyphText*>(glyph) : nullptr;
}
QeEditGlyphImage* QeAsImage(QeEditGlyph* glyph) {
    return IsKindOf(glyph, &QeEditGlyphImageClass) ? static_cast<QeEditGlyphImage*>(glyph) : nullptr;
}
bool QeIsAnchor(QeEditGlyph* glyph, QeEditGlyphAnchor::Kind kind) {
    const QeEditGlyphAnchor* anchor = QeAsAnchor(glyph);
    return anchor != nullptr && anchor->AnchorKind() == kind;
}

void QeEditLink(QeEditGlyph* before, QeEditGlyph* after) {
    if (before != nullptr) before->next = after;
    if (after != nullptr) after->previous = before;
}

void QeEditDeleteGlyphs(QeEditGlyph* first, QeEditGlyph* last) {
    if (first == nullptr) return;
    QeEditGlyph* before = first->previous;
    QeEditGlyph* after = last != nullptr ? last->next : nullptr;
    QeEditLink(before, after);
    for (QeEditGlyph* glyph = first; glyph != nullptr && glyph != after;) {
        QeEditGlyph* next = glyph->next;
        delete glyph;
        glyph = next;
    }
}
