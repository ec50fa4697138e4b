#include "app/screens/chats/KeptChat.h"

#include "messenger/model/ChatSessionManager.h"

namespace {

uint32_t ChatGeneration() {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    return chats != nullptr ? chats->Generation() : 0;
}

}  // namespace

void KeptChat::Set(ChatSession* chat) {
    m_chat = chat;
    m_generation = ChatGeneration();
}

ChatSession* KeptChat::Get() const { return m_generation == ChatGeneration() ? m_chat : nullptr; }

void KeptChat::KeepIfOpen() {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    if (m_chat != nullptr && chats != nullptr && chats->IndexOfChat(m_chat) >= 0) {
        m_generation = chats->Generation();
    } else {
        m_chat = nullptr;
    }
}
