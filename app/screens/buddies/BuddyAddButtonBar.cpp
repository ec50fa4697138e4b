#include "app/screens/buddies/BuddyAddButtonBar.h"

#include "app/MessengerApp.h"

ClassSkin BuddyAddButtonBar::s_skin;

int BuddyAddButtonBar::OnNotify(QeWindow* child, int code) {
    if (child == &m_requestButton && code == kNotifyClick) {
        if (MessengerApp* app = MessengerApp::Instance()) app->BuddyAdd().SendBuddyRequest();
    }
    return 1;
}

