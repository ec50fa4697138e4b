#include "app/screens/buddies/BuddyProfilePage.h"

#include "app/MessengerApp.h"

ClassSkin BuddyProfilePage::s_skin;

bool BuddyProfilePage::Create() {
    AddChild(&m_table);
    AddChild(&m_buttonBar);
    m_table.Create();
    m_buttonBar.Create();
    s_skin.Rect({kSection, L"View"});
    s_skin.Rect({kSection, L"ButtonBar"});
    s_skin.MarkRead();
    return true;
}

void BuddyProfilePage::OnRectChanged(const RECT&) {
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
    m_buttonBar.SetRect(s_skin.Rect({kSection, L"ButtonBar"}));
}

void BuddyProfilePage::OnVisibleChanged(bool visible) {
    m_table.SetVisible(visible);
    m_buttonBar.SetVisible(visible);
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->StatusBarWindow().SetMode(StatusBar::kModeTitle);
    app->StatusBarWindow().TitleStrip().SetTitle(L"친구 프로필");
}

void BuddyProfilePage::SetGroup(BuddyGroup* group) {
    m_table.SetGroup(group);
    Repaint();
}

void BuddyProfilePage::Repaint() {
    m_table.Invalidate(RECT{0, 0, 0, 0}, true);
    m_buttonBar.Invalidate(RECT{0, 0, 0, 0}, true);
}
