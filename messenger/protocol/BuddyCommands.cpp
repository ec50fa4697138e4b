#include "messenger/protocol/BuddyCommands.h"

#include <algorithm>
#include <deque>

#include "framework/base/QeStrings.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TokenSets.h"

namespace {

// The prompt around the requester's login id and message. It is put together, not formatted: the
// formatter stops at 1024 characters, and the message is the other user's to make as long as they like.
const wchar_t kBuddyRequestPromptAfterId[] = L" 님이 친구 요청을 하였습니다.\n\n";
const wchar_t kBuddyRequestPromptQuestion[] = L"\n\n지금 바로 확인하시겠습니까?";
// The group that a request opened from the prompt starts in.
const wchar_t kRequestGroupId[] = L"0";
constexpr int kConfirmYes = 2;
constexpr int32_t kSuccess = 100;

template <class Request>
Request* PendingRequestOf(int32_t trId, const wchar_t* command) {
    PendingRequests* pending = PendingRequests::Instance();
    return pending != nullptr ? pending->PendingAs<Request>(trId, command) : nullptr;
}

bool Refresh() { return Screens().BuddyListRefresh(); }

// The user answered the prompt of an incoming request. The buddy is looked up again: the roster may
// have been emptied (log-out) while the prompt stood open.
void OnRequestPromptAnswered(int result, const std::wstring& key, const std::wstring& id) {
    if (result != kConfirmYes) return;
    BuddyRoster* roster = BuddyRoster::Instance();
    BuddyGroupList* groups = BuddyGroupList::Instance();
    if (roster == nullptr || groups == nullptr) return;
    Buddy* requester = roster->FindEntry(key);
    if (requester == nullptr || requester->Id != id) return;
    if (groups->FindEntry(kRequestGroupId) == nullptr) return;
    Screens().BuddyRequestInfoSetRequester(requester);
    Screens().OpenBuddyRequestPage(kRequestGroupId);
}

bool ApplyAllowOrBlock(const AddbReceived& message, bool block) {
    BuddyRoster* roster = BuddyRoster::Instance();
    Buddy* buddy = roster != nullptr ? roster->Find(message.Id) : nullptr;
    if (buddy == nullptr) return false;
    if (block) {
        buddy->ListFlags = (buddy->ListFlags | kListBlock) & ~kListAllow;
    } else {
        buddy->ListFlags = (buddy->ListFlags | kListAllow) & ~kListBlock;
    }
    Screens().BuddyProfileRepaint();
    return true;
}

// An entry that only a request made: the requester has the user in their list and nothing more,
// and no group holds it.
bool IsRequestOnly(const Buddy& buddy) {
    BuddyGroupList* groups = BuddyGroupList::Instance();
    return buddy.ListFlags == kListReverse && (groups == nullptr || groups->FindGroupOfBuddy(buddy.Key) == nullptr);
}

// An answer to the requester's request went out and its reply, which needs the entry, has not come.
bool AnswerAwaited(const std::wstring& key) {
    const PendingRequests* pending = PendingRequests::Instance();
    return pending != nullptr && pending->Any([&](const RequestMessage& request) {
        const auto* answer = dynamic_cast<const AdsbRequest*>(&request);
        return answer != nullptr && answer->Key == key;
    });
}

// Requests from ever new ids must not grow the roster for good: beyond the bound the oldest entry
// that is still only a request leaves (the service lists pending requests again at the next
// sign-in). Keys that became more than a request meanwhile leave the order; a requester that a
// page shows or whose answer is awaited keeps its place, and the next one goes instead.
void BoundRequestEntries(BuddyRoster& roster) {
    std::deque<std::wstring>& keys = roster.RequestKeys;
    ScreenSeam& screens = Screens();
    size_t at = 0;
    while (keys.size() > kMaxRequestEntries && at < keys.size()) {
        const Buddy* buddy = roster.FindEntry(keys[at]);
        if (buddy != nullptr && IsRequestOnly(*buddy)) {
            if (buddy == screens.BuddyRequestInfoRequester() || buddy == screens.BuddyProfileBuddy() ||
                AnswerAwaited(keys[at])) {
                ++at;
                continue;
            }
            roster.Remove(keys[at]);
        }
        keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

// A requester taken as a buddy is no longer the bound's to remove, even when a removal notice makes
// it a request again later: a page may show it by then.
void LeaveRequestOrder(BuddyRoster& roster, const std::wstring& key) {
    std::deque<std::wstring>& keys = roster.RequestKeys;
    keys.erase(std::remove(keys.begin(), keys.end(), key), keys.end());
}

bool TakeIncomingRequest(const AddbReceived& message) {
    // Nothing can be stored or answered for a requester without both names.
    if (message.Key.empty() || message.Id.empty()) return false;
    BuddyRoster* roster = BuddyRoster::Instance();
    if (roster == nullptr) return false;
    if (roster->FindEntry(message.Key) == nullptr) {
        roster->RequestKeys.push_back(message.Key);
        BoundRequestEntries(*roster);
    }
    Buddy requester;
    requester.Id = message.Id;
    requester.Key = message.Key;
    requester.Name = message.Name;
    requester.Extra = message.Extra;
    requester.ListFlags = kListReverse;
    roster->AddOrUpdate(message.Key, requester);

    const Buddy* stored = roster->FindEntry(message.Key);
    if (stored == nullptr || (stored->ListFlags & (kListForward | kListAllow)) != 0) return true;
    const std::wstring text = message.Id + kBuddyRequestPromptAfterId + message.Message + kBuddyRequestPromptQuestion;
    Screens().Confirm(text, [key = message.Key, id = message.Id](int result) {
        OnRequestPromptAnswered(result, key, id);
    });
    Screens().BuddyRequestInfoRepaint();
    return true;
}

}  // namespace

// ---------------------------------------------------------------- requests

bool AddbRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, ListKindToken(ListKind));
    WriteToken(writer, Key);
    WriteToken(writer, Id);
    WriteToken(writer, GroupId);
    WriteCrLf(writer);
    return true;
}

