#include "app/screens/chats/ChatListPage.h"

namespace {

const SkinPath kTabBar{L"TabBar"};
const SkinPath kTitleBar{L"ChatList", L"TitleBar"};
const SkinPath kView{L"ChatList", L"View"};

}  // namespace

bool ChatListPage::Create() {
    AddChild(&m_tabBar);
    AddChild(&m_titleBar);
    AddChild(&m_table);
    m_titleBar.Create();
    m_table.Create();
    for (SkinPath path : {kTabBar, kTitleBar, kView}) s_skin.Rect(path);
    s_skin.MarkRead();
    return true;
}

void ChatListPage::OnVisibleChanged(bool visible) {
    m_tabBar.SetVisible(visible);
    m_titleBar.SetVisible(visible);
    m_table.SetVisible(visible);
}

void ChatListPage::OnRectChanged(const RECT&) {
    m_tabBar.SetRect(s_skin.Rect(kTabBar));
    m_titleBar.SetRect(s_skin.Rect(kTitleBar));
    m_table.SetRect(s_skin.Rect(kView));
}
