#include "app/screens/options/OptionListPage.h"

#include "app/MessengerApp.h"

ClassSkin OptionListPage::s_skin;

bool OptionListPage::Create() {
    AddChild(&m_tabBar);
    m_tabBar.Create();
    AddChild(&m_titleBar);
    AddChild(&m_table);
    m_titleBar.Create();
    m_table.Create();
    // This page's own tab stays checked while the page exists.
    m_tabBar.TabButton(TabBar::kOptionListTab).SetReadOnly(true);
    return true;
}

void OptionListPage::OnRectChanged(const RECT&) {
    m_titleBar.SetRect(s_skin.Rect({kSection, L"TitleBar"}));
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
    m_tabBar.SetRect(TabBar::BarRect());
}

void OptionListPage::OnVisibleChanged(bool visible) {
    m_titleBar.SetVisible(visible);
    m_table.SetVisible(visible);
    m_tabBar.SetVisible(visible);
    if (!visible) return;
    if (MessengerApp* app = MessengerApp::Instance()) app->StatusBarWindow().SetMode(StatusBar::kModeCard);
    m_tabBar.CheckTab(TabBar::kOptionListTab);
}
