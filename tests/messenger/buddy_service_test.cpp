// Buddy, group, presence and profile traffic end to end: the client signed in to the local service
// over its real connection, and the other users played by scripted connections of their own.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeTimerManager.h"
#include "messenger/model/Credentials.h"
#include "messenger/protocol/BuddyCommands.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/PresenceCommands.h"
#include "tests/messenger/local_service_setup.h"
#include "tests/messenger/signin_test_support.h"
#include "tests/service/ScriptedClient.h"
#include "tests/support/Pump.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/temp_folder.h"
#include "tools/service/Directory.h"
#include "tools/service/TestService.h"

using signin_test::SignedInModel;
using service_test::Crp2;
using service_test::PayloadOf;
using service_test::ScriptedClient;

namespace {

constexpr double kBound = 20.0;

// a is the client. b is a mutual buddy, c one that a keeps; d, e and f know nobody yet.
const char kSeed[] = R"({
  "users": [
    {"id": "a@tevrik.example", "password": "pa", "name": "가나다", "nickname": "가",
     "groups": [{"id": "0", "name": "친구"}, {"id": "1", "name": "회사"}],
     "buddies": [{"id": "b@tevrik.example", "group": "0"}, {"id": "c@tevrik.example", "group": "1"}]},
    {"id": "b@tevrik.example", "password": "pb", "name": "Bee Park", "nickname": "Bee",
     "groups": [{"id": "0", "name": "Friends"}],
     "buddies": [{"id": "a@tevrik.example", "group": "0"}]},
    {"id": "c@tevrik.example", "password": "pc", "name": "Cee", "nickname": "C",
     "groups": [{"id": "0", "name": "Friends"}]},
    {"id": "d@other.example", "password": "pd", "name": "Dee", "nickname": "D",
     "groups": [{"id": "0", "name": "Friends"}, {"id": "5", "name": "Work"}]},
    {"id": "e@tevrik.example", "password": "pe", "name": "Eee", "nickname": "E",
     "groups": [{"id": "0", "name": "Friends"}]},
    {"id": "f@tevrik.example", "password": "pf", "name": "Eff", "nickname": "F",
     "groups": [{"id": "0", "name": "Friends"}]}
  ]
})";

class BuddyService : public ::testing::Test, protected LocalServiceSetUp {
protected:
    BuddyService() : LocalServiceSetUp(kSeed) {}
    ~BuddyService() override { harness.Session().Close(); }

    // Signs the client in as a and forgets what the screens were told on the way.
    bool SignIn() {
        if (!started) return false;
        std::wstring digest;
        HashCredentials(digest, L"a@tevrik.example", L"pa");
        if (!BeginSignIn(L"a@tevrik.example", digest, false)) return false;
        const bool done = PumpUntil([&] { return screens.Count("PlayNotification") > 0 || screens.Count("Alert") > 0; },
                                    kBound) &&
                          screens.Count("PlayNotification") == 1;
        // The options sent after the list are answered before the test goes on.
        if (!done || !PumpUntil([&] { return harness.Pending().Count() == 0; }, kBound)) return false;
        screens.Clear();
        return true;
    }

    // Signs a scripted user in with the presence letter.
    bool Peer(ScriptedClient& peer, const std::string& id, const std::string& password, const std::string& letter = "O") {
        return service_test::SignIn(service, peer, id, password, letter).rfind("LIN2 4 ", 0) == 0;
    }

    // Runs the client's loop until every request it sent is answered.
    bool Settle() { return PumpUntil([&] { return harness.Pending().Count() == 0; }, kBound); }

    // The scripted user's buddy list as the service gives it: groups, then buddy records.
    std::string ListOf(ScriptedClient& peer) {
        peer.Send("LSTA 90 FULL 8192 0\r\n");
        auto frame = peer.NextStartingWith("LSTA 90 ");
        return frame ? PayloadOf(*frame) : std::string();
    }

