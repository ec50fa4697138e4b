#include "messenger/model/EmoticonCatalog.h"

#include "framework/base/QeMarkup.h"
#include "framework/base/QeTrace.h"

namespace {
size_t ChildCount(const QeMarkupElement* list) { return list != nullptr ? list->Children().size() : 0; }
}  // namespace

const QeMarkupElement* EmoticonCatalog::List(const wchar_t* name) const {
    return m_skin != nullptr ? m_skin->FindChild3(L"Tevrik", L"_EmoticonList", name) : nullptr;
}

void EmoticonCatalog::SetSkin(const QeMarkupElement* skinDocument) {
    m_skin = skinDocument;
    if (m_skin != nullptr && !ListsAgree()) {
        QeTrace(L"EmoticonCatalog::SetSkin, the emoticon menu lists %u emoticons but the catalogue %u; "
                L"\"_EmoticonList/RGBA\" and \"_EmoticonList/RGB\" must be parallel.\n",
                static_cast<unsigned>(ChildCount(List(L"RGBA"))), static_cast<unsigned>(ChildCount(List(L"RGB"))));
    }
}

bool EmoticonCatalog::ListsAgree() const { return ChildCount(List(L"RGBA")) == ChildCount(List(L"RGB")); }

size_t EmoticonCatalog::Count() const { return ChildCount(List(L"RGB")); }

EmoticonImage EmoticonCatalog::EmoticonByIndex(size_t index) const {
    EmoticonImage image;
    const QeMarkupElement* list = List(L"RGB");
    if (list != nullptr && index < list->Children().size()) image.Load(list->Children()[index].get());
    return image;
}

EmoticonImage EmoticonCatalog::EmoticonByText(const std::wstring& text) const {
    EmoticonImage image;
    const QeMarkupElement* list = List(L"RGB");
    // An entry without a code must not answer the empty text.
    if (list == nullptr || text.empty()) return image;
    for (const auto& child : list->Children()) {
        const QeMarkupElement* code = child->FindChild(L"Text");
        if (code != nullptr && code->Text() == text) {
            image.Load(child.get());
            break;
        }
    }
    return image;
}
