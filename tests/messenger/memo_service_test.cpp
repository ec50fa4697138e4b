// Memos and the memo box end to end: the client signed in to the local service over its real
// connection, other users played by scripted connections, and the screens by the recording seam.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeStrings.h"
#include "framework/base/QeTimerManager.h"
#include "messenger/model/Credentials.h"
#include "messenger/protocol/MemoCommands.h"
#include "messenger/protocol/MemoRequests.h"
#include "messenger/protocol/WgetCommands.h"
#include "tests/messenger/local_service_setup.h"
#include "tests/messenger/signin_test_support.h"
#include "tests/service/ScriptedClient.h"
#include "tests/support/Pump.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/TraceLog.h"
#include "tests/support/temp_folder.h"
#include "tools/service/Directory.h"
#include "tools/service/TestService.h"

using service_test::Crp2;
using service_test::ScriptedClient;
using signin_test::SignedInModel;

namespace {

constexpr double kBound = 20.0;

// a is the client; b and c are played by scripted connections. a's inbox holds 23 memos from b,
// the newest (b's memo 23) first; the first five are read.
std::string Seed() {
    std::string memos;
    for (int i = 1; i <= 23; ++i) {
        char date[16];
        std::snprintf(date, sizeof date, "202403%02d090000", i);
        if (!memos.empty()) memos += ",";
        memos += R"({"from": "b@tevrik.example", "to": ["a@tevrik.example"], "text": "memo )" + std::to_string(i) +
                 R"( body", "title": "memo )" + std::to_string(i) + R"(", "date": ")" + date + R"(", "read": )" +
                 (i <= 5 ? "true" : "false") + "}";
    }
    return R"({
  "users": [
    {"id": "a@tevrik.example", "password": "pa", "name": "가나다", "nickname": "가",
     "groups": [{"id": "0", "name": "친구"}],
     "buddies": [{"id": "b@tevrik.example", "group": "0"}]},
    {"id": "b@tevrik.example", "password": "pb", "name": "Bee", "nickname": "B",
     "groups": [{"id": "0", "name": "Friends"}],
     "buddies": [{"id": "a@tevrik.example", "group": "0"}]},
    {"id": "c@tevrik.example", "password": "pc", "name": "Cee", "nickname": "C",
     "groups": [{"id": "0", "name": "Friends"}]}
  ],
  "memos": [)" + memos + "]}";
}

// Keeps what the read view was filled with (the message is gone once its handler returns).
class MemoScreens : public RecordingScreens {
public:
    void MemoReadFill(const ImsgReceived& memo) override {
        filledBodies.push_back(memo.Body);
        filledFrom.push_back(memo.From);
        filledRefs.push_back(memo.Refs);
        RecordingScreens::MemoReadFill(memo);
    }
    std::vector<std::wstring> filledBodies;
    std::vector<std::wstring> filledFrom;
    std::vector<std::vector<std::wstring>> filledRefs;
};

class MemoService : public ::testing::Test, protected LocalServiceSetUp {
protected:
    MemoService() : LocalServiceSetUp(Seed()) {
        MemoParts().Bytes.clear();
        MemoParts().Overflowed = false;
    }
    ~MemoService() override { harness.Session().Close(); }

    bool SignIn() {
        if (!started) return false;
        std::wstring digest;
        HashCredentials(digest, L"a@tevrik.example", L"pa");
        if (!BeginSignIn(L"a@tevrik.example", digest, false)) return false;
        const bool done = PumpUntil([&] { return screens.Count("PlayNotification") > 0 || screens.Count("Alert") > 0; },
                                    kBound) &&
                          screens.Count("PlayNotification") == 1;
        if (!done || !Settle()) return false;
        screens.Clear();
        return true;
    }

    bool Peer(ScriptedClient& peer, const std::string& id, const std::string& password) {
        return service_test::SignIn(service, peer, id, password, "O").rfind("LIN2 4 ", 0) == 0;
    }

    bool Settle() { return PumpUntil([&] { return harness.Pending().Count() == 0; }, kBound); }

    // Opens a box as the memo list does, and waits for its first page and the count.
    bool OpenBox(uint32_t box) {
        const size_t pages = screens.Count("MemoListAppendPage");
        if (SwitchMemoBox(box) != 1) return false;
        return PumpUntil([&] { return screens.Count("MemoListAppendPage") == pages + 1; }, kBound) && Settle();
    }

    bool NextPage() {
        const size_t pages = screens.Count("MemoListAppendPage");
        if (RequestNextMemoPage() != 1) return false;
        return PumpUntil([&] { return screens.Count("MemoListAppendPage") == pages + 1; }, kBound);
    }

