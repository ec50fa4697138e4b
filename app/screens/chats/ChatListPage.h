// ChatListPage, the chat list: tab bar, title bar and table.
// The tab bar is built; the other parts are shells until the screen is built.
#pragma once

#include "app/screens/MainShellPage.h"

class ChatListPage : public MainShellPage<ChatListPage, 2, TabBar::kChatListTab> {
public:
    static constexpr const wchar_t* kSection = L"ChatList";
    // The rows made again from the open chats, after one closed.
    void RebuildTable() {}

    static constexpr PartName kParts[] = {{L"ChatList", L"TitleBar"}, {L"ChatList", L"View"}};
};
