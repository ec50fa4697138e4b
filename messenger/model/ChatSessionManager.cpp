#include "messenger/model/ChatSessionManager.h"

#include <algorithm>

ChatSession::ChatSession() {
    QeLocalTime(StartTime);
    // The window may ask its session for fields in its constructor, so everything above is set.
    Page = Screens().CreateChatWindow(this);
}

ChatSession::~ChatSession() {
    Members.clear();
    QueuedTexts.clear();
    Page.reset();
}

int ChatSession::AddMember(const ChatMember& member) {
    if (FindMember(member.Id) != nullptr) return 0;
    Members.push_back(member);
    return 1;
}

int ChatSession::RemoveMember(const std::wstring& id) {
    auto it = std::find_if(Members.begin(), Members.end(), [&](const ChatMember& m) { return m.Id == id; });
    if (it == Members.end()) return 0;
    Members.erase(it);
    return 1;
}

ChatMember* ChatSession::FindMember(const std::wstring& id) {
    for (ChatMember& member : Members) {
        if (member.Id == id) return &member;
    }
    return nullptr;
}

ChatSessionManager::~ChatSessionManager() {
    // Whatever was removed but not yet released goes with the rest; no posted release can find
    // this manager any more (it looks the instance up).
    m_chats.clear();
    m_removed.clear();
}

ChatSession* ChatSessionManager::CreateChatSession() {
    m_chats.push_back(std::make_unique<ChatSession>());
    return m_chats.back().get();
}

ChatSession* ChatSessionManager::FindChatByTrId(uint32_t trId) {
    for (auto& chat : m_chats) {
        if (chat->PendingTrId == trId) return chat.get();
    }
    return nullptr;
}

ChatSession* ChatSessionManager::FindChatWithBuddy(const std::wstring& id) {
    for (auto& chat : m_chats) {
        if (chat->Members.size() < 2 && chat->BuddyId == id) return chat.get();
    }
    return nullptr;
}

ChatSession* ChatSessionManager::FindChatBySessionId(const std::wstring& id) {
    if (id.empty()) return nullptr;
    for (auto& chat : m_chats) {
        if (chat->SessionId == id) return chat.get();
    }
    return nullptr;
}

int ChatSessionManager::IndexOfChat(const ChatSession* chat) const {
    if (chat == nullptr) return -1;
    for (size_t i = 0; i < m_chats.size(); ++i) {
        if (m_chats[i].get() == chat) return static_cast<int>(i);
    }
    return -1;
}

int ChatSessionManager::HasUnreadChat() const {
    for (const auto& chat : m_chats) {
        if (chat->Unread != 0) return 1;
    }
    return 0;
}

int ChatSessionManager::RemoveChat(ChatSession* chat) {
    int index = IndexOfChat(chat);
    if (index < 0) return 0;
    Retire(static_cast<size_t>(index));
    return 1;
}

int ChatSessionManager::RemoveChatBySessionId(const std::wstring& id) {
    return RemoveChat(FindChatBySessionId(id));
}

void ChatSessionManager::DeleteAllAndClear() {
    while (!m_chats.empty()) Retire(m_chats.size() - 1);
}

void ChatSessionManager::Retire(size_t index) {
    m_removed.push_back(std::move(m_chats[index]));
    m_chats.erase(m_chats.begin() + static_cast<std::ptrdiff_t>(index));
    ++m_generation;
    if (m_releasePosted) return;
    m_releasePosted = true;
    Screens().RunLater([] {
        if (ChatSessionManager* manager = ChatSessionManager::Instance()) manager->ReleaseRemovedChats();
    });
}

void ChatSessionManager::ReleaseRemovedChats() {
    m_releasePosted = false;
    // A window's destructor may reach back into the manager; release from a private list.
    std::vector<std::unique_ptr<ChatSession>> removed;
    removed.swap(m_removed);
    removed.clear();
}