    // The list bits the service keeps for owner's entry of the buddy; 0 when there is none.
    unsigned ServiceFlags(const std::string& owner, const std::string& buddy) {
        unsigned flags = 0;
        service.WithDirectory([&](tevrik_service::Directory& directory) {
            if (tevrik_service::User* user = directory.Find(owner)) {
                if (tevrik_service::RosterEntry* entry = directory.EntryFor(*user, buddy)) flags = entry->flags;
            }
        });
        return flags;
    }

    std::vector<std::wstring> MembersOf(const std::wstring& groupId) {
        const BuddyGroup* group = model.groups.FindEntry(groupId);
        return group != nullptr ? std::vector<std::wstring>(group->Members.begin(), group->Members.end())
                                : std::vector<std::wstring>{};
    }

    testsupport::ScopedConfigHome home;
    TimingRig timing;
    RecordingScreens screens;
    SignedInModel model;
    SessionHarness harness{&RegisterAllCommands, SessionHarness::Transport::Socket};
};

}  // namespace

TEST_F(BuddyService, RequestFromAnotherUserIsConfirmedAndAcceptedOnBothSides) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ScriptedClient eve;
    ASSERT_TRUE(Peer(eve, "e@tevrik.example", "pe"));
    eve.Send(Crp2("10", "DP", "%00", "ADSB 11 REQST %00 a@tevrik.example 0 같이%20해요\r\n"));
    auto asked = eve.NextStartingWith("CRP2 10 ");
    ASSERT_TRUE(asked);
    EXPECT_NE(asked->find("ADSB 11 REQST "), std::string::npos) << *asked;

    // The asked user is asked.
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("Confirm") == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.First("Confirm")->Text,
              L"e@tevrik.example 님이 친구 요청을 하였습니다.\n\n같이 해요\n\n지금 바로 확인하시겠습니까?");
    Buddy* requester = model.roster.Find(L"e@tevrik.example");
    ASSERT_NE(requester, nullptr);
    EXPECT_EQ(requester->ListFlags, 8u);
    EXPECT_EQ(screens.Count("BuddyRequestInfoRepaint"), 1u);

    // Yes opens the request page, whose accept puts the requester in the chosen group.
    screens.Clear();
    ASSERT_TRUE(screens.AnswerConfirm(2));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyRequestInfoSetRequester(buddy:e@tevrik.example)",
                                                          L"OpenBuddyRequestPage(0)"}));
    ASSERT_EQ(SendBuddyRequestAnswer(true, *requester, L"1"), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(requester->Name, L"Eee");
    EXPECT_EQ(requester->ListFlags & (kListForward | kListReverse), kListForward | kListReverse);
    EXPECT_EQ(MembersOf(L"1"), (std::vector<std::wstring>{model.roster.Find(L"c@tevrik.example")->Key, requester->Key}));
    EXPECT_GE(screens.Count("BuddyListRefresh"), 1u);

    // Both now keep each other, in the groups they chose; the new buddy's presence arrives without
    // the sign-in sound (it was never known before).
    EXPECT_EQ(ServiceFlags("a@tevrik.example", "e@tevrik.example") & (tevrik_service::kForward | tevrik_service::kAllow),
              tevrik_service::kForward | tevrik_service::kAllow);
    const std::string list = ListOf(eve);
    EXPECT_NE(list.find("0 Friends 1 "), std::string::npos) << list;
    EXPECT_NE(list.find("a@tevrik.example 0 "), std::string::npos) << list;
    ASSERT_TRUE(PumpUntil([&] { return requester->Status == 0; }, kBound));
    EXPECT_EQ(screens.Count("PlayNotification"), 0u);
}

