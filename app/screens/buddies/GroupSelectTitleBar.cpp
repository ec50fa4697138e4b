#include "app/screens/buddies/GroupSelectTitleBar.h"

ClassSkin GroupSelectTitleBar::s_skin;

#define TITLE_PATH(element) {L"GroupSelect", L"TitleBar", element}

bool GroupSelectTitleBar::Create() {
    AddChild(&m_buddyIcon);
    AddChild(&m_buddyName);
    AddChild(&m_buddyNick);
    s_skin.Load(m_buddyIcon, TITLE_PATH(L"BuddyIcon"));
    s_skin.Load(m_buddyName, TITLE_PATH(L"BuddyName"));
    s_skin.Load(m_buddyNick, TITLE_PATH(L"BuddyNick"));
    return true;
}

int GroupSelectTitleBar::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({L"GroupSelect", L"TitleBar"}), rect);
    return 1;
}

void GroupSelectTitleBar::OnRectChanged(const RECT&) {
    m_buddyIcon.SetRect(s_skin.Rect(TITLE_PATH(L"BuddyIcon")));
    m_buddyName.SetRect(s_skin.Rect(TITLE_PATH(L"BuddyName")));
    m_buddyNick.SetRect(s_skin.Rect(TITLE_PATH(L"BuddyNick")));
}

void GroupSelectTitleBar::OnVisibleChanged(bool visible) {
    m_buddyIcon.SetVisible(visible);
    m_buddyName.SetVisible(visible);
    m_buddyNick.SetVisible(visible);
}
