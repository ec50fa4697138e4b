#include "messenger/model/ChatSessionManager.h"

int ChatMemberList::Add(const ChatMember& member) {
    if (m_members.size() >= kMax || !m_positions.try_emplace(member.Id, m_members.size()).second) return 0;
    m_members.push_back(member);
    return 1;
}

int ChatMemberList::Remove(const std::wstring& id) {
    const auto found = m_positions.find(id);
    if (found == m_positions.end()) return 0;
    const size_t index = found->second;
    m_positions.erase(found);
    m_members.erase(m_members.begin() + static_cast<std::ptrdiff_t>(index));
    for (size_t i = index; i < m_members.size(); ++i) m_positions[m_members[i].Id] = i;
    return 1;
}

ChatMember* ChatMemberList::Find(const std::wstring& id) {
    const auto found = m_positions.find(id);
    return found != m_positions.end() ? &m_members[found->second] : nullptr;
}

int ChatMemberList::IndexOf(const std::wstring& id) const {
    const auto found = m_positions.find(id);
    return found != m_positions.end() ? static_cast<int>(found->second) : -1;
}

void ChatMemberList::Clear() {
    m_members.clear();
    m_positions.clear();
}

ChatSession::ChatSession() {
    QeLocalTime(StartTime);
    // The window may ask its session for fields in its constructor, so everything above is set.
    Page = Screens().CreateChatWindow(this);
}

ChatSession::~ChatSession() {
    Members.Clear();
    QueuedTexts.clear();
    Page.reset();
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
