#include "app/screens/buddies/GroupAddPage.h"

#include "app/MessengerApp.h"

ClassSkin GroupAddPage::s_skin;

bool GroupAddPage::Create() {
    AddChild(&m_helpView);
    AddChild(&m_nameView);
    AddChild(&m_buttonBar);
    m_helpView.Create();
    m_nameView.Create();
    m_buttonBar.Create();
    return true;
}

void GroupAddPage::OnRectChanged(const RECT&) {
    m_helpView.SetRect(s_skin.Rect({kSection, L"TitleBar"}));
    m_nameView.SetRect(s_skin.Rect({kSection, L"View"}));
    m_buttonBar.SetRect(s_skin.Rect({kSection, L"ButtonBar"}));
}

void GroupAddPage::OnVisibleChanged(bool visible) {
    m_helpView.SetVisible(visible);
    m_nameView.SetVisible(visible);
    m_buttonBar.SetVisible(visible);
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->StatusBarWindow().SetMode(StatusBar::kModeGroupAdd);
    app->StatusBarWindow().TitleStrip().SetTitle(L"그룹 추가");
}
