// BuddySelectPage, the buddy chooser "친구 선택": buddies are ticked to be invited into an open
// chat or to receive a memo. Nothing goes out while the page shows; the choice takes effect when
// navigation leaves it.
//
// Rules callers rely on:
//   - the opener sets the purpose (SelectForInvite, SelectRecipients) just before its switch, and
//     it holds until the next opener;
//   - every show empties the search word and the filter, lists the buddies again and ticks exactly
//     the preselected ids that the roster knows; the others are handed back after the ticked ones;
//   - every leave applies the ticks (also a leave to a page that a prompt opened); they stay until
//     the next show clears them, so nothing is applied twice for one choice;
//   - an invitation needs the chat's room: while the chat has no port or cookie nothing is sent,
//     and a chat that left the list meanwhile is forgotten.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/buddies/BuddySelectSearchBar.h"
#include "app/screens/buddies/BuddySelectTable.h"
#include "app/screens/chats/KeptChat.h"

class ChatSession;

class BuddySelectPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"BuddySelect";
    static constexpr const wchar_t* kTitle = L"친구 선택";
    enum Mode : uint32_t { kModeInvite = 0, kModeRecipients = 1, kModeNone = 2 };

    BuddySelectPage() : m_searchBar(m_table) {}

    // The two children added and loaded. True.
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;
    void OnLeave(const QeTransitionParams& params) override;

    // Leaving invites the ticked buddies into the chat.
    void SelectForInvite(ChatSession* chat);
    // Leaving makes the ticked buddies, then the ids the roster does not know, the memo form's
    // recipients.
    void SelectRecipients(const std::vector<std::wstring>& ids);
    // The reset's first step, before the model is emptied: no row keeps a model pointer and the
    // chat is forgotten.
    void OnResetBegin();
    // Where chats have just left the list: the chat is kept only while it is still there.
    void KeepChatIfOpen() { m_chat.KeepIfOpen(); }

    uint32_t CurrentMode() const { return m_mode; }
    ChatSession* Chat() const { return m_chat.Get(); }
    const std::vector<std::wstring>& ExtraIds() const { return m_extraIds; }
    BuddySelectSearchBar& SearchBar() { return m_searchBar; }
    BuddySelectTable& Table() { return m_table; }

private:
    void Invite();
    void HandRecipientsBack();

    uint32_t m_mode = kModeNone;
    KeptChat m_chat;
    std::vector<std::wstring> m_preselectedIds;
    // The table before the search bar that filters it, which is built with it.
    BuddySelectTable m_table;
    BuddySelectSearchBar m_searchBar;
    std::vector<std::wstring> m_extraIds;
    static ClassSkin s_skin;
};
