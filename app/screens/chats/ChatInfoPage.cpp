#include "app/screens/chats/ChatInfoPage.h"

#include "app/MessengerApp.h"

namespace {

const SkinPath kView{L"ChatInfo", L"View"};

}  // namespace

bool ChatInfoPage::Create() {
    AddChild(&m_table);
    m_table.Create();
    return true;
}

void ChatInfoPage::OnVisibleChanged(bool visible) {
    m_table.SetVisible(visible);
    if (!visible) return;
    if (MessengerApp* app = MessengerApp::Instance()) {
        app->StatusBarWindow().SetMode(StatusBar::kModeTitle);
        app->StatusBarWindow().TitleStrip().SetTitle(kTitle);
    }
    m_table.Refresh();
}

void ChatInfoPage::OnRectChanged(const RECT&) { m_table.SetRect(s_skin.Rect(kView)); }
