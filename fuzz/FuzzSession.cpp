#include "fuzz/FuzzSession.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

#include "framework/base/QeTrace.h"
#include "messenger/protocol/BuddyCommands.h"
#include "messenger/protocol/ChatCommands.h"
#include "messenger/protocol/ClientUpgrade.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/Lsta.h"
#include "messenger/protocol/MemoRequests.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/PresenceCommands.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/SignIn.h"
#include "messenger/protocol/WgetCommands.h"
#include "platform/net/winsock.h"
#include "tests/support/temp_folder.h"

namespace {

// Once per process: the trace is no part of what is checked; a failure the harness reports (a
// frame length beyond the bytes there are) must end the run as a crash would; and the registry
// (the device id of LIN2) lives in a private folder, not in the user's settings.
struct ProcessSetUp {
    ProcessSetUp() {
        QeSetTraceSink([](void*, const std::wstring&) {}, nullptr);
        GTEST_FLAG_SET(break_on_failure, true);
    }
    testsupport::ScopedConfigHome configHome;
};

void AddBuddy(BuddyRoster& roster, const wchar_t* key, const wchar_t* id, const wchar_t* name,
              const wchar_t* nickname, uint32_t status) {
    Buddy buddy;
    buddy.Key = key;
    buddy.Id = id;
    buddy.Name = name;
    buddy.Nickname = nickname;
    buddy.Status = status;
    buddy.ListFlags = kListForward | kListReverse;
    roster.AddOrUpdate(key, buddy);
}

void AddGroup(BuddyGroupList& groups, const wchar_t* id, const wchar_t* name, std::set<std::wstring> members) {
    BuddyGroup group;
    group.Id = id;
    group.Name = name;
    group.Members = std::move(members);
    groups.InsertEntry(group);
}

void AddMemo(MemoStore& memos, const wchar_t* cookie, const wchar_t* sender) {
    MemoRecord* memo = memos.AddBack();
    memo->Sender = sender;
    memo->Summary = L"hi";
    memo->Cookie = cookie;
}

// The pending table after SignIn, as FuzzSession.h lists it for the seeds and dictionaries.
struct PendingEntry {
    int32_t id;
    const wchar_t* command;
};
const PendingEntry kStartingPending[] = {
    {1, L"LIN2"},  {2, L"AUTH"},  {3, L"LSTA"},  {4, L"LOPT"},  {5, L"CRP2"},  {6, L"PONG"},  {7, L"WGET"},
    {8, L"CRP2"},  {9, L"WGET"},  {10, L"CRP2"}, {11, L"WGET"}, {12, L"CRP2"}, {13, L"WGET"}, {14, L"CRP2"},
    {15, L"WGET"}, {16, L"CRP2"}, {18, L"CMSG"}, {19, L"CRP2"}, {20, L"ADSB"}, {21, L"CRP2"}, {22, L"ADSB"},
    {23, L"CRP2"}, {24, L"ADDB"}, {25, L"CRP2"}, {26, L"RMVB"}, {27, L"CRP2"}, {28, L"ADDG"}, {29, L"CRP2"},
    {30, L"MVBG"}, {31, L"CRP2"}, {32, L"ONST"}, {33, L"CRP2"}, {34, L"CNIK"}, {35, L"CRP2"}, {36, L"CRP2"},
    {37, L"RESS"}, {38, L"CSES"},
};

constexpr uint32_t kRessId = 37;
constexpr uint32_t kConnId = 38;

// PVER and REQS would reach out to the network: the upgrade manifest's download, and the name
// lookup and connect of the session server. Here the network is down: an answer that offers an
// upgrade goes on as when the manifest cannot be fetched (the sign-in goes on), and the session
// server refuses the connect. Everything else is the program's own handlers.
class OfflinePverHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override {
        auto& reply = static_cast<PverReceived&>(message);
        if (reply.Answer == kUpgradeOffered || reply.Answer == kUpgradeRequired) reply.Answer = kUpgradeNone;
        return PverHandler().Handle(session, message);
    }
};

class OfflineReqsHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override {
        if (message.Code != 100 || session == nullptr) return ReqsHandler().Handle(session, message);
        if (AccountInfo* account = AccountInfo::Instance()) {
            account->Ticket = static_cast<ReqsReceived&>(message).Ticket;
        }
        session->Close();
        session->Phase = 1;
        session->OnError(ws::WSAECONNREFUSED);
        return false;
    }
};