    // Fetches the memo of the record while the read page shows it, as opening a row does.
    bool Fetch(MemoRecord* record) {
        screens.MemoReadPageCurrent = true;
        screens.ReadRecord = record;
        const size_t fills = screens.filledBodies.size();
        if (RequestMemoFetch(record->Cookie) != 1) return false;
        return PumpUntil([&] { return screens.filledBodies.size() == fills + 1; }, kBound);
    }

    // The memo sound: a buddy coming online plays a sound of its own.
    size_t MemoSounds() const {
        size_t count = 0;
        for (const ScreenCall& call : screens.Calls()) count += call.Name == "PlayNotification" && call.Number == 3;
        return count;
    }

    std::vector<std::wstring> Cookies() const {
        std::vector<std::wstring> cookies;
        for (size_t i = 0; i < model.memos.Count(); ++i) cookies.push_back(model.memos.RecordAt(i)->Cookie);
        return cookies;
    }

    std::vector<std::wstring> Summaries() const {
        std::vector<std::wstring> out;
        for (size_t i = 0; i < model.memos.Count(); ++i) out.push_back(model.memos.RecordAt(i)->Summary);
        return out;
    }

    size_t InboxSize(const std::string& id) {
        size_t size = 0;
        service.WithDirectory([&](tevrik_service::Directory& directory) {
            if (tevrik_service::User* user = directory.Find(id)) size = user->inbox.size();
        });
        return size;
    }

    // The body of the newest memo in the user's inbox, as the service keeps it.
    std::string NewestBody(const std::string& id) {
        std::string body;
        service.WithDirectory([&](tevrik_service::Directory& directory) {
            tevrik_service::User* user = directory.Find(id);
            if (user == nullptr || user->inbox.empty()) return;
            if (tevrik_service::Memo* memo = directory.FindMemo(user->inbox.front().memo)) body = memo->body;
        });
        return body;
    }

    testsupport::ScopedConfigHome home;
    TimingRig timing;
    MemoScreens screens;
    SignedInModel model;
    SessionHarness harness{&RegisterAllCommands, SessionHarness::Transport::Socket};
};

std::wstring MemoTitle(int i) { return L"memo " + std::to_wstring(i); }

}  // namespace

TEST_F(MemoService, MemoFromAnotherOnlineUserArrivesAsANewFrontRow) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ASSERT_TRUE(OpenBox(kMemoInbox));
    screens.Clear();

    ScriptedClient bee;
    ASSERT_TRUE(Peer(bee, "b@tevrik.example", "pb"));
    const std::string body = QeStrings::WideToUtf8(L"점심 먹어요");
    const std::string imsg = "IMSG\r\nfrom:b@tevrik.example\r\nref:a@tevrik.example\r\ntitle:" +
                             EncodeToken(L"점심?") + "\r\nconfirm:0\r\ndate:20240401120000\r\nevent:NW\r\n"
                             "contenttype:text\r\nlength:" + std::to_string(body.size()) + "\r\n\r\n" + body;
    const std::string payload = "a@tevrik.example\r\n" + imsg;
    bee.Send(Crp2("20", "DP", "%00", "CMSG 21 Y " + std::to_string(payload.size()) + "\r\n" + payload));
    ASSERT_TRUE(bee.NextStartingWith("CRP2 20 "));

    ASSERT_TRUE(PumpUntil([&] { return MemoSounds() == 1; }, kBound)) << screens.Dump();
    std::vector<std::wstring> lines = screens.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::wstring>(lines.end() - 3, lines.end()),
              (std::vector<std::wstring>{L"MemoListInsertNewMemos(1)", L"UpdateNotifyIndicators()", L"PlayNotification(3)"}));
    ASSERT_EQ(model.memos.Count(), 11u);
    const MemoRecord* arrived = model.memos.RecordAt(0);
    EXPECT_EQ(arrived->Sender, L"b@tevrik.example");
    EXPECT_EQ(arrived->Summary, L"점심?");
    EXPECT_EQ(arrived->Date, (QeDateTime{2024, 4, 1, 12, 0, 0, 0}));
    EXPECT_FALSE(arrived->Cookie.empty());
    EXPECT_EQ(model.memos.RecordAt(1)->Summary, MemoTitle(23));
    EXPECT_EQ(model.memos.HasNewMemo, 1);

    // Opening it brings its text, named by the cookie the push carried.
    ASSERT_TRUE(Fetch(model.memos.RecordAt(0)));
    EXPECT_EQ(screens.filledBodies.back(), L"점심 먹어요");
    EXPECT_EQ(screens.filledRefs.back(), (std::vector<std::wstring>{L"a@tevrik.example"}));
}

