#include "framework/controls/EmoticonImage.h"

#include "framework/base/QeMarkup.h"

namespace {

uint32_t DrawMethodByName(const std::wstring& name) {
    if (name == L"TransparentBlt") return EmoticonImage::kTransparentBlt;
    if (name == L"AlphaBlend") return EmoticonImage::kAlphaBlend;
    if (name == L"AlphaBlendPerPixel") return EmoticonImage::kAlphaBlendPerPixel;
    return EmoticonImage::kBitBlt;
}

}  // namespace

int EmoticonImage::Load(const QeMarkupElement* element) {
    if (element == nullptr) return 0;
    if (const QeMarkupElement* text = element->FindChild(L"Text")) Text = text->Text();
    if (const QeMarkupElement* file = element->FindChild(L"File")) File = file->Text();
    if (const QeMarkupElement* coord = element->FindChild(L"ImageCoord")) {
        RECT rect = ParseRect(coord);
        X = rect.left;
        Y = rect.top;
        Width = rect.right - rect.left;
        Height = rect.bottom - rect.top;
    }
    if (const QeMarkupElement* method = element->FindChild(L"DrawMethod")) DrawMethod = DrawMethodByName(method->Text());
    return 1;
}
