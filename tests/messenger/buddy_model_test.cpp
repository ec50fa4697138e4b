#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"

namespace {

Buddy MakeBuddy(const std::wstring& id, const std::wstring& key, uint32_t status = kPresenceUnknown,
                const std::wstring& name = L"") {
    Buddy buddy;
    buddy.Id = id;
    buddy.Key = key;
    buddy.Status = status;
    buddy.Name = name;
    return buddy;
}

BuddyGroup MakeGroup(const std::wstring& id, const std::wstring& name, std::initializer_list<std::wstring> keys) {
    BuddyGroup group;
    group.Id = id;
    group.Name = name;
    for (const std::wstring& key : keys) group.AddMember(key);
    return group;
}

class BuddyModelTest : public ::testing::Test {
protected:
    BuddyGroupList groups;
    BuddyRoster roster;
};

TEST_F(BuddyModelTest, NewBuddyStartsUnknownAndEmpty) {
    Buddy buddy;
    EXPECT_EQ(buddy.Status, 7u);
    EXPECT_EQ(buddy.ListFlags, 0u);
    EXPECT_EQ(buddy.Flag2 + buddy.Flag10 + buddy.ProfileFlag5 + buddy.Ticked, 0);
    EXPECT_TRUE(buddy.Id.empty() && buddy.Key.empty() && buddy.Name.empty());
}

TEST_F(BuddyModelTest, TheTwoIdentifiersFindTheSameStoredBuddy) {
    EXPECT_EQ(roster.AddOrUpdate(L"k1", MakeBuddy(L"kim@mail.net", L"k1", 0, L"Kim")), 1);
    Buddy* byKey = roster.FindEntry(L"k1");
    Buddy* byId = roster.Find(L"kim@mail.net");
    ASSERT_NE(byKey, nullptr);
    EXPECT_EQ(byKey, byId);
    EXPECT_EQ(byKey->Name, L"Kim");
    // Never mixed: an id is no key and a key is no id.
    EXPECT_EQ(roster.FindEntry(L"kim@mail.net"), nullptr);
    EXPECT_EQ(roster.Find(L"k1"), nullptr);
    // Exact comparison, no case folding.
    EXPECT_EQ(roster.Find(L"KIM@mail.net"), nullptr);
}

TEST_F(BuddyModelTest, InsertNeverReplacesAndTheIndexKeepsPointingAtTheStoredBuddy) {
    roster.AddOrUpdate(L"k1", MakeBuddy(L"first@mail.net", L"k1", 0, L"First"));
    // Same key, a different id: the stored buddy stays, and no new id leads to it.
    EXPECT_EQ(roster.AddOrUpdate(L"k1", MakeBuddy(L"second@mail.net", L"k1", 6, L"Second")), 1);
    EXPECT_EQ(roster.Count(), 1u);
    Buddy* stored = roster.FindEntry(L"k1");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->Name, L"First");
    EXPECT_EQ(stored->Status, 0u);
    EXPECT_EQ(roster.Find(L"second@mail.net"), nullptr);
    EXPECT_EQ(roster.Find(L"first@mail.net"), stored);

    // A new key with an id already indexed: stored, but the id keeps leading to the first buddy.
    roster.AddOrUpdate(L"k2", MakeBuddy(L"first@mail.net", L"k2", 0, L"Other"));
    EXPECT_EQ(roster.Count(), 2u);
    EXPECT_EQ(roster.Find(L"first@mail.net"), stored);
    ASSERT_NE(roster.FindEntry(L"k2"), nullptr);
    EXPECT_EQ(roster.FindEntry(L"k2")->Name, L"Other");
}

TEST_F(BuddyModelTest, IndexStaysValidWhileManyBuddiesAreAdded) {
    for (int i = 0; i < 500; ++i) {
        std::wstring n = std::to_wstring(i);
        roster.AddOrUpdate(L"key" + n, MakeBuddy(L"id" + n + L"@mail.net", L"key" + n, 0, L"name" + n));
    }
    for (int i = 0; i < 500; i += 37) {
        std::wstring n = std::to_wstring(i);
        Buddy* buddy = roster.Find(L"id" + n + L"@mail.net");
        ASSERT_NE(buddy, nullptr);
        EXPECT_EQ(buddy, roster.FindEntry(L"key" + n));
        EXPECT_EQ(buddy->Name, L"name" + n);
    }
}

