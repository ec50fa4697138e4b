// Chat traffic from the service, with the chat model present: envelopes carrying RESS, INVT, ENTR,
// JOIN, USER, QUIT and MESG answers and pushes, framed and dispatched as the session does. Nothing may
// crash or read out of range, a chat never holds a member twice, and no frame is left half dispatched.
//
// The first input byte chooses the read size; the rest is the stream. Every input starts from the
// same chats: "77" entered with two members, one waiting for its RESS (id 5), one for its CONN (id 6).
#include <set>
#include <string>

#include "framework/base/QeTrace.h"
#include "fuzz/FuzzSession.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"

namespace {

struct Client {
    Client() {
        // Dropped lines are traced; the trace is no part of what is checked here.
        QeSetTraceSink([](void*, const std::wstring&) {}, nullptr);
        account->Id = L"me@x";
        account->Name = L"Me";
        account->Nickname = L"me";
        account->Status = 0;
        Buddy buddy;
        buddy.Id = L"b@x";
        buddy.Name = L"Bee";
        buddy.Nickname = L"bee";
        roster->AddOrUpdate(L"k1", buddy);
    }
    std::unique_ptr<AccountInfo> account = std::make_unique<AccountInfo>();
    std::unique_ptr<BuddyRoster> roster = std::make_unique<BuddyRoster>();
    std::unique_ptr<ChatSessionManager> chats = std::make_unique<ChatSessionManager>();
    FuzzProtocol protocol;
};

Client& Shared() {
    static Client client;
    return client;
}

void StartingChats(ChatSessionManager& chats) {
    chats.DeleteAllAndClear();
    chats.ReleaseRemovedChats();
    ChatSession* entered = chats.CreateChatSession();
    entered->BuddyId = L"b@x";
    entered->SessionId = L"77";
    for (const wchar_t* id : {L"b@x", L"c@x"}) {
        ChatMember member;
        member.Id = id;
        member.Name = id;
        entered->AddMember(member);
    }
    ChatSession* waitingForRess = chats.CreateChatSession();
    waitingForRess->BuddyId = L"b@x";
    waitingForRess->State = 1;
    waitingForRess->PendingTrId = 5;
    waitingForRess->QueueText(L"queued");
    ChatSession* waitingForConn = chats.CreateChatSession();
    waitingForConn->BuddyId = L"d@x";
    waitingForConn->PendingTrId = 6;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Client& c = Shared();
    FuzzProtocol& p = c.protocol;
    p.session->Phase = 1;
    p.Reconnect();
    StartingChats(*c.chats);
    p.pending->Add(AnyRequest(L"RESS", 5));
    p.pending->Add(AnyRequest(L"CSES", 6));
    p.pending->Add(AnyRequest(L"MESG", 7));
    p.pending->Add(AnyRequest(L"ENTR", 8));
    p.pending->Add(AnyRequest(L"CRP2", 9));
    p.Feed(data, size, 1 + data[0] % 64);
    for (size_t i = 0; i < c.chats->Count(); ++i) {
        const ChatSession* chat = c.chats->ChatAt(i);
        std::set<std::wstring> ids;
        for (const ChatMember& member : chat->Members) Check(ids.insert(member.Id).second);
    }
    return 0;
}
