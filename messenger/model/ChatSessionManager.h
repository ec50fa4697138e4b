// The open chats: who each is with, how to reach its chat server, its members, texts typed before
// it could carry them, unread state, and the chat window that shows it.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/base/QeDateTime.h"
#include "framework/base/QeSingleton.h"
#include "messenger/model/ScreenSeam.h"

class ChatMember {
public:
    std::wstring Id;  // login id
    std::wstring Name;
    std::wstring Nickname;
    std::wstring Extra;
    uint32_t State = 2;  // 0 once the JOIN or USER state token was "1"
};

// A chat's members in order of arrival, found by id through an index, at most kMax of them. Read it
// like a vector; only Add and Remove change it, so the index cannot fall behind.
class ChatMemberList {
public:
    // Far more people than one conversation on a handheld screen can follow, bounded as kMaxChats
    // bounds the chats. Past it a JOIN or USER is not listed: the chat server's users must not be
    // able to make every later JOIN, QUIT and participants row cost in proportion to an endless
    // list. A QUIT moves the members after it up, a few microseconds at this size.
    static constexpr size_t kMax = 256;

    using const_iterator = std::vector<ChatMember>::const_iterator;

    // 1 when appended; 0, and nothing changes, when that id is there already or the list is full.
    int Add(const ChatMember& member);
    // 1 when the member with that id was erased (the others keep their order), else 0.
    int Remove(const std::wstring& id);
    // Its Id is the index's key: change a member's other fields only.
    ChatMember* Find(const std::wstring& id);
    // Position of the member with that id, or -1.
    int IndexOf(const std::wstring& id) const;
    void Clear();

    size_t size() const { return m_members.size(); }
    bool empty() const { return m_members.empty(); }
    const ChatMember& operator[](size_t i) const { return m_members[i]; }
    const ChatMember& front() const { return m_members.front(); }
    const_iterator begin() const { return m_members.begin(); }
    const_iterator end() const { return m_members.end(); }

private:
    std::vector<ChatMember> m_members;
    std::unordered_map<std::wstring, size_t> m_positions;  // id -> index in m_members
};

class ChatSession {
public:
    // Starts empty at the current local time and asks the screens for its window.
    ChatSession();
    virtual ~ChatSession();
    ChatSession(const ChatSession&) = delete;
    ChatSession& operator=(const ChatSession&) = delete;

    // 1 when appended; 0, and nothing changes, when a member with that id is already there or the
    // chat has ChatMemberList::kMax members.
    int AddMember(const ChatMember& member) { return Members.Add(member); }
    // 1 when the member with that id was erased (the others keep their order), else 0.
    int RemoveMember(const std::wstring& id) { return Members.Remove(id); }
    ChatMember* FindMember(const std::wstring& id) { return Members.Find(id); }
    void QueueText(const std::wstring& text) { QueuedTexts.push_back(text); }
    void ClearQueue() { QueuedTexts.clear(); }

    uint32_t State = 0;  // 1 while a RESS is outstanding for this chat
    QeDateTime StartTime;
    uint32_t PendingTrId = 0;  // the outstanding RESS, later the CSES CONN
    std::wstring BuddyId;      // login id the chat was opened with or invited by
    std::wstring DisplayName;
    ChatMemberList Members;
    std::wstring Cookie;
    std::wstring Host;
    uint16_t Port = 0;
    std::wstring SessionId;  // from the CSES CONN reply; empty until then
    std::unique_ptr<ChatWindow> Page;
    std::vector<std::wstring> QueuedTexts;  // typed while the chat had no member, in typing order
    uint8_t Unread = 0;  // a message arrived while the window was not the current page
};

// The chats in creation order: positions are the chat list's rows and the page indicator's pages.
// Every search walks from the front, so the oldest match wins; texts compare exactly.
class ChatSessionManager : public QeSingleton<ChatSessionManager> {
public:
    // Far more chats than a handheld screen can show. Beyond it an invitation that would open a new
    // chat is dropped (InvtHandler): another user must not be able to fill the client with chats,
    // windows and requests. Past it only the user opens chats, one at a time, so the searches below
    // stay short and a burst of invitations costs time in proportion to its length, not its square.
    static constexpr size_t kMaxChats = 64;

    ChatSessionManager() = default;
    ~ChatSessionManager() override;

    // A new chat, appended at the end.
    ChatSession* CreateChatSession();

    ChatSession* FindChatByTrId(uint32_t trId);
    // The first chat with fewer than two members that was opened with (or by) the buddy: a group
    // chat is never the one-to-one chat with a buddy.
    ChatSession* FindChatWithBuddy(const std::wstring& id);
    // An empty id matches nothing: a chat without a session id yet is not "the chat of" anything.
    ChatSession* FindChatBySessionId(const std::wstring& id);
    // Position of that very object, or -1.
    int IndexOfChat(const ChatSession* chat) const;
    int HasUnreadChat() const;

    size_t Count() const { return m_chats.size(); }
    // Null outside the list.
    ChatSession* ChatAt(size_t index) const { return index < m_chats.size() ? m_chats[index].get() : nullptr; }

    // Removes that very chat (compared by identity, not by session id). Returns 1 when it was in
    // the list. The chat leaves the list at once (no search finds it, IndexOfChat gives -1), but it
    // and its window are deleted only from the message loop (ScreenSeam::RunLater), so a chat
    // window may close its own chat from inside its own notification.
    int RemoveChat(ChatSession* chat);
    // Removes the first chat whose session id equals the text, as RemoveChat does; an empty id
    // removes nothing.
    int RemoveChatBySessionId(const std::wstring& id);
    // Removes every chat (log-out reset), deleted later as by RemoveChat.
    void DeleteAllAndClear();

    // Deletes the chats removed so far. Runs from the loop; also safe to call directly where no
    // chat window is on the call stack.
    void ReleaseRemovedChats();
    size_t RemovedCount() const { return m_removed.size(); }

    // Goes up whenever a chat leaves the list; a screen that keeps a ChatSession* checks it.
    uint32_t Generation() const { return m_generation; }

private:
    void Retire(size_t index);

    std::deque<std::unique_ptr<ChatSession>> m_chats;
    std::vector<std::unique_ptr<ChatSession>> m_removed;
    bool m_releasePosted = false;
    uint32_t m_generation = 0;
};
