// The buddy list load: the payload parser on its own, then the reply parts through the session.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "messenger/protocol/Lsta.h"
#include "messenger/protocol/Reset.h"
#include "tests/messenger/signin_test_support.h"
#include "tests/support/Pump.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/TraceLog.h"

using signin_test::SignedInModel;

namespace {

struct Parsed {
    std::vector<LstaGroupEntry> groups;
    std::vector<LstaBuddyEntry> buddies;
};

Parsed Parse(const std::string& payload) {
    Parsed out;
    ParseLstaPayload(reinterpret_cast<const uint8_t*>(payload.data()), static_cast<uint32_t>(payload.size()),
                     out.groups, out.buddies);
    return out;
}

std::string BuddyLine(const std::string& id, const std::string& key, const std::string& flags = "1001",
                      const std::string& letter = "O") {
    return id + " 0 " + key + " %00 " + flags + " " + letter + " 이름 별명 19900101 1 010-1234 p3 p4\r\n";
}

// Two groups (one holding a key no buddy has) and two buddies, as the service writes them.
const std::string kList = "2 2\r\n"
                          "0 친구 2 1001 1002\r\n"
                          "7 회사 2 1002 9999\r\n" +
                          BuddyLine("b@tevrik.example", "1001") + BuddyLine("c@tevrik.example", "1002", "0110", "A");

}  // namespace

TEST(LstaPayload, GroupsAndBuddyRecordsInWireOrder) {
    const Parsed list = Parse(kList);
    ASSERT_EQ(list.groups.size(), 2u);
    EXPECT_EQ(list.groups[0].Id, L"0");
    EXPECT_EQ(list.groups[0].Name, L"친구");
    EXPECT_EQ(list.groups[0].MemberKeys, (std::vector<std::wstring>{L"1001", L"1002"}));
    EXPECT_EQ(list.groups[1].MemberKeys, (std::vector<std::wstring>{L"1002", L"9999"}));
    ASSERT_EQ(list.buddies.size(), 2u);
    const LstaBuddyEntry& b = list.buddies[0];
    EXPECT_EQ(b.Id, L"b@tevrik.example");
    EXPECT_EQ(b.Flag2, 0);
    EXPECT_EQ(b.Key, L"1001");
    EXPECT_EQ(b.Extra, L"");
    EXPECT_EQ(b.ListFlags, 9u);  // FL and RL
    EXPECT_EQ(b.Status, 0u);
    EXPECT_EQ(b.Name, L"이름");
    EXPECT_EQ(b.Nickname, L"별명");
    EXPECT_EQ(b.Profile6, L"19900101");
    EXPECT_EQ(b.Flag10, 1);
    EXPECT_EQ(b.Profile1, L"010-1234");
    EXPECT_EQ(b.Profile3, L"p3");
    EXPECT_EQ(b.Profile4, L"p4");
    EXPECT_EQ(list.buddies[1].ListFlags, 6u);
    EXPECT_EQ(list.buddies[1].Status, 1u);
}

TEST(LstaPayload, OddFieldsReadSafely) {
    // Any letter outside the seven reads as "not known"; a short flags token counts what it has;
    // "1" is the only true flag; tabs and bare LFs separate tokens too.
    const Parsed list = Parse("0\t3\n" + BuddyLine("x", "1", "1", "Z") + BuddyLine("y", "2", "11111", "o") +
                              "z Y 3 %00 0000 X n n d 2 m q r\r\n");
    ASSERT_EQ(list.buddies.size(), 3u);
    EXPECT_EQ(list.buddies[0].Status, 7u);
    EXPECT_EQ(list.buddies[0].ListFlags, 1u);
    EXPECT_EQ(list.buddies[1].Status, 7u);
    EXPECT_EQ(list.buddies[1].ListFlags, 15u);
    EXPECT_EQ(list.buddies[2].Flag2, 0);
    EXPECT_EQ(list.buddies[2].Status, 5u);
    EXPECT_EQ(list.buddies[2].Flag10, 0);
}

