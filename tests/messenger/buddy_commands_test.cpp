// The buddy commands ADDB, ADSB, RMVB, ADDG and MVBG: their bytes on the wire, the model after each
// reply or notice, and what the screens are told.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/BuddyCommands.h"
#include "messenger/protocol/Envelopes.h"
#include "tests/messenger/wire_bytes.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"

namespace {

class BuddyCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness.Connect(1);
        harness.ClearSent();
        harness.Ids().LastId = 0;
        AddGroup(L"0", L"친구");
        AddGroup(L"1", L"회사");
    }

    BuddyGroup& AddGroup(const std::wstring& id, const std::wstring& name) {
        BuddyGroup group;
        group.Id = id;
        group.Name = name;
        groups.InsertEntry(group);
        return *groups.FindEntry(id);
    }

    Buddy& AddBuddy(const std::wstring& key, const std::wstring& id, uint32_t flags, const std::wstring& groupId = L"") {
        Buddy buddy;
        buddy.Key = key;
        buddy.Id = id;
        buddy.Name = L"name of " + id;
        buddy.ListFlags = flags;
        buddy.Status = 0;
        roster.AddOrUpdate(key, buddy);
        if (!groupId.empty()) groups.FindEntry(groupId)->AddMember(key);
        return *roster.FindEntry(key);
    }

    std::vector<std::wstring> MembersOf(const std::wstring& groupId) {
        const BuddyGroup* group = groups.FindEntry(groupId);
        return group != nullptr ? std::vector<std::wstring>(group->Members.begin(), group->Members.end())
                                : std::vector<std::wstring>{};
    }

    AccountInfo account;
    BuddyGroupList groups;
    BuddyRoster roster;
    ChatSessionManager chats;
    RecordingScreens screens;
    SessionHarness harness;
};

// ---------------------------------------------------------------- bytes

TEST_F(BuddyCommandsTest, RequestsWriteTheirBodies) {
    AddbRequest addb(7);
    EXPECT_EQ(Serialized(addb), "ADDB 7 Unknown %00 %00 %00\r\n");
    AddbRequest block(8);
    block.ListKind = kListKindBL;
    block.Key = L"1001";
    block.Id = L"b@tevrik.example";
    block.GroupId = L"0";
    EXPECT_EQ(Serialized(block), "ADDB 8 BL 1001 b@tevrik.example 0\r\n");

    AdsbRequest adsb(9);
    EXPECT_EQ(Serialized(adsb), "ADSB 9 Unknown %00 %00 %00 %00\r\n");
    AdsbRequest ask(10);
    ask.State = kRequestAsk;
    ask.Id = L"d@other.example";
    ask.GroupId = L"1";
    ask.Message = L"친구 해요 100%";
    EXPECT_EQ(Serialized(ask), "ADSB 10 REQST %00 d@other.example 1 친구%20해요%20100%25\r\n");

    RmvbRequest rmvb(11);
    EXPECT_EQ(Serialized(rmvb), "RMVB 11 Unknown %00 %00\r\n");
    rmvb.Buffer.Clear();
    rmvb.ListKind = kListKindFL;
    rmvb.Key = L"1001";
    rmvb.Id = L"b@tevrik.example";
    EXPECT_EQ(Serialized(rmvb), "RMVB 11 FL 1001 b@tevrik.example\r\n");

    AddgRequest addg(12);
    addg.Name = L"회사 동료";
    EXPECT_EQ(Serialized(addg), "ADDG 12 0 회사%20동료\r\n");

    MvbgRequest mvbg(13);
    mvbg.Text = L"0";
    mvbg.AddItem(L"1001", L"b@tevrik.example", L"0", L"1");
    mvbg.AddItem(L"1002", L"c d@tevrik.example", L"1", L"0");
    ASSERT_EQ(mvbg.Items.size(), 2u);
    EXPECT_EQ(mvbg.Items[1].Index, 1u);
    const std::string lines = "0 1001 b@tevrik.example 0 1\r\n1 1002 c%20d@tevrik.example 1 0\r\n";
    EXPECT_EQ(Serialized(mvbg), "MVBG 13 0 " + std::to_string(lines.size()) + "\r\n" + lines);
    MvbgRequest empty(14);
    EXPECT_EQ(Serialized(empty), "MVBG 14 %00 0\r\n");
}

