// Buddies and groups put straight into the model, as the buddy list load leaves them, and the
// rows of a table of them read back.
#pragma once

#include <initializer_list>

#include "app/screens/buddies/BuddyListTable.h"
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

// "#group" (by id, or as the list's header shows it; "-" folded), buddies by login id or member key
// ("*" ticked), "(...)" filtered out.
inline std::wstring BuddyRows(QeTableView& table, bool byId = true, bool headerText = false) {
    std::wstring text;
    for (int32_t i = 0; i < table.GetItemCount(); ++i) {
        const TableItem& row = *table.GetItem(i);
        const auto* buddy = reinterpret_cast<const Buddy*>(row.userValue);
        const auto* group = reinterpret_cast<const BuddyGroup*>(row.userValue);
        const std::wstring shown = row.kind == TableItem::kHeader
                                       ? L"#" + (headerText ? BuddyListTable::HeaderText(*group) : group->Id) +
                                             (row.expanded ? L"" : L"-")
                                       : (byId ? buddy->Id : buddy->Key) + (buddy->Ticked != 0 ? L"*" : L"");
        text += (i == 0 ? L"" : L" ") + (row.hidden ? L"(" + shown + L")" : shown);
    }
    return text;
}
