// Memos: sending, the offline inbox, the memo box requests and memos pushed to online users.
#include <gtest/gtest.h>

#include <regex>

#include "tests/service/ScriptedClient.h"

using namespace service_test;
using tevrik_service::TestService;

namespace {

const std::string kBody = "안녕 100%";  // 11 bytes

std::string Imsg(const std::string& ref, const std::string& body, const std::string& extra = "") {
    return "IMSG\r\nfrom:a@tevrik.example\r\nref:" + ref + "\r\ntitle:%00\r\nconfirm:0\r\ndate:20240102030405\r\n"
           "event:NW\r\n" + extra + "font-name:%00\r\nfont-size:9\r\nfont-color:#000000\r\nfont-style:%00\r\n"
           "contenttype:text\r\nlength:" + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Cmsg(const std::string& trid, const std::string& recipients, const std::string& imsg) {
    std::string payload = recipients + "\r\n" + imsg;
    return "CMSG " + trid + " Y " + std::to_string(payload.size()) + "\r\n" + payload;
}

std::string Wget(const std::string& trid, const std::string& kind, const std::string& params) {
    return "WGET " + trid + " " + kind + " N 8192 " + std::to_string(params.size()) + "\r\n" + params;
}

class MemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartService(service);
        ASSERT_EQ(SignIn(service, a, "a@tevrik.example", "pa").rfind("LIN2 4 ", 0), 0u);
    }

    // Sends a WGET from the client and returns the payload of its (one-part) reply.
    std::string Ask(ScriptedClient& client, const std::string& kind, const std::string& params,
                    const std::string& code = "100") {
        client.Send(Crp2("70", "DP", "%00", Wget("71", kind, params)));
        auto reply = client.NextStartingWith("CRP2 70 ");
        if (!reply) return "(no reply)";
        std::string inner = PayloadOf(*reply);
        auto t = Tokens(inner);
        EXPECT_EQ(t.size(), 7u) << inner;
        if (t.size() != 7) return "(bad reply)";
        EXPECT_EQ(t[0] + " " + t[1] + " " + t[2] + " " + t[3] + " " + t[4] + " " + t[5], "WGET 71 " + kind + " 1 1 " + code);
        EXPECT_EQ(std::stoul(t[6]), PayloadOf(inner).size());
        return PayloadOf(inner);
    }

    TestService service;
    ScriptedClient a, b, c;
};