bool AdsbRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, RequestStateToken(State));
    WriteToken(writer, Key);
    WriteToken(writer, Id);
    WriteToken(writer, GroupId);
    WriteToken(writer, Message);
    WriteCrLf(writer);
    return true;
}

bool RmvbRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, ListKindToken(ListKind));
    WriteToken(writer, Key);
    WriteToken(writer, Id);
    WriteCrLf(writer);
    return true;
}

bool AddgRequest::WriteBody(QeMemoryWriter& writer) {
    WriteNumber(writer, Number);
    WriteToken(writer, Name);
    WriteCrLf(writer);
    return true;
}

void MvbgRequest::AddItem(const std::wstring& key, const std::wstring& id, const std::wstring& oldGroupId,
                          const std::wstring& newGroupId) {
    MvbgItem item;
    item.Index = static_cast<uint32_t>(Items.size());
    item.Key = key;
    item.Id = id;
    item.OldGroupId = oldGroupId;
    item.NewGroupId = newGroupId;
    Items.push_back(std::move(item));
}

bool MvbgRequest::WriteBody(QeMemoryWriter& writer) {
    QeMemoryWriter lines;
    for (const MvbgItem& item : Items) {
        WriteNumber(lines, item.Index);
        WriteToken(lines, item.Key);
        WriteToken(lines, item.Id);
        WriteToken(lines, item.OldGroupId);
        WriteToken(lines, item.NewGroupId);
        WriteCrLf(lines);
    }
    WriteToken(writer, Text);
    WritePayload(writer, lines);
    return true;
}

// ---------------------------------------------------------------- received

bool AddbReceived::ReadBody(TokenReader& reader) {
    if (TrId != 0) {
        reader.ReadToken(Key);
        const AddbRequest* request = PendingRequestOf<AddbRequest>(TrId, L"ADDB");
        if (request == nullptr) return false;
        ListKind = request->ListKind;
        Id = request->Id;
    } else {
        std::wstring kind;
        reader.ReadToken(kind);
        ListKind = ParseListKind(kind);
        reader.ReadToken(Key);
        reader.ReadToken(Id);
    }
    switch (ListKind) {
        case kListKindFL:
            reader.ReadToken(Name);
            reader.ReadToken(Second);
            break;
        case kListKindAL:
        case kListKindBL:
            break;
        case kListKindRL:
            reader.ReadToken(Message);
            break;
        default:
            return true;
    }
    reader.ReadToken(Extra);
    return true;
}

bool AdsbReceived::ReadBody(TokenReader& reader) {
    std::wstring state;
    reader.ReadToken(state);
    State = ParseRequestState(state);
    reader.ReadToken(Key);
    if (State == kRequestAsk || State == kRequestAccept) {
        reader.ReadToken(Name);
        reader.ReadInt(Number);
    }
    if (State == kRequestAsk || State == kRequestAccept || State == kRequestReject) reader.ReadToken(Extra);
    return true;
}

