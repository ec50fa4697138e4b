#include "framework/ui/drawing/QeSkinValues.h"

#include "framework/base/QeMarkup.h"
#include "framework/base/QeTrace.h"

namespace {

bool Has(const std::wstring& value, const wchar_t* word) { return value.find(word) != std::wstring::npos; }

struct Word {
    const wchar_t* text;
    uint32_t bits;
};

template <size_t N>
uint32_t Bits(const std::wstring& value, const Word (&words)[N]) {
    uint32_t bits = 0;
    for (const Word& word : words) {
        if (Has(value, word.text)) bits |= word.bits;
    }
    return bits;
}

template <size_t N>
int32_t WholeValue(const std::wstring& value, const wchar_t* const (&names)[N]) {
    for (size_t i = 0; i < N; ++i) {
        if (value == names[i]) return static_cast<int32_t>(i);
    }
    return 0;
}

}  // namespace

uint32_t ParseTextFormats(const std::wstring& value) {
    static const Word words[] = {{L"Left", kTextLeft},       {L"HCenter", kTextHCenter}, {L"Right", kTextRight},
                                 {L"Top", kTextTop},         {L"VCenter", kTextVCenter}, {L"Bottom", kTextBottom},
                                 {L"EndEllipsis", kTextEndEllipsis}};
    return Bits(value, words);
}

uint32_t ParseFontEffects(const std::wstring& value) {
    static const Word words[] = {{L"Bold", 1}, {L"Italic", 2}, {L"Underline", 4}, {L"StrikeOut", 8}};
    return Bits(value, words);
}

uint32_t ParseEditStyles(const std::wstring& value) {
    static const Word words[] = {{L"ReadOnly", 1}, {L"NumberOnly", 2}, {L"Password", 4}, {L"SingleLine", 8}};
    return Bits(value, words);
}

uint32_t ParseEditAligns(const std::wstring& value) {
    static const Word horizontal[] = {{L"Left", 1}, {L"HCenter", 2}};
    static const Word vertical[] = {{L"Top", 16}, {L"VCenter", 32}};
    const uint32_t across = Has(value, L"Right") ? 3 : Bits(value, horizontal);
    const uint32_t down = Has(value, L"Bottom") ? 48 : Bits(value, vertical);
    return across | down;
}

int32_t ParseBackMode(const std::wstring& value) {
    static const wchar_t* const names[] = {L"Opaque", L"Transparent"};
    return WholeValue(value, names);
}

int32_t ParseDrawMethod(const std::wstring& value) {
    static const wchar_t* const names[] = {L"BitBlt", L"TransparentBlt", L"AlphaBlend", L"AlphaBlendPerPixel"};
    return WholeValue(value, names);
}

void ReadFontKeys(const QeMarkupElement& element, QeTextStyle& style) {
    if (const QeMarkupElement* size = element.FindChild(L"FontSize")) {
        int32_t height = ParseInt(size);
        if (height > kMaxFontHeight || height < -kMaxFontHeight) {
            QeTrace(L"[QE+] QeSkinText::Load, FontSize %d is out of range and has been clamped.\n", height);
            height = height > 0 ? kMaxFontHeight : -kMaxFontHeight;
        }
        style.font.height = height;
    }
    if (const QeMarkupElement* color = element.FindChild(L"BackColor")) style.backColor = ParseColor(color);
    if (const QeMarkupElement* color = element.FindChild(L"TextColor")) style.textColor = ParseColor(color);
    if (const QeMarkupElement* effects = element.FindChild(L"FontEffects")) {
        const uint32_t bits = ParseFontEffects(effects->Text());
        if (bits & 1) style.font.weight = 700;
        if (bits & 2) style.font.italic = 1;
        if (bits & 4) style.font.underline = 1;
        if (bits & 8) style.font.strikeOut = 1;
    }
}

QeTextStyle ReadTextStyle(const QeMarkupElement& element) {
    QeTextStyle style;
    ReadFontKeys(element, style);
    if (const QeMarkupElement* mode = element.FindChild(L"BackMode")) style.backMode = ParseBackMode(mode->Text());
    if (const QeMarkupElement* formats = element.FindChild(L"TextFormats")) {
        style.format = ParseTextFormats(formats->Text());
    }
    return style;
}

QeImageDescriptor ReadImageDescriptor(const QeMarkupElement& element) {
    QeImageDescriptor descriptor;
    if (const QeMarkupElement* file = element.FindChild(L"File")) descriptor.key.fileName = file->Text();
    if (const QeMarkupElement* coord = element.FindChild(L"ImageCoord")) {
        const RECT source = ParseRect(coord);
        if (source.right < source.left || source.bottom < source.top) {
            // A mirrored source is no skin's intent; the whole image is the safe reading.
            QeTrace(L"[QE+] QeSkinImage::Load, ImageCoord \"%ls\" has a negative extent and has been ignored.\n",
                    coord->Text().c_str());
        } else {
            descriptor.source = source;
        }
    }
    if (const QeMarkupElement* target = element.FindChild(L"TargetSize")) {
        SIZE size = ParseSize(target);
        if (size.cx < 0 || size.cy < 0) {
            QeTrace(L"[QE+] QeSkinImage::Load, TargetSize \"%ls\" has a negative extent and has been clamped.\n",
                    target->Text().c_str());
            if (size.cx < 0) size.cx = 0;
            if (size.cy < 0) size.cy = 0;
        }
        descriptor.targetSize = size;
    }
    if (const QeMarkupElement* method = element.FindChild(L"DrawMethod")) {
        descriptor.drawMethod = ParseDrawMethod(method->Text());
    }
    if (const QeMarkupElement* key = element.FindChild(L"ColorKey")) descriptor.keyOrAlpha = ParseColor(key);
    if (const QeMarkupElement* alpha = element.FindChild(L"ConstantAlpha")) {
        int32_t value = ParseInt(alpha);
        if (value < 0 || value > 255) {
            // Masking would turn 256 (meant as opaque) into 0: an invisible element.
            QeTrace(L"[QE+] QeSkinImage::Load, ConstantAlpha %d is out of range and has been clamped.\n", value);
            value = value < 0 ? 0 : 255;
        }
        descriptor.keyOrAlpha = static_cast<uint32_t>(value);
    }
    return descriptor;
}