TEST(LstaPayload, CountsBoundTheLoopsButNeverTheMemory) {
    // Counts far beyond what the bytes hold: reading ends with the records there are.
    Parsed list = Parse("2147483647 2147483647\r\n0 g 2147483647 1 2\r\n");
    ASSERT_EQ(list.groups.size(), 1u);
    EXPECT_EQ(list.groups[0].MemberKeys, (std::vector<std::wstring>{L"1", L"2"}));
    EXPECT_TRUE(list.buddies.empty());

    // Only separators left: no record is made of them.
    list = Parse("1 1\r\n0 g 0\r\n \r\n\r\n\t\t   \r\n");
    EXPECT_EQ(list.groups.size(), 1u);
    EXPECT_TRUE(list.buddies.empty());

    // A record cut short still counts, its missing fields empty.
    list = Parse("0 1\r\nb@x 1 1001");
    ASSERT_EQ(list.buddies.size(), 1u);
    EXPECT_EQ(list.buddies[0].Flag2, 1);
    EXPECT_EQ(list.buddies[0].Key, L"1001");
    EXPECT_EQ(list.buddies[0].Status, 7u);

    // Negative and missing counts read nothing.
    EXPECT_TRUE(Parse("-1 -5\r\n0 g 0\r\n").groups.empty());
    EXPECT_TRUE(Parse("").groups.empty());
    EXPECT_TRUE(Parse("x y\r\n").buddies.empty());
}

// ---- the replies

namespace {

// On the test clock, for the list's time limit.
class LstaTest : public FakeClockTest {
protected:
    LstaTest() {
        harness.Connect(1);
        harness.Ids().LastId = 4;
    }

    // Sends the sign-in's request, so its reply finds its load; returns its id.
    int32_t Request() {
        EXPECT_EQ(SendBuddyListRequest(harness.Session()), 1);
        return harness.Ids().LastId;
    }

    std::string Part(int32_t trId, int part, int total, const std::string& payload) {
        return signin_test::LstaPart(std::to_string(trId), part, total, payload);
    }

    // The whole list in `parts` pieces of (nearly) equal size.
    std::vector<std::string> Parts(int32_t trId, const std::string& payload, int parts) {
        std::vector<std::string> frames;
        const size_t size = (payload.size() + parts - 1) / parts;
        for (int i = 0; i < parts; ++i) frames.push_back(Part(trId, i + 1, parts, payload.substr(i * size, size)));
        return frames;
    }

    const std::vector<std::wstring> kShown{L"BuddyListRefresh()", L"ShowSignedIn()", L"MemoListSwitchBox(0)",
                                           L"PlayNotification(0)"};
    // The sign-in ends as a failed one: the login undone, the text, the login form.
    static std::vector<std::wstring> Failed(const std::wstring& why = kNoNetworkText) {
        return {L"OnResetToLogin()", L"Alert(" + why + L")", L"LoginShowPage(0)"};
    }

    RecordingScreens screens;
    SignedInModel model;
    SessionHarness harness;
};

}  // namespace

TEST_F(LstaTest, OnePartFillsTheModelAndShowsTheList) {
    const int32_t id = Request();
    harness.Receive(Part(id, 1, 1, kList));
    EXPECT_EQ(screens.Lines(), kShown);
    ASSERT_EQ(model.groups.Count(), 2u);
    EXPECT_EQ(model.groups.FindEntry(L"0")->Members, (std::set<std::wstring>{L"1001", L"1002"}));
    // The key no buddy record carries is dropped after the load.
    EXPECT_EQ(model.groups.FindEntry(L"7")->Members, (std::set<std::wstring>{L"1002"}));
    EXPECT_EQ(model.groups.FindEntry(L"7")->Name, L"회사");
    ASSERT_EQ(model.roster.Count(), 2u);
    const Buddy* b = model.roster.Find(L"b@tevrik.example");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Key, L"1001");
    EXPECT_EQ(b->Nickname, L"별명");
    EXPECT_EQ(b->Profile1, L"010-1234");
    EXPECT_EQ(model.roster.FindEntry(L"1002")->Status, 1u);
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

