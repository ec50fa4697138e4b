#include "framework/controls/EmoticonImage.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>

#include "framework/base/QeMarkup.h"
#include "framework/base/QeTrace.h"
#include "framework/ui/drawing/QeSkinValues.h"

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
    if (const QeMarkupElement* method = element->FindChild(L"DrawMethod")) {
        DrawMethod = static_cast<uint32_t>(ParseDrawMethod(method->Text()));
    }
    // A keyed emoticon sheet names its key as any skin image does; without it the sheet's ground
    // would show around every emoticon in the chat.
    if (element->FindChild(L"ColorKey") != nullptr || element->FindChild(L"ConstantAlpha") != nullptr) {
        KeyOrAlpha = ReadImageDescriptor(*element).keyOrAlpha;
        HasKeyOrAlpha = true;
    }
    return 1;
}

QeImageDescriptor EmoticonImage::Descriptor() const {
    QeImageDescriptor descriptor;
    descriptor.key.fileName = File;
    if (Width > 0 && Height > 0) {
        descriptor.source = RECT{X, Y, static_cast<LONG>(std::min<int64_t>(int64_t{X} + Width, INT32_MAX)),
                                 static_cast<LONG>(std::min<int64_t>(int64_t{Y} + Height, INT32_MAX))};
    }
    descriptor.drawMethod = static_cast<int32_t>(DrawMethod);
    descriptor.keyOrAlpha = KeyOrAlpha;
    if ((DrawMethod == kTransparentBlt || DrawMethod == kAlphaBlend) && !HasKeyOrAlpha) {
        // Each emoticon is drawn over and over: one line says it all.
        static std::set<std::pair<std::wstring, uint32_t>> reported;
        if (reported.emplace(File, DrawMethod).second) {
            QeTrace(DrawMethod == kTransparentBlt
                        ? L"[QE+] EmoticonImage::Descriptor, %ls is drawn by TransparentBlt but has no colour key; black is keyed out.\n"
                        : L"[QE+] EmoticonImage::Descriptor, %ls is drawn by AlphaBlend but has no constant alpha; it does not show.\n",
                    File.c_str());
        }
    }
    return descriptor;
}
