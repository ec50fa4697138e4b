#include "app/screens/options/OptionServiceInfoPage.h"

#include "app/MessengerApp.h"

ClassSkin OptionServiceInfoPage::s_skin;

bool OptionServiceInfoPage::Create() {
    AddChild(&m_view);
    m_view.Create();
    return true;
}

void OptionServiceInfoPage::OnRectChanged(const RECT&) { m_view.SetRect(s_skin.Rect({kSection, L"View"})); }

void OptionServiceInfoPage::OnVisibleChanged(bool visible) {
    m_view.SetVisible(visible);
    MessengerApp* app = MessengerApp::Instance();
    if (!visible || app == nullptr) return;
    app->StatusBarWindow().SetMode(StatusBar::kModeTitle);
    app->StatusBarWindow().TitleStrip().SetTitle(L"시스템 정보");
}
