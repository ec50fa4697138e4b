// The text model of the edit control: every character, line break and emoticon is a glyph with
// its own box, and the glyphs form one doubly linked list between a begin and an end anchor.
//
// Rules callers rely on:
//   - a glyph measures itself when it is made and keeps its width and height; laying out only
//     moves its box (content coordinates);
//   - the list owns nothing by itself: whoever holds the anchors deletes glyphs through
//     QeEditDeleteGlyphs, which mends the links around them. A deleted glyph may still be named by
//     the line that held it, so every deletion is followed by a layout before any draw or hit test;
//   - a glyph carries one character, a whole code point: a character outside the 16-bit range is
//     one glyph, however it arrived. A lone surrogate half is shown and measured as U+FFFD and
//     read back as U+FFFD, so it never reaches UTF-8 text;
//   - every image glyph of one emoticon in one edit shares one picture (QeEditPicture): its texts,
//     its pooled image and its size are held once, and an image glyph costs what a character does.
//     The picture lives from its first glyph's making to its last glyph's deletion.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "framework/base/QeClassInfo.h"
#include "framework/controls/EmoticonImage.h"
#include "framework/ui/drawing/QeSkinElements.h"
#include "platform/win_types.h"

class QeDC;
class QeEditLine;
class QeEditPictures;
class QeFontHandle;

// One emoticon's picture as the image glyphs of one edit show it.
class QeEditPicture {
public:
    QeEditPicture() = default;
    QeEditPicture(const QeEditPicture&) = delete;
    QeEditPicture& operator=(const QeEditPicture&) = delete;

    const EmoticonImage& Emoticon() const { return *m_emoticon; }
    // TargetSize of the image when set, else the size of its part of the image file.
    SIZE Size() const { return m_size; }
    // Two frames or more.
    bool IsAnimated() const { return m_animated; }
    // The glyphs that show it.
    uint32_t Glyphs() const { return m_glyphs; }
    QeSkinImage& Image() { return m_image; }

    // For the edit's animator: the frame its shown glyphs were last brought to, whether a glyph of
    // it lay in the edit's view then, and a mark for the walk over the view's glyphs.
    struct Animation {
        size_t frame = 0;
        bool shown = false;
        bool marked = false;
    } animation;

private:
    friend class QeEditPictures;
    friend class QeEditGlyphImage;

    const EmoticonImage* m_emoticon = nullptr;  // the key it is held under
    QeEditPictures* m_pictures = nullptr;
    QeSkinImage m_image;
    SIZE m_size{0, 0};
    bool m_animated = false;
    uint32_t m_glyphs = 0;
};

// The pictures of one edit's image glyphs, one per emoticon.
class QeEditPictures {
public:
    QeEditPictures() = default;
    QeEditPictures(const QeEditPictures&) = delete;
    QeEditPictures& operator=(const QeEditPictures&) = delete;

    // The emoticon's picture, held by one glyph more; null, nothing held, when its image cannot be
    // loaded.
    QeEditPicture* Acquire(const EmoticonImage& emoticon);
    // Held by one glyph fewer; it goes with its last glyph.
    void Release(QeEditPicture* picture);
    size_t Count() const { return m_pictures.size(); }
    // The glyphs of the animated pictures.
    uint32_t AnimatedGlyphs() const;
    template <typename Visit>
    void ForEachAnimated(Visit visit) {
        for (auto& [emoticon, picture] : m_pictures) {
            if (picture.IsAnimated()) visit(picture);
        }
    }
    // Called when an animated picture comes or goes.
    std::function<void()> animatedChanged;

private:
    struct Less {
        bool operator()(const EmoticonImage& a, const EmoticonImage& b) const;
    };
    std::map<EmoticonImage, QeEditPicture, Less> m_pictures;
};

// What the glyphs and the layout need from the edit that holds them.
class QeEditHost {
public:
    // The horizontal line placement: 1 left, 2 centred, 3 right, anything else as built.
    virtual uint32_t LayoutAligns() const = 0;
    // The colour of the band behind the lines: the back colour of the current font.
    virtual COLORREF LayoutBackColor() const = 0;
    // Where the image glyphs find their pictures.
    virtual QeEditPictures& Pictures() = 0;

protected:
    ~QeEditHost() = default;
};