bool RmvbReceived::ReadBody(TokenReader& reader) {
    if (TrId != 0) {
        reader.ReadToken(Answer);
        const RmvbRequest* request = PendingRequestOf<RmvbRequest>(TrId, L"RMVB");
        if (request == nullptr) return false;
        ListKind = request->ListKind;
        Key = request->Key;
        Id = request->Id;
        return true;
    }
    std::wstring kind;
    reader.ReadToken(kind);
    ListKind = ParseListKind(kind);
    reader.ReadToken(Key);
    reader.ReadToken(Id);
    return true;
}

bool AddgReceived::ReadBody(TokenReader& reader) {
    reader.ReadInt(Number);
    reader.ReadToken(GroupId);
    return true;
}

bool MvbgReceived::ReadBody(TokenReader& reader) {
    reader.ReadToken(Text);
    reader.ReadInt(Number);
    // Pairs of numbers, index and code, to the end of the frame; a line may hold one pair or
    // several. Pairs never reach across a line's end and runs of blanks count as one, so a stray
    // separator never shifts the results after it; a number left without its code is a result that
    // did not succeed, and empty lines hold no result.
    std::wstring line;
    while (!reader.AtEnd()) {
        reader.ReadLine(line);
        const std::wstring_view text(line);
        size_t at = text.find_first_not_of(L" \t");
        while (at != std::wstring_view::npos) {
            MvbgResultItem item;
            item.Index = ParseLeadingInt(text.substr(at));
            at = text.find_first_of(L" \t", at);
            at = at == std::wstring_view::npos ? at : text.find_first_not_of(L" \t", at);
            if (at != std::wstring_view::npos) {
                item.Code = ParseLeadingInt(text.substr(at));
                at = text.find_first_of(L" \t", at);
                at = at == std::wstring_view::npos ? at : text.find_first_not_of(L" \t", at);
            }
            Items.push_back(item);
        }
    }
    return true;
}

// ---------------------------------------------------------------- handlers

bool AddbHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* addb = dynamic_cast<AddbReceived*>(&message);
    if (addb == nullptr) return false;
    // A reply whose own ADDB is not pending names nobody.
    if (addb->TrId != 0 && PendingRequestOf<AddbRequest>(addb->TrId, L"ADDB") == nullptr) return false;
    switch (addb->ListKind) {
        case kListKindAL:
            return ApplyAllowOrBlock(*addb, false);
        case kListKindBL:
            return ApplyAllowOrBlock(*addb, true);
        case kListKindRL:
            return TakeIncomingRequest(*addb);
        default:
            return true;
    }
}

bool AdsbHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* adsb = dynamic_cast<AdsbReceived*>(&message);
    if (adsb == nullptr) return false;
    const AdsbRequest* request = PendingRequestOf<AdsbRequest>(adsb->TrId, L"ADSB");
    BuddyRoster* roster = BuddyRoster::Instance();
    BuddyGroupList* groups = BuddyGroupList::Instance();
    if (request == nullptr || roster == nullptr || groups == nullptr) return false;

    switch (adsb->State) {
        case kRequestAsk: {
            if (adsb->Key.empty()) return false;
            Buddy added;
            added.Id = request->Id;
            added.Key = adsb->Key;
            added.Name = adsb->Name;
            added.Extra = adsb->Extra;
            added.ListFlags = kListAllow;
            roster->AddOrUpdate(adsb->Key, added);
            if (Buddy* stored = roster->FindEntry(adsb->Key)) stored->ListFlags |= kListForward;
            LeaveRequestOrder(*roster, adsb->Key);
            BuddyGroup* group = groups->FindEntry(request->GroupId);
            if (group == nullptr) return false;
            group->AddMember(adsb->Key);
            return Refresh();
        }
        case kRequestAccept: {
            Buddy* buddy = roster->FindEntry(adsb->Key);
            if (buddy == nullptr) return false;
            buddy->Name = adsb->Name;
            buddy->Extra = adsb->Extra;
            buddy->ListFlags |= kListForward;
            LeaveRequestOrder(*roster, adsb->Key);
            BuddyGroup* group = groups->FindEntry(request->GroupId);
            if (group != nullptr) group->AddMember(adsb->Key);
            const bool refreshed = Refresh();
            return group != nullptr && refreshed;
        }
        case kRequestReject: {
            Buddy* buddy = roster->FindEntry(adsb->Key);
            if (buddy == nullptr) return false;
            buddy->ListFlags = (buddy->ListFlags | kListBlock) & ~kListAllow;
            return true;
        }
        default:
            return true;
    }
}

