#include "framework/ui/drawing/QeSkinElements.h"

#include "framework/base/QeMarkup.h"
#include "framework/ui/drawing/QeDrawMath.h"
#include "framework/ui/drawing/QeSkinValues.h"

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

bool QeSkinImage::Draw(QeDC& dc, const RECT& destination, const RECT& part, SIZE box) {
    QeImage* image = Image();
    if (image == nullptr) return false;
    RECT from;
    if (!MapBoxPart(m_descriptor.source, part, box, from)) return false;
    switch (m_descriptor.drawMethod) {
    case kDrawBitBlt:
        return image->DrawBlt(dc, destination, from, SRCCOPY);
    case kDrawTransparentBlt:
        return image->DrawTransparent(dc, destination, from, m_descriptor.keyOrAlpha);
    case kDrawAlphaBlend:
        return image->DrawAlpha(dc, destination, from, static_cast<BYTE>(m_descriptor.keyOrAlpha & 0xFF));
    case kDrawAlphaBlendPerPixel:
        return image->DrawAlphaPerPixel(dc, destination, from);
    default:
        return true;
    }
}
