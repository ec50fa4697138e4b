// The buddy list's row model against one model fixture, under every sort and view type.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "app/screens/buddies/BuddyListRows.h"
#include "framework/controls/QeTableView.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "tests/app/model_seed.h"

namespace {

// A buddy in two groups (a, b), an empty group, an all-offline group, appear offline (b) and not
// yet known (d), two groups of one name, equal names (a, c) and a name that extends another (g).
class BuddyListRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const struct {
            const wchar_t *key, *id, *name, *nick;
            uint32_t status;
        } buddies[] = {
            {L"a", L"zed@x", L"Kim", L"Sun", 0}, {L"b", L"bo@x", L"Lee", L"Ace", 5},
            {L"c", L"kay@x", L"Kim", L"Moon", 1}, {L"d", L"dan@x", L"Ahn", L"Bear", 7},
            {L"e", L"eve@x", L"Choi", L"", 6},   {L"f", L"fay@x", L"Bae", L"Cat", 6},
            {L"g", L"a@x", L"Kimb", L"Dot", 0},
        };
        for (const auto& b : buddies) {
            Buddy buddy;
            buddy.Key = b.key, buddy.Id = b.id, buddy.Name = b.name, buddy.Nickname = b.nick, buddy.Status = b.status;
            m_roster.AddOrUpdate(b.key, buddy);
        }
        const struct {
            const wchar_t *id, *name;
            std::initializer_list<const wchar_t*> members;
        } groups[] = {
            {L"1", L"Friends", {L"a", L"b", L"c", L"g"}}, {L"2", L"Work", {L"b", L"d"}}, {L"3", L"Empty", {}},
            {L"4", L"Away", {L"e", L"f"}},                {L"5", L"Work", {L"a"}},
        };
        for (const auto& g : groups) {
            BuddyGroup group;
            group.Id = g.id, group.Name = g.name;
            for (const wchar_t* key : g.members) group.AddMember(key);
            m_groups.InsertEntry(group);
        }
    }

    // "#group key key #group ...".
    static std::wstring Rows(const std::wstring& groupId, uint32_t sortType, uint32_t viewType) {
        BuddyListRows rows;
        EXPECT_EQ(RebuildRows(rows, groupId, sortType, viewType), 1);
        std::wstring text;
        for (const BuddyListRow& row : rows.rows) {
            if (!text.empty()) text += L' ';
            text += (row.kind == BuddyListRow::kGroup ? L"#" : L"") + row.key;
        }
        return text;
    }

    BuddyRoster m_roster;
    BuddyGroupList m_groups;
};

TEST_F(BuddyListRowsTest, OrderBySortAndViewType) {
    const struct {
        uint32_t sortType, viewType;
        const wchar_t* expected;
    } cases[] = {
        {0, 0, L"#4 f e #3 #1 a c g b #2 d b #5 a"},
        {0, 1, L"#4 e f #3 #1 b g c a #2 b d #5 a"},
        {0, 2, L"#4 f e #3 #1 g c a b #2 d b #5 a"},  // equal names by id, joined as one text
        {0, 3, L"#4 f e #3 #1 c a g b #2 d b #5 a"},
        {0, 9, L"#4 e f #3 #1 a b c g #2 b d #5 a"},
        {1, 0, L"#4 #3 #1 a c g b #2 d b #5 a"},
        {1, 1, L"#4 #3 #1 b g c a #2 b d #5 a"},
        {1, 2, L"#4 #3 #1 g c a b #2 d b #5 a"},
        {1, 3, L"#4 #3 #1 c a g b #2 d b #5 a"},
        {2, 3, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Rows(L"", c.sortType, c.viewType), c.expected) << c.sortType << "/" << c.viewType;
    }
}

TEST_F(BuddyListRowsTest, OneGroupAgreesWithTheWholeListAndFindsBuddies) {
    EXPECT_EQ(Rows(L"1", 1, 2), L"#1 g c a b");
    EXPECT_EQ(Rows(L"4", 1, 0), L"#4");
    EXPECT_EQ(Rows(L"9", 0, 0), L"#9");
    BuddyListRows rows;
    RebuildRows(rows, L"", 0, 0);
    EXPECT_EQ(rows.FindBuddy(L"b"), 8);
    EXPECT_EQ(rows.FindBuddy(L"1"), -1);
    EXPECT_TRUE(RowLessByNameId({BuddyListRow::kBuddy, L"g"}, {BuddyListRow::kBuddy, L"c"}));
}

// One name the start of the other, an empty second part on either side, and a character above
// U+FFFF (before U+FF21 in UTF-16); each pair compared in a child that an alarm ends.
TEST_F(BuddyListRowsTest, JoinedOrderEndsForNamesThatStartAlike) {
    const struct {
        uint32_t viewType;
        const wchar_t *name1, *second1, *name2, *second2;
        const char* expected;  // "<": buddy 1 first
    } cases[] = {{3, L"이민", L"", L"이민호", L"", "<"},  {3, L"이민호", L"", L"이민", L"", ">"},
                 {3, L"이민", L"zz", L"이민호", L"", "<"}, {2, L"Kim", L"", L"Kimb", L"a@x", "<"},
                 {2, L"Kimb", L"", L"Kim", L"b@x", "<"},  {2, L"Kimb", L"", L"Kim", L"", ">"},
                 {3, L"A\U0001F600", L"", L"A\uFF21", L"", "<"}};
    for (const auto& c : cases) {
        const std::wstring p = L"p" + std::to_wstring(&c - cases), q = L"q" + std::to_wstring(&c - cases);
        AddBuddies({{p.c_str(), c.second1, c.name1, c.second1, 0}, {q.c_str(), c.second2, c.name2, c.second2, 0}}, m_roster);
        const auto less = c.viewType == 2 ? RowLessByNameId : RowLessByNameNick;
        const BuddyListRow a{BuddyListRow::kBuddy, p}, b{BuddyListRow::kBuddy, q};
        EXPECT_EXIT((alarm(2), std::fputs(less(a, b) ? "<" : less(b, a) ? ">" : "=", stderr), _exit(0)),
                    ::testing::ExitedWithCode(0), std::string("^") + c.expected + "$")
            << (&c - cases);
    }
}

TEST_F(BuddyListRowsTest, FilterMatchesNameOrIdExactly) {
    const struct {
        const wchar_t *key, *text;
        bool matches;
    } cases[] = {
        {L"a", L"im", true}, {L"a", L"ed@", true}, {L"a", L"kim", false}, {L"a", L"KIM", false}, {L"b", L"Sun", false},
    };
    for (const auto& c : cases) {
        TableItem row(TableItem::kItem, 52);
        row.userValue = reinterpret_cast<uintptr_t>(m_roster.FindEntry(c.key));
        EXPECT_EQ(MatchesBuddyFilter(row, c.text), c.matches) << c.text;
    }
    EXPECT_FALSE(MatchesBuddyFilter(TableItem(TableItem::kItem, 52), L""));
}

}  // namespace
