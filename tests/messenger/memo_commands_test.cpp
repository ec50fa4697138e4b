// Memos on the wire: the bytes of IMSG and CMSG, the memo carried in an incoming CMSG, the list of
// recipients a memo did not reach, and the senders the memo screens call.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeStrings.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/MemoCommands.h"
#include "messenger/protocol/MemoRequests.h"
#include "messenger/protocol/WgetCommands.h"
#include "tests/messenger/wire_bytes.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"

namespace {

std::string Utf8(const std::wstring& text) { return QeStrings::WideToUtf8(text); }

ImsgRequest SampleMemo() {
    ImsgRequest memo(0);
    memo.From = L"alice@tevrik.example";
    memo.Refs = {L"bob@tevrik.example", L"carol@tevrik.example"};
    memo.Confirm = false;
    memo.Date = QeDateTime{2024, 1, 2, 3, 4, 5, 0};
    memo.Event = 0;
    memo.FontSize = 9;
    memo.FontColor = 0;
    memo.FontStyle = 0;
    memo.ContentType = 0;
    memo.Body = L"hello";
    return memo;
}

std::string SerializedWithoutId(RequestMessage& request) {
    request.NoTrId = true;
    request.Serialize();
    return Bytes(request.Buffer);
}

// The header lines of SampleMemo, with the cookie line and the length given.
std::string SampleHeader(const std::string& eventLine, const std::string& cookieLine, size_t length) {
    return "IMSG\r\n"
           "from:alice@tevrik.example\r\n"
           "ref:bob@tevrik.example;carol@tevrik.example\r\n"
           "title:%00\r\n"
           "confirm:0\r\n"
           "date:20240102030405\r\n" +
           eventLine + cookieLine +
           "font-name:%00\r\n"
           "font-size:9\r\n"
           "font-color:#000000\r\n"
           "font-style:%00\r\n"
           "contenttype:text\r\n"
           "length:" +
           std::to_string(length) + "\r\n\r\n";
}

// ---- writing

TEST(ImsgRequestTest, NewMemoHasNoCookieLineAndReplyHasOne) {
    ImsgRequest fresh = SampleMemo();
    fresh.Cookie = L"ignored for a new memo";
    EXPECT_EQ(SerializedWithoutId(fresh), SampleHeader("event:NW\r\n", "", 5) + "hello");

    ImsgRequest reply = SampleMemo();
    reply.Event = 2;
    reply.Cookie = L"M17 ab";
    EXPECT_EQ(SerializedWithoutId(reply), SampleHeader("event:RE\r\n", "cookie:M17%20ab\r\n", 5) + "hello");

    ImsgRequest forward = SampleMemo();
    forward.Event = 1;
    EXPECT_EQ(SerializedWithoutId(forward), SampleHeader("event:FW\r\n", "cookie:%00\r\n", 5) + "hello");
}

TEST(ImsgRequestTest, BodyIsCountedInUtf8Bytes) {
    ImsgRequest korean = SampleMemo();
    korean.Body = L"안녕";
    EXPECT_EQ(SerializedWithoutId(korean), SampleHeader("event:NW\r\n", "", 6) + Utf8(L"안녕"));

    ImsgRequest empty = SampleMemo();
    empty.Body.clear();
    const std::string bytes = SerializedWithoutId(empty);
    EXPECT_EQ(bytes, SampleHeader("event:NW\r\n", "", 0));
    EXPECT_EQ(bytes.substr(bytes.size() - 12), "length:0\r\n\r\n");

    // Line breaks and blanks of the body go out as they stand.
    ImsgRequest lines = SampleMemo();
    lines.Body = L"a b\r\nc\td";
    EXPECT_EQ(SerializedWithoutId(lines), SampleHeader("event:NW\r\n", "", 8) + "a b\r\nc\td");
}

TEST(ImsgRequestTest, PercentInTheBodyIsEscapedAndCounted) {
    ImsgRequest memo = SampleMemo();
    memo.Body = L"100% %41";
    EXPECT_EQ(SerializedWithoutId(memo), SampleHeader("event:NW\r\n", "", 12) + "100%25 %2541");
}

TEST(ImsgRequestTest, HeaderValuesAreEscapedTokensAndEveryFieldHasItsForm) {
    ImsgRequest memo(0);
    memo.From = L"a b";
    memo.Title = L"제목 하나";
    memo.Confirm = true;
    memo.Date = QeDateTime{2023, 12, 31, 23, 59, 58, 0};
    memo.Event = 3;
    memo.Cookie = L"c%";
    memo.FontName = L"Gulim";
    memo.FontSize = -12;
    memo.FontColor = 0x0A0B0C;  // blue 0a, green 0b, red 0c
    memo.FontStyle = 1 | 4 | 8;
    memo.ContentType = 2;
    memo.Body = L"x";
    const std::string expected = "IMSG\r\n"
                                 "from:a%20b\r\n"
                                 "ref:%00\r\n"
                                 "title:" + Utf8(L"제목") + "%20" + Utf8(L"하나") + "\r\n"
                                 "confirm:1\r\n"
                                 "date:20231231235958\r\n"
                                 "event:AL\r\n"
                                 "cookie:c%25\r\n"
                                 "font-name:Gulim\r\n"
                                 "font-size:-12\r\n"
                                 "font-color:#0c0b0a\r\n"
                                 "font-style:BUS\r\n"
                                 "contenttype:rtf\r\n"
                                 "length:1\r\n\r\nx";
    EXPECT_EQ(SerializedWithoutId(memo), expected);

    ImsgRequest unset(0);  // the constructor's kinds are outside the tables
    const std::string bytes = SerializedWithoutId(unset);
    EXPECT_NE(bytes.find("event:Unknown\r\ncookie:%00\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("contenttype:Unknown\r\n"), std::string::npos);
}

TEST(CmsgRequestTest, CarriesTheMemoWithoutItsIdAfterTheRecipientsLine) {
    ImsgRequest memo = SampleMemo();
    memo.TrId = 41;
    CmsgRequest carrier(7);
    carrier.Confirm = true;
    carrier.Recipients = {L"bob@tevrik.example", L"carol@tevrik.example"};
    ASSERT_TRUE(carrier.SetInner(memo));
    EXPECT_TRUE(memo.NoTrId);
    carrier.Serialize();

    const std::string imsg = SampleHeader("event:NW\r\n", "", 5) + "hello";
    const std::string recipients = "bob@tevrik.example carol@tevrik.example\r\n";
    EXPECT_EQ(Bytes(carrier.Buffer),
              "CMSG 7 Y " + std::to_string(recipients.size() + imsg.size()) + "\r\n" + recipients + imsg);

    CmsgRequest unconfirmed(8);
    unconfirmed.Recipients = {L"x y"};
    ImsgRequest other = SampleMemo();
    ASSERT_TRUE(unconfirmed.SetInner(other));
    unconfirmed.Serialize();
    const std::string bytes = Bytes(unconfirmed.Buffer);
    EXPECT_EQ(bytes.substr(0, 9), "CMSG 8 N ");
    EXPECT_NE(bytes.find("\r\nx%20y\r\nIMSG\r\n"), std::string::npos);
}

// ---- receiving

class MemoHarnessTest : public ::testing::Test {
protected:
    void SetUp() override {
        MemoParts().Bytes.clear();
        account.Id = L"alice@tevrik.example";
        harness.Connect(1);
    }

    // A memo for the user as the service pushes it: "CMSG 0 <sender> <count>" and the IMSG block.
    static std::string IncomingMemo(const std::string& sender, const std::string& imsg) {
        return "CMSG 0 " + sender + " " + std::to_string(imsg.size()) + "\r\n" + imsg;
    }
    // The reply to the user's own CMSG, inside the CRP2 it came back in.
    static std::string InCrp2(int32_t outerId, const std::string& inner) {
        return "CRP2 " + std::to_string(outerId) + " DP %00 " + std::to_string(inner.size()) + "\r\n" + inner;
    }

    AccountInfo account;
    MemoStore store;
    RecordingScreens screens;
    SessionHarness harness;
};

const std::string kServiceImsg =
    "IMSG\r\n"
    "from:bob@tevrik.example\r\n"
    "ref:alice@tevrik.example;carol@tevrik.example\r\n"
    "title:" + QeStrings::WideToUtf8(L"점심%20같이") + "\r\n"
    "confirm:0\r\n"
    "date:20240307090502\r\n"
    "event:NW\r\n"
    "cookie:M5abc\r\n"
    "font-name:%00\r\n"
    "font-size:9\r\n"
    "font-color:#000000\r\n"
    "font-style:%00\r\n"
    "contenttype:text\r\n"
    "length:9\r\n"
    "\r\n"
    "lunch%3f\r\nok";

TEST_F(MemoHarnessTest, IncomingMemoBecomesTheFrontRecordAndIsAnnounced) {
    store.AddBack()->Cookie = L"page-row";
    harness.Receive(IncomingMemo("bob@tevrik.example", kServiceImsg));

    ASSERT_EQ(store.Count(), 2u);
    const MemoRecord* memo = store.RecordAt(0);
    EXPECT_EQ(memo->Sender, L"bob@tevrik.example");
    EXPECT_EQ(memo->Summary, L"점심 같이");
    EXPECT_EQ(memo->Cookie, L"M5abc");
    EXPECT_EQ(memo->Date, (QeDateTime{2024, 3, 7, 9, 5, 2, 0}));
    EXPECT_EQ(memo->Read, 0);
    EXPECT_TRUE(memo->Field1.empty());
    EXPECT_EQ(store.RecordAt(1)->Cookie, L"page-row");
    EXPECT_EQ(store.HasNewMemo, 1);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"MemoListInsertNewMemos(1)", L"UpdateNotifyIndicators()",
                                                          L"PlayNotification(3)"}))
        << screens.Dump();
}

