// Presence, nicknames, profiles, buddy requests and the buddy list commands.
#include <gtest/gtest.h>

#include "tests/service/ScriptedClient.h"

using namespace service_test;
using tevrik_service::TestService;

namespace {

class BuddyTest : public ::testing::Test {
protected:
    void SetUp() override { StartService(service); }

    std::string List(ScriptedClient& client) {
        client.Send("LSTA 90 FULL 8192 0\r\n");
        auto frame = client.NextStartingWith("LSTA 90 ");
        return frame ? PayloadOf(*frame) : std::string();
    }

    TestService service;
    ScriptedClient a, b, c, d;
};

TEST_F(BuddyTest, PresenceNicknameAndProfileReachOnlineBuddies) {
    ASSERT_EQ(SignIn(service, a, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    ASSERT_EQ(SignIn(service, b, "b@tevrik.example", "pb").rfind("LIN2 4 ", 0), 0u);
    EXPECT_EQ(a.Next(), "NTFY 0 b@tevrik.example O 0 %00 1\r\n");
    // A user who is no buddy hears nothing.
    ASSERT_EQ(SignIn(service, c, "c@tevrik.example", "pc").rfind("LIN2 4 ", 0), 0u);

    a.Send(Crp2("10", "DP", "%00", "ONST 11 A 0 %00 2\r\n"));
    EXPECT_EQ(a.Next(), Crp2("10", "DP", "%00", "ONST 11\r\n"));
    EXPECT_EQ(b.Next(), "NTFY 0 a@tevrik.example A 0 %00 1\r\n");
    // Appearing offline shows as offline.
    a.Send(Crp2("12", "DP", "%00", "ONST 13 X 0 %00 2\r\n"));
    EXPECT_EQ(a.Next(), Crp2("12", "DP", "%00", "ONST 13\r\n"));
    EXPECT_EQ(b.Next(), "NTFY 0 a@tevrik.example F 0 %00 1\r\n");
    EXPECT_EQ(service.PresenceOf("a@tevrik.example"), "X");
    a.Send(Crp2("14", "DP", "%00", "ONST 15 O 0 %00 2\r\n"));
    EXPECT_EQ(a.Next(), Crp2("14", "DP", "%00", "ONST 15\r\n"));
    EXPECT_EQ(b.Next(), "NTFY 0 a@tevrik.example O 0 %00 1\r\n");
    a.Send(Crp2("16", "DP", "%00", "ONST 17 Q 0 %00 2\r\n"));
    EXPECT_EQ(a.Next(), Crp2("16", "DP", "%00", "202 17\r\n"));

    a.Send(Crp2("18", "DP", "%00", "CNIK 19 새%20별명%25\r\n"));
    EXPECT_EQ(a.Next(), Crp2("18", "DP", "%00", "CNIK 19\r\n"));
    EXPECT_EQ(b.Next(), "NNIK 0 a@tevrik.example 새%20별명%25\r\n");
    EXPECT_EQ(List(b), "1 1\r\n0 Friends 1 1002\r\na@tevrik.example 0 1002 %00 1101 O 가나다 새%20별명%25 %00 1 %00 %00 %00\r\n");

    EXPECT_EQ(service.SendProfileChange("a@tevrik.example", "100001", {"010-1", "", "", "", "N", "19990101"}), 1);
    EXPECT_EQ(b.Next(), "NPRF 0 a@tevrik.example 100001 010-1 %00 %00 %00 N 19990101\r\n");
    EXPECT_EQ(List(b), "1 1\r\n0 Friends 1 1002\r\na@tevrik.example 0 1002 %00 1101 O 가나다 새%20별명%25 19990101 1 010-1 %00 %00\r\n");

    // Signing out tells the buddies.
    b.Send("LOUT 20\r\n");
    EXPECT_TRUE(b.WaitClosed());
    EXPECT_EQ(a.Next(), "NTFY 0 b@tevrik.example F 0 %00 1\r\n");
    // c heard none of it.
    c.Send("PONG 21\r\n");
    EXPECT_EQ(c.Next(), "PONG 21\r\n");
}

TEST_F(BuddyTest, SigningInHiddenShowsOfflineToBuddies) {
    ASSERT_EQ(SignIn(service, a, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    ASSERT_EQ(SignIn(service, b, "b@tevrik.example", "pb", "X").rfind("LIN2 4 ", 0), 0u);
    EXPECT_EQ(service.PresenceOf("b@tevrik.example"), "X");
    EXPECT_EQ(List(a), "2 1\r\n0 친구 1 1001\r\n1 회사 0\r\nb@tevrik.example 0 1001 %00 1101 F Bee%20Park Bee %00 1 %00 %00 %00\r\n");
    EXPECT_EQ(List(b), "1 1\r\n0 Friends 1 1002\r\na@tevrik.example 0 1002 %00 1101 O 가나다 가 %00 1 %00 %00 %00\r\n");
    EXPECT_TRUE(a.Skipped().empty());  // no notice for a buddy who stays hidden
}

TEST_F(BuddyTest, BuddyRequestAcceptedLandsOnBothRosters) {
    ASSERT_EQ(SignIn(service, c, "c@tevrik.example", "pc").rfind("LIN2 4 ", 0), 0u);
    ASSERT_EQ(SignIn(service, d, "d@other.example", "pd").rfind("LIN2 4 ", 0), 0u);
    c.Send(Crp2("20", "DP", "%00", "ADSB 21 REQST %00 d@other.example 0 친구%20해요\r\n"));
    EXPECT_EQ(c.Next(), Crp2("20", "DP", "%00", "ADSB 21 REQST 1003 Dee 0 %00\r\n"));
    EXPECT_EQ(d.Next(), "ADDB 0 RL 1004 c@tevrik.example 친구%20해요 %00\r\n");
    EXPECT_EQ(c.Next(), "NTFY 0 d@other.example F 0 %00 1\r\n");
    // Until d answers, d sees c as asking and neither sees the other online.
    EXPECT_EQ(List(d), "1 1\r\n0 Friends 0\r\nc@tevrik.example 0 1004 %00 0001 F Cee C %00 1 %00 %00 %00\r\n");
    EXPECT_EQ(List(c), "1 1\r\n0 Friends 1 1003\r\nd@other.example 0 1003 %00 1100 F Dee D %00 1 %00 %00 %00\r\n");
    // Asking twice is refused.
    c.Send(Crp2("22", "DP", "%00", "ADSB 23 REQST %00 d@other.example 0 %00\r\n"));
    EXPECT_EQ(c.Next(), Crp2("22", "DP", "%00", "307 23\r\n"));

    d.Send(Crp2("24", "DP", "%00", "ADSB 25 ACCPT 1004 c@tevrik.example 0 %00\r\n"));
    EXPECT_EQ(d.Next(), Crp2("24", "DP", "%00", "ADSB 25 ACCPT 1004 Cee 0 %00\r\n"));
    EXPECT_EQ(d.Next(), "NTFY 0 c@tevrik.example O 0 %00 1\r\n");
    EXPECT_EQ(c.Next(), "NTFY 0 d@other.example O 0 %00 1\r\n");
    EXPECT_EQ(List(c), "1 1\r\n0 Friends 1 1003\r\nd@other.example 0 1003 %00 1101 O Dee D %00 1 %00 %00 %00\r\n");
    EXPECT_EQ(List(d), "1 1\r\n0 Friends 1 1004\r\nc@tevrik.example 0 1004 %00 1101 O Cee C %00 1 %00 %00 %00\r\n");
}

TEST_F(BuddyTest, RequestToAnOfflineUserWaitsForTheNextSignIn) {
    ASSERT_EQ(SignIn(service, c, "c@tevrik.example", "pc").rfind("LIN2 4 ", 0), 0u);
    c.Send(Crp2("20", "DP", "%00", "ADSB 21 REQST %00 a@tevrik.example 0 %00\r\n"));
    EXPECT_EQ(c.Next(), Crp2("20", "DP", "%00", "ADSB 21 REQST 1003 가나다 0 %00\r\n"));
    // The new buddy's presence is known at once: offline until a answers.
    EXPECT_EQ(c.Next(), "NTFY 0 a@tevrik.example F 0 %00 1\r\n");
    c.Send(Crp2("22", "DP", "%00", "ADSB 23 REQST %00 ghost@tevrik.example 0 %00\r\n"));
    EXPECT_EQ(c.Next(), Crp2("22", "DP", "%00", "304 23\r\n"));
    c.Send(Crp2("24", "DP", "%00", "ADSB 25 REQST %00 b@tevrik.example 7 %00\r\n"));
    EXPECT_EQ(c.Next(), Crp2("24", "DP", "%00", "202 25\r\n"));

    ASSERT_EQ(SignIn(service, a, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    EXPECT_EQ(List(a), "2 2\r\n0 친구 1 1001\r\n1 회사 0\r\n"
                       "b@tevrik.example 0 1001 %00 1101 F Bee%20Park Bee %00 1 %00 %00 %00\r\n"
                       "c@tevrik.example 0 1004 %00 0001 F Cee C %00 1 %00 %00 %00\r\n");
    // A turns it down: c stays on a's list, blocked.
    a.Send(Crp2("26", "DP", "%00", "ADSB 27 REJCT 1004 c@tevrik.example 0 %00\r\n"));
    EXPECT_EQ(a.Next(), Crp2("26", "DP", "%00", "ADSB 27 REJCT 1004 %00\r\n"));
    EXPECT_NE(List(a).find("c@tevrik.example 0 1004 %00 0011 F "), std::string::npos);
}

TEST_F(BuddyTest, BlockMoveGroupAndRemove) {
    ASSERT_EQ(SignIn(service, a, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    ASSERT_EQ(SignIn(service, b, "b@tevrik.example", "pb").rfind("LIN2 4 ", 0), 0u);
    EXPECT_EQ(a.Next(), "NTFY 0 b@tevrik.example O 0 %00 1\r\n");

    a.Send(Crp2("30", "DP", "%00", "ADDB 31 BL 1001 b@tevrik.example 0\r\n"));
    EXPECT_EQ(a.Next(), Crp2("30", "DP", "%00", "ADDB 31 1001 %00\r\n"));
    EXPECT_EQ(b.Next(), "NTFY 0 a@tevrik.example F 0 %00 1\r\n");
    a.Send(Crp2("32", "DP", "%00", "ADDB 33 AL 1001 b@tevrik.example 0\r\n"));
    EXPECT_EQ(a.Next(), Crp2("32", "DP", "%00", "ADDB 33 1001 %00\r\n"));
    EXPECT_EQ(b.Next(), "NTFY 0 a@tevrik.example O 0 %00 1\r\n");

    a.Send(Crp2("34", "DP", "%00", "ADDG 35 0 새%20그룹\r\n"));
    EXPECT_EQ(a.Next(), Crp2("34", "DP", "%00", "ADDG 35 3 2\r\n"));
    const std::string items = "0 1001 b@tevrik.example 0 2\r\n1 9999 x@tevrik.example 0 2\r\n";
    a.Send(Crp2("36", "DP", "%00", "MVBG 37 0 " + std::to_string(items.size()) + "\r\n" + items));
    EXPECT_EQ(a.Next(), Crp2("36", "DP", "%00", "MVBG 37 0 14\r\n0 100\r\n1 202\r\n"));
    EXPECT_EQ(List(a), "3 1\r\n0 친구 0\r\n1 회사 0\r\n2 새%20그룹 1 1001\r\n"
                       "b@tevrik.example 0 1001 %00 1101 O Bee%20Park Bee %00 1 %00 %00 %00\r\n");

    a.Send(Crp2("38", "DP", "%00", "RMVB 39 FL 1001 b@tevrik.example\r\n"));
    EXPECT_EQ(a.Next(), Crp2("38", "DP", "%00", "RMVB 39 OK\r\n"));
    EXPECT_EQ(b.Next(), "RMVB 0 RL 1002 a@tevrik.example\r\n");
    EXPECT_EQ(List(a), "3 1\r\n0 친구 0\r\n1 회사 0\r\n2 새%20그룹 0\r\n"
                       "b@tevrik.example 0 1001 %00 0101 F Bee%20Park Bee %00 1 %00 %00 %00\r\n");
    EXPECT_EQ(List(b), "1 1\r\n0 Friends 1 1002\r\na@tevrik.example 0 1002 %00 1100 O 가나다 가 %00 1 %00 %00 %00\r\n");
    a.Send(Crp2("40", "DP", "%00", "RMVB 41 FL 4242 nobody@tevrik.example\r\n"));
    EXPECT_EQ(a.Next(), Crp2("40", "DP", "%00", "304 41\r\n"));
}

}  // namespace