TEST_F(BuddyModelTest, WalksGoInMemberKeyOrderWhateverTheOrderOfAdding) {
    auto keys = [&] {
        std::vector<std::wstring> seen;
        roster.ForEach([&](Buddy& buddy) { seen.push_back(buddy.Key); });
        return seen;
    };
    // Wide-string order: "k10" before "k2".
    for (const wchar_t* key : {L"k3", L"k2", L"k10"}) roster.AddOrUpdate(key, MakeBuddy(std::wstring(key) + L"@x", key));
    EXPECT_EQ(keys(), (std::vector<std::wstring>{L"k10", L"k2", L"k3"}));
    // Added after a walk: between keys there are (though after the last one added), after every
    // key, before every key; a repeated key changes nothing.
    roster.AddOrUpdate(L"k25", MakeBuddy(L"k25@x", L"k25"));
    EXPECT_EQ(keys(), (std::vector<std::wstring>{L"k10", L"k2", L"k25", L"k3"}));
    roster.AddOrUpdate(L"k4", MakeBuddy(L"k4@x", L"k4"));
    roster.AddOrUpdate(L"k0", MakeBuddy(L"k0@x", L"k0"));
    roster.AddOrUpdate(L"k2", MakeBuddy(L"again@x", L"k2"));
    EXPECT_EQ(keys(), (std::vector<std::wstring>{L"k0", L"k10", L"k2", L"k25", L"k3", L"k4"}));
    roster.Clear();
    EXPECT_TRUE(keys().empty());
}

TEST_F(BuddyModelTest, AMovedBuddyMayBeStoredUnderItsOwnKey) {
    // The key is one of the buddy's own texts, which the insert moves away.
    Buddy buddy = MakeBuddy(L"long-login-id@mail.example.net", L"a-member-key-past-any-short-text", 0, L"Name");
    roster.AddOrUpdate(buddy.Key, std::move(buddy));
    Buddy* stored = roster.FindEntry(L"a-member-key-past-any-short-text");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored, roster.Find(L"long-login-id@mail.example.net"));
    EXPECT_EQ(stored->Key, L"a-member-key-past-any-short-text");
    EXPECT_EQ(stored->Name, L"Name");
}

TEST_F(BuddyModelTest, TextsOfAnySizeSurviveClearingAndFillingAgain) {
    // Keys and ids past the roster's storage blocks, growing each round, between short ones.
    for (int round = 0; round < 3; ++round) {
        const std::wstring huge(20000 + 30000 * static_cast<size_t>(round), L'k');
        roster.AddOrUpdate(L"k1", MakeBuddy(L"a@x", L"k1"));
        roster.AddOrUpdate(huge, MakeBuddy(huge + L"@x", huge, 0, L"Huge"));
        roster.AddOrUpdate(L"k2", MakeBuddy(L"b@x", L"k2"));
        ASSERT_NE(roster.FindEntry(huge), nullptr) << round;
        EXPECT_EQ(roster.FindEntry(huge)->Name, L"Huge");
        EXPECT_EQ(roster.Find(huge + L"@x"), roster.FindEntry(huge));
        EXPECT_EQ(roster.Find(L"b@x"), roster.FindEntry(L"k2"));
        EXPECT_EQ(roster.FindEntry(L"k1")->Id, L"a@x");
        roster.Clear();
        EXPECT_EQ(roster.FindEntry(huge), nullptr);
    }
}

TEST_F(BuddyModelTest, AnEmptyLoginIdFindsNoBuddy) {
    roster.AddOrUpdate(L"k1", MakeBuddy(L"", L"k1"));
    EXPECT_NE(roster.FindEntry(L"k1"), nullptr);
    EXPECT_EQ(roster.Find(L""), nullptr);
}

TEST_F(BuddyModelTest, ClearEmptiesBothMapsAndTellsHoldersOfPointers) {
    roster.AddOrUpdate(L"k1", MakeBuddy(L"a@mail.net", L"k1"));
    uint32_t before = roster.Generation();
    roster.AddOrUpdate(L"k2", MakeBuddy(L"b@mail.net", L"k2"));
    EXPECT_EQ(roster.Generation(), before) << "adding keeps every pointer valid";
    roster.Clear();
    EXPECT_NE(roster.Generation(), before);
    EXPECT_EQ(roster.Count(), 0u);
    EXPECT_EQ(roster.FindEntry(L"k1"), nullptr);
    EXPECT_EQ(roster.Find(L"a@mail.net"), nullptr);
    // The id index was emptied too: the same id can come back with a new key.
    roster.AddOrUpdate(L"k9", MakeBuddy(L"a@mail.net", L"k9"));
    EXPECT_EQ(roster.Find(L"a@mail.net"), roster.FindEntry(L"k9"));
}

TEST_F(BuddyModelTest, ClearChecksUnticksEveryBuddy) {
    Buddy ticked = MakeBuddy(L"a@mail.net", L"k1");
    ticked.Ticked = 1;
    roster.AddOrUpdate(L"k1", ticked);
    roster.AddOrUpdate(L"k2", MakeBuddy(L"b@mail.net", L"k2"));
    roster.Find(L"b@mail.net")->Ticked = 1;
    roster.ClearChecks();
    EXPECT_EQ(roster.FindEntry(L"k1")->Ticked, 0);
    EXPECT_EQ(roster.FindEntry(L"k2")->Ticked, 0);
}

