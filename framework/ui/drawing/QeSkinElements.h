// The text and image elements that controls load from their skin sections and draw.
#pragma once

#include <cstdint>
#include <string>

#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/drawing/QeGraphicsTypes.h"

class QeMarkupElement;

// A styled text with a pooled font.
class QeSkinText {
public:
    QeSkinText() = default;
    QeSkinText(const QeSkinText&) = delete;
    QeSkinText& operator=(const QeSkinText&) = delete;

    // The style from the element's keys (ReadTextStyle), its font from the pool, then the element's
    // Text when present. False, text unchanged, when the font cannot be made.
    bool Load(const QeMarkupElement& element);
    // The text in the layout rectangle by the style's formats, clipped to the clip rectangle.
    bool Draw(QeDC& dc, const RECT& layout, const RECT& clip);

    const std::wstring& Text() const { return m_text; }
    void SetText(const std::wstring& text) { m_text = text; }
    QeFontHandle& FontHandle() { return m_font; }
    const QeTextStyle& Style() const { return m_font.Style(); }

private:
    QeFontHandle m_font;
    std::wstring m_text;
};

// A region of a pooled image with a draw method.
class QeSkinImage {
public:
    QeSkinImage() = default;
    QeSkinImage(const QeSkinImage&) = delete;
    QeSkinImage& operator=(const QeSkinImage&) = delete;

    // The descriptor from the element's keys (ReadImageDescriptor), then SetImage.
    bool Load(const QeMarkupElement& element);
    // Lets go of the held image and loads the descriptor's; an empty source rectangle becomes the
    // whole image. False (no image held) when the pool gives none.
    bool SetImage(const QeImageDescriptor& descriptor);
    // Draws the part (box coordinates) of the source stretched over a box of the given size into
    // the destination rectangle. False without an image, or for a box without width or height.
    bool Draw(QeDC& dc, const RECT& destination, const RECT& part, SIZE box);

    const QeImageDescriptor& Descriptor() const { return m_descriptor; }
    void SetSourceRect(const RECT& source) { m_descriptor.source = source; }
    int32_t Handle() const { return m_image.Handle(); }
    // The pooled image; null without one, and for a file that turned out not to decode.
    QeImage* Image() const;
    // Lets the pooled picture drop its pixels until it is next drawn (QeImage::Purge).
    void Purge();

private:
    QeImageDescriptor m_descriptor;
    QePoolRef<QeImagePool> m_image;
};
