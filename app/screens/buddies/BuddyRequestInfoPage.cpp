#include "app/screens/buddies/BuddyRequestInfoPage.h"

#include "app/MessengerApp.h"

ClassSkin BuddyRequestInfoPage::s_skin;

bool BuddyRequestInfoPage::Create() {
    AddChild(&m_table);
    AddChild(&m_buttonBar);
    m_table.Create();
    m_buttonBar.Create();
    s_skin.Rect({kSection, L"View"});
    s_skin.Rect({kSection, L"ButtonBar"});
    s_skin.MarkRead();
    return true;
}

void BuddyRequestInfoPage::OnRectChanged(const RECT&) {
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
    m_buttonBar.SetRect(s_skin.Rect({kSection, L"ButtonBar"}));
}

void BuddyRequestInfoPage::OnVisibleChanged(bool visible) {
    m_table.SetVisible(visible);
    m_buttonBar.SetVisible(visible);
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->StatusBarWindow().SetMode(StatusBar::kModeTitle);
    app->StatusBarWindow().TitleStrip().SetTitle(L"친구 요청함");
}
