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
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/Reset.h"
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
        buddy.Flag10 = ParseBool01(token) ? 1 : 0;
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
    Drop();
    m_trId = trId;
    m_active = true;
}

LstaParts::Outcome LstaParts::Impossible(const wchar_t* why, int32_t part, int32_t total) {
    QeTrace(L"LstaParts::Add, part %d of %d of LSTA %d: %ls; the load is dropped.\n", part, total, m_trId, why);
    Drop();
    return Outcome::Impossible;
}

LstaParts::Outcome LstaParts::Add(int32_t part, int32_t total, const uint8_t* bytes, uint32_t count) {
    if (!m_active) return Outcome::Stray;
    if (total < 0 || total > kMaxParts) return Impossible(L"no list comes in that many parts", part, total);
    if (total > 0 && part == 0) return Outcome::Stray;
    if (part < 0 || part > total || (total == 0 && part != 0)) return Impossible(L"no such part", part, total);
    // Start takes the id by value before it drops the load.
    if (part == 1 && m_total > 0 && m_spans[0].held) Start(m_trId);
    if (m_total >= 0 && total != m_total) return Impossible(L"the load has another total", part, total);
    if (m_total < 0) {
        m_total = total;
        m_spans.assign(total == 0 ? 1u : static_cast<size_t>(total), Span{});
    }
    Span& span = m_spans[total == 0 ? 0u : static_cast<size_t>(part - 1)];
    if (span.held) return Outcome::Stray;
    if (count > kLimit - m_bytes.size() || (bytes == nullptr && count > 0)) {
        return Impossible(L"the list grows past its limit", part, total);
    }
    span = Span{static_cast<uint32_t>(m_bytes.size()), count, true};
    m_bytes.insert(m_bytes.end(), bytes, bytes + count);
    ++m_held;
    return static_cast<size_t>(m_held) == m_spans.size() ? Outcome::Complete : Outcome::Kept;
}

void LstaParts::TakeJoined(std::vector<uint8_t>& out) {
    out.clear();
    bool inOrder = true;
    size_t at = 0;
    for (const Span& span : m_spans) {
        inOrder = inOrder && span.offset == at;
        at += span.size;
    }
    // The parts nearly always come in order: then the bytes are the list as they stand.
    if (inOrder) {
        out.swap(m_bytes);
    } else {
        out.reserve(m_bytes.size());
        for (const Span& span : m_spans) {
            out.insert(out.end(), m_bytes.begin() + span.offset, m_bytes.begin() + span.offset + span.size);
        }
    }
    Drop();
}

void LstaParts::Drop() {
    std::vector<uint8_t>().swap(m_bytes);
    std::vector<Span>().swap(m_spans);
    m_total = -1;
    m_held = 0;
    m_trId = 0;
    m_active = false;
}

int SendBuddyListRequest(ProtocolSession& session) {
    LstaRequest list;
    list.Mode = L"FULL";
    const int sent = session.Send(list);
    LstaParts::Instance().Start(list.TrId);
    session.BeginSignInStep(ProtocolSession::SignInStep::List);
    return sent;
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
    auto& reply = static_cast<LstaReceived&>(message);
    LstaParts& parts = LstaParts::Instance();
    // A list request sent on its own, not by SendBuddyListRequest, has its load begin with its
    // first reply.
    const PendingRequests* pending = PendingRequests::Instance();
    if (!parts.Active() && pending != nullptr && pending->PendingAs<LstaRequest>(reply.TrId, L"LSTA") != nullptr) {
        parts.Start(reply.TrId);
    }
    const bool ours = parts.Active() && parts.TrId() == reply.TrId;
    if (!ours) {
        if (!CheckCode(session, message)) return false;
        QeTrace(L"LstaHandler::Handle, LSTA %d answers no request of ours and is dropped.\n", reply.TrId);
        return false;
    }
    if (reply.Code != 100) {
        // The list will not come: the user is not left signed in without one (the reset drops the
        // load).
        FailSignInAfterLogin(ProtocolSession::FailureCodeText(reply.Code));
        return false;
    }
    // Whatever this reply is, the list it belongs to still has parts to come.
    reply.AwaitsMoreParts = true;
    if (!reply.HasNumbers) {
        QeTrace(L"LstaHandler::Handle, LSTA %d has no part numbers and is dropped.\n", reply.TrId);
        return false;
    }
    switch (parts.Add(reply.Part, reply.Total, reply.Payload, reply.PayloadSize)) {
        case LstaParts::Outcome::Stray:
            QeTrace(L"LstaHandler::Handle, part %d of %d of LSTA %d is no part still missing and is dropped.\n",
                    reply.Part, reply.Total, reply.TrId);
            return false;
        case LstaParts::Outcome::Kept:
            return true;
        case LstaParts::Outcome::Impossible:
            reply.AwaitsMoreParts = false;
            FailSignInAfterLogin();
            return false;
        case LstaParts::Outcome::Complete:
            break;
    }
    reply.AwaitsMoreParts = false;
    if (session != nullptr && session->WaitingFor() == ProtocolSession::SignInStep::List) session->EndSignInStep();

    std::vector<uint8_t> bytes;
    parts.TakeJoined(bytes);
    ParseLstaPayload(bytes.data(), static_cast<uint32_t>(bytes.size()), reply.Groups, reply.Buddies);
    reply.Complete = true;

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
