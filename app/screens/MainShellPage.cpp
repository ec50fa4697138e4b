#include "app/screens/MainShellPage.h"

#include "app/MessengerApp.h"

void ShowStatusBarCard() {
    if (MessengerApp* app = MessengerApp::Instance()) app->StatusBarWindow().SetMode(StatusBar::kModeCard);
}