TEST_F(LstaTest, ThreePartsShowNothingUntilTheLast) {
    const int32_t id = Request();
    const std::vector<std::string> frames = Parts(id, kList, 3);
    harness.Receive(frames[0]);
    harness.Receive(frames[1]);
    EXPECT_TRUE(screens.Lines().empty());
    EXPECT_EQ(model.roster.Count(), 0u);
    harness.Receive(frames[2]);
    EXPECT_EQ(screens.Lines(), kShown);
    EXPECT_EQ(model.roster.Count(), 2u);
    EXPECT_EQ(model.groups.Count(), 2u);
}

TEST_F(LstaTest, ListWithoutGroupsIsCompleteAndShownEmpty) {
    const int32_t id = Request();
    // Even with buddy records: they have no group to be shown in, but the user is signed in.
    harness.Receive(Part(id, 1, 1, "0 1\r\n" + BuddyLine("b@tevrik.example", "1001")));
    EXPECT_EQ(screens.Lines(), kShown);
    EXPECT_EQ(model.groups.Count(), 0u);
    EXPECT_EQ(model.roster.Count(), 1u);

    screens.Clear();
    const int32_t again = Request();
    harness.Receive(Part(again, 1, 1, "0 0\r\n"));
    EXPECT_EQ(screens.Lines(), kShown);

    // The whole list as part 0 of 0.
    screens.Clear();
    const int32_t third = Request();
    harness.Receive(Part(third, 0, 0, "0 0\r\n"));
    EXPECT_EQ(screens.Lines(), kShown);
}

TEST_F(LstaTest, FirstPartInTheMiddleStartsAgain) {
    const int32_t id = Request();
    harness.Receive(Part(id, 1, 2, "9 9\r\nrubbish that is thrown away "));
    const std::vector<std::string> frames = Parts(id, kList, 2);
    harness.Receive(frames[0]);
    EXPECT_TRUE(screens.Lines().empty());
    harness.Receive(frames[1]);
    EXPECT_EQ(screens.Lines(), kShown);
    EXPECT_EQ(model.groups.Count(), 2u);
    EXPECT_EQ(model.roster.Count(), 2u);
}

TEST_F(LstaTest, DuplicatesKeepTheFirstRecord) {
    const int32_t id = Request();
    harness.Receive(Part(id, 1, 1,
                         "2 2\r\n0 첫째 1 1001\r\n0 둘째 1 1002\r\n" + BuddyLine("b@tevrik.example", "1001") +
                             BuddyLine("c@tevrik.example", "1001")));
    EXPECT_EQ(model.groups.FindEntry(L"0")->Name, L"첫째");
    EXPECT_EQ(model.roster.Count(), 1u);
    EXPECT_EQ(model.roster.FindEntry(L"1001")->Id, L"b@tevrik.example");
}

TEST_F(LstaTest, PartsOfNoRequestOrAnotherLoadAreDropped) {
    TraceLog trace;
    harness.Receive(Part(77, 1, 1, kList));
    EXPECT_NE(trace.Text().find(L"LSTA 77 answers no request of ours"), std::wstring::npos) << trace.Text();
    const int32_t id = Request();
    harness.Receive(Part(id, 1, 2, kList.substr(0, 20)));
    // A second part under another id joins nothing.
    harness.Receive(Part(id + 1, 2, 2, kList.substr(20)));
    EXPECT_TRUE(screens.Lines().empty());
    EXPECT_EQ(model.roster.Count(), 0u);
    harness.Receive(Part(id, 2, 2, kList.substr(20)));
    EXPECT_EQ(screens.Lines(), kShown);
}

TEST_F(LstaTest, ListRequestSentOnItsOwnIsGatheredFromItsFirstReply) {
    LstaRequest request;
    request.Mode = L"FULL";
    ASSERT_EQ(harness.Session().Send(request), 1);
    const std::vector<std::string> frames = Parts(request.TrId, kList, 2);
    harness.Receive(frames[1]);
    EXPECT_NE(harness.Pending().Find(request.TrId), nullptr);
    harness.Receive(frames[0]);
    EXPECT_EQ(screens.Lines(), kShown);
    EXPECT_EQ(model.roster.Count(), 2u);
}

TEST_F(LstaTest, PartLengthIsClampedToTheFrame) {
    const int32_t id = Request();
    // Straight to dispatch, past the framing: the line claims more than the frame holds.
    harness.Inject("LSTA " + std::to_string(id) + " 1 1 100000\r\n" + kList);
    EXPECT_EQ(screens.Lines(), kShown);
    EXPECT_EQ(model.roster.Count(), 2u);
}

