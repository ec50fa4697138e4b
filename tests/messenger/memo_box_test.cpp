// Memo-box replies: gathering the parts of one reply, the result of each kind, the memo service's
// failure box, and the limits that keep a bad reply from growing or corrupting the list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/base/QeStrings.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/MemoCommands.h"
#include "messenger/protocol/MemoRequests.h"
#include "messenger/protocol/WgetCommands.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/TraceLog.h"

namespace {

std::string Wget(int32_t id, const std::string& kind, int total, int part, int code, const std::string& payload) {
    return "WGET " + std::to_string(id) + " " + kind + " " + std::to_string(total) + " " + std::to_string(part) + " " +
           std::to_string(code) + " " + std::to_string(payload.size()) + "\r\n" + payload;
}

// The reply cut into parts at the given offsets, each part a frame of its own.
std::string InParts(int32_t id, const std::string& kind, const std::string& payload, std::vector<size_t> cuts) {
    cuts.push_back(payload.size());
    std::string frames;
    size_t from = 0;
    const int total = static_cast<int>(cuts.size());
    for (int i = 0; i < total; ++i) {
        frames += Wget(id, kind, total, i + 1, 100, payload.substr(from, cuts[i] - from));
        from = cuts[i];
    }
    return frames;
}

std::string Row(int seq, const std::string& from, const std::wstring& title, const std::string& cookie, bool read) {
    return std::to_string(seq) + " " + from + " " + EncodeToken(title) + " 2024030709050" + std::to_string(seq % 10) +
           " " + (read ? "1" : "0") + " 1 " + cookie + "\r\n";
}

const std::string kPage = "2 1 3\r\n" + Row(11, "bob@tevrik.example", L"점심 같이\r\n먹어요", "M11", false) +
                          Row(12, "carol@tevrik.example", L"100% sure", "M12", true) +
                          Row(13, "dave@tevrik.example", L"", "M13", false);

struct RowView {
    std::wstring Field1, Sender, Summary, Cookie;
    QeDateTime Date;
    uint8_t Read, Flag6;
    bool operator==(const RowView&) const = default;
};

std::vector<RowView> Rows(const MemoStore& store) {
    std::vector<RowView> rows;
    for (size_t i = 0; i < store.Count(); ++i) {
        const MemoRecord* r = store.RecordAt(i);
        rows.push_back({r->Field1, r->Sender, r->Summary, r->Cookie, r->Date, r->Read, r->Flag6});
    }
    return rows;
}

class MemoBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        MemoParts().Bytes.clear();
        MemoParts().Overflowed = false;
        harness.Connect(1);
    }

    MemoStore store;
    RecordingScreens screens;
    SessionHarness harness;
};

TEST_F(MemoBoxTest, ListPageAppendsItsRowsAndSetsThePages) {
    store.AddBack()->Cookie = L"earlier";
    harness.Receive(Wget(5, "MEMOLST2", 1, 1, 100, kPage));

    EXPECT_EQ(store.CurrentPage, 2u);
    EXPECT_EQ(store.PageCount, 3u);
    ASSERT_EQ(store.Count(), 4u);
    EXPECT_EQ(store.RecordAt(0)->Cookie, L"earlier");
    const MemoRecord* first = store.RecordAt(1);
    EXPECT_EQ(first->Field1, L"11");
    EXPECT_EQ(first->Sender, L"bob@tevrik.example");
    EXPECT_EQ(first->Summary, L"점심 같이\r\n먹어요");
    EXPECT_EQ(first->FirstLine(), L"점심 같이");
    EXPECT_EQ(first->Date, (QeDateTime{2024, 3, 7, 9, 5, 1, 0}));
    EXPECT_EQ(first->Read, 0);
    EXPECT_EQ(first->Flag6, 1);
    EXPECT_EQ(store.RecordAt(2)->Summary, L"100% sure");
    EXPECT_EQ(store.RecordAt(2)->Read, 1);
    EXPECT_EQ(store.RecordAt(3)->Cookie, L"M13");
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"MemoListAppendPage(3)"}));
}

