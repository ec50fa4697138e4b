#include "messenger/model/ChatActions.h"

#include "messenger/model/AccountInfo.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/ChatCommands.h"
#include "messenger/protocol/PendingRequests.h"

namespace {

// Its own RESS is out and no member has joined yet (State 1), or the CSES CONN that enters the
// room it was invited to still waits for its answer: the room is coming, and a text typed now
// waits for its members instead of asking for a second room.
bool IsOpening(const ChatSession& chat) {
    if (chat.State == 1) return true;
    const PendingRequests* pending = PendingRequests::Instance();
    return chat.PendingTrId != 0 && pending != nullptr &&
           pending->Find(static_cast<int32_t>(chat.PendingTrId)) != nullptr;
}

bool SendTyping(ChatSession& chat, int state) {
    if (chat.Members.empty()) return false;
    MesgRequest typing;
    typing.Kind = kMesgTyping;
    typing.TypingState = state;
    return SendMesg(chat, typing) != 0;
}

}  // namespace

ChatSession* ChatOpenWithBuddy(const std::wstring& buddyId, const std::wstring& name) {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    if (chats == nullptr) return nullptr;
    if (ChatSession* open = chats->FindChatWithBuddy(buddyId)) return open;
    // The id and name may live in a roster entry; the chat keeps copies made before anything goes
    // out.
    ChatSession* chat = chats->CreateChatSession();
    chat->BuddyId = buddyId;
    chat->DisplayName = name;
    int32_t ressId = 0;
    SendRess(&ressId);
    chat->State = 1;
    chat->PendingTrId = static_cast<uint32_t>(ressId);
    Screens().ChatListAddRow(chat);
    Screens().PageIndicatorRebuild();
    return chat;
}

bool ChatSendText(ChatSession& chat, const std::wstring& text) {
    if (text.empty()) return false;
    if (!chat.Members.empty()) {
        MesgRequest line;
        line.Kind = kMesgMsg;
        line.Text = text;
        if (SendMesg(chat, line) == 0) return false;
        if (chat.Page != nullptr) {
            const AccountInfo* account = AccountInfo::Instance();
            chat.Page->AppendLine(ChatSaidLine(account != nullptr ? account->Name : std::wstring(),
                                               account != nullptr ? account->Nickname : std::wstring(), text),
                                  kChatLineMe);
        }
        return true;
    }
    if (chat.QueuedTexts.empty() && !IsOpening(chat)) {
        int32_t ressId = 0;
        if (SendRess(&ressId) == 0) return false;
        chat.State = 1;
        chat.PendingTrId = static_cast<uint32_t>(ressId);
    }
    chat.QueueText(text);
    return true;
}

bool ChatSendTypingStarted(ChatSession& chat) { return SendTyping(chat, 1); }

bool ChatSendTypingStopped(ChatSession& chat) { return SendTyping(chat, 0); }

bool ChatTypingAfterInput(ChatSession& chat, size_t inputLength) {
    if (inputLength == 0) return ChatSendTypingStopped(chat);
    if (inputLength == 1) return ChatSendTypingStarted(chat);
    return false;
}
