#include "messenger/protocol/Lsta.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "framework/base/QeTrace.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/TokenSets.h"

bool LstaRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, Mode);
    WriteNumber(writer, Limit);
    WriteNumber(writer, 0);
    WriteCrLf(writer);
    return true;
}

void ParseLstaPayload(const uint8_t* bytes, uint32_t size, std::vector<LstaGroupEntry>& groups,
                      std::vector<LstaBuddyEntry>& buddies) {
    groups.clear();
    buddies.clear();
    if (bytes == nullptr || size == 0) return;
    // Past this point there are only separators, which would read as empty tokens without end.
    uint32_t contentEnd = size;
    while (contentEnd > 0 && IsSeparatorByte(bytes[contentEnd - 1])) --contentEnd;

    TokenReader reader(bytes, size);
    auto more = [&] { return reader.Tell() < contentEnd; };
    int32_t groupCount = 0;
    int32_t buddyCount = 0;
    reader.ReadInt(groupCount);
    reader.ReadInt(buddyCount);

    std::wstring token;
    for (int32_t i = 0; i < groupCount && more(); ++i) {
        LstaGroupEntry& group = groups.emplace_back();
        reader.ReadToken(group.Id);
        reader.ReadToken(group.Name);
        int32_t memberCount = 0;
        reader.ReadInt(memberCount);
        for (int32_t k = 0; k < memberCount && more(); ++k) {
            reader.ReadToken(token);
            // An empty key names no buddy; keeping it would only cost memory.
            if (!token.empty()) group.MemberKeys.push_back(std::move(token));
        }
    }
    // The count is the service's word and the bytes bound what it can mean: a record takes at least
    // thirteen bytes, so a false count never reserves more than the records it could have held.
    if (buddyCount > 0 && more()) buddies.reserve(std::min<size_t>(buddyCount, (contentEnd - reader.Tell()) / 13 + 1));
    for (int32_t i = 0; i < buddyCount && more(); ++i) {
        // Read in place: the record's texts are written once, where they stay.
        LstaBuddyEntry& buddy = buddies.emplace_back();
        reader.ReadToken(buddy.Id);
        reader.ReadToken(token);
        buddy.Flag2 = ParseBool01(token) ? 1 : 0;
        reader.ReadToken(buddy.Key);
        reader.ReadToken(buddy.Extra);
        reader.ReadToken(token);
        buddy.ListFlags = ParseFlags(token);
        reader.ReadToken(token);
        buddy.Status = static_cast<uint32_t>(ParsePresenceLetter(token));
        reader.ReadToken(buddy.Name);
        reader.ReadToken(buddy.Nickname);
        reader.ReadToken(buddy.Profile6);
        reader.ReadToken(token);
        buddy.Flag10 = token == L"1" ? 1 : 0;
        reader.ReadToken(buddy.Profile1);
        reader.ReadToken(buddy.Profile3);
        reader.ReadToken(buddy.Profile4);
    }
}

// ---- the parts buffer

LstaParts& LstaParts::Instance() {
    static LstaParts parts;
    return parts;
}

void LstaParts::Start(int32_t trId) {
    m_bytes.clear();
    m_trId = trId;
    m_active = true;
}

bool LstaParts::Append(const uint8_t* bytes, uint32_t count) {
    if (count == 0) return true;
    if (bytes == nullptr || count > kLimit - m_bytes.size()) {
        QeTrace(L"LstaParts::Append, the buddy list of LSTA %d passes %u bytes; the load is dropped.\n", m_trId,
                static_cast<unsigned>(kLimit));
        Drop();
        return false;
    }
    m_bytes.insert(m_bytes.end(), bytes, bytes + count);
    return true;
}

void LstaParts::Drop() {
    std::vector<uint8_t>().swap(m_bytes);
    m_trId = 0;
    m_active = false;
}

// ---- the reply