TEST_F(MemoBoxTest, EmptyBoxAndTrailingSeparatorsGiveNoRow) {
    harness.Receive(Wget(5, "MEMOLST2", 1, 1, 100, "1 1 1\r\n"));
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.CurrentPage, 1u);
    EXPECT_EQ(store.PageCount, 1u);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"MemoListAppendPage(0)"}));

    screens.Clear();
    harness.Receive(Wget(6, "MEMOLST2", 1, 1, 100, "1 1 1\r\n" + Row(1, "a", L"t", "M1", false) + " \r\n\t\r\n  "));
    ASSERT_EQ(store.Count(), 1u);
    EXPECT_EQ(store.RecordAt(0)->Cookie, L"M1");
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"MemoListAppendPage(1)"}));
}

TEST_F(MemoBoxTest, EmptyRepliesStillSetThePagesAndTheNewMemoFlag) {
    // What an earlier box left: more pages to come, and a new memo.
    store.CurrentPage = 1;
    store.PageCount = 3;
    store.HasNewMemo = 1;
    harness.Receive(Wget(5, "MEMOLST2", 1, 1, 100, ""));
    EXPECT_EQ(store.CurrentPage, 0u);
    EXPECT_EQ(store.PageCount, 0u);
    harness.Receive(Wget(6, "MEMOCNT2", 0, 0, 100, ""));
    EXPECT_EQ(store.HasNewMemo, 0);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"MemoListAppendPage(0)", L"UpdateNotifyIndicators()"}));
}

TEST_F(MemoBoxTest, TheSameRowsInAnySplitGiveTheSameList) {
    harness.Receive(Wget(5, "MEMOLST2", 1, 1, 100, kPage));
    const std::vector<RowView> whole = Rows(store);
    ASSERT_EQ(whole.size(), 3u);

    // Every cut into two parts, then a few cuts into many parts (empty parts included).
    std::vector<std::vector<size_t>> splits;
    for (size_t cut = 0; cut <= kPage.size(); ++cut) splits.push_back({cut});
    splits.push_back({1, 2, 3, 4, 5, 6, 7, 8});
    splits.push_back({10, 10, 40, 41, 90});
    std::vector<size_t> everyByte;
    for (size_t cut = 1; cut < kPage.size(); ++cut) everyByte.push_back(cut);
    splits.push_back(everyByte);

    for (const auto& cuts : splits) {
        store.DeleteAllAndClear();
        screens.Clear();
        harness.Receive(InParts(7, "MEMOLST2", kPage, cuts));
        ASSERT_EQ(Rows(store), whole) << "cut at " << (cuts.empty() ? 0 : cuts[0]) << " in " << cuts.size() + 1
                                      << " parts";
        // Only the last part reaches the memo list.
        EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"MemoListAppendPage(3)"}));
    }
}

TEST_F(MemoBoxTest, PartNumberedZeroOrOneStartsAFreshReply) {
    // A reply that never got its last part is forgotten when the next one starts.
    harness.Receive(Wget(5, "MEMOLST2", 2, 1, 100, "9 1 9\r\n" + Row(99, "x", L"stale", "M99", false)));
    EXPECT_EQ(store.Count(), 0u);
    harness.Receive(Wget(6, "MEMOLST2", 0, 0, 100, kPage));
    EXPECT_EQ(store.Count(), 3u);
    EXPECT_EQ(store.CurrentPage, 2u);
}

TEST_F(MemoBoxTest, CountSetsTheNewMemoFlagAndRefreshesOnlyOnChange) {
    harness.Receive(Wget(5, "MEMOCNT2", 1, 1, 100, "3"));
    EXPECT_EQ(store.HasNewMemo, 1);
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 1u);
    harness.Receive(Wget(6, "MEMOCNT2", 1, 1, 100, "1"));
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 1u);
    harness.Receive(Wget(7, "MEMOCNT2", 1, 1, 100, "0"));
    EXPECT_EQ(store.HasNewMemo, 0);
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 2u);
    harness.Receive(Wget(8, "MEMOCNT2", 1, 1, 100, "0\r\n"));
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 2u);
}

