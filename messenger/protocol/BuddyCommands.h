// The commands that change the buddy list on the service and keep the roster and the groups in
// step with it:
//   ADSB asks another user to become a buddy, and answers such a request (accept, reject);
//   ADDB puts a buddy on the allow or the block list, and brings the notice that someone asked
//        the user to become their buddy (list kind RL);
//   RMVB removes a buddy from the user's list;
//   ADDG creates a group;
//   MVBG moves buddies between groups.
// Every request travels inside a CRP2 envelope addressed to the dispatch side (SendViaDispatch).
// Buddies are named by member key wherever the service assigned one, by login id otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/ProtocolMessage.h"

class Buddy;
class CommandRegistrar;

// Roster entries that buddy requests add and nothing else holds: at most this many are kept.
inline constexpr size_t kMaxRequestEntries = 1000;

// List kinds: 0 "FL", 1 "AL", 2 "BL", 3 "RL"; 4 is none of them ("Unknown" on the wire).
enum : int { kListKindFL = 0, kListKindAL = 1, kListKindBL = 2, kListKindRL = 3, kListKindOther = 4 };
// Request states: 0 "REQST", 1 "ACCPT", 2 "REJCT"; 3 is none of them.
enum : int { kRequestAsk = 0, kRequestAccept = 1, kRequestReject = 2, kRequestOther = 3 };

// ---------------------------------------------------------------- requests

class AddbRequest final : public ConcreteRequest<AddbRequest> {
public:
    AddbRequest() : ConcreteRequest(L"ADDB") {}
    explicit AddbRequest(int32_t trId) : ConcreteRequest(L"ADDB", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    int ListKind = kListKindOther;
    std::wstring Key;
    std::wstring Id;
    std::wstring GroupId;
};

class AdsbRequest final : public ConcreteRequest<AdsbRequest> {
public:
    AdsbRequest() : ConcreteRequest(L"ADSB") {}
    explicit AdsbRequest(int32_t trId) : ConcreteRequest(L"ADSB", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    int State = kRequestOther;
    std::wstring Key;  // empty when asking: the service assigns it
    std::wstring Id;
    std::wstring GroupId;
    std::wstring Message;
};

class RmvbRequest final : public ConcreteRequest<RmvbRequest> {
public:
    RmvbRequest() : ConcreteRequest(L"RMVB") {}
    explicit RmvbRequest(int32_t trId) : ConcreteRequest(L"RMVB", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    int ListKind = kListKindOther;
    std::wstring Key;
    std::wstring Id;
};

class AddgRequest final : public ConcreteRequest<AddgRequest> {
public:
    AddgRequest() : ConcreteRequest(L"ADDG") {}
    explicit AddgRequest(int32_t trId) : ConcreteRequest(L"ADDG", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    uint32_t Number = 0;
    std::wstring Name;
};

// One move of a buddy from one group to another.
struct MvbgItem {
    uint32_t Index = 0;  // the number of items before it
    std::wstring Key;
    std::wstring Id;
    std::wstring OldGroupId;
    std::wstring NewGroupId;
};

class MvbgRequest final : public ConcreteRequest<MvbgRequest> {
public:
    MvbgRequest() : ConcreteRequest(L"MVBG") {}
    explicit MvbgRequest(int32_t trId) : ConcreteRequest(L"MVBG", trId) {}
    // Text, the byte count of the item lines, CR LF, then one line per item.
    bool WriteBody(QeMemoryWriter& writer) override;

    // Appends an item numbered after the ones already there.
    void AddItem(const std::wstring& key, const std::wstring& id, const std::wstring& oldGroupId,
                 const std::wstring& newGroupId);

