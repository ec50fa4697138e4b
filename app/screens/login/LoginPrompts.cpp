#include "app/screens/login/LoginPrompts.h"

#include "app/MessengerApp.h"
#include "app/screens/common/MenuAccount.h"
#include "app/screens/common/MsgBox.h"

namespace LoginPrompts {

namespace {

using ConsentAnswer = std::function<void(int result, bool dontAskAgain)>;
using DomainChoice = std::function<void(int row, const std::wstring& domain)>;

// The popups take a plain callback and context: the function rides as the context, freed on the
// one call every popup makes when it closes.
void OnConsentClosed(void* context, QePopup* popup, int result) {
    std::unique_ptr<ConsentAnswer> answer(static_cast<ConsentAnswer*>(context));
    const bool checked = popup != nullptr && static_cast<MsgBox*>(popup)->CheckBox().IsChecked();
    if (*answer) (*answer)(result, checked);
}

void OnDomainMenuClosed(void* context, QePopup* popup, int result) {
    std::unique_ptr<DomainChoice> choice(static_cast<DomainChoice*>(context));
    if (result != 1 || !*choice) return;
    const int row = static_cast<MenuAccount*>(popup)->Selection();
    (*choice)(row, MenuAccount::RowText(row));
}

}  // namespace

void AskConsent(ConsentAnswer onAnswer) {
    auto* answer = new ConsentAnswer(std::move(onAnswer));
    if (MsgBox::ConfirmWithCheck(kConsentText, kConsentCheckText, &OnConsentClosed, answer) == nullptr) {
        // A refused box calls nobody: it counts as one closed unanswered.
        OnConsentClosed(answer, nullptr, 0);
    }
}

void Confirm(const std::wstring& text, std::function<void(int result)> onResult) {
    MsgBox::Confirm(text, std::move(onResult));
}

void Alert(const std::wstring& text) { MsgBox::Alert(text); }

void ChooseDomain(DomainChoice onChosen) {
    auto* choice = new DomainChoice(std::move(onChosen));
    if (MenuPopup::Popup(new MenuAccount, &OnDomainMenuClosed, choice) == 0) delete choice;
}

std::wstring OwnDomain() { return MenuAccount::RowText(0); }

void ShowSip(int mode) {
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().ShowSip(mode);
}

void HideSip() {
    if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().HideSip();
}

}  // namespace LoginPrompts
