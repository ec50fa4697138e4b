#include "app/screens/chats/ChatListTitleBar.h"

namespace {

const SkinPath kBackgroundSkin{L"ChatList", L"TitleBar", L"BackgroundSkin"};
const SkinPath kIcon{L"ChatList", L"TitleBar", L"Icon"};
const SkinPath kText{L"ChatList", L"TitleBar", L"Text"};

}  // namespace

bool ChatListTitleBar::Create() {
    AddChild(&m_backgroundSkin);
    AddChild(&m_icon);
    AddChild(&m_text);
    s_skin.Load(m_backgroundSkin, kBackgroundSkin);
    s_skin.Load(m_icon, kIcon);
    s_skin.Load(m_text, kText);
    return true;
}

void ChatListTitleBar::OnVisibleChanged(bool visible) {
    m_backgroundSkin.SetVisible(visible);
    m_icon.SetVisible(visible);
    m_text.SetVisible(visible);
}

void ChatListTitleBar::OnRectChanged(const RECT&) {
    m_backgroundSkin.SetRect(s_skin.Rect(kBackgroundSkin));
    m_icon.SetRect(s_skin.Rect(kIcon));
    m_text.SetRect(s_skin.Rect(kText));
}
