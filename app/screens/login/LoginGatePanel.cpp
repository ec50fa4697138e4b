#include "app/screens/login/LoginGatePanel.h"

#include "app/screens/common/MsgBox.h"
#include "app/screens/login/LoginPage.h"
#include "app/screens/login/LoginPrompts.h"
#include "app/screens/login/LoginSettings.h"
#include "framework/base/QeRegistry.h"
#include "messenger/model/Credentials.h"

ClassSkin LoginGatePanel::s_skin;

namespace {

constexpr const wchar_t* kSubsection = L"Gate";
constexpr wchar_t kOtherIdText[] = L"다른 아이디로 로그인 시 기존 정보가 삭제 됩니다.\n\n계속 진행 하시겠습니까?";

// Signs in with the saved login, as it is at the moment of the call.
void SignInSaved(LoginPage& page) {
    const LoginSettings::Saved saved = LoginSettings::Read();
    if (saved.keyOpened) page.StartSignIn(saved.id, saved.hash, false);
}

}  // namespace

void LoginGatePanel::Create(LoginPage& page) {
    m_page = &page;
    page.AddChild(&IdText);
    page.AddChild(&LoginButton);
    page.AddChild(&LoginWithOtherIdButton);
    s_skin.Load(IdText, {LoginPage::kSection, kSubsection, L"IdText"});
    s_skin.Load(LoginButton, {LoginPage::kSection, kSubsection, L"LoginButton"});
    s_skin.Load(LoginWithOtherIdButton, {LoginPage::kSection, kSubsection, L"LoginWithOtherIdButton"});
}

void LoginGatePanel::Layout() {
    IdText.SetRect(s_skin.Rect({LoginPage::kSection, kSubsection, L"IdText"}));
    LoginButton.SetRect(s_skin.Rect({LoginPage::kSection, kSubsection, L"LoginButton"}));
    LoginWithOtherIdButton.SetRect(s_skin.Rect({LoginPage::kSection, kSubsection, L"LoginWithOtherIdButton"}));
}

void LoginGatePanel::SetVisible(bool visible) {
    IdText.SetVisible(visible);
    LoginButton.SetVisible(visible);
    LoginWithOtherIdButton.SetVisible(visible);
}

void LoginGatePanel::Show() {
    SetVisible(true);
    IdText.Text().SetText(QeRegistry::ReadString(LoginSettings::kKeyPath, LoginSettings::kUserId, L""));
    IdText.Invalidate(RECT{0, 0, 0, 0}, true);
}

bool LoginGatePanel::OnNotify(QeWindow* child, int code) {
    if (child != &IdText && child != &LoginButton && child != &LoginWithOtherIdButton) return false;
    if (code != kNotifyClick) return true;
    if (child == &LoginButton) OnLoginButton();
    if (child == &LoginWithOtherIdButton) OnLoginWithOtherIdButton();
    return true;
}

void LoginGatePanel::OnLoginButton() {
    const LoginSettings::Saved saved = LoginSettings::Read();
    if (!saved.keyOpened || m_page == nullptr) return;
    if (saved.hash.empty()) {
        m_page->ShowPage(LoginPage::kFormPanel);
        return;
    }
    if (LoginSettings::Agreed()) {
        m_page->StartSignIn(saved.id, saved.hash, false);
        return;
    }
    LoginPage* page = m_page;
    LoginPrompts::AskConsent([page](int result, bool dontAskAgain) {
        if (result != MsgBox::kResultYes) return;
        SignInSaved(*page);
        LoginSettings::WriteAgreed(dontAskAgain);
    });
}

void LoginGatePanel::OnLoginWithOtherIdButton() {
    LoginPage* page = m_page;
    LoginPrompts::Confirm(kOtherIdText, [page](int result) {
        if (result != MsgBox::kResultYes || page == nullptr) return;
        QeRegistry::WriteString(LoginSettings::kKeyPath, LoginSettings::kUserId, L"");
        ClearSavedPassword();
        QeRegistry::WriteDword(LoginSettings::kKeyPath, LoginSettings::kKeepIdPassword, 1);
        page->ShowPage(LoginPage::kFormPanel);
    });
}
