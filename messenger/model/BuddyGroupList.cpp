#include "messenger/model/BuddyGroupList.h"

#include <utility>

#include "messenger/model/BuddyRoster.h"

namespace {
Buddy* RosterEntry(const std::wstring& key) {
    BuddyRoster* roster = BuddyRoster::Instance();
    return roster != nullptr ? roster->FindEntry(key) : nullptr;
}
}  // namespace

uint32_t BuddyGroup::OnlineCount() const {
    uint32_t count = 0;
    for (const std::wstring& key : Members) {
        const Buddy* buddy = RosterEntry(key);
        if (buddy != nullptr && buddy->Status != kPresenceOffline) ++count;
    }
    return count;
}

void BuddyGroup::PruneUnknownMembers() {
    for (auto it = Members.begin(); it != Members.end();) {
        if (RosterEntry(*it) == nullptr) {
            it = Members.erase(it);
        } else {
            ++it;
        }
    }
}

BuddyGroup* BuddyGroupList::FindEntry(const std::wstring& groupId) {
    auto it = m_groups.find(groupId);
    return it != m_groups.end() ? &it->second : nullptr;
}

int BuddyGroupList::InsertEntry(const BuddyGroup& group) {
    m_groups.try_emplace(group.Id, group);
    return 1;
}

int BuddyGroupList::InsertEntry(BuddyGroup&& group) {
    // The id is copied for the map before the group moves; a group already there is not touched.
    m_groups.try_emplace(group.Id, std::move(group));
    return 1;
}

BuddyGroup* BuddyGroupList::FindGroupByName(const std::wstring& name) {
    for (auto& [id, group] : m_groups) {
        if (group.Name == name) return &group;
    }
    return nullptr;
}

BuddyGroup* BuddyGroupList::FindGroupOfBuddy(const std::wstring& key) {
    for (auto& [id, group] : m_groups) {
        if (group.Contains(key)) return &group;
    }
    return nullptr;
}

void BuddyGroupList::ClearMap() {
    m_groups.clear();
    ++m_generation;
}
