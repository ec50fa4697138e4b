// Buddies and groups put straight into the model, as the buddy list load leaves them.
#pragma once

#include <initializer_list>

#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"

struct SeedBuddy {
    const wchar_t *key, *id, *name, *nick;
    uint32_t status;
    uint32_t listFlags = 0;
};

inline void AddBuddies(std::initializer_list<SeedBuddy> buddies, BuddyRoster& roster = *BuddyRoster::Instance()) {
    for (const SeedBuddy& b : buddies) {
        Buddy buddy;
        buddy.Key = b.key, buddy.Id = b.id, buddy.Name = b.name, buddy.Nickname = b.nick, buddy.Status = b.status;
        buddy.ListFlags = b.listFlags;
        roster.AddOrUpdate(b.key, buddy);
    }
}

// Members by their keys.
inline void AddGroup(const wchar_t* id, const wchar_t* name, std::initializer_list<const wchar_t*> members = {},
                     BuddyGroupList& groups = *BuddyGroupList::Instance()) {
    BuddyGroup group;
    group.Id = id, group.Name = name;
    for (const wchar_t* key : members) group.AddMember(key);
    groups.InsertEntry(group);
}
