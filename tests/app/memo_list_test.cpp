// The memo list and the memo form through the whole program: the list against a scripted
// session (its requests read from the captured writes, its replies injected), the form's ways in,
// alerts and the bytes it sends.
#include <gtest/gtest.h>

#include <regex>

#include "app/screens/memos/MemoReadContentView.h"
#include "framework/base/QeStrings.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/TokenCodec.h"
#include "tests/support/MessengerRig.h"

namespace {

std::string Row(int n, const std::string& from, const std::wstring& title, bool read) {
    return std::to_string(n) + " " + from + " " + EncodeToken(title) + " 202403" + std::to_string(10 + n % 10) +
           "0915" + std::to_string(10 + n) + " " + (read ? "1" : "0") + " 1 M" + std::to_string(n) + "\r\n";
}

// Page `page` of `pages`, rows first..first+count-1.
std::string Page(int page, int pages, int first, int count) {
    std::string payload = std::to_string(page) + " 1 " + std::to_string(pages) + "\r\n";
    for (int n = first; n < first + count; ++n) {
        payload += Row(n, n % 3 == 0 ? "jiyoung@tevrik.example" : "stranger@example.org",
                       n % 4 == 0 ? L"두 줄\r\n둘째 줄" : L"쪽지 " + std::to_wstring(n), n % 2 == 0);
    }
    return payload;
}

std::string Wget(const std::string& id, const std::string& kind, int code, const std::string& payload) {
    return "WGET " + id + " " + kind + " 1 1 " + std::to_string(code) + " " + std::to_string(payload.size()) + "\r\n" +
           payload;
}

class MemoListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        rig.CaptureSessionWrites();
        rig.ConnectCaptured(1);
        Buddy buddy;
        buddy.Id = L"jiyoung@tevrik.example";
        buddy.Name = L"이지영";
        BuddyRoster::Instance()->AddOrUpdate(L"k1", buddy);
        app().SetCurrentView(&app().MemoList());
    }
    void TearDown() override { app().SetCurrentView(nullptr); }

    MessengerApp& app() { return rig.App(); }
    MemoListTable& table() { return app().MemoList().Table(); }

    // The WGETs written since the last call, as "KIND params".
    std::vector<std::string> Requests() {
        const std::string sent = rig.SentText().substr(m_seen);
        m_seen = rig.SentText().size();
        std::vector<std::string> out;
        const std::regex wget("WGET (\\d+) (\\w+) N 8192 (\\d+)\r\n");
        for (auto it = std::sregex_iterator(sent.begin(), sent.end(), wget); it != std::sregex_iterator(); ++it) {
            m_lastId[(*it)[2]] = (*it)[1];
            out.push_back((*it)[2].str() + " " + sent.substr(it->position() + it->length(), std::stoul((*it)[3])));
        }
        return out;
    }
    void Reply(const std::string& kind, int code, const std::string& payload) {
        rig.Inject(Wget(m_lastId[kind], kind, code, payload));
    }
    // Each row as "cookie" or "more: text".
    std::vector<std::wstring> Rows() {
        table().FinishAnimation();
        std::vector<std::wstring> rows;
        for (int32_t i = 0; i < table().GetItemCount(); ++i) {
            auto* memo = reinterpret_cast<MemoRecord*>(table().GetItem(i)->userValue);
            rows.push_back(memo != nullptr ? memo->Cookie : L"more: " + table().MoreText());
        }
        return rows;
    }
    std::vector<std::wstring> StoreCookies() {
        std::vector<std::wstring> cookies;
        for (size_t i = 0; i < MemoStore::Instance()->Count(); ++i) cookies.push_back(MemoStore::Instance()->RecordAt(i)->Cookie);
        return cookies;
    }
    // A page is taller than the table.
    void ScrollTo(int32_t index) {
        table().FinishAnimation();
        const TableItem* item = table().GetItem(index);
        ASSERT_NE(item, nullptr);
        table().AxisY().SetPosition(std::min(0, table().AxisY().ViewSize() - item->y - item->fullHeight));
        table().Invalidate(RECT{0, 0, 0, 0}, true);
        rig.Settle();
    }
    void TapRow(int32_t index) {
        ScrollTo(index);
        const RECT row = table().GetItemScreenRect(index);
        rig.TapAt((row.left + row.right) / 2, (row.top + row.bottom) / 2);
    }
    static std::vector<std::wstring> Cookies(int first, int last) {
        std::vector<std::wstring> out;
        for (int n = first; n <= last; ++n) out.push_back(L"M" + std::to_wstring(n));
        return out;
    }
    static std::vector<std::wstring> Plus(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    MessengerRig rig;
    size_t m_seen = 0;
    std::map<std::string, std::string> m_lastId;
};

