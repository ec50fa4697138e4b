#include "app/screens/common/MenuPopup.h"

#include "app/screens/common/PopupParts.h"
#include "framework/base/QeMarkup.h"
#include "framework/ui/drawing/QeDC.h"

ClassSkin MenuPopup::s_skin;

MenuPopup::MenuPopup() {
    PopupParts::LoadFrames(*this, kSection);
    if (const QeMarkupElement* margin = ScreenSkin::Find({kSection, L"_TableViewMargin"})) {
        Layout().SetMargins(ParseInt(margin));
    }
}

int MenuPopup::Popup(MenuPopup* menu, Callback callback, void* context) {
    if (menu == nullptr) return 0;
    PopupParts::HideSip();
    return menu->QePopup::Popup(PopupParts::SectionSize(s_skin, kSection), callback, context);
}


void MenuPopup::LoadRows(ClassSkin& skin, const wchar_t* section, const std::initializer_list<const wchar_t*>& labels,
                         bool withIcon) {
    m_selectionBarRect = skin.Load(m_selectionBar, {section, L"SelectionBar"});
    m_lineRect = skin.Load(m_line, {section, L"Line"});
    m_textRect = skin.Load(m_text, {section, L"Text"});
    if (withIcon) m_iconRect = skin.Rect({section, L"Icon"});
    m_backColor = skin.BackColor({section});
    m_itemHeight = skin.ItemHeight({section});
    // The chosen row's text: the same style in "TextColorSelected".
    ScreenSkin::Load(m_textSelected, {section, L"Text"});
    if (const QeMarkupElement* selected = ScreenSkin::Find({section, L"Text", L"TextColorSelected"})) {
        QeTextStyle style = m_textSelected.Style();
        style.textColor = ParseColor(selected);
        m_textSelected.FontHandle().Create(style);
    }
    for (const wchar_t* label : labels) AddRow(label);
}

void MenuPopup::AddRow(const std::wstring& label) {
    TableItem row(TableItem::kItem, m_itemHeight);
    row.text = label;
    List().AddItem(row);
    // A menu opens whole: no row grows in.
    List().FinishAnimation();
}

int MenuPopup::DrawMenuBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(m_backColor, rect);
    return 1;
}

int MenuPopup::DrawRow(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow, QeSkinImage* icon,
                       bool fillEveryRow) {
    QePopupMenu::DrawMenuItem(surface, index, clip, inRow);
    const TableItem* row = List().GetItem(index);
    if (surface == nullptr || row == nullptr) return 1;
    const bool chosen = index == List().GetSelection();
    if (chosen || fillEveryRow) surface->FillSolid(m_backColor, clip);
    QeCell cell(List(), *surface, index, clip, inRow);
    if (chosen) cell.DrawImage(m_selectionBar, m_selectionBarRect);
    if (icon != nullptr) cell.DrawImage(*icon, m_iconRect);
    QeSkinText& text = chosen ? m_textSelected : m_text;
    text.SetText(row->text);
    cell.DrawText(text, m_textRect);
    cell.DrawImage(m_line, m_lineRect);
    return 1;
}