TEST_F(MemoService, SentMemoReachesTheRecipientAndReadsBackUnchanged) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ScriptedClient bee;
    ASSERT_TRUE(Peer(bee, "b@tevrik.example", "pb"));

    // "%41" must not come back as "A", nor "%" be lost; the count covers every byte sent.
    const std::wstring text = L"100% sure: %41 안녕\r\n둘째 줄";
    ASSERT_EQ(SendMemo({L"b@tevrik.example", L"a@tevrik.example"}, 0, L"", text), 1);
    auto pushed = bee.NextStartingWith("CMSG 0 a@tevrik.example ");
    ASSERT_TRUE(pushed);
    const std::string wireBody = QeStrings::WideToUtf8(L"100%25 sure: %2541 안녕\r\n둘째 줄");
    EXPECT_NE(pushed->find("\r\nlength:" + std::to_string(wireBody.size()) + "\r\n\r\n" + wireBody),
              std::string::npos)
        << *pushed;
    EXPECT_EQ(pushed->find("\r\ncookie:" + std::string("%00")), std::string::npos);
    EXPECT_EQ(NewestBody("b@tevrik.example"), wireBody);

    // The copy to the user's own id arrives as a new memo, and its text reads back as typed.
    ASSERT_TRUE(PumpUntil([&] { return MemoSounds() == 1; }, kBound)) << screens.Dump();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
    ASSERT_EQ(model.memos.Count(), 1u);
    EXPECT_EQ(model.memos.RecordAt(0)->Sender, L"a@tevrik.example");
    model.memos.CurrentBox = kMemoInbox;
    ASSERT_TRUE(Fetch(model.memos.RecordAt(0)));
    EXPECT_EQ(screens.filledBodies.back(), text);
    EXPECT_EQ(screens.filledFrom.back(), L"a@tevrik.example");
    EXPECT_EQ(model.memos.RecordAt(0)->Read, 1);

    // A reply carries the cookie of the memo it answers.
    const std::wstring cookie = model.memos.RecordAt(0)->Cookie;
    ASSERT_EQ(SendMemo({L"b@tevrik.example"}, 2, cookie, L"답장"), 1);
    auto reply = bee.NextStartingWith("CMSG 0 a@tevrik.example ");
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->find("\r\nevent:RE\r\n"), std::string::npos) << *reply;
}

TEST_F(MemoService, MemoToAnOfflineUserWaitsForTheNextList) {
    // b writes while the client's user is offline...
    {
        ScriptedClient bee;
        ASSERT_TRUE(Peer(bee, "b@tevrik.example", "pb"));
        const std::string imsg = "IMSG\r\nfrom:b@tevrik.example\r\ntitle:while%20away\r\nlength:4\r\n\r\naway";
        const std::string payload = "a@tevrik.example\r\n" + imsg;
        bee.Send(Crp2("20", "DP", "%00", "CMSG 21 Y " + std::to_string(payload.size()) + "\r\n" + payload));
        auto answer = bee.NextStartingWith("CRP2 20 ");
        ASSERT_TRUE(answer);
        EXPECT_NE(answer->find("CMSG 21 0\r\n"), std::string::npos) << *answer;
    }
    EXPECT_EQ(InboxSize("a@tevrik.example"), 24u);

    // ...and it heads the first page once the user signs in.
    ASSERT_TRUE(SignIn()) << screens.Dump();
    EXPECT_EQ(MemoSounds(), 0u);
    ASSERT_TRUE(OpenBox(kMemoInbox));
    ASSERT_EQ(model.memos.Count(), 10u);
    EXPECT_EQ(model.memos.RecordAt(0)->Summary, L"while away");
    EXPECT_EQ(model.memos.RecordAt(0)->Sender, L"b@tevrik.example");
    EXPECT_EQ(model.memos.RecordAt(0)->Read, 0);
    EXPECT_EQ(model.memos.HasNewMemo, 1);
}

TEST_F(MemoService, UnknownRecipientsComeBackInTheAlert) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ScriptedClient bee;
    ASSERT_TRUE(Peer(bee, "b@tevrik.example", "pb"));
    ASSERT_EQ(SendMemo({L"ghost@nowhere.example", L"b@tevrik.example", L"nobody@tevrik.example"}, 0, L"", L"hi"), 1);
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("Alert") == 1; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.Last("Alert")->Text,
              L"다음의 사용자들이 쪽지를 받지 못 했습니다.\n\nghost@nowhere.example\nnobody@tevrik.example");
    // The known recipient got it all the same.
    EXPECT_TRUE(bee.NextStartingWith("CMSG 0 a@tevrik.example "));

    // Everyone reached: no box.
    screens.Clear();
    ASSERT_EQ(SendMemo({L"c@tevrik.example"}, 0, L"", L"hi"), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
}

