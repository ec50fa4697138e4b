#include "app/screens/login/LoginPrompts.h"

#include "app/MessengerApp.h"
#include "messenger/model/Credentials.h"
#include "messenger/model/ScreenSeam.h"

namespace LoginPrompts {

void AskConsent(std::function<void(int result, bool dontAskAgain)> onAnswer) {
    // No box with a check box exists yet: the user's own tap on the login button stands for Yes.
    if (onAnswer) onAnswer(2, false);
}

void Confirm(const std::wstring& text, std::function<void(int result)> onResult) {
    Screens().Confirm(text, std::move(onResult));
}

void Alert(const std::wstring& text) { Screens().Alert(text); }

void ChooseDomain(std::function<void(int row, const std::wstring& domain)> onChosen) { (void)onChosen; }

std::wstring OwnDomain() { return kPortalDomain; }

void ShowSip(int mode) { (void)mode; }

void HideSip() {
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().HideSip();
}

}  // namespace LoginPrompts
