// The buddy list's row model: which group headers and buddy rows a list shows, in which order.
// The buddy list and the buddy select page both fill their tables from it, each with its own
// sort type; it is built afresh for each use and thrown away after it.
//
// Rules callers rely on:
//   - groups are ordered by Name, buddies within a group by the view type's key; equal keys keep
//     a fixed order (groups by id, buddies by member key), so the whole list and one group's
//     rebuild always agree;
//   - a buddy that is a member of two groups has a row under each;
//   - sort type 1 leaves out offline (6) members, 0 takes every member, and any other value builds
//     no rows; a view type outside 0-3 keeps members in key order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Buddy;
struct TableItem;

struct BuddyListRow {
    enum Kind : uint32_t { kGroup = 0, kBuddy = 1 };
    uint32_t kind = kGroup;
    std::wstring key;  // a group's Id, a buddy's member Key

    bool operator==(const BuddyListRow& other) const { return kind == other.kind && key == other.key; }
};

class BuddyListRows {
public:
    virtual ~BuddyListRows() = default;

    // The index of the first buddy row with this key, or -1.
    int32_t FindBuddy(const std::wstring& key) const;

    std::vector<BuddyListRow> rows;
};

// Fills empty rows from the model: the whole list for an empty group id, else the rows of that one
// group (its header first, even when the model lacks it). 1.
int RebuildRows(BuddyListRows& rows, const std::wstring& groupId, uint32_t sortType, uint32_t viewType);

// Whether member a comes before member b among a group's rows: by the view type's key, then by
// member key. A buddy the model lacks (null) comes first.
bool MemberOrdersBefore(const Buddy* a, const std::wstring& aKey, const Buddy* b, const std::wstring& bKey,
                        uint32_t viewType);

// The orderings, looking both rows' entries up by key; an entry the model lacks sorts first.
bool RowLessByGroupName(const BuddyListRow& a, const BuddyListRow& b);
bool RowLessByName(const BuddyListRow& a, const BuddyListRow& b);
bool RowLessByNick(const BuddyListRow& a, const BuddyListRow& b);
bool RowLessByNameId(const BuddyListRow& a, const BuddyListRow& b);
bool RowLessByNameNick(const BuddyListRow& a, const BuddyListRow& b);

// A table row whose user value is a Buddy*: its Name or else its Id holds the text (exact code
// units). A row without a buddy never matches.
bool MatchesBuddyFilter(const TableItem& row, const std::wstring& text);
