#include "app/screens/memos/MemoListPage.h"

#include "app/MessengerApp.h"

ClassSkin MemoListPage::s_skin;

bool MemoListPage::Create() {
    AddChild(&m_tabBar);
    AddChild(&m_titleBar);
    AddChild(&m_table);
    const bool made = m_tabBar.Create() && m_titleBar.Create(&m_table) && m_table.Create(&m_titleBar.BoxText());
    return made;
}

void MemoListPage::OnRectChanged(const RECT&) {
    m_tabBar.SetRect(TabBar::BarRect());
    m_titleBar.SetRect(s_skin.Rect({kSection, L"TitleBar"}));
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
}

void MemoListPage::OnVisibleChanged(bool visible) {
    m_titleBar.SetVisible(visible);
    m_table.SetVisible(visible);
    m_tabBar.SetVisible(visible);
    if (!visible) return;
    // Nothing is asked for: the box is loaded after sign-in and by the title bar.
    if (MessengerApp* app = MessengerApp::Instance()) app->StatusBarWindow().SetMode(StatusBar::kModeCard);
    m_tabBar.CheckTab(TabBar::kMemoListTab);
}