bool LstaReceived::ReadBody(TokenReader& reader) {
    const uint8_t* current = reader.Current();
    const uint32_t remaining = reader.Remaining();
    // The header may already have ended at the line's LF: then the line holds no numbers.
    if (remaining == 0 || (current > reader.Data() && current[-1] == '\n')) return true;
    const void* lf = std::memchr(current, '\n', remaining);
    const uint32_t lineLength = lf != nullptr ? static_cast<uint32_t>(static_cast<const uint8_t*>(lf) - current) : remaining;
    TokenReader line(current, lineLength);
    for (int32_t* number : {&Part, &Total, &Length}) {
        if (line.AtEnd()) return true;
        line.ReadInt(*number);
    }
    HasNumbers = true;
    if (lf == nullptr) return true;
    const uint32_t available = remaining - lineLength - 1;
    Payload = current + lineLength + 1;
    PayloadSize = Length <= 0 ? 0 : (static_cast<uint32_t>(Length) < available ? static_cast<uint32_t>(Length) : available);
    return true;
}

void FillBuddyModel(std::vector<LstaGroupEntry>& groups, std::vector<LstaBuddyEntry>& buddies) {
    BuddyGroupList* groupList = BuddyGroupList::Instance();
    BuddyRoster* roster = BuddyRoster::Instance();
    if (groupList == nullptr || roster == nullptr) return;
    // The texts are moved, not copied: a list of thousands of buddies is mostly texts.
    for (LstaGroupEntry& entry : groups) {
        BuddyGroup group;
        group.Id = std::move(entry.Id);
        group.Name = std::move(entry.Name);
        group.Members.insert(std::make_move_iterator(entry.MemberKeys.begin()),
                             std::make_move_iterator(entry.MemberKeys.end()));
        groupList->InsertEntry(std::move(group));
    }
    roster->Reserve(roster->Count() + buddies.size());
    for (LstaBuddyEntry& entry : buddies) {
        Buddy buddy;
        buddy.Id = std::move(entry.Id);
        buddy.Flag2 = entry.Flag2;
        buddy.Key = std::move(entry.Key);
        buddy.Extra = std::move(entry.Extra);
        buddy.ListFlags = entry.ListFlags;
        buddy.Status = entry.Status;
        buddy.Name = std::move(entry.Name);
        buddy.Nickname = std::move(entry.Nickname);
        buddy.Profile6 = std::move(entry.Profile6);
        buddy.Flag10 = entry.Flag10;
        buddy.Profile1 = std::move(entry.Profile1);
        buddy.Profile3 = std::move(entry.Profile3);
        buddy.Profile4 = std::move(entry.Profile4);
        roster->AddOrUpdate(buddy.Key, std::move(buddy));
    }
    groupList->ForEach([](BuddyGroup& group) { group.PruneUnknownMembers(); });
}

bool LstaHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto& reply = static_cast<LstaReceived&>(message);
    LstaParts& parts = LstaParts::Instance();
    if (!reply.HasNumbers) {
        QeTrace(L"LstaHandler::Handle, LSTA %d has no part numbers and is dropped.\n", reply.TrId);
        return false;
    }

    if (reply.Part == 0 || reply.Part == 1) {
        const PendingRequests* pending = PendingRequests::Instance();
        const bool requested = pending != nullptr && pending->PendingAs<LstaRequest>(reply.TrId, L"LSTA") != nullptr;
        // The request's entry goes with the first part; a load restarted under its id is still ours.
        if (!requested && !(parts.Active() && parts.TrId() == reply.TrId)) {
            QeTrace(L"LstaHandler::Handle, LSTA %d answers no request of ours and is dropped.\n", reply.TrId);
            return false;
        }
        parts.Start(reply.TrId);
    } else if (!parts.Active() || parts.TrId() != reply.TrId) {
        QeTrace(L"LstaHandler::Handle, part %d of LSTA %d belongs to no load and is dropped.\n", reply.Part,
                reply.TrId);
        return false;
    }
    if (!parts.Append(reply.Payload, reply.PayloadSize)) return false;
    if (reply.Part != reply.Total) return true;

    const std::vector<uint8_t>& bytes = parts.Bytes();
    ParseLstaPayload(bytes.data(), static_cast<uint32_t>(bytes.size()), reply.Groups, reply.Buddies);
    reply.Complete = true;
    // Nothing reads a finished load again.
    parts.Drop();

    FillBuddyModel(reply.Groups, reply.Buddies);
    ScreenSeam& screens = Screens();
    if (!screens.BuddyListRefresh()) return false;
    screens.ShowSignedIn();
    screens.MemoListSwitchBox(0);
    screens.PlayNotification(0);
    return true;
}

void RegisterBuddyListCommands(CommandRegistrar& registrar) {
    registrar.Command<LstaReceived, LstaHandler>(L"LSTA");
}