class QeEditGlyph {
public:
    explicit QeEditGlyph(QeFontHandle* style) : style(style) {}
    virtual ~QeEditGlyph() = default;
    QeEditGlyph(const QeEditGlyph&) = delete;
    QeEditGlyph& operator=(const QeEditGlyph&) = delete;

    // Draws the glyph's own picture; `origin` is where the content's (0, 0) lies in the surface and
    // `clip` is in content coordinates. Text is drawn by the line's runs, so the base draws nothing.
    virtual bool Draw(QeDC& /*dc*/, POINT /*origin*/, const RECT& /*clip*/) { return true; }
    virtual const QeClassInfo* GetClassInfo() const { return &QeEditGlyphClass; }

    int32_t Width() const { return box.right - box.left; }
    int32_t Height() const { return box.bottom - box.top; }
    // Keeps the size.
    void MoveTo(int32_t left, int32_t top);

    QeEditLine* line = nullptr;  // the line that holds it; null until laid out
    QeEditGlyph* previous = nullptr;
    QeEditGlyph* next = nullptr;
    RECT box{0, 0, 0, 0};
    QeFontHandle* style;  // the font of the glyph (owned by the edit's font cache)
};

class QeEditGlyphAnchor : public QeEditGlyph {
public:
    enum Kind : uint32_t { kBegin = 0, kEnd = 1, kLineBreak = 2 };
    // As tall as the font's line; no width for the begin anchor, 2 pixels for the others.
    QeEditGlyphAnchor(QeFontHandle* style, Kind kind);
    const QeClassInfo* GetClassInfo() const override { return &QeEditGlyphAnchorClass; }
    Kind AnchorKind() const { return m_kind; }

private:
    Kind m_kind;
};

class QeEditGlyphText : public QeEditGlyph {
public:
    // Measured in its font: the character's extent, or the password dot's with `password`.
    QeEditGlyphText(QeFontHandle* style, char32_t character, bool password);
    const QeClassInfo* GetClassInfo() const override { return &QeEditGlyphTextClass; }

    char32_t Character() const { return m_character; }
    // The character the glyph is read back as: itself, or U+FFFD for a lone surrogate half.
    char32_t TextCharacter() const;
    // What is drawn: the password dot, or the read-back character.
    char32_t Shown() const { return m_password ? kPasswordDot : TextCharacter(); }

    static constexpr char32_t kPasswordDot = 0x25CF;
    static constexpr char32_t kReplacement = 0xFFFD;

private:
    char32_t m_character;
    bool m_password;
};

class QeEditGlyphImage : public QeEditGlyph {
public:
    // Showing the owner's picture of the emoticon; null when its image cannot be loaded.
    static QeEditGlyphImage* Create(QeEditHost* owner, QeFontHandle* style, const EmoticonImage& emoticon);
    ~QeEditGlyphImage() override;
    const QeClassInfo* GetClassInfo() const override { return &QeEditGlyphImageClass; }
    // The image stretched over the box, the part inside `clip`.
    bool Draw(QeDC& dc, POINT origin, const RECT& clip) override;

    const EmoticonImage& Emoticon() const { return m_picture->Emoticon(); }
    bool IsAnimated() const { return m_picture->IsAnimated(); }
    QeEditPicture* Picture() const { return m_picture; }

private:
    QeEditGlyphImage(QeFontHandle* style, QeEditPicture* picture);

    QeEditPicture* m_picture;
};

// The glyph as that kind, or null.
QeEditGlyphAnchor* QeAsAnchor(QeEditGlyph* glyph);
QeEditGlyphText* QeAsText(QeEditGlyph* glyph);
QeEditGlyphImage* QeAsImage(QeEditGlyph* glyph);
// An anchor of that kind.
bool QeIsAnchor(QeEditGlyph* glyph, QeEditGlyphAnchor::Kind kind);

// Links `after` directly after `before`; either may be null.
void QeEditLink(QeEditGlyph* before, QeEditGlyph* after);
// Destroys the glyphs from first to last (following next, last included) and links first's
// previous to last's next. Nothing for a null first; a null last runs to the end of the list.
void QeEditDeleteGlyphs(QeEditGlyph* first, QeEditGlyph* last);

// The extent of the text in the style's font, measured on a borrowed 1 x 1 surface; {0, 0},
// traced, when no surface can be had.
SIZE QeEditMeasure(QeFontHandle* style, const std::wstring& text);
