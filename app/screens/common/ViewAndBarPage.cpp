#include "app/screens/common/ViewAndBarPage.h"

#include "app/MessengerApp.h"

void ShowPageTitle(int mode, const wchar_t* title) {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->StatusBarWindow().SetMode(mode);
    app->StatusBarWindow().TitleStrip().SetTitle(title);
}
