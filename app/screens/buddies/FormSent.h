// After a form has sent its request: the input panel it opened hidden first (else it would stay
// over the page below), then the history's last entry replayed, as Back does.
#pragma once

#include "app/MessengerApp.h"

inline void GoBackFromSentForm() {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->MenuBarWindow().HideSip();
    QeTransitionParams back;
    if (app->StatusBarWindow().PopState(back)) app->ShowViewWithTransition(back);
}