TEST_F(MemoHarnessTest, IncomingMemoWhileTheSentBoxIsShownIsOnlyAnnounced) {
    store.CurrentBox = kMemoSentBox;
    store.CurrentPage = 2;
    harness.Receive(IncomingMemo("bob@tevrik.example", kServiceImsg));
    ASSERT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.HasNewMemo, 1);
}

TEST_F(MemoHarnessTest, IncomingCountPastTheFrameIsClampedAndAnEmptyPayloadCarriesNothing) {
    // Dispatched directly: the count says more than the frame holds.
    harness.Inject("CMSG 0 bob@tevrik.example 99999\r\n" + kServiceImsg);
    ASSERT_EQ(store.Count(), 1u);
    EXPECT_EQ(store.RecordAt(0)->Cookie, L"M5abc");

    screens.Clear();
    harness.Inject("CMSG 0 bob@tevrik.example 0\r\n");
    harness.Inject("CMSG 0 bob@tevrik.example -5\r\nIMSG\r\n");
    harness.Inject("CMSG 0\r\n");
    EXPECT_EQ(store.Count(), 1u);
    EXPECT_TRUE(screens.Lines().empty()) << screens.Dump();
}

TEST_F(MemoHarnessTest, FailedRecipientsAreListedOneALine) {
    ASSERT_EQ(SendMemo({L"bob@tevrik.example", L"nobody@x", L"ghost@y"}, 0, L"", L"hi"), 1);
    ASSERT_EQ(harness.Sent().size(), 1u);
    const int32_t cmsgId = harness.Ids().LastId - 1;  // the memo, the CMSG, then the envelope drew ids
    ASSERT_NE(harness.Pending().PendingAs<CmsgRequest>(cmsgId, L"CMSG"), nullptr);

    // The service writes the ids after the count, with blanks around them.
    const std::string failed = " nobody@x  ghost@y \r\n";
    harness.Receive(InCrp2(harness.Ids().LastId,
                           "CMSG " + std::to_string(cmsgId) + " " + std::to_string(failed.size()) + "\r\n" + failed));
    ASSERT_EQ(screens.Count("Alert"), 1u) << screens.Dump();
    EXPECT_EQ(screens.Last("Alert")->Text, L"다음의 사용자들이 쪽지를 받지 못 했습니다.\n\nnobody@x\nghost@y");
    EXPECT_EQ(harness.Pending().Find(cmsgId), nullptr);
}

