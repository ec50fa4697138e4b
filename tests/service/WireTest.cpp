// The service's own wire reading and writing, and its seed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tools/service/Directory.h"
#include "tools/service/TestService.h"
#include "tools/service/Wire.h"

using namespace tevrik_service;

namespace {

TEST(ServiceWire, EscapesExactlyFiveCharactersAndReadsAnyEscape) {
    EXPECT_EQ(EscapeToken("a b%"), "a%20b%25");
    EXPECT_EQ(EscapeToken("\t\r\n"), "%09%0d%0a");
    EXPECT_EQ(EscapeToken(""), "%00");
    EXPECT_EQ(EscapeToken("가=&+"), "가=&+");
    EXPECT_EQ(UnescapeToken("a%20b%25"), "a b%");
    EXPECT_EQ(UnescapeToken("%41%4a%4A"), "AJJ");
    EXPECT_EQ(UnescapeToken("%00"), "");
    // A "%" without two hex digits stays as it is.
    EXPECT_EQ(UnescapeToken("100%"), "100%");
    EXPECT_EQ(UnescapeToken("%zz%4"), "%zz%4");
}

TEST(ServiceWire, SplitsAtEverySeparator) {
    EXPECT_EQ(SplitTokens("A  B\r"), (std::vector<std::string>{"A", "", "B"}));
    EXPECT_EQ(SplitTokens("A\tB"), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(SplitTokens("").empty());
}

TEST(ServiceWire, CutsLinesAndCountedPayloads) {
    size_t length = 0;
    EXPECT_EQ(CutFrame("PING 7\r\n", length), Cut::Frame);
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(CutFrame("PING 7", length), Cut::NeedMore);
    EXPECT_EQ(CutFrame("CSES 1 KILL SS 5 0\r\nPING", length), Cut::Frame);
    EXPECT_EQ(length, 20u);
    EXPECT_EQ(CutFrame("CRP2 1 DP %00 10\r\nPING", length), Cut::NeedMore);
    EXPECT_EQ(CutFrame("CRP2 1 DP %00 4\r\nPING 2\r\n", length), Cut::Frame);
    EXPECT_EQ(length, 21u);
    EXPECT_EQ(CutFrame("301 12\r\n", length), Cut::Frame);
    EXPECT_EQ(CutFrame("LOPT 3 TXT 2\r\nab", length), Cut::Frame);
    EXPECT_EQ(length, 16u);
}

TEST(ServiceWire, RefusesWhatNoClientSends) {
    size_t length = 0;
    std::string why;
    EXPECT_EQ(CutFrame("CRP2 1 DP %00 1099511627776\r\n", length, &why), Cut::Bad);
    EXPECT_EQ(CutFrame("CRP2 1 DP %00 99999999999999999999\r\n", length), Cut::Bad);
    EXPECT_EQ(CutFrame("CRP2 1 DP %00 -4\r\n", length), Cut::Bad);
    EXPECT_EQ(CutFrame("CRP2\r\n", length), Cut::Bad);
    EXPECT_EQ(CutFrame("hello world\r\n", length), Cut::Bad);
    EXPECT_EQ(CutFrame("\r\n", length), Cut::Bad);
    EXPECT_EQ(CutFrame(std::string(kMaxLineBytes + 1, 'A'), length), Cut::Bad);
    EXPECT_EQ(CutFrame("PING " + std::string(kMaxLineBytes, '1') + "\r\n", length), Cut::Bad);
    EXPECT_EQ(CutFrame(std::string(kMaxLineBytes, 'A'), length), Cut::NeedMore);
}

TEST(ServiceWire, ParsesOneWholeFrameOnly) {
    WireFrame f;
    ASSERT_TRUE(ParseFrame("CTOC 3 b@x A 12\r\nINVT a h 1 c", f));
    EXPECT_EQ(f.Command(), "CTOC");
    EXPECT_EQ(f.TrId(), "3");
    EXPECT_EQ(f.Arg(2), "b@x");
    EXPECT_EQ(f.Arg(9), "");
    EXPECT_EQ(f.payload, "INVT a h 1 c");
    EXPECT_FALSE(ParseFrame("PING 1\r\nPING 2\r\n", f));
    EXPECT_FALSE(ParseFrame("CTOC 3 b A 12\r\nINVT", f));
}

TEST(ServiceWire, WritesOneSpaceCrLfAndTheExactCount) {
    EXPECT_EQ(Out("NNIK").Raw("0").Text("a@b").Text("새 별명").Line(), "NNIK 0 a@b 새%20별명\r\n");
    EXPECT_EQ(Out("CMSG").Raw("5").WithPayload(""), "CMSG 5 0\r\n");
    EXPECT_EQ(Out("LSTA").Raw("5").Num(1).Num(1).WithPayload("가"), "LSTA 5 1 1 3\r\n가");
    EXPECT_EQ(Envelope("9", "SS", "", "MESG 3\r\n"), "CRP2 9 SS %00 8\r\nMESG 3\r\n");
}

const char kSeedWithRequestAndMemo[] = R"({
  "users": [
    {"id": "x@tevrik.example", "password": "p", "groups": [{"id": "0", "name": "g"}],
     "buddies": [{"id": "y@tevrik.example"}]},
    {"id": "y@tevrik.example", "password": "p", "groups": [{"id": "0", "name": "g"}]}
  ],
  "requests": [{"from": "y@tevrik.example", "to": "x@tevrik.example", "message": "hi"}],
  "memos": [{"from": "x@tevrik.example", "to": ["y@tevrik.example"], "text": "old"},
            {"from": "y@tevrik.example", "to": ["x@tevrik.example"], "text": "new", "read": true}]
})";

