// The chat list, second of the four main pages: its tab bar, the title strip and the table of open
// chats.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/chats/ChatListTable.h"
#include "app/screens/chats/ChatListTitleBar.h"
#include "app/screens/common/TabBar.h"

class ChatListPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"ChatList";

    // The parts added and loaded, then their rectangles read. True.
    bool Create();
    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;
    // The rows made again from the open chats, after one closed.
    void RebuildTable() { m_table.Rebuild(); }

    TabBar& Tabs() { return m_tabBar; }
    ChatListTitleBar& TitleBar() { return m_titleBar; }
    ChatListTable& Table() { return m_table; }

private:
    TabBar m_tabBar;
    ChatListTitleBar m_titleBar;
    ChatListTable m_table;
    static inline ClassSkin s_skin;
};
