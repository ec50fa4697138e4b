#include "app/screens/buddies/BuddyRequestInfoPage.h"

#include "app/MessengerApp.h"

BuddyRequestInfoPage::BuddyRequestInfoPage() : ViewAndBarPage(kSection, StatusBar::kModeTitle, L"친구 요청함") {}