TEST_F(BuddyCommandsTest, ScreensSendEachRequestInADispatchEnvelope) {
    const Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 3, L"0");
    std::vector<std::string> inner = {
        "ADSB 1 REQST %00 d@other.example 0 안녕\r\n",
        "ADSB 3 ACCPT 1001 b@tevrik.example 1 %00\r\n",
        "ADSB 5 REJCT 1001 b@tevrik.example 0 %00\r\n",
        "ADDB 7 BL 1001 b@tevrik.example 0\r\n",
        "ADDB 9 AL 1001 b@tevrik.example 0\r\n",
        "RMVB 11 FL 1001 b@tevrik.example\r\n",
        "ADDG 13 0 새%20그룹\r\n",
    };
    const std::string moveLine = "0 1001 b@tevrik.example 0 1\r\n";
    inner.push_back("MVBG 15 0 " + std::to_string(moveLine.size()) + "\r\n" + moveLine);
    EXPECT_EQ(SendBuddyRequest(L"d@other.example", L"0", L"안녕"), 1);
    EXPECT_EQ(SendBuddyRequestAnswer(true, bee, L"1"), 1);
    EXPECT_EQ(SendBuddyRequestAnswer(false, bee, L"0"), 1);
    EXPECT_EQ(SendBuddyBlock(true, bee, L"0"), 1);
    EXPECT_EQ(SendBuddyBlock(false, bee, L"0"), 1);
    EXPECT_EQ(SendBuddyRemove(bee), 1);
    EXPECT_EQ(SendGroupAdd(L"새 그룹"), 1);
    EXPECT_EQ(SendBuddyMove(bee, L"0", L"1"), 1);
    ASSERT_EQ(harness.Sent().size(), inner.size());
    for (size_t i = 0; i < inner.size(); ++i) {
        EXPECT_EQ(harness.Sent()[i], Carried(static_cast<int>(2 * i + 2), inner[i])) << i;
    }
    // Both the envelope and the carried request wait for their replies.
    EXPECT_EQ(harness.Pending().Count(), 2 * inner.size());
    EXPECT_NE(harness.Pending().PendingAs<MvbgRequest>(15, L"MVBG"), nullptr);
}

TEST_F(BuddyCommandsTest, AMoveIntoTheSameGroupOrWithoutConnectionSendsNothing) {
    const Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 3, L"0");
    EXPECT_EQ(SendBuddyMove(bee, L"0", L"0"), 0);
    EXPECT_TRUE(harness.Sent().empty());

    harness.Session().Close();
    EXPECT_EQ(SendGroupAdd(L"x"), 0);
    EXPECT_EQ(SendBuddyRemove(bee), 0);
    EXPECT_TRUE(harness.Sent().empty());
    EXPECT_EQ(harness.Pending().Count(), 0u);

    // A write that fails leaves no request waiting for a reply that cannot come.
    harness.Connect(1);
    harness.ClearSent();
    harness.FailWrites = true;
    EXPECT_EQ(SendBuddyRemove(bee), 0);
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

// ---------------------------------------------------------------- ADDB