TEST_F(LstaTest, ReplyWithoutItsNumbersIsNoPart) {
    const int32_t id = Request();
    TraceLog trace;
    harness.Inject("LSTA " + std::to_string(id) + "\r\n0 0\r\n");
    const int32_t second = Request();
    harness.Inject("LSTA " + std::to_string(second) + " 1 1\r\n0 0\r\n");
    EXPECT_TRUE(screens.Lines().empty());
    const std::wstring text = trace.Text();
    EXPECT_NE(text.find(L"LSTA " + std::to_wstring(id) + L" has no part numbers"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"LSTA " + std::to_wstring(second) + L" has no part numbers"), std::wstring::npos) << text;
}

TEST_F(LstaTest, ListPastTheLimitEndsTheSignIn) {
    const int32_t id = Request();
    TraceLog trace;
    const std::string big(3u * 1024u * 1024u, ' ');
    harness.Receive(Part(id, 1, 4, "1 0\r\n0 g 0\r\n" + big));
    harness.Receive(Part(id, 2, 4, big));
    EXPECT_TRUE(screens.Lines().empty());
    harness.Receive(Part(id, 3, 4, big));  // past 8 MiB
    EXPECT_NE(trace.Text().find(L"the list grows past its limit; the load is dropped"), std::wstring::npos)
        << trace.Text();
    EXPECT_EQ(screens.Lines(), Failed());
    EXPECT_FALSE(LstaParts::Instance().Active());
    EXPECT_TRUE(LstaParts::Instance().Bytes().empty());
    EXPECT_FALSE(harness.IsOpen());
    EXPECT_EQ(model.groups.Count(), 0u);
}

TEST_F(LstaTest, RefusedListEndsTheSignInWithTheRefusalsText) {
    const int32_t id = Request();
    harness.Receive(Part(id, 1, 2, kList.substr(0, 20)));
    harness.Receive("500 " + std::to_string(id) + "\r\n");
    EXPECT_EQ(screens.Lines(), Failed(L"FailureCodeDbError"));
    EXPECT_EQ(model.roster.Count(), 0u);
    EXPECT_FALSE(LstaParts::Instance().Active());
}

TEST_F(LstaTest, PartsAreGatheredByNumberWhateverTheirOrder) {
    for (const std::vector<int>& order : std::vector<std::vector<int>>{{1, 2, 3, 4}, {4, 3, 2, 1}, {2, 4, 1, 3}}) {
        screens.Clear();
        model.roster.Clear();
        model.groups.ClearMap();
        const int32_t id = Request();
        const std::vector<std::string> frames = Parts(id, kList, 4);
        for (int part : order) {
            ASSERT_TRUE(screens.Lines().empty()) << part;
            // The request waits until the list is whole.
            ASSERT_NE(harness.Pending().Find(id), nullptr) << part;
            harness.Receive(frames[part - 1]);
        }
        EXPECT_EQ(screens.Lines(), kShown);
        EXPECT_EQ(model.roster.Count(), 2u);
        EXPECT_EQ(model.groups.FindEntry(L"0")->Members, (std::set<std::wstring>{L"1001", L"1002"}));
        EXPECT_EQ(model.groups.FindEntry(L"7")->Members, (std::set<std::wstring>{L"1002"}));
        EXPECT_EQ(harness.Pending().Find(id), nullptr);
    }
}