TEST_F(BuddyService, OwnRequestPutsTheBuddyInBothRostersOnceAccepted) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ScriptedClient dee;
    ASSERT_TRUE(Peer(dee, "d@other.example", "pd"));
    ASSERT_EQ(SendBuddyRequest(L"d@other.example", L"1", L"안녕하세요"), 1);
    ASSERT_TRUE(Settle());
    Buddy* added = model.roster.Find(L"d@other.example");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Name, L"Dee");
    EXPECT_EQ(added->ListFlags, kListForward | kListAllow);
    EXPECT_TRUE(model.groups.FindEntry(L"1")->Contains(added->Key));
    EXPECT_EQ(screens.Count("BuddyListRefresh"), 1u);

    // The other user hears of it and accepts into their group 5.
    auto notice = dee.NextStartingWith("ADDB 0 RL ");
    ASSERT_TRUE(notice);
    const std::vector<std::string> tokens = service_test::Tokens(*notice);
    ASSERT_GE(tokens.size(), 6u);
    EXPECT_EQ(tokens[4], "a@tevrik.example");
    EXPECT_EQ(tokens[5], "안녕하세요");
    dee.Send(Crp2("10", "DP", "%00", "ADSB 11 ACCPT " + tokens[3] + " a@tevrik.example 5 %00\r\n"));
    ASSERT_TRUE(dee.NextStartingWith("CRP2 10 "));
    const std::string list = ListOf(dee);
    EXPECT_NE(list.find("5 Work 1 " + tokens[3] + "\r\n"), std::string::npos) << list;
    EXPECT_NE(list.find("a@tevrik.example 0 " + tokens[3] + " "), std::string::npos) << list;
}

