// The buddy list on arbitrary bytes, two ways; the first input byte chooses (bit 0).
//
// 0: the payload parser and the model filled from what it read: reading always ends, never makes
//    more records than the bytes can hold, and after the fill every group member is a buddy of the
//    roster. The rest of the input is the payload.
// 1: the list as the service sends it to a signed-in client (FuzzSession.h) that waits for it under
//    LSTA 3: the rest of the input, cut at its 0xFF bytes, is the payload of one reply part each,
//    framed and dispatched through the session. The first byte also says how the parts come:
//      bit 1  each part's length says more than the part holds (it swallows the next frames)
//      bit 2  the part numbers are the first byte of each part, not 1, 2, 3, ...
//      bit 3  on the login server's connection (phase 0) rather than the session server's
//      bit 4  under transaction id 99, which no request of the client has
//      bit 5  a failure reply (201) to the LSTA comes first
//    and the second byte, as a signed number, is added to the number of parts to give the total.
//    Besides not crashing: the parts buffer stays within its cap, and once the buddy list is
//    shown every group member is a buddy of the roster.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSession.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/protocol/Lsta.h"

namespace {

void EveryMemberIsABuddy(BuddyGroupList& groups, BuddyRoster& roster) {
    for (const auto& [id, group] : groups.Groups()) {
        for (const auto& key : group.Members) Check(roster.FindEntry(key) != nullptr);
    }
}

void Payload(const uint8_t* data, size_t size) {
    if (size > LstaParts::kLimit) return;
    std::vector<LstaGroupEntry> groups;
    std::vector<LstaBuddyEntry> buddies;
    ParseLstaPayload(data, static_cast<uint32_t>(size), groups, buddies);
    // Each group record and each buddy record starts at a byte of its own that is no separator.
    Check(groups.size() + buddies.size() <= size);
    size_t keys = 0;
    for (const LstaGroupEntry& group : groups) {
        for (const auto& key : group.MemberKeys) Check(!key.empty());
        keys += group.MemberKeys.size();
    }
    Check(keys <= size);
    for (const LstaBuddyEntry& buddy : buddies) {
        Check(buddy.Status <= 7);
        Check(buddy.ListFlags <= 15);
        Check(buddy.Flag2 <= 1 && buddy.Flag10 <= 1);
    }

    BuddyRoster roster;
    BuddyGroupList groupList;
    FillBuddyModel(groups, buddies);
    Check(roster.Count() <= buddies.size());
    Check(groupList.Count() <= groups.size());
    EveryMemberIsABuddy(groupList, roster);
}

void Parts(uint8_t flags, int8_t totalOffset, const uint8_t* data, size_t size) {
    std::vector<std::string> chunks = CutAtFF(data, size);
    const std::string id = (flags & 16) != 0 ? "99" : "3";
    const long total = static_cast<long>(chunks.size()) + totalOffset;
    std::string stream = (flags & 32) != 0 ? "201 " + id + "\r\n" : "";
    for (size_t i = 0; i < chunks.size(); ++i) {
        std::string& chunk = chunks[i];
        long part = static_cast<long>(i) + 1;
        if ((flags & 4) != 0 && !chunk.empty()) {
            part = static_cast<uint8_t>(chunk[0]);
            chunk.erase(0, 1);
        }
        const size_t length = (flags & 2) != 0 ? chunk.size() * 2 + 5 : chunk.size();
        stream += "LSTA " + id + " " + std::to_string(part) + " " + std::to_string(total) + " " +
                  std::to_string(length) + "\r\n" + chunk;
    }

    // The memo read page not shown, boxes answered No.
    SignedInClient client{FuzzControl((flags & 8) != 0 ? 0 : 1)};
    client.Play(stream);
    if (client.Screens.Count("ShowSignedIn") != 0) EveryMemberIsABuddy(client.Groups, client.Roster);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    if ((data[0] & 1) == 0) {
        Payload(data + 1, size - 1);
    } else if (size >= 2) {
        Parts(data[0], static_cast<int8_t>(data[1]), data + 2, size - 2);
    }
    return 0;
}