TEST_F(BuddyCommandsTest, IncomingRequestIsStoredAndTheUserIsAsked) {
    harness.Receive("ADDB 0 RL 1005 e@tevrik.example 안녕%20하세요%0a반가워요 ex\r\n");
    const Buddy* requester = roster.FindEntry(L"1005");
    ASSERT_NE(requester, nullptr);
    EXPECT_EQ(requester->Id, L"e@tevrik.example");
    EXPECT_EQ(requester->ListFlags, 8u);
    EXPECT_EQ(requester->Extra, L"ex");
    EXPECT_EQ(requester->Name, L"");
    EXPECT_EQ(requester->Status, 7u);
    EXPECT_EQ(roster.Find(L"e@tevrik.example"), requester);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{
                                   L"Confirm(e@tevrik.example 님이 친구 요청을 하였습니다.\n\n안녕 하세요\n반가워요\n\n"
                                   L"지금 바로 확인하시겠습니까?)",
                                   L"BuddyRequestInfoRepaint()"}));
    ASSERT_EQ(screens.PendingConfirms(), 1u);

    screens.Clear();
    screens.AnswerConfirm(2);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyRequestInfoSetRequester(buddy:e@tevrik.example)",
                                                          L"OpenBuddyRequestPage(0)"}));
    EXPECT_EQ(screens.First("BuddyRequestInfoSetRequester")->BuddyArg, requester);
}

TEST_F(BuddyCommandsTest, IncomingRequestPromptKeepsALongMessageWhole) {
    const std::string message(3000, 'm');
    harness.Receive("ADDB 0 RL 1005 e@tevrik.example " + message + " ex\r\n");
    ASSERT_EQ(screens.Count("Confirm"), 1u) << screens.Dump();
    EXPECT_EQ(screens.First("Confirm")->Text, L"e@tevrik.example 님이 친구 요청을 하였습니다.\n\n" +
                                                  std::wstring(3000, L'm') + L"\n\n지금 바로 확인하시겠습니까?");
}

TEST_F(BuddyCommandsTest, IncomingRequestPromptAnswers) {
    // No: nothing opens.
    harness.Receive("ADDB 0 RL 1005 e@tevrik.example hi %00\r\n");
    screens.Clear();
    screens.AnswerConfirm(3);
    EXPECT_TRUE(screens.Lines().empty());

    // A repeated notice for a request still unanswered asks again; it does not replace the entry.
    roster.FindEntry(L"1005")->Name = L"Eve";
    harness.Receive("ADDB 0 RL 1005 other@tevrik.example again %00\r\n");
    EXPECT_EQ(roster.FindEntry(L"1005")->Id, L"e@tevrik.example");
    EXPECT_EQ(roster.FindEntry(L"1005")->Name, L"Eve");
    EXPECT_EQ(screens.Count("Confirm"), 1u);

    // Without the group "0" Yes opens nothing.
    groups.ClearMap();
    screens.Clear();
    screens.AnswerConfirm(2);
    EXPECT_TRUE(screens.Lines().empty());
}

TEST_F(BuddyCommandsTest, PromptAnsweredAfterLogOutOpensNothing) {
    harness.Receive("ADDB 0 RL 1005 e@tevrik.example hi %00\r\n");
    roster.Clear();
    screens.Clear();
    screens.AnswerConfirm(2);
    EXPECT_TRUE(screens.Lines().empty());

    // Another user's buddy under the same key is not the one who asked.
    harness.Receive("ADDB 0 RL 1006 f@tevrik.example hi %00\r\n");
    roster.Clear();
    AddBuddy(L"1006", L"g@tevrik.example", 8);
    screens.Clear();
    screens.AnswerConfirm(2);
    EXPECT_TRUE(screens.Lines().empty());
}

TEST_F(BuddyCommandsTest, RequestFromSomeoneAlreadyTakenAsksNothing) {
    AddBuddy(L"1001", L"b@tevrik.example", 1, L"0");   // in my list
    AddBuddy(L"1002", L"c@tevrik.example", 2);         // allowed
    AddBuddy(L"1003", L"d@tevrik.example", 4);         // blocked only: still asks
    harness.Receive("ADDB 0 RL 1001 b@tevrik.example hi %00\r\n");
    harness.Receive("ADDB 0 RL 1002 c@tevrik.example hi %00\r\n");
    EXPECT_EQ(screens.Count("Confirm"), 0u);
    EXPECT_EQ(roster.FindEntry(L"1001")->ListFlags, 1u);
    harness.Receive("ADDB 0 RL 1003 d@tevrik.example hi %00\r\n");
    EXPECT_EQ(screens.Count("Confirm"), 1u);

    // A notice without key or login id names nobody and is dropped.
    harness.Receive("ADDB 0 RL %00 x@tevrik.example hi %00\r\n");
    harness.Receive("ADDB 0 RL 1009\r\n");
    EXPECT_EQ(roster.Count(), 3u);
    EXPECT_EQ(screens.Count("Confirm"), 1u);
}