const std::string kInboxPage1 = "MEMOLST2 msgtype=1&boxtype=1&requestpage=1&count=10";

TEST_F(MemoListTest, PagesLoadOneAtATimeAndTheMoreRowFollowsThePages) {
    table().SwitchBox(kMemoInbox);
    EXPECT_EQ(Requests(), (std::vector<std::string>{kInboxPage1, "MEMOCNT2 "}));
    Reply("MEMOLST2", 100, Page(1, 3, 1, 10));
    EXPECT_EQ(Rows(), Plus(Cookies(1, 10), {L"more: 더 보기..."}));
    ScrollTo(10);
    EXPECT_TRUE(rig.MatchesGolden("memo_list_inbox"));

    // Two taps before the reply: one request, and the row reads "로드 중..." meanwhile.
    TapRow(10);
    TapRow(10);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"MEMOLST2 msgtype=1&boxtype=1&requestpage=2&count=10"}));
    table().ClearSelection();
    EXPECT_TRUE(rig.MatchesGolden("memo_list_loading"));
    Reply("MEMOLST2", 100, Page(2, 3, 11, 10));
    TapRow(20);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"MEMOLST2 msgtype=1&boxtype=1&requestpage=3&count=10"}));
    Reply("MEMOLST2", 100, Page(3, 3, 21, 3));
    EXPECT_EQ(Rows(), Cookies(1, 23));
    EXPECT_EQ(StoreCookies(), Cookies(1, 23));
}

TEST_F(MemoListTest, RefusedPagesGiveBackTheMoreRowOrNone) {
    table().SwitchBox(kMemoInbox);
    Requests();
    Reply("MEMOLST2", 100, Page(1, 2, 1, 10));
    TapRow(10);
    Requests();
    Reply("MEMOLST2", 490, "");
    EXPECT_EQ(Rows(), Plus(Cookies(1, 10), {L"more: 더 보기..."}));
    TapRow(10);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"MEMOLST2 msgtype=1&boxtype=1&requestpage=2&count=10"}));

    // A refused first page of another box: no stale "more" row.
    table().SwitchBox(kMemoSentBox);
    Requests();
    Reply("MEMOLST2", 500, "");
    EXPECT_EQ(Rows(), std::vector<std::wstring>{});
}

TEST_F(MemoListTest, BoxSwitchWhileAPageLoadsShowsOnlyTheNewBox) {
    table().SwitchBox(kMemoInbox);
    Requests();
    const std::string inboxId = m_lastId["MEMOLST2"];
    table().SwitchBox(kMemoSentBox);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"MEMOLST2 msgtype=1&boxtype=3&requestpage=1&count=10", "MEMOCNT2 "}));
    rig.Inject(Wget(inboxId, "MEMOLST2", 100, Page(1, 1, 1, 3)));
    EXPECT_EQ(Rows(), std::vector<std::wstring>{});
    Reply("MEMOLST2", 100, Page(1, 1, 31, 3));
    EXPECT_EQ(Rows(), Cookies(31, 33));
    EXPECT_TRUE(rig.MatchesGolden("memo_list_sent_box"));
}

TEST_F(MemoListTest, NewMemosAndRemovalsKeepRowsAndStoreInOneOrder) {
    table().SwitchBox(kMemoInbox);
    Requests();
    Reply("MEMOLST2", 100, Page(1, 1, 1, 4));
    for (const wchar_t* cookie : {L"N1", L"N2"}) MemoStore::Instance()->AddFront()->Cookie = cookie;
    table().InsertNewMemos(2);
    EXPECT_EQ(Rows(), Plus({L"N2", L"N1"}, Cookies(1, 4)));

    // The second removal starts while the first still animates out.
    ASSERT_TRUE(table().RemoveMemoRow(MemoStore::Instance()->RecordAt(1)));
    ASSERT_TRUE(table().RemoveMemoRow(MemoStore::Instance()->RecordAt(2)));
    EXPECT_FALSE(table().RemoveMemoRow(nullptr));
    EXPECT_EQ(StoreCookies(), (std::vector<std::wstring>{L"N2", L"M1", L"M3", L"M4"}));
    EXPECT_EQ(Rows(), StoreCookies());
}