TEST_F(MemoService, BoxPagesCountFetchDeleteAndSpamReport) {
    ASSERT_TRUE(SignIn()) << screens.Dump();

    // Page 1, then "more" twice: 10, 10 and 3 memos, newest first.
    ASSERT_TRUE(OpenBox(kMemoInbox));
    EXPECT_EQ(model.memos.CurrentBox, kMemoInbox);
    EXPECT_EQ(model.memos.CurrentPage, 1u);
    EXPECT_EQ(model.memos.PageCount, 3u);
    ASSERT_EQ(model.memos.Count(), 10u);
    EXPECT_EQ(screens.Last("MemoListAppendPage")->Number, 10);
    EXPECT_EQ(model.memos.HasNewMemo, 1);
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 1u);
    ASSERT_TRUE(NextPage());
    ASSERT_TRUE(NextPage());
    EXPECT_EQ(model.memos.CurrentPage, 3u);
    EXPECT_EQ(screens.Last("MemoListAppendPage")->Number, 3);
    std::vector<std::wstring> expected;
    for (int i = 23; i >= 1; --i) expected.push_back(MemoTitle(i));
    EXPECT_EQ(Summaries(), expected);
    EXPECT_EQ(model.memos.RecordAt(22)->Read, 1);
    EXPECT_EQ(model.memos.RecordAt(0)->Read, 0);
    EXPECT_EQ(model.memos.RecordAt(0)->Date, (QeDateTime{2024, 3, 23, 9, 0, 0, 0}));

    // Fetching fills the read view while its page is current, and marks the memo read there.
    MemoRecord* newest = model.memos.RecordAt(0);
    ASSERT_TRUE(Fetch(newest));
    EXPECT_EQ(screens.filledBodies.back(), L"memo 23 body");
    EXPECT_EQ(screens.filledFrom.back(), L"b@tevrik.example");
    EXPECT_EQ(newest->Read, 1);
    // A reply for a page no longer shown fills nothing.
    screens.MemoReadPageCurrent = false;
    const size_t fills = screens.filledBodies.size();
    ASSERT_EQ(RequestMemoFetch(model.memos.RecordAt(1)->Cookie), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(screens.filledBodies.size(), fills);
    EXPECT_EQ(model.memos.RecordAt(1)->Read, 0);

    // Delete and spam report take memos out of the box on the service.
    ASSERT_EQ(RequestMemoDelete(newest->Cookie), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(InboxSize("a@tevrik.example"), 22u);
    ASSERT_EQ(ReportMemoSpam(model.memos.RecordAt(1)->Cookie), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(InboxSize("a@tevrik.example"), 21u);
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();

    // A memo deleted already is reported by the memo service's own code.
    ASSERT_EQ(RequestMemoDelete(newest->Cookie), 1);
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("Alert") == 1; }, kBound));
    EXPECT_EQ(screens.Last("Alert")->Text, L"WGET [202]\n\nFailureCodeMemoNotExists");

    // The reloaded box starts over from its first page without the two.
    ASSERT_TRUE(OpenBox(kMemoInbox));
    ASSERT_EQ(model.memos.Count(), 10u);
    EXPECT_EQ(model.memos.RecordAt(0)->Summary, MemoTitle(21));

    // The sent box of the client's user is empty: one page, no rows.
    ASSERT_TRUE(OpenBox(kMemoSentBox));
    EXPECT_EQ(model.memos.CurrentBox, kMemoSentBox);
    EXPECT_EQ(model.memos.Count(), 0u);
    EXPECT_EQ(model.memos.CurrentPage, model.memos.PageCount);
}

TEST_F(MemoService, CountFollowsTheUnreadMemos) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ASSERT_EQ(RequestMemoCount(), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(model.memos.HasNewMemo, 1);
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 1u);

    service.WithDirectory([](tevrik_service::Directory& directory) {
        for (auto& item : directory.Find("a@tevrik.example")->inbox) item.read = true;
    });
    ASSERT_EQ(RequestMemoCount(), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(model.memos.HasNewMemo, 0);
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 2u);
    ASSERT_EQ(RequestMemoCount(), 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 2u);
}

