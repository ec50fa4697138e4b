// Chat traffic from the service, with the chat model present: envelopes carrying RESS, INVT, ENTR,
// JOIN, USER, QUIT and MESG answers and pushes, framed and dispatched as the session does. Nothing may
// crash or read out of range, a chat never holds a member twice, and no frame is left half dispatched.
//
// The first input byte chooses the read size; the rest is the stream. Every input starts from the
// same chats: "77" entered with two members, one waiting for its RESS (id 5), one for its CONN (id 6).
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "framework/base/QeTrace.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/SharedMessages.h"
#include "messenger/protocol/TrIdGenerator.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

class DiscardWire final : public SessionWire {
public:
    bool Write(const uint8_t*, uint32_t) override { return open; }
    void Close() override {
        open = false;
        queue.clear();
        ++closes;
    }
    bool open = true;
    std::string queue;
    unsigned closes = 0;
};

// A request under any command, so error replies find something pending.
class AnyRequest final : public BodilessRequest<AnyRequest> {
public:
    AnyRequest(const wchar_t* name, int32_t trId) : BodilessRequest(name, trId) {}
};

struct Client {
    Client() {
        // Dropped lines are traced; the trace is no part of what is checked here.
        QeSetTraceSink([](void*, const std::wstring&) {}, nullptr);
        session->SetWire(&wire);
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
    ~Client() { session->SetWire(nullptr); }
    DiscardWire wire;
    std::unique_ptr<AccountInfo> account = std::make_unique<AccountInfo>();
    std::unique_ptr<BuddyRoster> roster = std::make_unique<BuddyRoster>();
    std::unique_ptr<ChatSessionManager> chats = std::make_unique<ChatSessionManager>();
    std::unique_ptr<TrIdGenerator> ids = std::make_unique<TrIdGenerator>();
    std::unique_ptr<MessageFactory> factory = std::make_unique<MessageFactory>();
    std::unique_ptr<HandlerRegistry> registry = std::make_unique<HandlerRegistry>();
    std::unique_ptr<PendingRequests> pending = std::make_unique<PendingRequests>();
    std::unique_ptr<ProtocolSession> session = std::make_unique<ProtocolSession>();
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
    ProtocolSession& session = *c.session;
    session.Phase = 1;
    c.wire.open = true;
    c.wire.queue.clear();
    session.OnConnected();
    StartingChats(*c.chats);

    c.pending->Clear();
    c.pending->Add(AnyRequest(L"RESS", 5));
    c.pending->Add(AnyRequest(L"CSES", 6));
    c.pending->Add(AnyRequest(L"MESG", 7));
    c.pending->Add(AnyRequest(L"ENTR", 8));
    c.pending->Add(AnyRequest(L"CRP2", 9));

    const size_t readSize = 1 + data[0] % 64;
    for (size_t at = 1; at < size && c.wire.open; at += readSize) {
        const size_t n = size - at < readSize ? size - at : readSize;
        c.wire.queue.append(reinterpret_cast<const char*>(data + at), n);
        while (!c.wire.queue.empty()) {
            uint32_t length = 0;
            const unsigned closes = c.wire.closes;
            session.FrameLength(reinterpret_cast<const uint8_t*>(c.wire.queue.data()),
                                static_cast<uint32_t>(c.wire.queue.size()), length);
            if (closes != c.wire.closes || length == 0) break;
            Check(length <= c.wire.queue.size());
            const std::string frame = c.wire.queue.substr(0, length);
            session.OnPacket(reinterpret_cast<const uint8_t*>(frame.data()), length);
            if (closes != c.wire.closes) break;
            c.wire.queue.erase(0, length);
        }
    }
    Check(session.NestingDepth() == 0);
    for (size_t i = 0; i < c.chats->Count(); ++i) {
        const ChatSession* chat = c.chats->ChatAt(i);
        std::set<std::wstring> ids;
        for (const ChatMember& member : chat->Members) Check(ids.insert(member.Id).second);
    }
    return 0;
}
