// The window of one chat: made by its ChatSession through the seam, deleted with it, as many as
// there are open chats. The transcript above, the input bar below.
#pragma once

#include <cstdint>

#include "app/ScreenBase.h"
#include "app/screens/chats/ChatInputBar.h"
#include "app/screens/chats/ChatOutputView.h"
#include "messenger/model/ScreenSeam.h"

class ChatSession;

class ChatPage : public ScreenBase, public ChatWindow {
public:
    static constexpr const wchar_t* kSection = L"Chat";

    ChatPage();
    // A page deleted while current (its chat ended under it, the log-out) leaves no page current.
    ~ChatPage() override;
    // Both parts added and laid out from the skin. True.
    bool Create();

    ChatSession* Session() const { return m_session; }
    ChatSession* PageChatSession() override { return m_session; }
    void SetSession(ChatSession* session) { m_session = session; }
    // Set by the status bar's close button once the chat's end went out and the way back started:
    // the chat is removed when that transition has ended.
    void MarkClosing() override { m_closing = 1; }
    bool IsClosing() const { return m_closing != 0; }

    // ---- ChatWindow
    void AppendLine(const std::wstring& text, int kind) override { m_view.AppendLine(text, kind); }
    void SetStatusText(const std::wstring& text) override { m_view.SetStatusText(text); }
    void UpdateTitle() override { m_view.UpdateTitle(); }
    void SetBuddyIcon(const Buddy* buddy) override { m_view.SetBuddyIcon(buddy); }
    void UpdateInputState() override;
    bool IsCurrentPage() const override;

    // ---- QeWindow
    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;
    int OnNotify(QeWindow* child, int code) override;

    ChatOutputView& View() { return m_view; }
    ChatInputBar& InputBar() { return m_bar; }

    // The reason the user cannot chat in the session, or null when the user can.
    static const wchar_t* CannotChatReason(const ChatSession& session);

private:
    uint32_t m_closing = 0;
    ChatSession* m_session = nullptr;
    ChatOutputView m_view;
    ChatInputBar m_bar;
};

// The page of the chat; null for a null chat or one without a page.
ChatPage* ChatPageOf(const ChatSession* session);