TEST_F(BuddyCommandsTest, BlockAndUnblockFlipTheFlags) {
    Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 3, L"0");
    ASSERT_EQ(SendBuddyBlock(true, bee, L"0"), 1);
    harness.Receive(Carried(2, "ADDB 1 1001 %00\r\n"));
    EXPECT_EQ(bee.ListFlags, 5u);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyProfileRepaint()"}));

    ASSERT_EQ(SendBuddyBlock(false, bee, L"0"), 1);
    harness.Receive(Carried(4, "ADDB 3 1001 %00\r\n"));
    EXPECT_EQ(bee.ListFlags, 3u);
    EXPECT_EQ(screens.Count("BuddyProfileRepaint"), 2u);
    EXPECT_EQ(harness.Pending().Count(), 0u);

    // A failure is shown and changes nothing.
    ASSERT_EQ(SendBuddyBlock(true, bee, L"0"), 1);
    screens.Clear();
    harness.Receive(Carried(6, "304 5\r\n"));
    EXPECT_EQ(bee.ListFlags, 3u);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"Alert(FailureCodeInvalidTargetId)"}));
}

TEST_F(BuddyCommandsTest, AllowOrBlockReplyOnlyForItsOwnRequest) {
    Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 3, L"0");
    // No request under the id.
    harness.Receive(Carried(50, "ADDB 49 1001 %00\r\n"));
    // The id belongs to a removal, not to an ADDB: its fields are not an ADDB's.
    ASSERT_EQ(SendBuddyRemove(bee), 1);
    harness.Receive(Carried(2, "ADDB 1 1001 %00\r\n"));
    EXPECT_EQ(bee.ListFlags, 3u);
    EXPECT_EQ(screens.Count("BuddyProfileRepaint"), 0u);

    // A reply for a buddy no longer in the roster does nothing.
    AddbRequest request;
    request.ListKind = kListKindBL;
    request.Key = L"1999";
    request.Id = L"gone@tevrik.example";
    ASSERT_EQ(SendViaDispatch(request), 1);
    harness.Receive(Carried(request.TrId + 1, "ADDB " + std::to_string(request.TrId) + " 1999 %00\r\n"));
    EXPECT_EQ(screens.Count("BuddyProfileRepaint"), 0u);
    EXPECT_EQ(roster.Count(), 1u);
}

TEST_F(BuddyCommandsTest, ForwardListAndUnknownNoticesChangeNothing) {
    Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 3, L"0");
    harness.Receive("ADDB 0 FL 1001 b@tevrik.example New%20Name second ex\r\n");
    harness.Receive("ADDB 0 XX 1001 b@tevrik.example\r\n");
    EXPECT_EQ(bee.Name, L"name of b@tevrik.example");
    EXPECT_EQ(bee.ListFlags, 3u);
    EXPECT_TRUE(screens.Lines().empty());
}

// ---------------------------------------------------------------- ADSB

