#include "app/screens/buddies/BuddyListPage.h"

#include "app/MessengerApp.h"

ClassSkin BuddyListPage::s_skin;

bool BuddyListPage::Create() {
    AddChild(&m_tabBar);
    AddChild(&m_searchBar);
    AddChild(&m_table);
    m_tabBar.Create();
    m_searchBar.Create();
    m_table.Create();
    // This page's own tab stays checked while the page exists.
    m_tabBar.TabButton(TabBar::kBuddyListTab).SetReadOnly(true);
    return true;
}

void BuddyListPage::OnRectChanged(const RECT&) {
    m_tabBar.SetRect(s_skin.Rect({L"TabBar"}));
    m_searchBar.SetRect(s_skin.Rect({kSection, L"SearchBar"}));
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
}

void BuddyListPage::OnVisibleChanged(bool visible) {
    m_tabBar.SetVisible(visible);
    m_searchBar.SetVisible(visible);
    m_table.SetVisible(visible);
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    // On hiding as on showing, as the other main pages do not reset them.
    app->StatusBarWindow().SetMode(StatusBar::kModeCard);
    m_tabBar.CheckTab(TabBar::kBuddyListTab);
    // The system menu button shows only while this page does.
    if (visible) {
        app->MenuBarWindow().ShowSystemMenuButton();
    } else {
        app->MenuBarWindow().HideSystemMenuButton();
    }
}

int BuddyListPage::OnNotify(QeWindow* child, int code) {
    MessengerApp* app = MessengerApp::Instance();
    if (code == kNotifyPenDown && (child == &m_tabBar || child == &m_table) && app != nullptr) {
        app->MenuBarWindow().HideSip();
    }
    return 1;
}

void BuddyListPage::OnResetBegin() {
    m_table.RemoveRows();
    ClearSearchWord();
}