TEST(ServiceSeed, BuddiesGetTheReverseBitAndRequestsStayPending) {
    Directory dir;
    std::string error;
    ASSERT_TRUE(dir.Load(kSeedWithRequestAndMemo, error)) << error;
    User& x = *dir.Find("X@tevrik.example");
    User& y = *dir.Find("y@tevrik.example");
    // x keeps y, and y asked x: both directions carry every bit.
    EXPECT_EQ(dir.EntryFor(x, y.id)->flags, kForward | kAllow | kReverse);
    EXPECT_EQ(dir.EntryFor(y, x.id)->flags, kForward | kAllow | kReverse);
    EXPECT_EQ(dir.EntryFor(x, y.id)->message, "hi");
    EXPECT_EQ(x.name, x.id);  // a missing name falls back to the id
    ASSERT_EQ(x.inbox.size(), 1u);
    EXPECT_TRUE(x.inbox[0].read);
    ASSERT_EQ(x.sent.size(), 1u);
    EXPECT_EQ(dir.FindMemo(x.sent[0].memo)->body, "old");
    EXPECT_EQ(dir.FindMemo(x.sent[0].memo)->refs, "y@tevrik.example");
    EXPECT_FALSE(y.inbox[0].read);
}

TEST(ServiceSeed, BadSeedsAreRefusedWithAReason) {
    const char* bad[] = {
        "not json",
        "[]",
        R"({"users": [{"id": ""}]})",
        R"({"users": [{"id": "a b"}]})",
        R"({"users": [{"id": "a"}, {"id": "A"}]})",
        R"({"users": [{"id": "a", "password": 5}]})",
        R"({"users": [{"id": "a", "buddies": [{"id": "ghost"}]}]})",
        R"({"users": [{"id": "a", "groups": [{"id": "0"}]}, {"id": "b", "buddies": [{"id": "a", "group": "7"}]}]})",
        R"({"users": [{"id": "a"}], "memos": [{"from": "a", "to": ["ghost"]}]})",
        R"({"users": "none"})",
    };
    for (const char* seed : bad) {
        Directory dir;
        std::string error;
        EXPECT_FALSE(dir.Load(seed, error)) << seed;
        EXPECT_FALSE(error.empty()) << seed;
    }
}

TEST(ServiceSeed, TheShippedDemoSeedLoads) {
    const char* root = std::getenv("TEVRIK_SOURCE_DIR");
    std::string text;
    ASSERT_TRUE(root && ReadWholeFile(std::string(root) + "/tools/service/demo-seed.json", text));
    Directory dir;
    std::string error;
    ASSERT_TRUE(dir.Load(text, error)) << error;
    EXPECT_GE(dir.UserIds().size(), 5u);
    int pending = 0;
    for (const auto& id : dir.UserIds()) {
        User& u = *dir.Find(id);
        EXPECT_GE(u.groups.size(), 2u) << id;
        EXPECT_TRUE(Directory::FindGroup(u, "0")) << id;
        for (const auto& e : u.roster) pending += e.flags == kReverse;
    }
    EXPECT_EQ(pending, 1);
    User& minsu = *dir.Find("minsu@tevrik.example");
    EXPECT_GE(minsu.inbox.size(), 2u);
    EXPECT_GE(minsu.sent.size(), 1u);
}

}  // namespace