TEST_F(MemoTest, MemoToAnOfflineUserWaitsInTheInbox) {
    a.Send(Crp2("10", "DP", "%00",
                Cmsg("11", "c@tevrik.example ghost@tevrik.example",
                     Imsg("c@tevrik.example;ghost@tevrik.example", kBody))));
    // The ids that do not exist come back.
    EXPECT_EQ(a.Next(), Crp2("10", "DP", "%00", "CMSG 11 20\r\nghost@tevrik.example"));

    ASSERT_EQ(SignIn(service, c, "c@tevrik.example", "pc").rfind("LIN2 4 ", 0), 0u);
    EXPECT_EQ(Ask(c, "MEMOCNT2", ""), "1");
    std::string list = Ask(c, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(list, m, std::regex("1 1 1\r\n1 a@tevrik.example 안녕%20100%25 20240102030405 0 1 (M1[0-9a-f]{12})\r\n")))
        << list;
    std::string cookie = m[1];

    EXPECT_EQ(Ask(c, "MEMOGET2", "cookie=" + cookie + "&box_type=R"),
              Imsg("c@tevrik.example;ghost@tevrik.example", kBody, "cookie:" + cookie + "\r\n")
                  .replace(std::string("IMSG\r\nfrom:a@tevrik.example\r\nref:c@tevrik.example;ghost@tevrik.example\r\n").size(),
                           9, "title:안녕%20100%25"));
    EXPECT_EQ(Ask(c, "MEMOCNT2", ""), "0");
    EXPECT_EQ(Ask(c, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10"),
              "1 1 1\r\n1 a@tevrik.example 안녕%20100%25 20240102030405 1 1 " + cookie + "\r\n");

    // The sender's sent box holds it too, under the first recipient.
    EXPECT_EQ(Ask(a, "MEMOLST2", "msgtype=1&boxtype=3&requestpage=1&count=10"),
              "1 1 1\r\n1 c@tevrik.example 안녕%20100%25 20240102030405 1 1 " + cookie + "\r\n");

    EXPECT_EQ(Ask(c, "MEMODEL1", "cookie=" + cookie + "&box_type=R"), "");
    EXPECT_EQ(Ask(c, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10"), "1 1 1\r\n");
    EXPECT_EQ(Ask(c, "MEMODEL1", "cookie=" + cookie + "&box_type=R", "202"), "");
    EXPECT_EQ(Ask(c, "MEMOGET2", "cookie=" + cookie + "&box_type=R", "202"), "");
    // Deleting from the inbox leaves the sender's copy alone.
    EXPECT_NE(Ask(a, "MEMOLST2", "msgtype=1&boxtype=3&requestpage=1&count=10"), "1 1 1\r\n");
}

TEST_F(MemoTest, MemoToAnOnlineUserIsPushed) {
    ASSERT_EQ(SignIn(service, b, "b@tevrik.example", "pb").rfind("LIN2 4 ", 0), 0u);
    a.Send(Crp2("10", "DP", "%00", Cmsg("11", "b@tevrik.example", Imsg("b@tevrik.example", "hi"))));
    EXPECT_EQ(a.NextStartingWith("CRP2 10 "), Crp2("10", "DP", "%00", "CMSG 11 0\r\n"));
    auto pushed = b.NextStartingWith("CMSG ");
    ASSERT_TRUE(pushed);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(*pushed, m, std::regex("cookie:(M1[0-9a-f]{12})\r\n")));
    std::string block = "IMSG\r\nfrom:a@tevrik.example\r\nref:b@tevrik.example\r\ntitle:hi\r\nconfirm:0\r\n"
                        "date:20240102030405\r\nevent:NW\r\ncookie:" + std::string(m[1]) + "\r\nfont-name:%00\r\n"
                        "font-size:9\r\nfont-color:#000000\r\nfont-style:%00\r\ncontenttype:text\r\nlength:2\r\n\r\nhi";
    EXPECT_EQ(*pushed, "CMSG 0 a@tevrik.example " + std::to_string(block.size()) + "\r\n" + block);
    EXPECT_EQ(Ask(b, "MEMOCNT2", ""), "1");
}

TEST_F(MemoTest, TitleIsTakenFromTheDecodedText) {
    // A client writes each "%" of the text as "%25": its reading undoes escapes over the whole body.
    a.Send(Crp2("10", "DP", "%00", Cmsg("11", "c@tevrik.example", Imsg("c@tevrik.example", "100%25 sure"))));
    ASSERT_EQ(a.Next(), Crp2("10", "DP", "%00", "CMSG 11 0\r\n"));
    ASSERT_EQ(SignIn(service, c, "c@tevrik.example", "pc").rfind("LIN2 4 ", 0), 0u);
    const std::string list = Ask(c, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10");
    EXPECT_TRUE(std::regex_match(list, std::regex("1 1 1\r\n1 a@tevrik.example 100%25%20sure 20240102030405 0 1 M1[0-9a-f]{12}\r\n")))
        << list;
}

TEST_F(MemoTest, ListsComeInPagesOfTheAskedSize) {
    for (int i = 0; i < 12; ++i) {
        std::string body = "memo " + std::to_string(i);
        a.Send(Crp2("10", "DP", "%00", Cmsg("11", "c@tevrik.example", Imsg("c@tevrik.example", body))));
        ASSERT_EQ(a.Next(), Crp2("10", "DP", "%00", "CMSG 11 0\r\n"));
    }
    ASSERT_EQ(SignIn(service, c, "c@tevrik.example", "pc").rfind("LIN2 4 ", 0), 0u);
    std::string first = Ask(c, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10");
    EXPECT_EQ(first.rfind("1 1 2\r\n12 a@tevrik.example memo%2011 ", 0), 0u) << first;  // newest first
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 11);
    std::string second = Ask(c, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=2&count=10");
    EXPECT_EQ(second.rfind("2 1 2\r\n2 a@tevrik.example memo%201 ", 0), 0u) << second;
    EXPECT_EQ(std::count(second.begin(), second.end(), '\n'), 3);
    EXPECT_EQ(Ask(c, "MEMOCNT2", ""), "12");
    EXPECT_EQ(Ask(c, "MEMOLST2", "msgtype=1&boxtype=9&requestpage=1&count=10", "201"), "");
    EXPECT_EQ(Ask(c, "MEMOXXX9", "", "201"), "");

    // Split into parts of a set size, the parts join back into the same list.
    service.SetMemoPartSize(50);
    c.Send(Crp2("72", "DP", "%00", Wget("73", "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10")));
    size_t parts = (first.size() + 49) / 50;
    std::string joined;
    for (size_t i = 1; i <= parts; ++i) {
        auto reply = c.Next();
        ASSERT_TRUE(reply);
        std::string chunk = first.substr((i - 1) * 50, 50);
        EXPECT_EQ(*reply, Crp2("72", "DP", "%00", "WGET 73 MEMOLST2 " + std::to_string(parts) + " " + std::to_string(i) +
                                                      " 100 " + std::to_string(chunk.size()) + "\r\n" + chunk));
        joined += chunk;
    }
    EXPECT_EQ(joined, first);
}

TEST_F(MemoTest, SpamReportsResultCodesAndBadMemos) {
    a.Send(Crp2("10", "DP", "%00", Cmsg("11", "a@tevrik.example", Imsg("a@tevrik.example", "self"))));
    a.NextStartingWith("CRP2 10 ");
    std::string list = Ask(a, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(list, m, std::regex(" (M1[0-9a-f]{12})\r\n")));
    EXPECT_EQ(Ask(a, "MEMOSPM1", "cookie=" + std::string(m[1])), "");
    EXPECT_EQ(Ask(a, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10"), "1 1 1\r\n");
    EXPECT_EQ(Ask(a, "MEMOSPM1", "cookie=" + std::string(m[1]), "202"), "");

    service.SetMemoResultCode("MEMOLST2", 490);
    EXPECT_EQ(Ask(a, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10", "490"), "");
    EXPECT_EQ(Ask(a, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10"), "1 1 1\r\n");

    // A memo without its IMSG block is refused.
    a.Send(Crp2("12", "DP", "%00", "CMSG 13 Y 25\r\nb@tevrik.example\r\nHELLO\r\n"));
    EXPECT_EQ(a.Next(), Crp2("12", "DP", "%00", "202 13\r\n"));
}

}  // namespace
