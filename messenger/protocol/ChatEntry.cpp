// Entering a chat session once the service granted it (the CSES CONN reply): the chat whose CONN is
// answered takes the reply's session id, and its ENTR goes inside a CRP2 with the reply's route and
// session id as the target. A refused RESS or CONN ends the chat's wait for a room.
#include "framework/base/QeTrace.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/ChatCommands.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/ProtocolSession.h"

bool EnterGrantedChat(ProtocolSession& session, const CsesReceived& reply) {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    AccountInfo* account = AccountInfo::Instance();
    if (chats == nullptr || account == nullptr || reply.TrId == 0) return false;
    ChatSession* chat = chats->FindChatByTrId(static_cast<uint32_t>(reply.TrId));
    if (chat == nullptr) return false;
    // Without a session id the chat could never be addressed nor found by what is carried back.
    if (reply.SessionId.empty()) {
        QeTrace(L"EnterGrantedChat, the chat server named no session for the request %d; the chat is not entered.\n",
                reply.TrId);
        return false;
    }
    chat->SessionId = reply.SessionId;

    Crp2Request envelope;
    envelope.Route = reply.Route;
    envelope.TargetId = reply.SessionId;
    EntrRequest entr;
    entr.LoginId = account->Id;
    entr.Nickname = account->Nickname;
    entr.Name = account->Name;
    entr.Cookie = reply.Cookie;
    entr.Charset = 1;
    entr.Kind = 0;
    entr.Version = L"1.1";
    entr.Tail = 1;
    SendInCrp2(session, envelope, entr);
    return true;
}

void ChatOpeningRefused(int32_t trId) {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    if (chats == nullptr || trId == 0) return;
    if (ChatSession* chat = chats->FindChatByTrId(static_cast<uint32_t>(trId))) chat->State = 0;
}
