// The participants of one chat, opened from the disclosure arrow of a chat list row.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/chats/ChatInfoTable.h"

class ChatInfoPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"ChatInfo";
    static constexpr const wchar_t kTitle[] = L"참여 친구 정보";

    // The table added and loaded, its rectangle read. True.
    bool Create();
    // The table follows; shown, it is refreshed from its chat.
    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;

    ChatInfoTable& Table() { return m_table; }

private:
    ChatInfoTable m_table;
    static inline ClassSkin s_skin;
};
