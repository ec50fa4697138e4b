#include "app/screens/login/LoginFormPanel.h"

#include "app/screens/common/MsgBox.h"
#include "app/screens/login/LoginPage.h"
#include "app/screens/login/LoginPrompts.h"
#include "app/screens/login/LoginSettings.h"
#include "messenger/model/Credentials.h"
#include "platform/windows/input.h"

ClassSkin LoginFormPanel::s_skin;

namespace {

constexpr const wchar_t* kSubsection = L"Counter";
constexpr wchar_t kNoIdText[] = L"ID를 입력하세요.";
constexpr wchar_t kNoPasswordText[] = L"비밀번호를 입력하세요.";

template <class Widget>
void LoadWidget(ClassSkin& skin, Widget& widget, const wchar_t* name) {
    skin.Load(widget, {LoginPage::kSection, kSubsection, name});
}

}  // namespace

void LoginFormPanel::Widgets(Entry (&out)[kWidgetCount]) {
    out[0] = {&IdText, L"IdText"};
    out[1] = {&IdSkin, L"IdSkin"};
    out[2] = {&IdEdit, L"IdEdit"};
    out[3] = {&AccountText, L"AccountText"};
    out[4] = {&AccountSkin, L"AccountSkin"};
    out[5] = {&AccountEdit, L"AccountEdit"};
    out[6] = {&AccountButton, L"AccountButton"};
    out[7] = {&PasswordText, L"PasswordText"};
    out[8] = {&PasswordSkin, L"PasswordSkin"};
    out[9] = {&PasswordEdit, L"PasswordEdit"};
    out[10] = {&LoginAsOfflineCheckBox, L"LoginAsOfflineCheckBox"};
    out[11] = {&LoginAsOfflineText, L"LoginAsOfflineText"};
    out[12] = {&KeepIdPasswordCheckBox, L"KeepIdPasswordCheckBox"};
    out[13] = {&KeepIdPasswordText, L"KeepIdPasswordText"};
    out[14] = {&LoginButton, L"LoginButton"};
}

void LoginFormPanel::Create(LoginPage& page) {
    m_page = &page;
    Entry widgets[kWidgetCount];
    Widgets(widgets);
    for (const Entry& entry : widgets) page.AddChild(entry.window);
    LoadWidget(s_skin, IdText, L"IdText");
    LoadWidget(s_skin, IdSkin, L"IdSkin");
    LoadWidget(s_skin, IdEdit, L"IdEdit");
    LoadWidget(s_skin, AccountText, L"AccountText");
    LoadWidget(s_skin, AccountSkin, L"AccountSkin");
    LoadWidget(s_skin, AccountEdit, L"AccountEdit");
    LoadWidget(s_skin, AccountButton, L"AccountButton");
    LoadWidget(s_skin, PasswordText, L"PasswordText");
    LoadWidget(s_skin, PasswordSkin, L"PasswordSkin");
    LoadWidget(s_skin, PasswordEdit, L"PasswordEdit");
    LoadWidget(s_skin, LoginAsOfflineCheckBox, L"LoginAsOfflineCheckBox");
    LoadWidget(s_skin, LoginAsOfflineText, L"LoginAsOfflineText");
    LoadWidget(s_skin, KeepIdPasswordCheckBox, L"KeepIdPasswordCheckBox");
    LoadWidget(s_skin, KeepIdPasswordText, L"KeepIdPasswordText");
    LoadWidget(s_skin, LoginButton, L"LoginButton");
    for (QeEdit* edit : {&IdEdit, &AccountEdit, &PasswordEdit}) edit->SetInputMode(QeEdit::kLatinInput);
}

void LoginFormPanel::Layout() {
    Entry widgets[kWidgetCount];
    Widgets(widgets);
    for (const Entry& entry : widgets) entry.window->SetRect(s_skin.Rect({LoginPage::kSection, kSubsection, entry.name}));
}

void LoginFormPanel::SetVisible(bool visible) {
    Entry widgets[kWidgetCount];
    Widgets(widgets);
    for (const Entry& entry : widgets) entry.window->SetVisible(visible);
}

