#include "app/screens/chats/ChatListPage.h"

#include "app/MessengerApp.h"

namespace {

const SkinPath kTitleBar{L"ChatList", L"TitleBar"};
const SkinPath kView{L"ChatList", L"View"};

}  // namespace

bool ChatListPage::Create() {
    AddChild(&m_tabBar);
    AddChild(&m_titleBar);
    AddChild(&m_table);
    m_tabBar.Create();
    // This page's own tab ignores the pen while the page exists.
    m_tabBar.TabButton(TabBar::kChatListTab).SetReadOnly(true);
    m_titleBar.Create();
    m_table.Create();
    return true;
}

void ChatListPage::OnVisibleChanged(bool visible) {
    m_tabBar.SetVisible(visible);
    m_titleBar.SetVisible(visible);
    m_table.SetVisible(visible);
    if (!visible) return;
    if (MessengerApp* app = MessengerApp::Instance()) app->StatusBarWindow().SetMode(StatusBar::kModeCard);
    m_tabBar.CheckTab(TabBar::kChatListTab);
}

void ChatListPage::OnRectChanged(const RECT&) {
    m_tabBar.SetRect(TabBar::BarRect());
    m_titleBar.SetRect(s_skin.Rect(kTitleBar));
    m_table.SetRect(s_skin.Rect(kView));
}