// ---- the form

TEST_F(MemoListTest, TheFormsWaysInSetWhatTheyShould) {
    AccountInfo::Instance()->Id = L"minsu@tevrik.example";
    AccountInfo::Instance()->Name = L"김민수";
    MemoWriteForm& form = app().MemoWrite().Form();
    form.Message().SetText(L"old");
    struct Case {
        std::function<void()> enter;
        uint32_t kind;
        std::wstring cookie, receivers, message;
        std::vector<std::wstring> recipients;
    };
    const std::vector<std::wstring> three = {L"jiyoung@tevrik.example", L"minsu@tevrik.example", L"x@y.z"};
    const Case cases[] = {
        {[&] { form.ResetNew(); }, 0, L"", L"", L"", {}},
        {[&] { form.PrepareForward(L"C1", L"본문"); }, 1, L"C1", L"", L"본문", {}},
        {[&] { form.PrepareReply(L"C2", L"jiyoung@tevrik.example"); }, 2, L"C2", L"이지영", L"", {L"jiyoung@tevrik.example"}},
        {[&] { form.PrepareReplyAll(L"C3", three); }, 3, L"C3", L"이지영;김민수;x@y.z", L"", three},
    };
    for (const Case& c : cases) {
        c.enter();
        EXPECT_EQ(std::make_tuple(form.Kind(), form.ReferenceCookie(), form.ReceiverText(), form.Message().GetText(),
                                  form.Recipients()),
                  std::make_tuple(c.kind, c.cookie, c.receivers, c.message, c.recipients));
    }
    form.Message().SetText(L"다음 주 회의는 화요일입니다.\n자료는 미리 보내 드릴게요.");
    app().SwitchView(&app().MemoWrite(), kSwitchCoverUpwards, false);
    rig.Advance(600);
    EXPECT_TRUE(rig.MatchesGolden("memo_write_three_recipients"));
    // To the buddy chooser and back: the message stays.
    rig.Tap({L"MemoWrite", L"View", L"ReceiverButton"});
    rig.Advance(600);
    rig.Settle();
    EXPECT_EQ(app().CurrentPage(), &app().BuddySelect());
    app().StatusBarWindow().OnBack();
    rig.Advance(600);
    rig.Settle();
    EXPECT_EQ(app().CurrentPage(), &app().MemoWrite());
    form.Message().SetText(L"kept");
    form.SetSingleRecipient(L"x@y.z");
    EXPECT_EQ(std::make_tuple(form.Kind(), form.ReceiverText(), form.Message().GetText()),
              std::make_tuple(3u, std::wstring(L"x@y.z"), std::wstring(L"kept")));
    EXPECT_EQ(MemoReadContentView::JoinDisplayNames({}), L"");
}

TEST_F(MemoListTest, SendAsksForRecipientsThenTextThenWritesTheMemo) {
    AccountInfo::Instance()->Id = L"minsu@tevrik.example";
    MemoWriteForm& form = app().MemoWrite().Form();
    app().SwitchView(&app().MemoWrite(), kSwitchCoverUpwards, false);
    rig.Settle();
    form.ResetNew();
    form.Send();
    form.SetRecipients({L"jiyoung@tevrik.example", L"bob@tevrik.example"});
    form.Send();
    EXPECT_EQ(rig.SentText().find("CMSG"), std::string::npos);
    EXPECT_EQ(app().CurrentPage(), &app().MemoWrite());

    form.Message().SetText(L"안녕 100%");
    form.Send();
    const std::string sent = rig.SentText();
    const size_t at = sent.find("CMSG");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(sent.substr(at),
              "CMSG 3 Y 284\r\njiyoung@tevrik.example bob@tevrik.example\r\n"
              "IMSG\r\nfrom:minsu@tevrik.example\r\nref:jiyoung@tevrik.example;bob@tevrik.example\r\ntitle:%00\r\n"
              "confirm:0\r\ndate:20240315143000\r\nevent:NW\r\nfont-name:%00\r\nfont-size:9\r\nfont-color:#000000\r\n"
              "font-style:%00\r\ncontenttype:text\r\nlength:13\r\n\r\n안녕 100%25");
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());
    EXPECT_EQ(form.Message().GetText(), L"안녕 100%");
}

}  // namespace