bool RmvbHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* rmvb = dynamic_cast<RmvbReceived*>(&message);
    if (rmvb == nullptr) return false;
    if (rmvb->TrId != 0 && PendingRequestOf<RmvbRequest>(rmvb->TrId, L"RMVB") == nullptr) return false;
    if (rmvb->ListKind != kListKindFL) return true;
    BuddyRoster* roster = BuddyRoster::Instance();
    Buddy* buddy = roster != nullptr ? roster->FindEntry(rmvb->Key) : nullptr;
    if (buddy == nullptr) return false;
    buddy->ListFlags &= ~kListForward;
    buddy->Status = kPresenceOffline;
    if (BuddyGroupList* groups = BuddyGroupList::Instance()) {
        groups->ForEach([&](BuddyGroup& group) { group.RemoveMember(rmvb->Key); });
    }
    return Refresh();
}

bool AddgHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* addg = dynamic_cast<AddgReceived*>(&message);
    if (addg == nullptr) return false;
    const AddgRequest* request = PendingRequestOf<AddgRequest>(addg->TrId, L"ADDG");
    BuddyGroupList* groups = BuddyGroupList::Instance();
    if (request == nullptr || groups == nullptr || addg->GroupId.empty()) return false;
    BuddyGroup group;
    group.Id = addg->GroupId;
    group.Name = request->Name;
    groups->InsertEntry(group);
    return Refresh();
}

bool MvbgHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* mvbg = dynamic_cast<MvbgReceived*>(&message);
    if (mvbg == nullptr) return false;
    const MvbgRequest* request = PendingRequestOf<MvbgRequest>(mvbg->TrId, L"MVBG");
    BuddyGroupList* groups = BuddyGroupList::Instance();
    if (request == nullptr || groups == nullptr) return false;

    // Result i answers request item i; results the request has no item for answer nothing.
    const size_t count = std::min(mvbg->Items.size(), request->Items.size());
    for (size_t i = 0; i < count; ++i) {
        if (mvbg->Items[i].Code != kSuccess) continue;
        const MvbgItem& item = request->Items[i];
        BuddyGroup* from = groups->FindEntry(item.OldGroupId);
        BuddyGroup* to = groups->FindEntry(item.NewGroupId);
        if (from == nullptr || to == nullptr) {
            // The moves before this one are in the model already; the list must show them.
            Refresh();
            return false;
        }
        from->RemoveMember(item.Key);
        to->AddMember(item.Key);
        const Buddy* shown = Screens().BuddyProfileBuddy();
        if (shown != nullptr && shown->Key == item.Key) Screens().BuddyProfileSetGroup(to);
    }
    return Refresh();
}

// ---------------------------------------------------------------- sending

int SendBuddyRequest(const std::wstring& loginId, const std::wstring& groupId, const std::wstring& message) {
    AdsbRequest request;
    request.State = kRequestAsk;
    request.Id = loginId;
    request.GroupId = groupId;
    request.Message = message;
    return SendViaDispatch(request);
}

int SendBuddyRequestAnswer(bool accept, const Buddy& requester, const std::wstring& groupId) {
    AdsbRequest request;
    request.State = accept ? kRequestAccept : kRequestReject;
    request.Key = requester.Key;
    request.Id = requester.Id;
    request.GroupId = groupId;
    return SendViaDispatch(request);
}

int SendBuddyBlock(bool block, const Buddy& buddy, const std::wstring& groupId) {
    AddbRequest request;
    request.ListKind = block ? kListKindBL : kListKindAL;
    request.Key = buddy.Key;
    request.Id = buddy.Id;
    request.GroupId = groupId;
    return SendViaDispatch(request);
}

int SendBuddyRemove(const Buddy& buddy) {
    RmvbRequest request;
    request.ListKind = kListKindFL;
    request.Key = buddy.Key;
    request.Id = buddy.Id;
    return SendViaDispatch(request);
}

int SendGroupAdd(const std::wstring& name) {
    AddgRequest request;
    request.Number = 0;
    request.Name = name;
    return SendViaDispatch(request);
}

int SendBuddyMove(const Buddy& buddy, const std::wstring& oldGroupId, const std::wstring& newGroupId) {
    if (oldGroupId == newGroupId) return 0;
    MvbgRequest request;
    request.Text = L"0";
    request.AddItem(buddy.Key, buddy.Id, oldGroupId, newGroupId);
    return SendViaDispatch(request);
}

void RegisterBuddyCommands(CommandRegistrar& registrar) {
    registrar.Command<AddbReceived, AddbHandler>(L"ADDB");
    registrar.Command<AddgReceived, AddgHandler>(L"ADDG");
    registrar.Command<AdsbReceived, AdsbHandler>(L"ADSB");
    registrar.Command<MvbgReceived, MvbgHandler>(L"MVBG");
    registrar.Command<RmvbReceived, RmvbHandler>(L"RMVB");
}
