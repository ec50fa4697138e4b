#include "app/screens/buddies/BuddyRequestListPage.h"

#include "app/MessengerApp.h"

ClassSkin BuddyRequestListPage::s_skin;

bool BuddyRequestListPage::Create() {
    AddChild(&m_table);
    m_table.Create();
    return true;
}

void BuddyRequestListPage::OnRectChanged(const RECT&) { m_table.SetRect(s_skin.Rect({kSection, L"View"})); }

void BuddyRequestListPage::OnVisibleChanged(bool visible) {
    m_table.SetVisible(visible);
    if (visible) m_table.Rebuild();
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->StatusBarWindow().SetMode(StatusBar::kModeTitle);
    app->StatusBarWindow().TitleStrip().SetTitle(L"친구 요청함");
}