// Fetched memos reach the read view; this seam keeps what it was given.
class ReadView : public RecordingScreens {
public:
    void MemoReadFill(const ImsgReceived& memo) override {
        bodies.push_back(memo.Body);
        senders.push_back(memo.From);
        fetchFlagSeen = MemoFetchInProgress();
        RecordingScreens::MemoReadFill(memo);
    }
    std::vector<std::wstring> bodies;
    std::vector<std::wstring> senders;
    bool fetchFlagSeen = false;
};

TEST_F(MemoBoxTest, FetchedMemoInSeveralPartsKeepsItsWholeBody) {
    ReadView view;
    MemoRecord* shown = store.AddBack();
    view.MemoReadPageCurrent = true;
    view.ReadRecord = shown;

    std::wstring text;
    for (int i = 0; i < 200; ++i) text += L"줄 " + std::to_wstring(i) + L"\r\n";
    const std::string body = QeStrings::WideToUtf8(text);
    const std::string block = "IMSG\r\nfrom:bob@tevrik.example\r\ncookie:M4\r\nlength:" + std::to_string(body.size()) +
                              "\r\n\r\n" + body;

    shown->Cookie = L"F1";
    // Each reply answers a fetch of the memo shown (the IMSG's own cookie names another).
    const auto fetch = [&] {
        EXPECT_EQ(RequestMemoFetch(L"F1"), 1);
        return harness.Ids().LastId - 1;
    };
    harness.Receive(Wget(fetch(), "MEMOGET2", 1, 1, 100, block));
    harness.Receive(InParts(fetch(), "MEMOGET2", block, {3, 100, 1000, 1500}));
    harness.Receive(InParts(fetch(), "MEMOGET2", block, {5}));  // the name token alone in the first part
    ASSERT_EQ(view.bodies.size(), 3u) << view.Dump();
    for (const std::wstring& got : view.bodies) EXPECT_EQ(got, text);
    EXPECT_EQ(view.senders[1], L"bob@tevrik.example");
    EXPECT_TRUE(view.fetchFlagSeen);
    EXPECT_FALSE(MemoFetchInProgress());
    EXPECT_EQ(shown->Read, 1);
    // Fetching adds nothing to the box and announces nothing.
    EXPECT_EQ(store.Count(), 1u);
    EXPECT_EQ(view.Count("PlayNotification"), 0u);
}

TEST_F(MemoBoxTest, FetchedPayloadWithoutACommandDispatchesNothing) {
    ReadView view;
    view.MemoReadPageCurrent = true;
    harness.Receive(Wget(5, "MEMOGET2", 1, 1, 100, "\r\n\r\n"));
    harness.Receive(Wget(6, "MEMOGET2", 1, 1, 100, ""));
    EXPECT_TRUE(view.bodies.empty());
    EXPECT_FALSE(MemoFetchInProgress());
}

TEST_F(MemoBoxTest, OtherCodesShowTheMemoFailureBoxAndChangeNothing) {
    store.AddBack()->Cookie = L"kept";
    store.CurrentPage = 1;
    store.PageCount = 4;
    const std::vector<std::pair<int, std::wstring>> cases = {
        {201, L"WGET [201]\n\nFailureCodeInvalidParameter"}, {202, L"WGET [202]\n\nFailureCodeMemoNotExists"},
        {300, L"WGET [300]\n\nFailureCodeIdNotExists"},      {490, L"WGET [490]\n\nFailureCodeSystemError"},
        {500, L"WGET [500]\n\nFailureCodeDbError"},          {777, L"WGET [777]\n\nUnknown Error"},
        {-1, L"WGET [-1]\n\nUnknown Error"},
    };
    for (const auto& [code, text] : cases) {
        ASSERT_EQ(RequestMemoListPage(kMemoInbox, 2), 1);
        screens.Clear();
        // The WGET's own id, inside the envelope's.
        harness.Receive(Wget(harness.Ids().LastId - 1, "MEMOLST2", 1, 1, code, kPage));
        ASSERT_EQ(screens.Count("Alert"), 1u) << code;
        EXPECT_EQ(screens.Last("Alert")->Text, text);
        // The page asked for is answered with none, so the list can ask again.
        EXPECT_EQ(screens.Lines().back(), L"MemoListAppendPage(0)");
    }
    EXPECT_EQ(store.Count(), 1u);
    EXPECT_EQ(store.CurrentPage, 1u);
    EXPECT_EQ(store.PageCount, 4u);
    EXPECT_STREQ(MemoFailureText(100), L"FailureCodeSuccess");
}

