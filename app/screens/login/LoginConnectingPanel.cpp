#include "app/screens/login/LoginConnectingPanel.h"

#include "app/screens/login/LoginPage.h"
#include "messenger/protocol/Reset.h"

ClassSkin LoginConnectingPanel::s_skin;

namespace {
constexpr const wchar_t* kSubsection = L"Connecting";
}

void LoginConnectingPanel::Create(LoginPage& page) {
    page.AddChild(&ProgressText);
    page.AddChild(&ProgressBar);
    page.AddChild(&CancelButton);
    s_skin.Load(ProgressText, {LoginPage::kSection, kSubsection, L"ProgressText"});
    ProgressBar.Create(ScreenSkin::Find({LoginPage::kSection, kSubsection, L"ProgressBar"}));
    s_skin.Load(CancelButton, {LoginPage::kSection, kSubsection, L"CancelButton"});
}

void LoginConnectingPanel::Layout() {
    ProgressText.SetRect(s_skin.Rect({LoginPage::kSection, kSubsection, L"ProgressText"}));
    ProgressBar.SetRect(s_skin.Rect({LoginPage::kSection, kSubsection, L"ProgressBar"}));
    CancelButton.SetRect(s_skin.Rect({LoginPage::kSection, kSubsection, L"CancelButton"}));
}

void LoginConnectingPanel::SetVisible(bool visible) {
    ProgressText.SetVisible(visible);
    ProgressBar.SetVisible(visible);
    CancelButton.SetVisible(visible);
}

bool LoginConnectingPanel::OnNotify(QeWindow* child, int code) {
    if (child != &ProgressText && child != &ProgressBar && child != &CancelButton) return false;
    // Whatever step the attempt is at, everything it started ends with it, and the gate shows.
    if (code == kNotifyClick && child == &CancelButton) ResetToLogin();
    return true;
}