TEST_F(BuddyCommandsTest, AskedBuddyJoinsRosterAndGroup) {
    ASSERT_EQ(SendBuddyRequest(L"d@other.example", L"1", L"hi"), 1);
    harness.Receive(Carried(2, "ADSB 1 REQST 1003 Dee 0 ex\r\n"));
    const Buddy* dee = roster.FindEntry(L"1003");
    ASSERT_NE(dee, nullptr);
    EXPECT_EQ(dee->Id, L"d@other.example");
    EXPECT_EQ(dee->Name, L"Dee");
    EXPECT_EQ(dee->Extra, L"ex");
    EXPECT_EQ(dee->ListFlags, 3u);
    EXPECT_EQ(roster.Find(L"d@other.example"), dee);
    EXPECT_EQ(MembersOf(L"1"), (std::vector<std::wstring>{L"1003"}));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListRefresh()"}));
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

TEST_F(BuddyCommandsTest, AskedBuddyWhoseGroupIsGoneIsNotShown) {
    ASSERT_EQ(SendBuddyRequest(L"d@other.example", L"7", L"hi"), 1);
    harness.Receive(Carried(2, "ADSB 1 REQST 1003 Dee 0 %00\r\n"));
    ASSERT_NE(roster.FindEntry(L"1003"), nullptr);
    EXPECT_EQ(screens.Count("BuddyListRefresh"), 0u);
    EXPECT_TRUE(MembersOf(L"0").empty());
    EXPECT_TRUE(MembersOf(L"1").empty());
}

TEST_F(BuddyCommandsTest, AcceptedRequesterJoinsTheChosenGroup) {
    harness.Receive("ADDB 0 RL 1004 c@tevrik.example hi ex\r\n");
    screens.Clear();
    Buddy& cee = *roster.FindEntry(L"1004");
    ASSERT_EQ(SendBuddyRequestAnswer(true, cee, L"1"), 1);
    harness.Receive(Carried(2, "ADSB 1 ACCPT 1004 Cee 0 ex2\r\n"));
    EXPECT_EQ(cee.Name, L"Cee");
    EXPECT_EQ(cee.Extra, L"ex2");
    EXPECT_EQ(cee.ListFlags, 9u);
    EXPECT_EQ(MembersOf(L"1"), (std::vector<std::wstring>{L"1004"}));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListRefresh()"}));
}

TEST_F(BuddyCommandsTest, RejectedRequesterStaysBlocked) {
    Buddy& cee = AddBuddy(L"1004", L"c@tevrik.example", 8 | 2);
    ASSERT_EQ(SendBuddyRequestAnswer(false, cee, L"0"), 1);
    harness.Receive(Carried(2, "ADSB 1 REJCT 1004 %00\r\n"));
    EXPECT_EQ(cee.ListFlags, 8u | 4u);
    EXPECT_EQ(roster.Count(), 1u);
    EXPECT_TRUE(MembersOf(L"0").empty());
    EXPECT_TRUE(screens.Lines().empty());
}

TEST_F(BuddyCommandsTest, RequestReplyOnlyForItsOwnRequest) {
    Buddy& cee = AddBuddy(L"1004", L"c@tevrik.example", 8);
    // The id is a group add's: the reply must not read it as an ADSB.
    ASSERT_EQ(SendGroupAdd(L"x"), 1);
    harness.Receive(Carried(2, "ADSB 1 ACCPT 1004 Cee 0 %00\r\n"));
    harness.Receive(Carried(40, "ADSB 39 REJCT 1004 %00\r\n"));
    EXPECT_EQ(cee.ListFlags, 8u);
    EXPECT_EQ(cee.Name, L"name of c@tevrik.example");
    EXPECT_EQ(groups.Count(), 2u);

    // An accepted requester who is not in the roster changes nothing.
    Buddy ghost;
    ghost.Key = L"1999";
    ghost.Id = L"ghost@tevrik.example";
    ASSERT_EQ(SendBuddyRequestAnswer(true, ghost, L"0"), 1);
    harness.Receive(Carried(4, "ADSB 3 ACCPT 1999 Ghost 0 %00\r\n"));
    EXPECT_TRUE(MembersOf(L"0").empty());
    EXPECT_EQ(screens.Count("BuddyListRefresh"), 0u);
}

// ---------------------------------------------------------------- RMVB

TEST_F(BuddyCommandsTest, RemovedBuddyLeavesEveryGroupButStaysInTheRoster) {
    Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 3, L"0");
    groups.FindEntry(L"1")->AddMember(L"1001");
    AddBuddy(L"1002", L"c@tevrik.example", 3, L"1");
    ASSERT_EQ(SendBuddyRemove(bee), 1);
    harness.Receive(Carried(2, "RMVB 1 OK\r\n"));
    EXPECT_EQ(bee.ListFlags, 2u);
    EXPECT_EQ(bee.Status, 6u);
    EXPECT_EQ(roster.FindEntry(L"1001"), &bee);
    EXPECT_TRUE(MembersOf(L"0").empty());
    EXPECT_EQ(MembersOf(L"1"), (std::vector<std::wstring>{L"1002"}));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListRefresh()"}));
}