TEST_F(MemoHarnessTest, EveryFailedRecipientIsListedHoweverLongTheList) {
    ASSERT_EQ(SendMemo({L"bob@tevrik.example"}, 0, L"", L"hi"), 1);
    const int32_t cmsgId = harness.Ids().LastId - 1;
    std::string failed;
    std::wstring listed;
    for (int i = 0; i < 120; ++i) {
        const std::string id = "nobody" + std::to_string(i) + "@nowhere.example";
        failed += id + " ";
        listed += (i == 0 ? L"" : L"\n") + std::wstring(id.begin(), id.end());
    }
    failed += "\r\n";
    harness.Receive(InCrp2(harness.Ids().LastId,
                           "CMSG " + std::to_string(cmsgId) + " " + std::to_string(failed.size()) + "\r\n" + failed));
    ASSERT_EQ(screens.Count("Alert"), 1u) << screens.Dump();
    EXPECT_EQ(screens.Last("Alert")->Text, L"다음의 사용자들이 쪽지를 받지 못 했습니다.\n\n" + listed);
}

TEST_F(MemoHarnessTest, ReplyWithNoFailedRecipientShowsNothing) {
    ASSERT_EQ(SendMemo({L"bob@tevrik.example"}, 0, L"", L"hi"), 1);
    const int32_t cmsgId = harness.Ids().LastId - 1;
    harness.Receive(InCrp2(harness.Ids().LastId, "CMSG " + std::to_string(cmsgId) + " 0\r\n"));
    harness.Receive(InCrp2(harness.Ids().LastId, "CMSG " + std::to_string(cmsgId) + " 2\r\n\r\n"));
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
    EXPECT_EQ(store.Count(), 0u);
}

