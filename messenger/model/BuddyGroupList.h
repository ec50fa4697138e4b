// The user's buddy groups. Members are named by member key (BuddyRoster::FindEntry), never by
// login id.
#pragma once

#include <cstdint>
#include <cstddef>
#include <map>
#include <set>
#include <string>

#include "framework/base/QeSingleton.h"

class BuddyGroup {
public:
    std::wstring Id;  // assigned by the service; "0" is the group buddy requests open with
    std::wstring Name;
    std::set<std::wstring> Members;

    void AddMember(const std::wstring& key) { Members.insert(key); }
    void RemoveMember(const std::wstring& key) { Members.erase(key); }
    int Contains(const std::wstring& key) const { return Members.count(key) != 0 ? 1 : 0; }
    uint32_t MemberCount() const { return static_cast<uint32_t>(Members.size()); }
    // Members known to the roster whose status is not offline (6); appear offline (5) and not yet
    // known (7) count as online.
    uint32_t OnlineCount() const;
    // Drops every member key the roster does not know (after the buddy list load).
    void PruneUnknownMembers();
};

class BuddyGroupList : public QeSingleton<BuddyGroupList> {
public:
    BuddyGroup* FindEntry(const std::wstring& groupId);
    // Stores a copy under the group's id; a group already there stays unchanged. Returns 1.
    int InsertEntry(const BuddyGroup& group);
    int InsertEntry(BuddyGroup&& group);
    // First group in id order whose name equals the text exactly (letter case counts), or null.
    BuddyGroup* FindGroupByName(const std::wstring& name);
    // First group in id order that holds the member key, or null.
    BuddyGroup* FindGroupOfBuddy(const std::wstring& key);
    // Empties the map (log-out). Pointers to groups are invalid afterwards.
    void ClearMap();

    size_t Count() const { return m_groups.size(); }
    // In group-id order. Groups are changed through FindEntry or ForEach; only ClearMap removes them.
    const std::map<std::wstring, BuddyGroup>& Groups() const { return m_groups; }
    template <class Visit>
    void ForEach(Visit visit) {
        for (auto& [id, group] : m_groups) visit(group);
    }

    // Goes up whenever pointers to groups handed out earlier may have become invalid (ClearMap).
    uint32_t Generation() const { return m_generation; }

private:
    std::map<std::wstring, BuddyGroup> m_groups;
    uint32_t m_generation = 0;
};