// Every command of the program; the first registration of a command stays, so these two go first.
void OfflineCommands(CommandRegistrar& registrar) {
    registrar.Command<PverReceived, OfflinePverHandler>(L"PVER");
    registrar.Command<ReqsReceived, OfflineReqsHandler>(L"REQS");
    RegisterAllCommands(registrar);
}

// The process-wide state that outlives the client objects.
void ClearProcessState() {
    LstaParts::Instance().Drop();
    MemoParts().Bytes.clear();
    MemoParts().Overflowed = false;
    EnvelopeSessionId().clear();
}

}  // namespace

FuzzControl::FuzzControl(uint8_t byte)
    : Phase(byte & 1),
      MemoReadPageCurrent((byte & 2) != 0),
      ConfirmAnswer((byte & 4) != 0 ? 2 : 3),
      // From one byte at a time up to reads larger than most inputs.
      ReadSize(1 + 3 * static_cast<size_t>(byte >> 3) * static_cast<size_t>(byte >> 3)) {}

ClientObjects::Once::Once() {
    static ProcessSetUp once;
    ClearProcessState();
}

ClientObjects::ClientObjects() : Harness(&OfflineCommands) {}

ClientObjects::~ClientObjects() {
    // The chats a handler removed are deleted from the loop; the loop is this.
    Screens.RunPendingTasks();
    ClearProcessState();
}

void ClientObjects::SignIn() {
    Account.Id = L"me@x";
    Account.Name = L"Me";
    Account.Nickname = L"me";
    Account.Status = 0;
    AddBuddy(Roster, L"k1", L"b@x", L"Bee", L"bee", 0);
    AddBuddy(Roster, L"k2", L"c@x", L"Cee", L"cee", 1);
    AddBuddy(Roster, L"k3", L"d@x", L"Dee", L"dee", kPresenceOffline);
    AddGroup(Groups, L"0", L"Friends", {L"k1", L"k2"});
    AddGroup(Groups, L"g1", L"Work", {L"k3"});

    Memos.CurrentBox = kMemoInbox;
    AddMemo(Memos, L"m1", L"b@x");
    AddMemo(Memos, L"m2", L"c@x");
    Memos.CurrentPage = 1;
    Memos.PageCount = 2;

    ChatSession* entered = Chats.CreateChatSession();
    entered->BuddyId = L"b@x";
    entered->DisplayName = L"Bee";
    entered->SessionId = L"77";
    entered->Host = L"127.0.0.1";
    entered->Port = 5005;
    entered->Cookie = L"ck";
    for (const wchar_t* key : {L"k1", L"k2"}) {
        const Buddy* buddy = Roster.FindEntry(key);
        ChatMember member;
        member.Id = buddy->Id;
        member.Name = buddy->Name;
        member.Nickname = buddy->Nickname;
        entered->AddMember(member);
    }
    ChatSession* waiting = Chats.CreateChatSession();
    waiting->State = 1;
    waiting->PendingTrId = kRessId;
    waiting->BuddyId = L"d@x";
    waiting->DisplayName = L"Dee";
    waiting->QueueText(L"queued");
    ChatSession* connecting = Chats.CreateChatSession();
    connecting->BuddyId = L"e@x";
    connecting->DisplayName = L"e@x";
    connecting->PendingTrId = kConnId;
    connecting->Host = L"127.0.0.1";
    connecting->Port = 5005;
    connecting->Cookie = L"ck2";

    Harness.Connect(1);
}

