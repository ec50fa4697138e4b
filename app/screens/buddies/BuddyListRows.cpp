#include "app/screens/buddies/BuddyListRows.h"

#include <algorithm>

#include "framework/base/QeStrings.h"
#include "framework/controls/QeTableView.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"

namespace {

// The view type's order of two buddies; a missing buddy comes first, other view types tie.
int CompareBuddies(const Buddy* a, const Buddy* b, uint32_t viewType) {
    if (a == nullptr || b == nullptr) return (a != nullptr) - (b != nullptr);
    switch (viewType) {
        case 0: return QeStrings::CompareUtf16(a->Name, b->Name);
        case 1: return QeStrings::CompareUtf16(a->Nickname, b->Nickname);
        case 2: return QeStrings::CompareUtf16Joined(a->Name, a->Id, b->Name, b->Id);
        case 3: return QeStrings::CompareUtf16Joined(a->Name, a->Nickname, b->Name, b->Nickname);
        default: return 0;
    }
}

bool RowLessBy(const BuddyListRow& a, const BuddyListRow& b, uint32_t viewType) {
    BuddyRoster* roster = BuddyRoster::Instance();
    if (roster == nullptr) return false;
    return CompareBuddies(roster->FindEntry(a.key), roster->FindEntry(b.key), viewType) < 0;
}

struct Member {
    const Buddy* buddy;
    const std::wstring* key;
};

// One group's header and member rows, appended; each member is looked up once.
void AppendGroup(std::vector<BuddyListRow>& out, const std::wstring& id, const BuddyGroup* group, uint32_t sortType,
                 uint32_t viewType, std::vector<Member>& members) {
    out.push_back({BuddyListRow::kGroup, id});
    if (group == nullptr) return;
    BuddyRoster* roster = BuddyRoster::Instance();
    members.clear();
    for (const std::wstring& key : group->Members) {
        const Buddy* buddy = roster != nullptr ? roster->FindEntry(key) : nullptr;
        if (sortType == 1 && buddy != nullptr && buddy->Status == kPresenceOffline) continue;
        members.push_back({buddy, &key});
    }
    std::sort(members.begin(), members.end(), [viewType](const Member& a, const Member& b) {
        return MemberOrdersBefore(a.buddy, *a.key, b.buddy, *b.key, viewType);
    });
    for (const Member& member : members) out.push_back({BuddyListRow::kBuddy, *member.key});
}

}  // namespace

bool MemberOrdersBefore(const Buddy* a, const std::wstring& aKey, const Buddy* b, const std::wstring& bKey,
                        uint32_t viewType) {
    const int order = CompareBuddies(a, b, viewType);
    return order != 0 ? order < 0 : aKey < bKey;
}

int32_t BuddyListRows::FindBuddy(const std::wstring& key) const {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].kind == BuddyListRow::kBuddy && rows[i].key == key) return static_cast<int32_t>(i);
    }
    return -1;
}

int RebuildRows(BuddyListRows& rows, const std::wstring& groupId, uint32_t sortType, uint32_t viewType) {
    if (sortType > 1) return 1;
    BuddyGroupList* groups = BuddyGroupList::Instance();
    std::vector<Member> members;
    if (!groupId.empty()) {
        AppendGroup(rows.rows, groupId, groups != nullptr ? groups->FindEntry(groupId) : nullptr, sortType, viewType,
                    members);
        return 1;
    }
    if (groups == nullptr) return 1;
    std::vector<const BuddyGroup*> ordered;
    ordered.reserve(groups->Count());
    for (const auto& [id, group] : groups->Groups()) ordered.push_back(&group);
    // The map gives id order, which a stable sort keeps among equal names.
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const BuddyGroup* a, const BuddyGroup* b) { return QeStrings::LessUtf16(a->Name, b->Name); });
    for (const BuddyGroup* group : ordered) AppendGroup(rows.rows, group->Id, group, sortType, viewType, members);
    return 1;
}

bool RowLessByGroupName(const BuddyListRow& a, const BuddyListRow& b) {
    BuddyGroupList* groups = BuddyGroupList::Instance();
    if (groups == nullptr) return false;
    const BuddyGroup* ga = groups->FindEntry(a.key);
    const BuddyGroup* gb = groups->FindEntry(b.key);
    if (ga == nullptr || gb == nullptr) return ga == nullptr && gb != nullptr;
    return QeStrings::LessUtf16(ga->Name, gb->Name);
}

bool RowLessByName(const BuddyListRow& a, const BuddyListRow& b) { return RowLessBy(a, b, 0); }
bool RowLessByNick(const BuddyListRow& a, const BuddyListRow& b) { return RowLessBy(a, b, 1); }
bool RowLessByNameId(const BuddyListRow& a, const BuddyListRow& b) { return RowLessBy(a, b, 2); }
bool RowLessByNameNick(const BuddyListRow& a, const BuddyListRow& b) { return RowLessBy(a, b, 3); }

bool MatchesBuddyFilter(const TableItem& row, const std::wstring& text) {
    const auto* buddy = reinterpret_cast<const Buddy*>(row.userValue);
    if (buddy == nullptr) return false;
    return buddy->Name.find(text) != std::wstring::npos || buddy->Id.find(text) != std::wstring::npos;
}