TEST_F(BuddyCommandsTest, RemovalOfAnotherListChangesNothing) {
    Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 3, L"0");
    RmvbRequest request;
    request.ListKind = kListKindAL;
    request.Key = L"1001";
    request.Id = L"b@tevrik.example";
    ASSERT_EQ(SendViaDispatch(request), 1);
    harness.Receive(Carried(2, "RMVB 1 OK\r\n"));
    // The other user dropped the user from their list.
    harness.Receive("RMVB 0 RL 1001 b@tevrik.example\r\n");
    // A removal notice of FL for an unknown key, and a reply without its request.
    harness.Receive("RMVB 0 FL 1999 x@tevrik.example\r\n");
    harness.Receive(Carried(30, "RMVB 29 OK\r\n"));
    EXPECT_EQ(bee.ListFlags, 3u);
    EXPECT_EQ(bee.Status, 0u);
    EXPECT_EQ(MembersOf(L"0"), (std::vector<std::wstring>{L"1001"}));
    EXPECT_TRUE(screens.Lines().empty());
}

// ---------------------------------------------------------------- ADDG

TEST_F(BuddyCommandsTest, NewGroupAppearsUnderTheServicesId) {
    ASSERT_EQ(SendGroupAdd(L"동창"), 1);
    harness.Receive(Carried(2, "ADDG 1 3 2\r\n"));
    const BuddyGroup* group = groups.FindEntry(L"2");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Name, L"동창");
    EXPECT_TRUE(group->Members.empty());
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListRefresh()"}));

    // An id already taken keeps its group; a reply without a group id or without its request adds
    // nothing.
    ASSERT_EQ(SendGroupAdd(L"다른"), 1);
    harness.Receive(Carried(4, "ADDG 3 4 2\r\n"));
    EXPECT_EQ(groups.FindEntry(L"2")->Name, L"동창");
    ASSERT_EQ(SendGroupAdd(L"빈"), 1);
    harness.Receive(Carried(6, "ADDG 5 4\r\n"));
    harness.Receive(Carried(60, "ADDG 59 4 9\r\n"));
    EXPECT_EQ(groups.Count(), 3u);
    EXPECT_EQ(groups.FindGroupByName(L"빈"), nullptr);

    screens.Clear();
    ASSERT_EQ(SendGroupAdd(L"x"), 1);
    harness.Receive(Carried(8, "401 7\r\n"));
    EXPECT_EQ(groups.Count(), 3u);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"Alert(FailureCodeResourceExhausted)"}));
}

// ---------------------------------------------------------------- MVBG

class MoveTest : public BuddyCommandsTest {
protected:
    void SetUp() override {
        BuddyCommandsTest::SetUp();
        AddGroup(L"2", L"가족");
        AddBuddy(L"1001", L"b@tevrik.example", 3, L"0");
        AddBuddy(L"1002", L"c@tevrik.example", 3, L"0");
    }

    // Sends a two-item move: 1001 from 0 to 1, 1002 from 0 to the given group.
    void SendTwoMoves(const std::wstring& secondTarget = L"2") {
        MvbgRequest request;
        request.Text = L"0";
        request.AddItem(L"1001", L"b@tevrik.example", L"0", L"1");
        request.AddItem(L"1002", L"c@tevrik.example", L"0", secondTarget);
        ASSERT_EQ(SendViaDispatch(request), 1);
        ASSERT_EQ(request.TrId, 1);
    }