TEST_F(LstaTest, StrayPartsAreDroppedAndTheListStillCompletes) {
    TraceLog trace;
    const int32_t id = Request();
    const std::vector<std::string> frames = Parts(id, kList, 3);
    const std::string lsta = "LSTA " + std::to_string(id);
    harness.Receive(frames[1]);
    harness.Receive(Part(id, 2, 3, "9 9\r\nthe first part 2 stays "));  // held already
    harness.Receive(Part(id, 0, 3, "9 9\r\n"));                        // no part of a list in parts
    harness.Inject(lsta + "\r\n");                                     // no numbers
    harness.Receive(Part(id + 7, 1, 3, "9 9\r\n"));                    // another id
    harness.Receive(Part(id + 7, 9, 3, ""));
    EXPECT_TRUE(screens.Lines().empty());
    EXPECT_NE(harness.Pending().Find(id), nullptr);
    harness.Receive(frames[2]);
    harness.Receive(frames[0]);
    EXPECT_EQ(screens.Lines(), kShown) << trace.Text();
    EXPECT_EQ(model.roster.Count(), 2u);
    EXPECT_EQ(model.groups.Count(), 2u);
    const std::wstring text = trace.Text();
    EXPECT_NE(text.find(L"part 2 of 3 of LSTA " + std::to_wstring(id) + L" is no part still missing"),
              std::wstring::npos)
        << text;
    EXPECT_NE(text.find(L"part 0 of 3 of LSTA " + std::to_wstring(id) + L" is no part still missing"),
              std::wstring::npos)
        << text;
}

TEST_F(LstaTest, NumberingThatCannotCompleteEndsTheSignIn) {
    const std::vector<std::vector<std::pair<int32_t, int32_t>>> cases = {
        {{1, 0}},  {{2, 1}},          {{-1, 3}},
        {{1, -2}}, {{1, 2147483647}}, {{1, LstaParts::kMaxParts + 1}},
        {{2, 3}, {1, 4}},  // another total than the load's
        {{3, 3}, {0, 0}},
    };
    for (const auto& parts : cases) {
        harness.Connect(1);
        screens.Clear();
        TraceLog trace;
        const int32_t id = Request();
        for (const auto& [part, total] : parts) harness.Receive(Part(id, part, total, "0 0\r\n"));
        const std::string name = std::to_string(parts.back().first) + " of " + std::to_string(parts.back().second);
        EXPECT_EQ(screens.Lines(), Failed()) << name;
        EXPECT_NE(trace.Text().find(L"the load is dropped"), std::wstring::npos) << name;
        EXPECT_FALSE(LstaParts::Instance().Active()) << name;
        EXPECT_EQ(harness.Pending().Count(), 0u) << name;
        EXPECT_FALSE(harness.IsOpen()) << name;
    }
    // The largest number of parts is still a list.
    harness.Connect(1);
    screens.Clear();
    const int32_t id = Request();
    harness.Receive(Part(id, LstaParts::kMaxParts, LstaParts::kMaxParts, ""));
    EXPECT_TRUE(screens.Lines().empty());
    EXPECT_TRUE(LstaParts::Instance().Active());
}

TEST_F(LstaTest, ListNotWholeAMinuteAfterTheRequestEndsTheSignIn) {
    const int32_t id = Request();
    harness.Receive(Part(id, 1, 2, kList.substr(0, 20)));
    Advance(59999);
    EXPECT_TRUE(screens.Lines().empty());
    Advance(1);
    EXPECT_EQ(screens.Lines(), Failed());
    EXPECT_FALSE(LstaParts::Instance().Active());
    EXPECT_FALSE(harness.IsOpen());

    // A list that came whole in time stops the limit.
    harness.Connect(1);
    screens.Clear();
    const int32_t again = Request();
    Advance(59000);
    harness.Receive(Part(again, 1, 1, kList));
    Advance(120000);
    EXPECT_EQ(screens.Lines(), kShown);
    EXPECT_EQ(harness.Session().WaitingFor(), ProtocolSession::SignInStep::None);
}

TEST_F(LstaTest, ListThatCannotBeShownStopsBeforeTheSignedInScreens) {
    screens.RefreshResult = false;
    const int32_t id = Request();
    harness.Receive(Part(id, 1, 1, kList));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListRefresh()"}));
    EXPECT_EQ(model.roster.Count(), 2u);
}

TEST_F(LstaTest, ResetDropsAHalfLoadedList) {
    const int32_t id = Request();
    harness.Receive(Part(id, 1, 2, kList.substr(0, 20)));
    ResetToLogin();
    EXPECT_FALSE(LstaParts::Instance().Active());
    harness.Connect(1);
    harness.Receive(Part(id, 2, 2, kList.substr(20)));
    EXPECT_EQ(model.roster.Count(), 0u);
}