    std::wstring Text;
    std::vector<MvbgItem> Items;
};

// ---------------------------------------------------------------- received

class AddbReceived final : public ReceivedMessage {
public:
    explicit AddbReceived(int32_t trId) : ReceivedMessage(L"ADDB", trId) {}
    // A reply (id not 0) names only the key: kind and login id come from the user's own pending
    // ADDB. Without that request the kind stays "other" and nothing more is read.
    bool ReadBody(TokenReader& reader) override;

    int ListKind = kListKindOther;
    std::wstring Key;
    std::wstring Id;
    std::wstring Name;     // FL
    std::wstring Second;   // FL
    std::wstring Message;  // RL: the text the asking user wrote
    std::wstring Extra;
};

class AdsbReceived final : public ReceivedMessage {
public:
    explicit AdsbReceived(int32_t trId) : ReceivedMessage(L"ADSB", trId) {}
    bool ReadBody(TokenReader& reader) override;

    int State = kRequestOther;
    std::wstring Key;
    std::wstring Name;    // REQST, ACCPT
    int32_t Number = 0;   // REQST, ACCPT
    std::wstring Extra;   // REQST, ACCPT, REJCT
};

class RmvbReceived final : public ReceivedMessage {
public:
    explicit RmvbReceived(int32_t trId) : ReceivedMessage(L"RMVB", trId) {}
    // A reply takes kind, key and login id from the pending RMVB; without it the kind stays "other".
    bool ReadBody(TokenReader& reader) override;

    std::wstring Answer;  // the reply's one token
    int ListKind = kListKindOther;
    std::wstring Key;
    std::wstring Id;
};

class AddgReceived final : public ReceivedMessage {
public:
    explicit AddgReceived(int32_t trId) : ReceivedMessage(L"ADDG", trId) {}
    bool ReadBody(TokenReader& reader) override;

    int32_t Number = 0;
    std::wstring GroupId;
};

struct MvbgResultItem {
    int32_t Index = 0;
    int32_t Code = 0;
};

class MvbgReceived final : public ReceivedMessage {
public:
    explicit MvbgReceived(int32_t trId) : ReceivedMessage(L"MVBG", trId) {}
    // Result items are read to the end of the frame.
    bool ReadBody(TokenReader& reader) override;

    std::wstring Text;
    int32_t Number = 0;
    std::vector<MvbgResultItem> Items;
};

// ---------------------------------------------------------------- handlers

// AL / BL: the buddy's allow and block flags follow the reply; RL: the asking user is put in the
// roster as a pending request and the user is asked whether to look at it now.
class AddbHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// The answers to the user's own ADSB: asked (the new buddy joins the roster and the group),
// accepted (the requester joins the group), rejected (the requester is blocked).
class AdsbHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// FL: the buddy leaves the user's list and every group but stays in the roster, offline.
class RmvbHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// The new group, under the id the service gave it and the name the user asked for.
class AddgHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// Applies each move the service accepted, in the order of the request's items.
class MvbgHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// ---------------------------------------------------------------- sending


// What the buddy screens send. Each returns 1 when the request went out.
// ADSB REQST: asks the user with this login id to become a buddy, put in the group.
int SendBuddyRequest(const std::wstring& loginId, const std::wstring& groupId, const std::wstring& message);
// ADSB ACCPT or REJCT for a requester, who goes into the group when accepted.
int SendBuddyRequestAnswer(bool accept, const Buddy& requester, const std::wstring& groupId);
// ADDB BL (block) or AL (unblock) for a buddy of the group.
int SendBuddyBlock(bool block, const Buddy& buddy, const std::wstring& groupId);
// RMVB FL.
int SendBuddyRemove(const Buddy& buddy);
// ADDG with the new group's name.
int SendGroupAdd(const std::wstring& name);
// MVBG with one item; a move into the group the buddy is already in sends nothing (0).
int SendBuddyMove(const Buddy& buddy, const std::wstring& oldGroupId, const std::wstring& newGroupId);

// ADDB, ADSB, RMVB, ADDG and MVBG.
void RegisterBuddyCommands(CommandRegistrar& registrar);