namespace {

// Each input's pending table gets clones of these, which costs far less than sending them all
// again.
std::vector<std::unique_ptr<RequestMessage>> SendStartingRequests() {
    ClientObjects client;
    client.SignIn();
    ProtocolSession& session = client.Harness.Session();
    SendLin2Request(session);
    SendAuthRequest();
    SendBuddyListRequest(session);
    LoptRequest options;
    options.Text = kSignInOptions;
    SendViaDispatch(options);
    KeepAlive::KeepAliveTick(&client.Alive);

    SwitchMemoBox(kMemoInbox);
    RequestMemoFetch(L"m1");
    RequestMemoDelete(L"m2");
    ReportMemoSpam(L"m2");
    SendMemo({L"b@x", L"z@x"}, 0, L"", L"hello");

    const Buddy& bee = *client.Roster.FindEntry(L"k1");
    const Buddy& dee = *client.Roster.FindEntry(L"k3");
    SendBuddyRequest(L"f@x", L"0", L"hi");
    SendBuddyRequestAnswer(true, dee, L"g1");
    SendBuddyBlock(true, bee, L"0");
    SendBuddyRemove(dee);
    SendGroupAdd(L"New");
    SendBuddyMove(bee, L"0", L"g1");
    SendOwnPresence(1);
    SendOwnNickname(L"me2");

    int32_t ressId = 0;
    SendRess(&ressId);
    int32_t connId = 0;
    SendCsesConn(L"127.0.0.1", 5005, L"ck2", &connId);
    Check(ressId == static_cast<int32_t>(kRessId) && connId == static_cast<int32_t>(kConnId));

    // When the senders change, the ids the seeds and dictionaries name must follow.
    const PendingRequests& pending = client.Harness.Pending();
    Check(pending.Count() == std::size(kStartingPending));
    std::vector<std::unique_ptr<RequestMessage>> requests;
    for (const PendingEntry& entry : kStartingPending) {
        const RequestMessage* request = pending.Find(entry.id);
        Check(request != nullptr && request->Name == entry.command);
        requests.emplace_back(request->Clone());
    }
    return requests;
}

const std::vector<std::unique_ptr<RequestMessage>>& SentOnce() {
    static const std::vector<std::unique_ptr<RequestMessage>> requests = SendStartingRequests();
    return requests;
}

}  // namespace

StartingRequests::StartingRequests() : Waiting(SentOnce()) {}

SignedInClient::SignedInClient(const FuzzControl& control) : Control(control) {
    SignIn();
    for (const auto& request : Waiting) Harness.Pending().Add(*request);
    Harness.Ids().LastId = kConnId;
    // The PONG of the keep-alive is out.
    Alive.AwaitingAnswer = true;
    Screens.MemoReadPageCurrent = Control.MemoReadPageCurrent;
    Screens.ReadRecord = Memos.RecordAt(0);
    Screens.Clear();
    Harness.Session().Phase = Control.Phase;
}

void SignedInClient::Feed(const uint8_t* bytes, size_t size, size_t readSize) {
    for (size_t at = 0; at < size && Harness.IsOpen(); at += readSize) {
        const size_t n = size - at < readSize ? size - at : readSize;
        Harness.Receive(std::string_view(reinterpret_cast<const char*>(bytes + at), n));
        Check(Harness.Session().NestingDepth() == 0);
    }
}

void SignedInClient::Settle() {
    // Bounded: an answer may open the next box.
    for (int round = 0; round < 16; ++round) {
        Screens.RunPendingTasks();
        if (!Screens.AnswerConfirm(Control.ConfirmAnswer)) break;
    }
    Screens.RunPendingTasks();
    Check(Harness.Session().NestingDepth() == 0);

    Check(Screens.Windows().size() == Chats.Count() + Chats.RemovedCount());
    for (size_t i = 0; i < Chats.Count(); ++i) {
        const ChatSession* chat = Chats.ChatAt(i);
        Check(Screens.WindowOf(chat) != nullptr);
        std::set<std::wstring> ids;
        for (const ChatMember& member : chat->Members) Check(ids.insert(member.Id).second);
    }
    Check(LstaParts::Instance().Bytes().size() <= LstaParts::kLimit);
    Check(MemoParts().Bytes.size() <= kMaxMemoParts);
}

void SignedInClient::Play(const std::string& stream) {
    Feed(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), stream.size());
    Settle();
}

std::vector<std::string> CutAtFF(const uint8_t* data, size_t size) {
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF) {
            pieces.emplace_back();
        } else {
            pieces.back() += static_cast<char>(data[i]);
        }
    }
    return pieces;
}

void RunSignedIn(const uint8_t* data, size_t size) {
    if (size == 0) return;
    SignedInClient client{FuzzControl(data[0])};
    client.Feed(data + 1, size - 1, client.Control.ReadSize);
    client.Settle();
}