TEST_F(BuddyModelTest, OnlineCountCountsEveryKnownStatusButOffline) {
    roster.AddOrUpdate(L"k0", MakeBuddy(L"a@x", L"k0", 0));
    roster.AddOrUpdate(L"k5", MakeBuddy(L"b@x", L"k5", 5));  // appear offline counts
    roster.AddOrUpdate(L"k6", MakeBuddy(L"c@x", L"k6", 6));
    roster.AddOrUpdate(L"k7", MakeBuddy(L"d@x", L"k7", 7));  // never reported counts
    BuddyGroup group = MakeGroup(L"1", L"Friends", {L"k0", L"k5", L"k6", L"k7", L"ghost"});
    EXPECT_EQ(group.MemberCount(), 5u);
    EXPECT_EQ(group.OnlineCount(), 3u);

    BuddyGroup offline = MakeGroup(L"2", L"Away", {L"k6"});
    EXPECT_EQ(offline.OnlineCount(), 0u);
}

TEST_F(BuddyModelTest, GroupMembersAreASetOfKeys) {
    BuddyGroup group = MakeGroup(L"1", L"G", {L"b", L"a"});
    group.AddMember(L"a");
    EXPECT_EQ(group.MemberCount(), 2u);
    EXPECT_EQ(group.Contains(L"a"), 1);
    group.RemoveMember(L"a");
    group.RemoveMember(L"absent");
    EXPECT_EQ(group.Contains(L"a"), 0);
    EXPECT_EQ(group.MemberCount(), 1u);
}

TEST_F(BuddyModelTest, PruneDropsKeysWithoutABuddyRecord) {
    roster.AddOrUpdate(L"k1", MakeBuddy(L"a@x", L"k1"));
    roster.AddOrUpdate(L"k3", MakeBuddy(L"c@x", L"k3"));
    groups.InsertEntry(MakeGroup(L"1", L"G", {L"k0", L"k1", L"k2", L"k3", L"k4"}));
    groups.FindEntry(L"1")->PruneUnknownMembers();
    const BuddyGroup* group = groups.FindEntry(L"1");
    EXPECT_EQ(group->MemberCount(), 2u);
    EXPECT_EQ(group->Members, (std::set<std::wstring>{L"k1", L"k3"}));
}

TEST_F(BuddyModelTest, GroupInsertNeverReplaces) {
    EXPECT_EQ(groups.InsertEntry(MakeGroup(L"1", L"Family", {L"k1"})), 1);
    EXPECT_EQ(groups.InsertEntry(MakeGroup(L"1", L"Work", {L"k2"})), 1);
    ASSERT_EQ(groups.Count(), 1u);
    EXPECT_EQ(groups.FindEntry(L"1")->Name, L"Family");
    EXPECT_EQ(groups.FindEntry(L"1")->Contains(L"k2"), 0);
}

TEST_F(BuddyModelTest, GroupSearchesGoInIdOrderAndCompareExactly) {
    // Ids compare as wide strings: "10" comes before "9".
    groups.InsertEntry(MakeGroup(L"9", L"Same", {L"k1"}));
    groups.InsertEntry(MakeGroup(L"10", L"Same", {L"k1"}));
    groups.InsertEntry(MakeGroup(L"2", L"친구", {L"k2"}));
    EXPECT_EQ(groups.FindGroupByName(L"Same")->Id, L"10");
    EXPECT_EQ(groups.FindGroupOfBuddy(L"k1")->Id, L"10");
    EXPECT_EQ(groups.FindGroupByName(L"same"), nullptr);
    EXPECT_EQ(groups.FindGroupByName(L"친구")->Id, L"2");
    EXPECT_EQ(groups.FindGroupOfBuddy(L"nobody"), nullptr);
    EXPECT_EQ(groups.FindEntry(L"3"), nullptr);
}

TEST_F(BuddyModelTest, ClearMapTellsHoldersOfGroupPointers) {
    groups.InsertEntry(MakeGroup(L"1", L"G", {}));
    uint32_t before = groups.Generation();
    groups.ClearMap();
    EXPECT_NE(groups.Generation(), before);
    EXPECT_EQ(groups.Count(), 0u);
    EXPECT_EQ(groups.FindEntry(L"1"), nullptr);
}

TEST(AccountInfoTest, StartsEmptyWithUnknownPresence) {
    AccountInfo account;
    EXPECT_EQ(AccountInfo::Instance(), &account);
    EXPECT_EQ(account.Status, 7u);
    EXPECT_EQ(account.LoginKind, 2u);
    EXPECT_EQ(account.AppearOffline, 0);
    EXPECT_TRUE(account.Id.empty() && account.Nickname.empty() && account.Texts7to13[6].empty());
}

}  // namespace
