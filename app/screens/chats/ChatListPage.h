// ChatListPage, the chat list: tab bar, title bar and table.
// The tab bar reads the root section "TabBar". A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class ChatListPage : public ShellPage<ChatListPage, 3> {
public:
    static constexpr const wchar_t* kSection = L"ChatList";
    // The rows made again from the open chats, after one closed.
    void RebuildTable() {}

    static constexpr PartName kParts[] = {{L"TabBar", nullptr}, {L"ChatList", L"TitleBar"}, {L"ChatList", L"View"}};
};
