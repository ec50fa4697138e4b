#include "app/screens/options/OptionNickPage.h"

#include "app/MessengerApp.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/protocol/PresenceCommands.h"

ClassSkin OptionNickPage::s_skin;

bool OptionNickPage::Create() {
    AddChild(&m_help);
    AddChild(&m_view);
    m_help.Create();
    m_view.Create();
    return true;
}

void OptionNickPage::OnRectChanged(const RECT&) {
    m_help.SetRect(s_skin.Rect({kSection, L"TitleBar"}));
    m_view.SetRect(s_skin.Rect({kSection, L"View"}));
}

void OptionNickPage::OnVisibleChanged(bool visible) {
    if (visible) {
        const AccountInfo* account = AccountInfo::Instance();
        FillWhole(m_view.Nick(), account != nullptr ? account->Nickname : std::wstring());
        // What the field made of it: a single line drops line breaks, which the user did not type.
        m_filled = m_view.Nick().GetText();
        m_help.SetHelp1(L"내 대화명을 설정하세요.");
        m_help.SetHelp2(L"");
        if (MessengerApp* app = MessengerApp::Instance()) {
            app->StatusBarWindow().SetMode(StatusBar::kModeTitle);
            app->StatusBarWindow().TitleStrip().SetTitle(L"내 대화명 설정");
        }
    }
    m_help.SetVisible(visible);
    m_view.SetVisible(visible);
}

void OptionNickPage::OnLeave(const QeTransitionParams&) {
    // Untouched, the field says nothing new, even when the own nickname changed meanwhile.
    const std::wstring text = m_view.Nick().GetText();
    if (text != m_filled) SendOwnNickname(text);
}
