#include "app/screens/options/OptionListPage.h"

ClassSkin OptionListPage::s_skin;

bool OptionListPage::Create() {
    AddChild(&m_titleBar);
    AddChild(&m_table);
    m_titleBar.Create();
    m_table.Create();
    s_skin.Rect({kSection, L"TitleBar"});
    s_skin.Rect({kSection, L"View"});
    s_skin.MarkRead();
    return true;
}

void OptionListPage::OnRectChanged(const RECT&) {
    m_titleBar.SetRect(s_skin.Rect({kSection, L"TitleBar"}));
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
}

void OptionListPage::OnVisibleChanged(bool visible) {
    m_titleBar.SetVisible(visible);
    m_table.SetVisible(visible);
}
