// The buddy list payload parser on arbitrary bytes, and the model filled from what it read: reading
// always ends, never makes more records than the bytes can hold, and after the fill every group
// member is a buddy of the roster.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/protocol/Lsta.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > LstaParts::kLimit) return 0;
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
    for (const auto& [id, group] : groupList.Groups()) {
        for (const auto& key : group.Members) Check(roster.FindEntry(key) != nullptr);
    }
    return 0;
}