TEST_F(MemoBoxTest, ProtocolErrorLineForAWgetShowsTheMemoFailureBox) {
    ASSERT_EQ(RequestMemoCount(), 1);
    const int32_t wgetId = harness.Ids().LastId - 1;
    const int32_t envelopeId = harness.Ids().LastId;
    const std::string error = "201 " + std::to_string(wgetId) + "\r\n";
    harness.Receive("CRP2 " + std::to_string(envelopeId) + " DP %00 " + std::to_string(error.size()) + "\r\n" + error);
    ASSERT_EQ(screens.Count("Alert"), 1u) << screens.Dump();
    EXPECT_EQ(screens.Last("Alert")->Text, L"WGET [201]\n\nFailureCodeInvalidParameter");
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

TEST_F(MemoBoxTest, LengthIsClampedToTheFrame) {
    // Dispatched directly, with a length far past the bytes there are.
    const std::string frame = "WGET 5 MEMOLST2 1 1 100 999999\r\n" + kPage;
    harness.Inject(frame);
    EXPECT_EQ(store.Count(), 3u);

    // A length shorter than the payload takes only that many bytes.
    store.DeleteAllAndClear();
    harness.Inject("WGET 6 MEMOCNT2 1 1 100 1\r\n25");
    EXPECT_EQ(store.HasNewMemo, 1);
    harness.Inject("WGET 7 MEMOLST2 1 1 100 -4\r\n" + kPage);
    EXPECT_EQ(store.Count(), 0u);
    harness.Inject("WGET 8 MEMOLST2\r\n");
    harness.Inject("WGET");
    EXPECT_EQ(store.Count(), 0u);
}

TEST_F(MemoBoxTest, PartsPastTheCapDropTheWholeReply) {
    TraceLog trace;
    const std::string chunk(3u * 1024u * 1024u, 'x');
    harness.Inject(Wget(5, "MEMOLST2", 3, 1, 100, "1 1 1\r\n" + chunk));
    harness.Inject(Wget(5, "MEMOLST2", 3, 2, 100, chunk));
    EXPECT_LE(MemoParts().Bytes.size(), kMaxMemoParts);
    harness.Inject(Wget(5, "MEMOLST2", 3, 3, 100, chunk + "\r\n" + Row(1, "a", L"t", "M1", false)));
    EXPECT_TRUE(MemoParts().Overflowed);
    EXPECT_EQ(MemoParts().Bytes.size(), 0u);
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(screens.Count("MemoListAppendPage"), 0u);
    EXPECT_NE(trace.Text().find(L"grows past 8388608 bytes"), std::wstring::npos) << trace.Text();

    // The next reply starts over.
    harness.Inject(Wget(6, "MEMOLST2", 1, 1, 100, kPage));
    EXPECT_EQ(store.Count(), 3u);
}

TEST_F(MemoBoxTest, ReplyUnderAnotherCommandsIdIsNotRead) {
    // A list reply is being gathered...
    harness.Receive(Wget(5, "MEMOLST2", 2, 1, 100, kPage.substr(0, 30)));
    // ...when a WGET turns up under the id of the user's pending CMSG.
    ASSERT_EQ(SendMemo({L"bob"}, 0, L"", L"hi"), 1);
    const int32_t cmsgId = harness.Ids().LastId - 1;
    harness.Inject(Wget(cmsgId, "MEMOLST2", 1, 1, 100, "9 1 9\r\n" + Row(9, "x", L"y", "M9", false)));
    EXPECT_EQ(store.Count(), 0u);
    harness.Receive(Wget(5, "MEMOLST2", 2, 2, 100, kPage.substr(30)));
    EXPECT_EQ(store.Count(), 3u);
    EXPECT_EQ(store.CurrentPage, 2u);
}

TEST_F(MemoBoxTest, ReadListEntriesAreParsedAndNotUsed) {
    const std::string payload = "Y\r\n7 a b S c d 20240102030405 Y e f\r\n8 g h Q i j 2024 N k l\r\n\r\n";
    const std::string frame = Wget(5, "MEMOREL1", 1, 1, 100, payload);
    TokenReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    ProtocolMessage header;
    header.ReadHeader(reader);
    WgetReceived reply(5);
    ASSERT_TRUE(reply.ReadBody(reader));
    EXPECT_TRUE(reply.Parsed);
    EXPECT_EQ(reply.Kind, static_cast<uint32_t>(kMemoReadList));
    EXPECT_TRUE(reply.ReadFlag);
    ASSERT_EQ(reply.Items.size(), 2u);
    EXPECT_EQ(reply.Items[0].Number, 7);
    EXPECT_EQ(reply.Items[0].Text1, L"a");
    EXPECT_EQ(reply.Items[0].Text2, L"b");
    EXPECT_EQ(reply.Items[0].Box, 1);
    EXPECT_EQ(reply.Items[0].Text3, L"c");
    EXPECT_EQ(reply.Items[0].Text4, L"d");
    EXPECT_EQ(reply.Items[0].Date, (QeDateTime{2024, 1, 2, 3, 4, 5, 0}));
    EXPECT_TRUE(reply.Items[0].Flag);
    EXPECT_EQ(reply.Items[0].Text5, L"e");
    EXPECT_EQ(reply.Items[0].Text6, L"f");
    EXPECT_EQ(reply.Items[1].Box, 3);
    EXPECT_FALSE(reply.Items[1].Flag);

    harness.Receive(frame);
    harness.Receive(Wget(6, "MEMODEL1", 1, 1, 100, ""));
    harness.Receive(Wget(7, "MEMOSPM1", 1, 1, 100, ""));
    harness.Receive(Wget(8, "MEMOXXX9", 1, 1, 100, "1 1 1\r\n" + Row(1, "a", L"t", "M1", false)));
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_TRUE(screens.Lines().empty()) << screens.Dump();
}

TEST_F(MemoBoxTest, OnlyTheLastListRequestsReplyIsTaken) {
    ASSERT_EQ(SwitchMemoBox(kMemoInbox), 1);
    EXPECT_EQ(store.CurrentPage, 0u);
    EXPECT_EQ(store.PageCount, 0u);
    const int32_t inboxId = harness.Ids().LastId - 3;
    ASSERT_EQ(SwitchMemoBox(kMemoSentBox), 1);
    const int32_t sentId = harness.Ids().LastId - 3;
    harness.Receive(Wget(inboxId, "MEMOLST2", 1, 1, 100, kPage));
    harness.Receive(Wget(inboxId, "MEMOLST2", 1, 1, 490, ""));
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(screens.Count("MemoListAppendPage"), 0u);
    harness.Receive(Wget(sentId, "MEMOLST2", 1, 1, 100, kPage));
    EXPECT_EQ(store.Count(), 3u);
    EXPECT_EQ(screens.Lines().back(), L"MemoListAppendPage(3)");
}

TEST_F(MemoBoxTest, NextPageAsksForThePageAfterTheLastOneReceived) {
    store.CurrentBox = kMemoInbox;
    harness.Receive(Wget(5, "MEMOLST2", 1, 1, 100, kPage));
    ASSERT_EQ(RequestNextMemoPage(), 1);
    const std::string sent = harness.Sent().back();
    EXPECT_NE(sent.find("msgtype=1&boxtype=1&requestpage=3&count=10"), std::string::npos) << sent;
}

}  // namespace