    static std::string Reply(const std::string& results) {
        return Carried(2, "MVBG 1 0 " + std::to_string(results.size()) + "\r\n" + results);
    }
};

TEST_F(MoveTest, FailedItemMovesOnlyTheOthers) {
    SendTwoMoves();
    harness.Receive(Reply("0 202\r\n1 100\r\n"));
    EXPECT_EQ(MembersOf(L"0"), (std::vector<std::wstring>{L"1001"}));
    EXPECT_TRUE(MembersOf(L"1").empty());
    EXPECT_EQ(MembersOf(L"2"), (std::vector<std::wstring>{L"1002"}));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListRefresh()"}));
}

TEST_F(MoveTest, ResultsArePairedByPositionAndExtraOnesIgnored) {
    SendTwoMoves();
    // The index numbers are not what pairs them; a third result has no item to answer.
    harness.Receive(Reply("7 100\r\n\r\n9 100\r\n2 100\r\n3 100\r\n"));
    EXPECT_TRUE(MembersOf(L"0").empty());
    EXPECT_EQ(MembersOf(L"1"), (std::vector<std::wstring>{L"1001"}));
    EXPECT_EQ(MembersOf(L"2"), (std::vector<std::wstring>{L"1002"}));
    EXPECT_EQ(screens.Count("BuddyListRefresh"), 1u);
}

TEST_F(MoveTest, ResultsSharingOneLineAreEachApplied) {
    SendTwoMoves();
    // The results are a stream of number pairs: nothing ties one pair to one line.
    harness.Receive(Reply("0 202 1 100\r\n"));
    EXPECT_EQ(MembersOf(L"0"), (std::vector<std::wstring>{L"1001"}));
    EXPECT_TRUE(MembersOf(L"1").empty());
    EXPECT_EQ(MembersOf(L"2"), (std::vector<std::wstring>{L"1002"}));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListRefresh()"}));
}

TEST_F(MoveTest, MissingGroupStopsButShowsTheMovesAlreadyMade) {
    SendTwoMoves(L"8");
    harness.Receive(Reply("0 100\r\n1 100\r\n"));
    EXPECT_EQ(MembersOf(L"0"), (std::vector<std::wstring>{L"1002"}));
    EXPECT_EQ(MembersOf(L"1"), (std::vector<std::wstring>{L"1001"}));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListRefresh()"}));
}

TEST_F(MoveTest, ProfilePageFollowsItsBuddysMove) {
    screens.ProfileBuddy = roster.FindEntry(L"1002");
    SendTwoMoves();
    harness.Receive(Reply("0 100\r\n1 100\r\n"));
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"BuddyProfileSetGroup(group:2)", L"BuddyListRefresh()"}));
    EXPECT_EQ(screens.First("BuddyProfileSetGroup")->Object, groups.FindEntry(L"2"));
}

TEST_F(MoveTest, ReplyWithoutResultsOnlyRefreshes) {
    SendTwoMoves();
    harness.Receive(Reply(""));
    EXPECT_EQ(MembersOf(L"0"), (std::vector<std::wstring>{L"1001", L"1002"}));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListRefresh()"}));
}

TEST_F(MoveTest, ReplyOnlyForItsOwnRequest) {
    // The id is a removal's.
    ASSERT_EQ(SendBuddyRemove(*roster.FindEntry(L"1001")), 1);
    harness.Receive(Reply("0 100\r\n"));
    harness.Receive(Carried(90, "MVBG 89 0 7\r\n0 100\r\n"));
    EXPECT_EQ(MembersOf(L"0"), (std::vector<std::wstring>{L"1001", L"1002"}));
    EXPECT_TRUE(screens.Lines().empty());
}

}  // namespace