void LoginFormPanel::Load() {
    SetVisible(true);
    const LoginSettings::Saved saved = LoginSettings::Read();
    if (!saved.keyOpened) {
        IdEdit.SetText(L"");
        AccountEdit.SetText(LoginPrompts::OwnDomain());
        PasswordEdit.SetText(L"");
        LoginAsOfflineCheckBox.SetChecked(false);
        KeepIdPasswordCheckBox.SetChecked(true);
        return;
    }
    const size_t at = saved.id.find(L'@');
    if (at == std::wstring::npos) {
        IdEdit.SetText(L"");
        AccountEdit.SetText(LoginPrompts::OwnDomain());
    } else {
        IdEdit.SetText(saved.id.substr(0, at));
        AccountEdit.SetText(saved.id.substr(at + 1));
    }
    PasswordEdit.SetText(L"");
    LoginAsOfflineCheckBox.SetChecked(false);
    KeepIdPasswordCheckBox.SetChecked(saved.keep != 0);
    if (IdEdit.GetText().empty()) {
        IdEdit.SetFocus(true);
    } else {
        PasswordEdit.SetFocus(true);
    }
}

bool LoginFormPanel::Login() {
    const std::wstring id = IdEdit.GetText() + L"@" + AccountEdit.GetText();
    std::wstring hash;
    HashCredentials(hash, id, PasswordEdit.GetText());
    if (m_page == nullptr || !m_page->StartSignIn(id, hash, LoginAsOfflineCheckBox.IsChecked())) return false;
    const bool keep = KeepIdPasswordCheckBox.IsChecked();
    LoginSettings::WriteLogin(id, keep);
    if (keep) {
        SavePassword(hash);
    } else {
        ClearSavedPassword();
    }
    return true;
}

void LoginFormPanel::OnLoginButton() {
    LoginPrompts::HideSip();
    if (IdEdit.GetText().empty()) {
        LoginPrompts::Alert(kNoIdText);
        return;
    }
    if (PasswordEdit.GetText().empty()) {
        LoginPrompts::Alert(kNoPasswordText);
        return;
    }
    if (LoginSettings::Agreed()) {
        Login();
        return;
    }
    LoginPrompts::AskConsent([this](int result, bool dontAskAgain) {
        if (result != MsgBox::kResultYes) return;
        Login();
        LoginSettings::WriteAgreed(dontAskAgain);
    });
}

bool LoginFormPanel::OnNotify(QeWindow* child, int code) {
    Entry widgets[kWidgetCount];
    Widgets(widgets);
    bool ours = false;
    for (const Entry& entry : widgets) ours = ours || entry.window == child;
    if (!ours) return false;
    if (code == kNotifyPenDown) {
        LoginPrompts::HideSip();
        const bool typed = child == &IdEdit || child == &PasswordEdit ||
                           (child == &AccountEdit && (AccountEdit.Styles() & QeEdit::kReadOnly) == 0);
        if (typed) LoginPrompts::ShowSip(static_cast<QeEdit*>(child)->InputMode());
    } else if (code == kNotifyClick && child == &AccountButton) {
        LoginPrompts::ChooseDomain([this](int row, const std::wstring& domain) { OnDomainChosen(row, domain); });
    } else if (code == kNotifyClick && child == &LoginButton) {
        OnLoginButton();
    } else if (code == kNotifyKeyDown && static_cast<WPARAM>(QeLastEventArgs().first) == VK_RETURN) {
        if (child == &IdEdit || child == &AccountEdit) {
            PasswordEdit.SetFocus(true);
        } else if (child == &PasswordEdit) {
            OnLoginButton();
        }
    }
    return true;
}

void LoginFormPanel::OnDomainChosen(int row, const std::wstring& domain) {
    if (row == kTypedDomainRow) {
        AccountEdit.SetStyles(QeEdit::kSingleLine);
        AccountEdit.SetText(L"");
        AccountEdit.SetFocus(true);
        LoginPrompts::ShowSip(AccountEdit.InputMode());
        return;
    }
    AccountEdit.SetStyles(QeEdit::kReadOnly | QeEdit::kSingleLine);
    AccountEdit.SetText(domain);
}
