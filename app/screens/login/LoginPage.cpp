#include "app/screens/login/LoginPage.h"

#include "app/screens/common/MsgBox.h"
#include "app/screens/login/LoginPrompts.h"
#include "app/screens/login/LoginSettings.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/protocol/SignIn.h"

ClassSkin LoginPage::s_skin;

LoginPage::LoginPage() { SetOwnDC(true); }

bool LoginPage::Create() {
    AddChild(&m_background);
    AddChild(&m_copyright);
    s_skin.Load(m_background, {kSection, L"BackgroundSkin"});
    s_skin.Load(m_copyright, {kSection, L"CopyrightLabel"});
    m_form.Create(*this);
    m_gate.Create(*this);
    m_connecting.Create(*this);
    return true;
}

void LoginPage::OnRectChanged(const RECT&) {
    m_background.SetRect(s_skin.Rect({kSection, L"BackgroundSkin"}));
    m_copyright.SetRect(s_skin.Rect({kSection, L"CopyrightLabel"}));
    m_form.Layout();
    m_gate.Layout();
    m_connecting.Layout();
}

void LoginPage::OnVisibleChanged(bool visible) {
    if (QeSurfacePool* pool = QeSurfacePool::Instance()) pool->UnloadAll();
    m_background.SetVisible(visible);
    m_copyright.SetVisible(visible);
    if (!visible) {
        m_form.SetVisible(false);
        m_gate.SetVisible(false);
        m_connecting.SetVisible(false);
        return;
    }
    DecideOnShow();
}

void LoginPage::DecideOnShow() {
    if (AccountInfo* account = AccountInfo::Instance()) {
        account->Id.clear();
        account->Digest.clear();
    }
    // A caller has chosen the panel already (the return to the gate).
    if (m_panel != kFormPanel) return;
    const LoginSettings::Saved saved = LoginSettings::Read();
    if (!saved.keyOpened) {
        ShowPage(kFormPanel);
        return;
    }
    const bool complete = !saved.id.empty() && !saved.hash.empty();
    if (saved.keep != 0 && complete) {
        if (LoginSettings::Agreed()) {
            // No panel is shown yet: one that cannot start leaves the form, as after the consent.
            if (!StartSignIn(saved.id, saved.hash, false)) ShowPage(kFormPanel);
        } else {
            LoginPrompts::AskConsent([this](int result, bool dontAskAgain) { OnAutomaticConsent(result, dontAskAgain); });
        }
        return;
    }
    ShowPage(complete ? kGatePanel : kFormPanel);
}

void LoginPage::OnAutomaticConsent(int result, bool dontAskAgain) {
    // A prompt that closed unanswered is a No that leaves nothing stored.
    if (result == MsgBox::kResultYes || result == MsgBox::kResultNo) LoginSettings::WriteAgreed(dontAskAgain);
    if (result != MsgBox::kResultYes) {
        ShowPage(kFormPanel);
        return;
    }
    const LoginSettings::Saved saved = LoginSettings::Read();
    if (!saved.keyOpened || !StartSignIn(saved.id, saved.hash, false)) ShowPage(kFormPanel);
}

void LoginPage::ShowPage(int index) {
    if (index < kFormPanel || index > kConnectingPanel) return;
    m_panel = index;
    m_form.SetVisible(false);
    m_gate.SetVisible(false);
    m_connecting.SetVisible(false);
    if (index == kFormPanel) m_form.Load();
    if (index == kGatePanel) m_gate.Show();
    if (index == kConnectingPanel) m_connecting.SetVisible(true);
    Invalidate(RECT{0, 0, 0, 0}, true);
}

bool LoginPage::StartSignIn(const std::wstring& id, const std::wstring& hash, bool offline) {
    if (!BeginSignIn(id, hash, offline)) return false;
    ShowPage(kConnectingPanel);
    return true;
}

int LoginPage::OnNotify(QeWindow* child, int code) {
    switch (m_panel) {
        case kFormPanel: m_form.OnNotify(child, code); break;
        case kGatePanel: m_gate.OnNotify(child, code); break;
        case kConnectingPanel: m_connecting.OnNotify(child, code); break;
        default: break;
    }
    return 1;
}

int LoginPage::OnSipShown(const RECT& panel) {
    if (m_panel != kFormPanel || panel.bottom <= panel.top) return 1;
    const RECT password = ScreenSkin::Rect({kSection, L"Counter", L"PasswordSkin"});
    const LONG limit = panel.top - kSipClearance;
    // From where the field rests, not where it is: a pen down on a field hides the panel first,
    // which starts the screen sliding home.
    if (ScreenSkin::Rect({kSection}).top + password.bottom <= limit) return 1;
    const LONG d = password.bottom - limit;
    SetAnimation(QeAnimationParams(kMoveSeconds, kMoveEasing));
    SetRect(RECT{0, -kSipTopShift - d, Width(), -kSipTopShift - d + Height()});
    return 1;
}

int LoginPage::OnSipHidden() {
    if (m_panel != kFormPanel) return 1;
    SetAnimation(QeAnimationParams(kMoveSeconds, kMoveEasing));
    SetRect(ScreenSkin::Rect({kSection}));
    return 1;
}
