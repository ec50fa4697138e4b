#include "app/screens/login/LoginPage.h"

ClassSkin LoginPage::s_skin;

LoginPage::LoginPage() { SetOwnDC(true); }

bool LoginPage::Create() {
    AddChild(&m_background);
    m_background.SetVisible(true);
    AddChild(&m_copyright);
    m_copyright.SetVisible(true);
    s_skin.Load(m_background, {kSection, L"BackgroundSkin"});
    s_skin.Load(m_copyright, {kSection, L"CopyrightLabel"});
    s_skin.MarkRead();
    return true;
}

void LoginPage::OnRectChanged(const RECT&) {
    m_background.SetRect(s_skin.Rect({kSection, L"BackgroundSkin"}));
    m_copyright.SetRect(s_skin.Rect({kSection, L"CopyrightLabel"}));
}
