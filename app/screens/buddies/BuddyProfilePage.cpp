#include "app/screens/buddies/BuddyProfilePage.h"

#include "app/MessengerApp.h"

BuddyProfilePage::BuddyProfilePage() : ViewAndBarPage(kSection, StatusBar::kModeTitle, L"친구 프로필") {}

void BuddyProfilePage::SetGroup(BuddyGroup* group) {
    m_table.SetGroup(group);
    Repaint();
}

void BuddyProfilePage::Repaint() {
    m_table.Invalidate(RECT{0, 0, 0, 0}, true);
    m_buttonBar.Invalidate(RECT{0, 0, 0, 0}, true);
}
