// Two scripted clients open a chat through the service and talk in it.
#include <gtest/gtest.h>

#include <regex>

#include "tests/service/ScriptedClient.h"

using namespace service_test;
using tevrik_service::TestService;

namespace {

class ChatTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartService(service);
        port = std::to_string(service.SessionPort());
        ASSERT_EQ(SignIn(service, a, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
        ASSERT_EQ(SignIn(service, b, "b@tevrik.example", "pb").rfind("LIN2 4 ", 0), 0u);
        ASSERT_EQ(a.Next(), "NTFY 0 b@tevrik.example O 0 %00 1\r\n");
    }

    // A asks for a chat server, connects to it and enters; returns the session id.
    std::string OpenChat() {
        a.Send(Crp2("10", "DP", "%00", "RESS 11\r\n"));
        auto ress = a.Next();
        std::smatch m;
        std::regex shape("CRP2 10 DP %00 (\\d+)\r\n(RESS 11 127\\.0\\.0\\.1 " + port + " ([0-9a-f]{16})\r\n)");
        if (!ress || !std::regex_match(*ress, m, shape)) {
            ADD_FAILURE() << ress.value_or("(nothing)");
            return {};
        }
        EXPECT_EQ(std::stoul(m[1]), m[2].length());
        cookie = m[3];
        std::string body = "127.0.0.1 " + port + " " + cookie + "\r\n";
        a.Send("CSES 12 CONN SS %00 " + std::to_string(body.size()) + "\r\n" + body);
        auto conn = a.Next();
        std::regex connShape("CSES 12 CONN (\\d+)\r\n(SS (\\d+) 127\\.0\\.0\\.1 " + port + " " + cookie + ")");
        if (!conn || !std::regex_match(*conn, m, connShape)) {
            ADD_FAILURE() << conn.value_or("(nothing)");
            return {};
        }
        EXPECT_EQ(std::stoul(m[1]), m[2].length());
        std::string sid = m[3];
        a.Send(Crp2("13", "SS", sid, "ENTR 14 a@tevrik.example 가 가나다 " + cookie + " UTF8 P 1.1 2\r\n"));
        EXPECT_EQ(a.Next(), Crp2("13", "SS", sid, "ENTR 14\r\n"));  // nobody there yet: no USER
        return sid;
    }

    // A invites B, and B connects and enters the chat A opened.
    void InviteB(const std::string& sid) {
        std::string invt = "INVT a@tevrik.example 127.0.0.1 " + port + " " + cookie;
        a.Send(Crp2("15", "DP", "%00", "CTOC 16 b@tevrik.example A " + std::to_string(invt.size()) + "\r\n" + invt));
        EXPECT_EQ(b.Next(), "CTOC 0 a@tevrik.example " + std::to_string(invt.size()) + "\r\n" + invt);
        std::string body = "127.0.0.1 " + port + " " + cookie + "\r\n";
        b.Send("CSES 17 CONN SS %00 " + std::to_string(body.size()) + "\r\n" + body);
        std::string payload = "SS " + sid + " 127.0.0.1 " + port + " " + cookie;
        EXPECT_EQ(b.Next(), "CSES 17 CONN " + std::to_string(payload.size()) + "\r\n" + payload);
        b.Send(Crp2("20", "SS", sid, "ENTR 21 b@tevrik.example Bee Bee%20Park " + cookie + " UTF8 P 1.1 2\r\n"));
        // The members already there come first, then the answer.
        EXPECT_EQ(b.Next(), Crp2("0", "SS", sid, "USER 0 1 1 a@tevrik.example 가 가나다 %00 1\r\n"));
        EXPECT_EQ(b.Next(), Crp2("20", "SS", sid, "ENTR 21\r\n"));
        EXPECT_EQ(a.Next(), Crp2("0", "SS", sid, "JOIN 0 b@tevrik.example Bee Bee%20Park %00 1\r\n"));
    }

    TestService service;
    ScriptedClient a, b;
    std::string port, cookie;
};

TEST_F(ChatTest, TwoClientsChat) {
    std::string sid = OpenChat();
    ASSERT_FALSE(sid.empty());
    InviteB(sid);

    // The styled text is relayed as it was sent: the sender escapes for the second reading itself.
    a.Send(Crp2("30", "SS", sid, "MESG 31 MSG 0%090%090%0950%2525%20a%20b\r\n"));
    EXPECT_EQ(a.Next(), Crp2("30", "SS", sid, "MESG 31\r\n"));
    EXPECT_EQ(b.Next(), Crp2("0", "SS", sid, "MESG 0 a@tevrik.example MSG 0%090%090%0950%2525%20a%20b\r\n"));

    b.Send(Crp2("32", "SS", sid, "MESG 33 MSG Nanum%20Gothic%099%09BU%09안녕%09하세요\r\n"));
    EXPECT_EQ(b.Next(), Crp2("32", "SS", sid, "MESG 33\r\n"));
    EXPECT_EQ(a.Next(), Crp2("0", "SS", sid, "MESG 0 b@tevrik.example MSG Nanum%20Gothic%099%09BU%09안녕%09하세요\r\n"));

    a.Send(Crp2("34", "SS", sid, "MESG 35 MSG 0%090%090%09\r\n"));  // an empty text
    EXPECT_EQ(a.Next(), Crp2("34", "SS", sid, "MESG 35\r\n"));
    EXPECT_EQ(b.Next(), Crp2("0", "SS", sid, "MESG 0 a@tevrik.example MSG 0%090%090%09\r\n"));

    a.Send(Crp2("36", "SS", sid, "MESG 37 TYPING 1\r\n"));
    EXPECT_EQ(a.Next(), Crp2("36", "SS", sid, "MESG 37\r\n"));
    EXPECT_EQ(b.Next(), Crp2("0", "SS", sid, "MESG 0 a@tevrik.example TYPING 1\r\n"));

    // A styled text without its four parts is refused, not relayed.
    a.Send(Crp2("38", "SS", sid, "MESG 39 MSG hello\r\n"));
    EXPECT_EQ(a.Next(), Crp2("38", "SS", sid, "201 39\r\n"));

    // B leaves: A hears of it, and B gets its answer.
    b.Send("CSES 40 KILL SS " + sid + " 0\r\n");
    EXPECT_EQ(b.Next(), "CSES 40 KILL 5\r\n%00 Y");
    EXPECT_EQ(a.Next(), Crp2("0", "SS", sid, "QUIT 0 b@tevrik.example %00\r\n"));

    // B is no member any more: its lines are refused.
    b.Send(Crp2("41", "SS", sid, "MESG 42 TYPING 0\r\n"));
    EXPECT_EQ(b.Next(), Crp2("41", "SS", sid, "270 42\r\n"));
}

TEST_F(ChatTest, ADroppedConnectionQuitsItsChats) {
    std::string sid = OpenChat();
    ASSERT_FALSE(sid.empty());
    InviteB(sid);
    a.Close();
    EXPECT_EQ(b.NextStartingWith("CRP2 0"), Crp2("0", "SS", sid, "QUIT 0 a@tevrik.example %00\r\n"));
    EXPECT_EQ(b.Next(), "NTFY 0 a@tevrik.example F 0 %00 1\r\n");
}

TEST_F(ChatTest, EnteringTwiceOrWithAWrongCookieAddsNobody) {
    std::string sid = OpenChat();
    ASSERT_FALSE(sid.empty());
    // Entering again: the answer only, never a USER or JOIN naming oneself.
    a.Send(Crp2("50", "SS", sid, "ENTR 51 a@tevrik.example 가 가나다 " + cookie + " UTF8 P 1.1 2\r\n"));
    EXPECT_EQ(a.Next(), Crp2("50", "SS", sid, "ENTR 51\r\n"));
    b.Send(Crp2("52", "SS", sid, "ENTR 53 b@tevrik.example Bee Bee%20Park 0000 UTF8 P 1.1 2\r\n"));
    EXPECT_EQ(b.Next(), Crp2("52", "SS", sid, "270 53\r\n"));
    b.Send("CSES 54 CONN SS %00 22\r\n127.0.0.1 1 nocookie\r\n");
    EXPECT_EQ(b.Next(), "270 54\r\n");
    // Nothing reached A from all that.
    a.Send("PONG 55\r\n");
    EXPECT_EQ(a.Next(), "PONG 55\r\n");
}

TEST_F(ChatTest, InvitingSomeoneOfflineOrUnknownFails) {
    std::string invt = "INVT a@tevrik.example 127.0.0.1 1 x";
    a.Send(Crp2("60", "DP", "%00", "CTOC 61 c@tevrik.example A " + std::to_string(invt.size()) + "\r\n" + invt));
    EXPECT_EQ(a.Next(), Crp2("60", "DP", "%00", "305 61\r\n"));
    a.Send(Crp2("62", "DP", "%00", "CTOC 63 who@tevrik.example A " + std::to_string(invt.size()) + "\r\n" + invt));
    EXPECT_EQ(a.Next(), Crp2("62", "DP", "%00", "304 63\r\n"));
}

}  // namespace
