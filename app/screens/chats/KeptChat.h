// A chat that a screen keeps between the moment it was handed over and a later use (the
// participants table, the buddy chooser inviting into it).
//
// The chat is kept with the chat list's generation count at the moment it was handed over, and is
// used only while the count is unchanged: once any chat left the list the screen holds no chat
// until it is given one again, or until KeepIfOpen found it still in the list. A chat freed
// meanwhile, or a new chat made at a freed chat's address, is never taken for the one kept.
#pragma once

#include <cstdint>

class ChatSession;

class KeptChat {
public:
    // The chat to keep (null: none).
    void Set(ChatSession* chat);
    // The chat kept, or null when there is none or it may have gone.
    ChatSession* Get() const;
    // Called where chats have just left the list and before any is freed (they are freed from the
    // loop): the chat is kept when it is still in the list, else forgotten.
    void KeepIfOpen();

private:
    ChatSession* m_chat = nullptr;
    uint32_t m_generation = 0;
};
