#include "messenger/model/BuddyRoster.h"

Buddy* BuddyRoster::FindEntry(const std::wstring& key) {
    auto it = m_buddies.find(key);
    return it != m_buddies.end() ? &it->second : nullptr;
}

Buddy* BuddyRoster::Find(const std::wstring& id) {
    auto it = m_byId.find(id);
    return it != m_byId.end() ? it->second : nullptr;
}

int BuddyRoster::AddOrUpdate(const std::wstring& key, const Buddy& buddy) {
    auto [it, inserted] = m_buddies.try_emplace(key, buddy);
    if (!inserted) return 1;
    // No login id is empty; indexing one would let an empty id from the wire match some buddy.
    if (!buddy.Id.empty()) m_byId.try_emplace(buddy.Id, &it->second);
    return 1;
}

void BuddyRoster::Clear() {
    m_byId.clear();
    m_buddies.clear();
    ++m_generation;
}

void BuddyRoster::ClearChecks() {
    for (auto& [key, buddy] : m_buddies) buddy.Ticked = 0;
}
