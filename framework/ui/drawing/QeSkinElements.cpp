#include "framework/ui/drawing/QeSkinElements.h"

#include "framework/base/QeMarkup.h"
#include "framework/ui/drawing/QeDrawMath.h"
#include "framework/ui/drawing/QeSkinValues.h"
#include "framework/ui/view/QeRect.h"

bool QeSkinText::Load(const QeMarkupElement& element) {
    if (!m_font.Create(ReadTextStyle(element))) return false;
    if (const QeMarkupElement* text = element.FindChild(L"Text")) m_text = text->Text();
    return true;
}

bool QeSkinText::Draw(QeDC& dc, const RECT& layout, const RECT& clip) {
    if (QeFont* font = m_font.Font()) dc.SelectFont(font, false);
    const QeTextStyle& style = m_font.Style();
    dc.SetBackMode(style.backMode);
    dc.SetBackColor(style.backColor);
    dc.SetTextColor(style.textColor);
    return dc.DrawText(m_text, layout, clip, style.format);
}

bool QeSkinImage::Load(const QeMarkupElement& element) { return SetImage(ReadImageDescriptor(element)); }

bool QeSkinImage::SetImage(const QeImageDescriptor& descriptor) {
    if (!m_image.Load(descriptor.key)) return false;
    m_descriptor = descriptor;
    if (IsEmptyRect(m_descriptor.source)) {
        const QeImage* image = m_image.Get();
        m_descriptor.source = RECT{0, 0, image->Width(), image->Height()};
    }
    return true;
}

QeImage* QeSkinImage::Image() const {
    QeImage* image = m_image.Get();
    return image != nullptr && image->FrameCount() > 0 ? image : nullptr;
}

void QeSkinImage::Purge() {
    if (QeImage* image = m_image.Get()) image->Purge();
}

bool QeSkinImage::Draw(QeDC& dc, const RECT& destination, const RECT& part, SIZE box) {
    QeImage* image = Image();
    // An empty source (a look-up that found no icon) is nothing to draw, not a pixel to stretch.
    if (image == nullptr || IsEmptyRect(m_descriptor.source)) return false;
    RECT from;
    if (!MapBoxPart(m_descriptor.source, part, box, from)) return false;
    // A part drawn at its own size (a control redrawing a dirty area) is cut out of the whole box
    // drawn in place: the part's own source rectangle, in whole source pixels, would stretch from
    // another starting point and leave seams against what was drawn before.
    RECT to = destination;
    bool clipped = false;
    if (int64_t{destination.right} - destination.left == int64_t{part.right} - part.left &&
        int64_t{destination.bottom} - destination.top == int64_t{part.bottom} - part.top) {
        const int64_t left = int64_t{destination.left} - part.left, top = int64_t{destination.top} - part.top;
        to = RECT{QeClamp32(left), QeClamp32(top), QeClamp32(left + box.cx), QeClamp32(top + box.cy)};
        from = m_descriptor.source;
        clipped = QeRectsDiffer(to, destination);
        if (clipped && !dc.SetClip(&destination)) return false;
    }
    bool drawn = true;
    switch (m_descriptor.drawMethod) {
    case kDrawBitBlt:
        drawn = image->DrawBlt(dc, to, from, SRCCOPY);
        break;
    case kDrawTransparentBlt:
        drawn = image->DrawTransparent(dc, to, from, m_descriptor.keyOrAlpha);
        break;
    case kDrawAlphaBlend:
        drawn = image->DrawAlpha(dc, to, from, static_cast<BYTE>(m_descriptor.keyOrAlpha & 0xFF));
        break;
    case kDrawAlphaBlendPerPixel:
        drawn = image->DrawAlphaPerPixel(dc, to, from);
        break;
    default:
        break;
    }
    if (clipped) dc.SetClip(nullptr);
    return drawn;
}
