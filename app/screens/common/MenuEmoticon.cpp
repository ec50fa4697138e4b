#include "app/screens/common/MenuEmoticon.h"

#include "framework/base/QeMarkup.h"

ClassSkin MenuEmoticon::s_skin;

MenuEmoticon::MenuEmoticon() {
    LoadRows(s_skin, kSection, {}, true);
    const QeMarkupElement* list = ScreenSkin::Find({L"_EmoticonList", L"RGBA"});
    if (list == nullptr) return;
    for (const auto& child : list->Children()) {
        auto icon = std::make_unique<QeSkinImage>();
        icon->Load(*child);
        const QeMarkupElement* text = child->FindChild(L"Text");
        AddRow(text != nullptr ? text->Text() : std::wstring());
        m_icons.push_back(std::move(icon));
    }
}

int MenuEmoticon::DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    QeSkinImage* icon = index >= 0 && static_cast<size_t>(index) < m_icons.size() ? m_icons[index].get() : nullptr;
    return DrawRow(surface, index, clip, inRow, icon, true);
}

int MenuEmoticon::Selection() {
    const int32_t row = ChosenRow();
    return row >= 0 && static_cast<size_t>(row) < m_icons.size() ? row : kNoChoice;
}