TEST_F(MemoService, MemoServiceCodesShowTheirNames) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    service.SetMemoResultCode("MEMOLST2", 490);
    ASSERT_EQ(SwitchMemoBox(kMemoInbox), 1);
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("Alert") == 1; }, kBound)) << screens.Dump();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(screens.Last("Alert")->Text, L"WGET [490]\n\nFailureCodeSystemError");
    EXPECT_EQ(model.memos.Count(), 0u);
    // The refused page is answered with an empty one: no "more" row is left loading.
    ASSERT_EQ(screens.Count("MemoListAppendPage"), 1u);
    EXPECT_EQ(screens.Last("MemoListAppendPage")->Number, 0);

    service.SetMemoResultCode("MEMOGET2", 777);
    screens.MemoReadPageCurrent = true;
    ASSERT_EQ(RequestMemoFetch(L"M1"), 1);
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("Alert") == 2; }, kBound)) << screens.Dump();
    EXPECT_EQ(screens.Last("Alert")->Text, L"WGET [777]\n\nUnknown Error");
    EXPECT_TRUE(screens.filledBodies.empty());
}

// A service that sends memo-box failures nobody asked for (no id, an id never sent, the id of a
// request answered already) opens no box for them; the failure of a request of ours still shows.
TEST_F(MemoService, FailuresThatAnswerNoRequestOpenNoBox) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    const tevrik_service::ConnId client = service.SignedInConnection("a@tevrik.example");
    ASSERT_NE(client, 0);
    ASSERT_TRUE(OpenBox(kMemoInbox));
    screens.Clear();
    TraceLog traces;
    const int32_t answered = harness.Ids().LastId;
    std::string flood;
    for (int i = 0; i < 300; ++i) {
        const std::string id = std::to_string(i % 3 == 0 ? 0 : i % 3 == 1 ? 5000 + i : answered);
        flood += Crp2("0", "DP", "%00", "WGET " + id + " MEMOLST2 1 1 490 0\r\n");
    }
    ASSERT_TRUE(service.Push(client, flood));
    service.SetMemoResultCode("MEMOCNT2", 500);
    ASSERT_EQ(RequestMemoCount(), 1);
    ASSERT_TRUE(PumpUntil([&] { return screens.Count("Alert") > 0; }, kBound)) << screens.Dump();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"Alert(WGET [500]\n\nFailureCodeDbError)"}));
}

TEST_F(MemoService, RepliesSplitIntoPartsGiveTheSameResults) {
    ASSERT_TRUE(SignIn()) << screens.Dump();
    ASSERT_TRUE(OpenBox(kMemoInbox));
    ASSERT_TRUE(NextPage());
    const std::vector<std::wstring> whole = Cookies();
    const std::vector<std::wstring> titles = Summaries();
    ASSERT_EQ(whole.size(), 20u);

    // A long memo for the fetch below.
    std::wstring longText;
    for (int i = 0; i < 300; ++i) longText += L"줄 " + std::to_wstring(i) + L" 50% off\r\n";
    ASSERT_EQ(SendMemo({L"a@tevrik.example"}, 0, L"", longText), 1);
    ASSERT_TRUE(PumpUntil([&] { return MemoSounds() == 1; }, kBound)) << screens.Dump();
    ASSERT_TRUE(Settle());

    for (size_t partSize : {1u, 7u, 64u, 500u}) {
        service.SetMemoPartSize(partSize);
        ASSERT_TRUE(OpenBox(kMemoInbox)) << partSize;
        ASSERT_TRUE(NextPage()) << partSize;
        ASSERT_EQ(model.memos.Count(), 20u) << partSize;
        // The memo sent above now heads the box; the rest moved down by one.
        const std::vector<std::wstring> cookies = Cookies();
        const std::vector<std::wstring> summaries = Summaries();
        EXPECT_EQ(std::vector<std::wstring>(cookies.begin() + 1, cookies.end()),
                  std::vector<std::wstring>(whole.begin(), whole.end() - 1))
            << partSize;
        EXPECT_EQ(std::vector<std::wstring>(summaries.begin() + 1, summaries.end()),
                  std::vector<std::wstring>(titles.begin(), titles.end() - 1))
            << partSize;
        EXPECT_EQ(model.memos.CurrentPage, 2u);
        EXPECT_EQ(model.memos.PageCount, 3u);

        ASSERT_TRUE(Fetch(model.memos.RecordAt(0))) << partSize;
        EXPECT_EQ(screens.filledBodies.back(), longText) << partSize;
    }
    EXPECT_EQ(screens.Count("Alert"), 0u) << screens.Dump();
}