TEST_F(MemoHarnessTest, ReplyErrorCodeIsShownAsAFailure) {
    ASSERT_EQ(SendMemo({L"bob@tevrik.example"}, 0, L"", L"hi"), 1);
    const int32_t cmsgId = harness.Ids().LastId - 1;
    harness.Receive(InCrp2(harness.Ids().LastId, "304 " + std::to_string(cmsgId) + "\r\n"));
    ASSERT_EQ(screens.Count("Alert"), 1u);
    EXPECT_EQ(screens.Last("Alert")->Text, L"FailureCodeInvalidTargetId");
}

TEST_F(MemoHarnessTest, AnIdPendingForAnotherCommandIsNoCmsgReply) {
    ASSERT_EQ(RequestMemoCount(), 1);
    const int32_t wgetId = harness.Ids().LastId - 1;
    // A CMSG under the WGET's id: not read as the reply to a memo of the user's, so no box.
    harness.Inject("CMSG " + std::to_string(wgetId) + " 12\r\nnobody@x\r\n");
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
    EXPECT_EQ(store.Count(), 0u);
}

TEST_F(MemoHarnessTest, MemoIsReadBackAsItWasWritten) {
    // What the user types, through the writer, as the service hands the block to the recipient.
    ImsgRequest written = SampleMemo();
    written.Event = 2;
    written.Cookie = L"M9";
    written.Title = L"re: 100%";
    written.Body = L"%41 is not A\r\n50% off, 안녕";
    const std::string block = SerializedWithoutId(written);

    struct Captured : RecordingScreens {
        void MemoReadFill(const ImsgReceived& memo) override {
            from = memo.From;
            refs = memo.Refs;
            title = memo.Title;
            body = memo.Body;
            cookie = memo.Cookie;
            event = memo.Event;
            length = memo.Length;
            date = memo.Date;
            RecordingScreens::MemoReadFill(memo);
        }
        std::wstring from, title, body, cookie;
        std::vector<std::wstring> refs;
        int event = -1;
        int32_t length = -1;
        QeDateTime date;
    };
    Captured captured;
    MemoRecord* shown = store.AddBack();
    captured.MemoReadPageCurrent = true;
    captured.ReadRecord = shown;

    // The memo box hands a fetched memo back in a MEMOGET2 reply.
    shown->Cookie = L"F1";
    ASSERT_EQ(RequestMemoFetch(L"F1"), 1);
    harness.Inject("WGET " + std::to_string(harness.Ids().LastId - 1) + " MEMOGET2 1 1 100 " +
                   std::to_string(block.size()) + "\r\n" + block);
    ASSERT_EQ(captured.Count("MemoReadFill"), 1u) << captured.Dump();
    EXPECT_EQ(captured.from, L"alice@tevrik.example");
    EXPECT_EQ(captured.refs, (std::vector<std::wstring>{L"bob@tevrik.example", L"carol@tevrik.example"}));
    EXPECT_EQ(captured.title, L"re: 100%");
    EXPECT_EQ(captured.body, L"%41 is not A\r\n50% off, 안녕");
    EXPECT_EQ(captured.cookie, L"M9");
    EXPECT_EQ(captured.event, 2);
    EXPECT_EQ(captured.length, static_cast<int32_t>(Utf8(L"%2541 is not A\r\n50%25 off, 안녕").size()));
    EXPECT_EQ(captured.date, (QeDateTime{2024, 1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(shown->Read, 1);
    EXPECT_EQ(store.Count(), 1u);  // a fetched memo is no new memo
    EXPECT_EQ(captured.Count("PlayNotification"), 0u);
    EXPECT_FALSE(MemoFetchInProgress());
}

TEST(ImsgReceivedTest, ReadsEveryKnownKeyAndSkipsTheRest) {
    const std::string frame = "IMSG 0\r\n"
                              "from:bob\r\n"
                              "no colon here\r\n"
                              "x-unknown:1\r\n"
                              "FROM:shouted\r\n"
                              "ref:a;;b;\r\n"
                              "title:t%3a1\r\n"
                              "confirm:1\r\n"
                              "date:20240102030405\r\n"
                              "cookie:ck\r\n"
                              "session_id:s1\r\n"
                              "uuid:u-1\r\n"
                              "event:FW\r\n"
                              "related:Y\r\n"
                              "font-name:Gulim%20Che\r\n"
                              "font-size:12\r\n"
                              "font-color:#0a0B0c\r\n"
                              "font-style:UB\r\n"
                              "contenttype:html\r\n"
                              "length:4\r\n"
                              "\r\n"
                              "body";
    TokenReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    ProtocolMessage header;
    header.ReadHeader(reader);
    ImsgReceived memo(0);
    ASSERT_TRUE(memo.ReadBody(reader));
    EXPECT_EQ(memo.From, L"bob");
    EXPECT_EQ(memo.Refs, (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(memo.Title, L"t:1");
    EXPECT_TRUE(memo.Confirm);
    EXPECT_EQ(memo.Date, (QeDateTime{2024, 1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(memo.Cookie, L"ck");
    EXPECT_EQ(memo.SessionId, L"s1");
    EXPECT_EQ(memo.Uuid, L"u-1");
    EXPECT_EQ(memo.Event, 1);
    EXPECT_TRUE(memo.Related);
    EXPECT_EQ(memo.FontName, L"Gulim Che");
    EXPECT_EQ(memo.FontSize, 12);
    EXPECT_EQ(memo.FontColor, 0x0C0B0Au);
    EXPECT_EQ(memo.FontStyle, 1u | 4u);
    EXPECT_EQ(memo.ContentType, 1);
    EXPECT_EQ(memo.Length, 4);
    EXPECT_EQ(memo.Body, L"body");
}

TEST(ImsgReceivedTest, MissingPiecesLeaveTheDefaults) {
    auto read = [](const std::string& body) {
        auto memo = std::make_unique<ImsgReceived>(0);
        TokenReader reader(body.data(), static_cast<uint32_t>(body.size()));
        memo->ReadBody(reader);
        return memo;
    };
    // No empty line: everything is header, the body is empty.
    auto headerOnly = read("from:a\r\nevent:XX\r\ncontenttype:pdf\r\nfont-color:red");
    EXPECT_EQ(headerOnly->From, L"a");
    EXPECT_EQ(headerOnly->Event, 4);
    EXPECT_EQ(headerOnly->ContentType, 4);
    EXPECT_EQ(headerOnly->FontColor, 0u);
    EXPECT_TRUE(headerOnly->Body.empty());

    // No length line: Length stays 0 and the body is still the rest of the frame.
    auto noLength = read("from:a\r\n\r\nrest\r\nof it");
    EXPECT_EQ(noLength->Length, 0);
    EXPECT_EQ(noLength->Body, L"rest\r\nof it");

    // A value that decodes to nothing does not end the header; a line of CR bytes does.
    auto emptyValue = read("title:%00\r\n%00\r\ncookie:c\r\n\r\r\ncookie:body");
    EXPECT_EQ(emptyValue->Cookie, L"c");
    EXPECT_EQ(emptyValue->Body, L"cookie:body");

    auto partColor = read("font-color:#1f\r\n\r\n");
    EXPECT_EQ(partColor->FontColor, 0x1Fu);

    auto nothing = read("");
    EXPECT_TRUE(nothing->From.empty() && nothing->Body.empty());
}

TEST_F(MemoHarnessTest, FetchedMemoForAPageNoLongerShownChangesNothing) {
    MemoRecord* shown = store.AddBack();
    screens.ReadRecord = shown;
    screens.MemoReadPageCurrent = false;
    const std::string block = "IMSG\r\nfrom:bob\r\n\r\nx";
    harness.Inject("WGET 0 MEMOGET2 1 1 100 " + std::to_string(block.size()) + "\r\n" + block);
    EXPECT_EQ(shown->Read, 0);
    EXPECT_TRUE(screens.Lines().empty()) << screens.Dump();
    EXPECT_EQ(store.Count(), 1u);

    // The page still points at a record the store has freed, or answers another memo's fetch:
    // nothing is filled and nothing is marked.
    MemoRecord stale;
    stale.Cookie = L"F1";
    shown->Cookie = L"F2";
    screens.MemoReadPageCurrent = true;
    for (MemoRecord* record : {&stale, shown}) {
        screens.ReadRecord = record;
        ASSERT_EQ(RequestMemoFetch(L"F1"), 1);
        harness.Inject("WGET " + std::to_string(harness.Ids().LastId - 1) + " MEMOGET2 1 1 100 " +
                       std::to_string(block.size()) + "\r\n" + block);
    }
    EXPECT_EQ(stale.Read + shown->Read, 0);
    EXPECT_EQ(screens.Count("MemoReadFill"), 0u);
}

// ---- senders

TEST_F(MemoHarnessTest, SendMemoWrapsTheCmsgInADispatchEnvelope) {
    ASSERT_EQ(SendMemo({L"bob@tevrik.example"}, 2, L"M3", L"답장"), 1);
    ASSERT_EQ(harness.Sent().size(), 1u);
    const std::string frame = harness.Sent()[0];
    const int32_t last = harness.Ids().LastId;
    const std::string crp2Head = "CRP2 " + std::to_string(last) + " DP %00 ";
    ASSERT_EQ(frame.substr(0, crp2Head.size()), crp2Head);
    const size_t lineEnd = frame.find("\r\n");
    const std::string inner = frame.substr(lineEnd + 2);
    EXPECT_EQ(frame.substr(crp2Head.size(), lineEnd - crp2Head.size()), std::to_string(inner.size()));

    const std::string cmsgHead = "CMSG " + std::to_string(last - 1) + " Y ";
    ASSERT_EQ(inner.substr(0, cmsgHead.size()), cmsgHead);
    const size_t cmsgLineEnd = inner.find("\r\n");
    const std::string payload = inner.substr(cmsgLineEnd + 2);
    EXPECT_EQ(inner.substr(cmsgHead.size(), cmsgLineEnd - cmsgHead.size()), std::to_string(payload.size()));
    ASSERT_EQ(payload.substr(0, 26), "bob@tevrik.example\r\nIMSG\r\n");
    EXPECT_NE(payload.find("\r\nfrom:alice@tevrik.example\r\nref:bob@tevrik.example\r\ntitle:%00\r\nconfirm:0\r\n"),
              std::string::npos);
    EXPECT_NE(payload.find("\r\nevent:RE\r\ncookie:M3\r\nfont-name:%00\r\nfont-size:9\r\nfont-color:#000000\r\n"
                           "font-style:%00\r\ncontenttype:text\r\nlength:6\r\n\r\n" + Utf8(L"답장")),
              std::string::npos);
    EXPECT_EQ(payload.size() - payload.rfind("\r\n\r\n") - 4, 6u);

    // Both the envelope and the carried CMSG wait for their replies; the memo itself does not.
    EXPECT_NE(harness.Pending().PendingAs<Crp2Request>(last, L"CRP2"), nullptr);
    EXPECT_NE(harness.Pending().PendingAs<CmsgRequest>(last - 1, L"CMSG"), nullptr);
    EXPECT_EQ(harness.Pending().Find(last - 2), nullptr);
}

TEST_F(MemoHarnessTest, SendersRefuseWithoutAConnectionAndLeaveNothingPending) {
    EXPECT_EQ(SendMemo({}, 0, L"", L"x"), 0);
    EXPECT_TRUE(harness.Sent().empty());

    harness.Session().Close();
    EXPECT_EQ(SendMemo({L"bob"}, 0, L"", L"x"), 0);
    EXPECT_EQ(RequestMemoCount(), 0);
    EXPECT_EQ(harness.Pending().Count(), 0u);

    harness.Connect(1);
    harness.FailWrites = true;
    EXPECT_EQ(RequestMemoFetch(L"M1"), 0);
    EXPECT_EQ(SendMemo({L"bob"}, 0, L"", L"x"), 0);
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

// The WGET line carried in the n-th frame sent.
std::string CarriedWget(const std::string& frame) {
    const size_t lineEnd = frame.find("\r\n");
    return lineEnd == std::string::npos ? std::string() : frame.substr(lineEnd + 2);
}

std::string WithoutId(const std::string& wget) {
    // "WGET <id> rest" -> "WGET rest"
    const size_t first = wget.find(' ');
    const size_t second = wget.find(' ', first + 1);
    return wget.substr(0, first) + wget.substr(second);
}

TEST_F(MemoHarnessTest, MemoBoxSendersWriteTheirKindsAndParameters) {
    ASSERT_EQ(SwitchMemoBox(kMemoSentBox), 1);
    EXPECT_EQ(store.CurrentBox, kMemoSentBox);
    ASSERT_EQ(harness.Sent().size(), 2u);
    EXPECT_EQ(WithoutId(CarriedWget(harness.Sent()[0])),
              "WGET MEMOLST2 N 8192 42\r\nmsgtype=1&boxtype=3&requestpage=1&count=10");
    EXPECT_EQ(WithoutId(CarriedWget(harness.Sent()[1])), "WGET MEMOCNT2 N 8192 0\r\n");
    EXPECT_EQ(harness.Sent()[0].substr(0, 5), "CRP2 ");
    EXPECT_NE(harness.Sent()[0].find(" DP %00 "), std::string::npos);

    harness.ClearSent();
    store.CurrentPage = 2;
    store.PageCount = 5;
    ASSERT_EQ(RequestNextMemoPage(), 1);
    EXPECT_EQ(WithoutId(CarriedWget(harness.Sent()[0])),
              "WGET MEMOLST2 N 8192 42\r\nmsgtype=1&boxtype=3&requestpage=3&count=10");

    harness.ClearSent();
    ASSERT_EQ(RequestMemoFetch(L"M7 x"), 1);
    ASSERT_EQ(RequestMemoDelete(L"M7"), 1);
    ASSERT_EQ(ReportMemoSpam(L"M8&a=b"), 1);
    store.CurrentBox = kMemoInbox;
    ASSERT_EQ(RequestMemoFetch(L"M9"), 1);
    store.CurrentBox = kMemoNoBox;
    ASSERT_EQ(RequestMemoDelete(L"M9"), 1);
    ASSERT_EQ(harness.Sent().size(), 5u);
    EXPECT_EQ(WithoutId(CarriedWget(harness.Sent()[0])), "WGET MEMOGET2 N 8192 24\r\ncookie=M7%20x&box_type=S");
    EXPECT_EQ(WithoutId(CarriedWget(harness.Sent()[1])), "WGET MEMODEL1 N 8192 20\r\ncookie=M7&box_type=S");
    EXPECT_EQ(WithoutId(CarriedWget(harness.Sent()[2])), "WGET MEMOSPM1 N 8192 13\r\ncookie=M8&a=b");
    EXPECT_EQ(WithoutId(CarriedWget(harness.Sent()[3])), "WGET MEMOGET2 N 8192 20\r\ncookie=M9&box_type=R");
    EXPECT_EQ(WithoutId(CarriedWget(harness.Sent()[4])), "WGET MEMODEL1 N 8192 26\r\ncookie=M9&box_type=Unknown");
}

TEST(WgetRequestTest, EveryKindWritesItsOwnParametersOnly) {
    WgetRequest read(12);
    read.Kind = kMemoReadList;
    read.Flag = true;
    read.Limit = 100;
    read.ReadList.Cookie = L"쿠키";
    read.ReadList.Seq = 4;
    read.ReadList.Count = 20;
    read.ReadList.ReadYn = true;
    read.List.Count = 99;  // not this kind's object: not written
    read.Serialize();
    const std::string params = "cookie=" + Utf8(L"쿠키") + "&seq=4&count=20&read_yn=Y";
    EXPECT_EQ(Bytes(read.Buffer), "WGET 12 MEMOREL1 Y 100 " + std::to_string(params.size()) + "\r\n" + params);

    WgetRequest defaults(13);
    defaults.Kind = kMemoList;
    defaults.Serialize();
    EXPECT_EQ(Bytes(defaults.Buffer), "WGET 13 MEMOLST2 N 0 53\r\nmsgtype=Unknown&boxtype=Unknown&requestpage=0&count=0");

    WgetRequest get(14);
    get.Kind = kMemoGet;
    get.Get.BoxType = 2;
    get.Serialize();
    EXPECT_EQ(Bytes(get.Buffer), "WGET 14 MEMOGET2 N 0 18\r\ncookie=&box_type=A");

    WgetRequest unknown(15);
    unknown.Serialize();
    EXPECT_EQ(Bytes(unknown.Buffer), "WGET 15 Unknown N 0 0\r\n");

    // A pending clone writes the same bytes.
    std::unique_ptr<RequestMessage> clone = read.Clone();
    ASSERT_NE(dynamic_cast<WgetRequest*>(clone.get()), nullptr);
    EXPECT_EQ(dynamic_cast<WgetRequest*>(clone.get())->ReadList.Cookie, L"쿠키");
}

TEST(WgetRequestTest, AddParamEscapesOnlyTheWireSeparators) {
    QeMemoryWriter body;
    WgetRequest::AddParam(body, L"k", L"a b%c\td=e&f");
    EXPECT_EQ(Bytes(body), "k=a%20b%25c%09d=e&f");
    WgetRequest::AddParam(body, L"n", 4294967295u);
    EXPECT_EQ(Bytes(body), "k=a%20b%25c%09d=e&f&n=4294967295");
    QeMemoryWriter empty;
    WgetRequest::AddParam(empty, L"cookie", L"");
    EXPECT_EQ(Bytes(empty), "cookie=");
}

}  // namespace
