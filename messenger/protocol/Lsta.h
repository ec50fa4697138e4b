// The buddy list load: right after the login the client asks for the whole list with one LSTA; the
// service answers in one or more parts, each with a counted payload. The parts are gathered by
// their numbers in one process-wide load, the complete payload parsed into group and buddy records,
// the model filled, and the buddy list shown. A list that cannot come whole ends the sign-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/ProtocolMessage.h"

class CommandRegistrar;
class ProtocolSession;

// "LSTA", id, Mode, Limit, 0.
class LstaRequest final : public ConcreteRequest<LstaRequest> {
public:
    LstaRequest() : ConcreteRequest(L"LSTA") {}
    explicit LstaRequest(int32_t trId) : ConcreteRequest(L"LSTA", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring Mode;
    uint16_t Limit = 8192;
};

struct LstaGroupEntry {
    std::wstring Id;
    std::wstring Name;
    std::vector<std::wstring> MemberKeys;
};

// A buddy record's thirteen fields, in wire order, named as the Buddy fields they fill.
struct LstaBuddyEntry {
    std::wstring Id;
    uint8_t Flag2 = 0;
    std::wstring Key;
    std::wstring Extra;
    uint32_t ListFlags = 0;
    uint32_t Status = 7;
    std::wstring Name;
    std::wstring Nickname;
    std::wstring Profile6;  // birthday "yyyyMMdd"
    uint8_t Flag10 = 0;     // solar calendar
    std::wstring Profile1;  // mobile phone number
    std::wstring Profile3;
    std::wstring Profile4;
};

// Parses a complete payload: group count G, buddy count B, G group records (id, name, member count
// M, M member keys), B buddy records of thirteen tokens. The counts only bound the loops, and
// reading stops as soon as only separators remain, so a payload that claims more records than it
// holds ends with the records it has; room for the buddies is reserved only as far as the bytes
// left could hold them.
void ParseLstaPayload(const uint8_t* bytes, uint32_t size, std::vector<LstaGroupEntry>& groups,
                      std::vector<LstaBuddyEntry>& buddies);

// The load of the one buddy list asked for. It begins when the request goes out (it belongs to
// the request's transaction id, so parts of another id are not mixed into it) and gathers the parts
// by their numbers, in whatever order they come: parts 1 to Total, or the lone "part 0 of 0" that
// is a whole list. Part 1 arriving again starts the load over (the service began the list anew);
// any other part held already, and a part 0 of a list in parts, is a stray: dropped, and the load
// goes on. A load that cannot complete is dropped: a total below 0 or above kMaxParts, a part
// number outside its total, a total other than the load's, or bytes past kLimit.
class LstaParts {
public:
    // More than this in one load is no buddy list.
    static constexpr size_t kLimit = 8u * 1024u * 1024u;
    static constexpr int32_t kMaxParts = 4096;

    enum class Outcome { Stray, Kept, Complete, Impossible };

    static LstaParts& Instance();

    void Start(int32_t trId);
    // Takes one part. Impossible drops the load (traced); Complete once every part is held.
    Outcome Add(int32_t part, int32_t total, const uint8_t* bytes, uint32_t count);
    // The payloads in part order (the whole list once the load is complete); the load is dropped.
    void TakeJoined(std::vector<uint8_t>& out);
    // Forgets the load and frees its bytes.
    void Drop();

    bool Active() const { return m_active; }
    int32_t TrId() const { return m_trId; }
    // The payloads held, in the order they came.
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    struct Span {
        uint32_t offset = 0;
        uint32_t size = 0;
        bool held = false;
    };
    Outcome Impossible(const wchar_t* why, int32_t part, int32_t total);

    std::vector<uint8_t> m_bytes;
    std::vector<Span> m_spans;  // by part number less 1 (the lone part 0 at 0), once the total is known
    int32_t m_total = -1;       // -1 until a part has named it
    int32_t m_held = 0;
    int32_t m_trId = 0;
    bool m_active = false;
};

// LSTA "FULL" as the sign-in sends it: the load of its parts begins, and so does the list's time
// limit (ProtocolSession::SignInStep::List), whether the request could be written or not (a list
// that cannot come must not be waited for without end). 1 when the request was written.
int SendBuddyListRequest(ProtocolSession& session);

// "LSTA", id, Part, Total, Length, CR LF, then Length bytes of payload.
class LstaReceived final : public ReceivedMessage {
public:
    explicit LstaReceived(int32_t trId) : ReceivedMessage(L"LSTA", trId) {}
    // Part, Total and Length from the line only; the payload is the bytes after the line, at most
    // Length of them (the rest of the frame when it holds fewer).
    bool ReadBody(TokenReader& reader) override;

    int32_t Part = 0;
    int32_t Total = 0;
    int32_t Length = 0;
    bool HasNumbers = false;  // the line held all three; a reply without them is no part
    // Into the frame being dispatched.
    const uint8_t* Payload = nullptr;
    uint32_t PayloadSize = 0;

    // Filled by the handler when this part completed the load; their texts then move to the model.
    bool Complete = false;
    std::vector<LstaGroupEntry> Groups;
    std::vector<LstaBuddyEntry> Buddies;
};

// Gathers the part of the load it answers; when it completes the load, fills BuddyGroupList and
// BuddyRoster (also with no group at all: the user then sees an empty list), prunes unknown members,
// refreshes the list and shows the signed-in screens with the sign-in notification. A load that
// cannot complete, and a refusal of the list, end the sign-in (FailSignInAfterLogin). Until the
// load is complete its request stays pending; replies that belong to no load are dropped.
class LstaHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// Fills the model from a parsed load, as the handler does (also for the benchmark). The entries'
// texts are moved into the model: only their numbers and flags are left.
void FillBuddyModel(std::vector<LstaGroupEntry>& groups, std::vector<LstaBuddyEntry>& buddies);

// LSTA.
void RegisterBuddyListCommands(CommandRegistrar& registrar);
