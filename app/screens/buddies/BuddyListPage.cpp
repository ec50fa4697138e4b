#include "app/screens/buddies/BuddyListPage.h"

#include "app/MessengerApp.h"

void BuddyListPage::OnVisibleChanged(bool visible) {
    ShellPage::OnVisibleChanged(visible);
    auto* app = dynamic_cast<MessengerApp*>(QeApplicationBase::Instance());
    if (app == nullptr) return;
    if (visible) {
        app->MenuBarWindow().ShowSystemMenuButton();
    } else {
        app->MenuBarWindow().HideSystemMenuButton();
    }
}