TEST_F(BuddyService, RejectionBlocksTheRequester) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ScriptedClient eff;
    ASSERT_TRUE(Peer(eff, "f@tevrik.example", "pf"));
    eff.Send(Crp2("10", "DP", "%00", "ADSB 11 REQST %00 a@tevrik.example 0 %00\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("Confirm") == 1; }, kBound)) << screens.Dump();
    screens.AnswerConfirm(3);
    Buddy* requester = model.roster.Find(L"f@tevrik.example");
    ASSERT_NE(requester, nullptr);
    requester->ListFlags |= kListAllow;  // so that the reply is seen to clear it
    ASSERT_EQ(SendBuddyRequestAnswer(false, *requester, L"0"), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(requester->ListFlags, kListReverse | kListBlock);
    EXPECT_EQ(model.roster.Find(L"f@tevrik.example"), requester);
    EXPECT_FALSE(model.groups.FindEntry(L"0")->Contains(requester->Key));
    EXPECT_EQ(ServiceFlags("a@tevrik.example", "f@tevrik.example") & (tevrik_service::kBlock | tevrik_service::kAllow),
              tevrik_service::kBlock);
}

TEST_F(BuddyService, BlockUnblockRemoveGroupAndMove) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    Buddy* bee = model.roster.Find(L"b@tevrik.example");
    Buddy* cee = model.roster.Find(L"c@tevrik.example");
    ASSERT_NE(bee, nullptr);
    ASSERT_NE(cee, nullptr);
    ASSERT_EQ(bee->ListFlags & (kListAllow | kListBlock), kListAllow);

    ASSERT_EQ(SendBuddyBlock(true, *bee, L"0"), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(bee->ListFlags & (kListAllow | kListBlock), kListBlock);
    EXPECT_EQ(ServiceFlags("a@tevrik.example", "b@tevrik.example") & tevrik_service::kBlock, tevrik_service::kBlock);
    ASSERT_EQ(SendBuddyBlock(false, *bee, L"0"), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(bee->ListFlags & (kListAllow | kListBlock), kListAllow);
    EXPECT_EQ(screens.Count("BuddyProfileRepaint"), 2u);

    // A new group, under the id the service chose.
    ASSERT_EQ(SendGroupAdd(L"동창"), 1);
    ASSERT_TRUE(Settle());
    const BuddyGroup* added = model.groups.FindGroupByName(L"동창");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Id, L"2");
    const std::wstring newGroup = added->Id;

    // A move whose first item fails (the service has no such buddy) moves only the second.
    MvbgRequest move;
    move.Text = L"0";
    move.AddItem(L"9999", L"nobody@tevrik.example", L"0", newGroup);
    move.AddItem(cee->Key, cee->Id, L"1", newGroup);
    ASSERT_EQ(SendViaDispatch(move), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(MembersOf(L"0"), (std::vector<std::wstring>{bee->Key}));
    EXPECT_TRUE(MembersOf(L"1").empty());
    EXPECT_EQ(MembersOf(newGroup), (std::vector<std::wstring>{cee->Key}));

    // Removing b: out of every group, offline, still in the roster.
    ASSERT_EQ(SendBuddyRemove(*bee), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(bee->ListFlags & kListForward, 0u);
    EXPECT_EQ(bee->Status, kPresenceOffline);
    EXPECT_EQ(model.roster.Find(L"b@tevrik.example"), bee);
    for (const auto& [id, group] : model.groups.Groups()) EXPECT_FALSE(group.Contains(bee->Key)) << group.Name;
    EXPECT_EQ(ServiceFlags("a@tevrik.example", "b@tevrik.example") & tevrik_service::kForward, 0u);
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
}

TEST_F(BuddyService, PresenceNicknameProfileAndNotices) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    Buddy* bee = model.roster.Find(L"b@tevrik.example");
    ASSERT_NE(bee, nullptr);
    ASSERT_EQ(bee->Status, kPresenceOffline);

    // b signs in away: offline to away plays the sound once.
    ScriptedClient b;
    ASSERT_TRUE(Peer(b, "b@tevrik.example", "pb", "A"));
    ASSERT_TRUE(PumpUntil([&] { return bee->Status == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"PlayNotification(1)", L"BuddyListUpdateRow(buddy:b@tevrik.example)"}));

    // Away to online: no sound.
    b.Send(Crp2("10", "DP", "%00", "ONST 11 O 0 %00 2\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return bee->Status == 0; }, kBound));
    EXPECT_EQ(screens.Count("PlayNotification"), 1u);

    // A new nickname repaints b's row.
    screens.Clear();
    b.Send(Crp2("12", "DP", "%00", "CNIK 13 벌%20집\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("BuddyListUpdateRow") == 1; }, kBound));
    EXPECT_EQ(bee->Nickname, L"벌 집");
    EXPECT_EQ(screens.First("BuddyListUpdateRow")->BuddyArg, bee);

    // A profile change touches exactly the fields of its mask.
    bee->Profile3 = L"kept";
    EXPECT_EQ(service.SendProfileChange("b@tevrik.example", "100001", {"010-1234", "x", "y", "z", "Y", "19990101"}), 1);
    ASSERT_TRUE(PumpUntil([&] { return bee->Profile6 == L"19990101"; }, kBound));
    EXPECT_EQ(bee->Profile1, L"010-1234");
    EXPECT_EQ(bee->Profile2, L"");
    EXPECT_EQ(bee->Profile3, L"kept");
    EXPECT_EQ(bee->ProfileFlag5, 0u);

    // The service's notice.
    ASSERT_TRUE(service.SendNotice(service.SignedInConnection("a@tevrik.example"), "오늘 밤 점검"));
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("ShowNotice") == 1; }, kBound));
    EXPECT_EQ(screens.First("ShowNotice")->Text, L"오늘 밤 점검");
}

TEST_F(BuddyService, OwnPresenceAndNicknameAreStoredAndReachTheBuddy) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ScriptedClient b;
    ASSERT_TRUE(Peer(b, "b@tevrik.example", "pb"));

    ASSERT_EQ(SendOwnPresence(2), 1);
    EXPECT_EQ(model.account.Status, 2u);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(screens.Count("StatusBarCardRefresh"), 1u);
    EXPECT_EQ(service.PresenceOf("a@tevrik.example"), "M");
    EXPECT_TRUE(b.NextStartingWith("NTFY 0 a@tevrik.example M "));

    ASSERT_EQ(SendOwnNickname(L"새 별명"), 1);
    EXPECT_EQ(model.account.Nickname, L"새 별명");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(screens.Count("StatusBarCardRefresh"), 2u);
    auto nik = b.NextStartingWith("NNIK 0 a@tevrik.example ");
    ASSERT_TRUE(nik);
    EXPECT_EQ(*nik, "NNIK 0 a@tevrik.example 새%20별명\r\n");
}
