// The memo screens through the whole program against a scripted session (requests read from the
// captured writes, replies injected): the list's pages, the form's ways in, alerts and bytes, and
// the read screen's text, buttons and a text that arrives late.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>
#include <regex>

#include "framework/ui/drawing/QeGraphics.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TokenCodec.h"
#include "tests/app/MemoSteps.h"

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

class MemoListTest : public MemoSteps {
protected:
    void Prepare() override {
        rig.CaptureSessionWrites();
        rig.ConnectCaptured(1);
        Buddy buddy;
        buddy.Id = L"jiyoung@tevrik.example";
        buddy.Name = L"이지영";
        BuddyRoster::Instance()->AddOrUpdate(L"k1", buddy);
        AccountInfo::Instance()->Id = L"minsu@tevrik.example";
        AccountInfo::Instance()->Name = L"김민수";
        rig.LookSignedIn();
        app().SetCurrentView(&app().MemoList());
    }
    void TearDown() override { app().SetCurrentView(nullptr); }

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
    std::vector<std::wstring> StoreCookies() {
        std::vector<std::wstring> cookies;
        for (size_t i = 0; i < MemoStore::Instance()->Count(); ++i) cookies.push_back(MemoStore::Instance()->RecordAt(i)->Cookie);
        return cookies;
    }
    static std::vector<std::wstring> Cookies(int first, int last) {
        std::vector<std::wstring> out;
        for (int n = first; n <= last; ++n) out.push_back(L"M" + std::to_wstring(n));
        return out;
    }

    size_t m_seen = 0;
    std::map<std::string, std::string> m_lastId;
};

TEST_F(MemoListTest, PagesLoadOneAtATimeAndTheMoreRowFollowsThePages) {
    table().SwitchBox(kMemoInbox);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"MEMOLST2 msgtype=1&boxtype=1&requestpage=1&count=10", "MEMOCNT2 "}));
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

TEST_F(MemoListTest, BoxSwitchWhileAPageLoadsShowsOnlyTheNewBox) {
    table().SwitchBox(kMemoInbox);
    Requests();
    const std::string inboxId = m_lastId["MEMOLST2"];
    ChooseBox(kMemoSentBox);
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

// Pushed memos beyond the bound: the oldest pushed one leaves the store and its row at once, the
// page's memos stay, and store and rows keep one order.
TEST_F(MemoListTest, PushedMemosKeepTheNewestThousand) {
    table().SwitchBox(kMemoInbox);
    Requests();
    Reply("MEMOLST2", 100, Page(1, 1, 1, 2));
    const int pushes = static_cast<int>(MemoStore::kMaxPushed) + 5;
    for (int n = 1; n <= pushes; ++n) {
        const std::string imsg = "IMSG\r\nfrom:b@x\r\ncookie:P" + std::to_string(n) + "\r\nlength:0\r\n\r\n";
        const std::string frame = "CMSG 0 b@x " + std::to_string(imsg.size()) + "\r\n" + imsg;
        ProtocolSession::Instance()->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()),
                                              static_cast<uint32_t>(frame.size()));
    }
    std::vector<std::wstring> kept;
    for (int n = pushes; n > 5; --n) kept.push_back(L"P" + std::to_wstring(n));
    EXPECT_EQ(StoreCookies(), Plus(kept, Cookies(1, 2)));
    EXPECT_EQ(Rows(), StoreCookies());
}

// ---- the form

TEST_F(MemoListTest, TheFormsWaysInSetWhatTheyShould) {
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
    // A text longer than the field's typing limit is forwarded whole; typing stays limited.
    const std::wstring longest(1200, L'가');
    form.PrepareForward(L"C4", longest);
    EXPECT_EQ(form.Message().GetText().size(), longest.size());
    EXPECT_EQ(form.Message().MaxInput(), 1000u);
    for (const Case& c : cases) {
        c.enter();
        EXPECT_EQ(std::make_tuple(form.Kind(), form.ReferenceCookie(), form.ReceiverText(), form.Message().GetText(),
                                  form.Recipients()),
                  std::make_tuple(c.kind, c.cookie, c.receivers, c.message, c.recipients));
    }
    const std::wstring message = L"다음 주 회의는 화요일입니다.\n자료는 미리 보내 드릴게요.";
    form.Message().SetText(message);
    OpenForm();
    EXPECT_TRUE(rig.MatchesGolden("memo_write_three_recipients"));
    // To the buddy chooser and back: the message stays.
    Step([&] { rig.Tap({L"MemoWrite", L"View", L"ReceiverButton"}); });
    EXPECT_EQ(app().CurrentPage(), &app().BuddySelect());
    Back();
    EXPECT_EQ(app().CurrentPage(), &app().MemoWrite());
    form.SetSingleRecipient(L"x@y.z");
    EXPECT_EQ(std::make_tuple(form.Kind(), form.ReceiverText(), form.Message().GetText()),
              std::make_tuple(3u, std::wstring(L"x@y.z"), message));
}

TEST_F(MemoListTest, SendAsksForRecipientsThenTextThenWritesTheMemo) {
    MemoWriteForm& form = app().MemoWrite().Form();
    OpenForm();
    form.ResetNew();
    form.Send();
    EXPECT_EQ(TakeAlert(), L"받을 사람을 추가하세요.");
    form.SetRecipients({L"jiyoung@tevrik.example", L"bob@tevrik.example"});
    form.Send();
    EXPECT_EQ(TakeAlert(), L"내용을 작성하세요.");
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

    // A memo that cannot go out keeps the form where it is.
    OpenForm();
    ProtocolSession::Instance()->Close();
    form.Send();
    EXPECT_EQ(TakeAlert(), L"네트워크를 사용할 수 없습니다.");
    EXPECT_EQ(app().CurrentPage(), &app().MemoWrite());
    EXPECT_EQ(form.Message().GetText(), L"안녕 100%");
}

// ---- the memo read screen, opened from a list of two memos

const std::string kTwoMemos = "1 1 1\r\n"
                              "1 jiyoung@tevrik.example 점심%20같이 20240314091500 0 1 M1\r\n"
                              "2 stranger@example.org 회의%20자료 20240313080000 1 1 M2\r\n";

std::string Imsg(const std::string& from, const std::string& ref, const std::string& body) {
    return "IMSG\r\nfrom:" + from + "\r\nref:" + ref + "\r\ntitle:%00\r\nconfirm:0\r\ndate:20240314091500\r\nevent:NW\r\n"
           "contenttype:text\r\nlength:" + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class MemoReadTest : public MemoListTest {
protected:
    void Prepare() override {
        MemoListTest::Prepare();
        OpenBox(kMemoInbox);
    }
    void OpenBox(uint32_t box) {
        table().SwitchBox(box);
        Requests();
        Reply("MEMOLST2", 100, kTwoMemos);
        table().FinishAnimation();
    }
    std::string Last(const std::string& kind) {
        Requests();
        return m_lastId[kind];
    }
    static std::string Fetched(const std::string& id, const std::string& imsg) { return Wget(id, "MEMOGET2", 100, imsg); }
};

TEST_F(MemoReadTest, OpenedMemoShowsItsHeaderThenItsTextAndIsReadAfterwards) {
    rig.Fresh();
    OpenRow(0);
    EXPECT_EQ(app().CurrentPage(), &app().MemoRead());
    EXPECT_EQ(Bar(), std::make_pair(1, std::wstring(L"쪽지 보기")));
    EXPECT_EQ(rig.Fresh(), "CRP2 7 DP %00 47\r\nWGET 6 MEMOGET2 N 8192 20\r\ncookie=M1&box_type=R"
                           "CRP2 9 DP %00 26\r\nWGET 8 MEMOCNT2 N 8192 0\r\n");
    EXPECT_EQ(std::make_tuple(view().FromName(), view().ToNames(), view().Content().GetText()),
              std::make_tuple(std::wstring(L"이지영"), std::wstring(), std::wstring()));

    rig.Inject(Fetched(Last("MEMOGET2"),
                    Imsg("jiyoung@tevrik.example", "minsu@tevrik.example;x@y.z", "같이 먹자\r\n12시")));
    view().FinishAnimation();
    rig.Advance(600);
    EXPECT_EQ(std::make_tuple(view().ToNames(), view().Content().GetText()),
              std::make_tuple(std::wstring(L"김민수;x@y.z"), std::wstring(L"같이 먹자\n12시")));
    EXPECT_TRUE(rig.MatchesGolden("memo_read_short"));
    EXPECT_EQ(MemoStore::Instance()->RecordAt(0)->Read, 1);

    ExpectButtonsFillTheForm(L"M1", {L"jiyoung@tevrik.example", L"x@y.z"}, L"같이 먹자\n12시");
}

TEST_F(MemoReadTest, ReplyAllListLeavesOutTheFirstOwnId) {
    const std::wstring me = L"me";
    const struct {
        std::wstring sender;
        std::vector<std::wstring> recipients, expected;
    } cases[] = {
        {L"a", {L"me", L"b"}, {L"a", L"b"}},
        {L"a", {L"b", L"me", L"c"}, {L"a", L"b", L"c"}},
        {L"a", {L"me", L"b", L"me"}, {L"a", L"b", L"me"}},
        {L"me", {L"b"}, {L"b"}},
    };
    for (const auto& c : cases) EXPECT_EQ(MemoReadButtonBar::ReplyAllList(c.sender, c.recipients, me), c.expected);
    EXPECT_EQ(MemoReadContentView::JoinDisplayNames({L"minsu@tevrik.example", L"jiyoung@tevrik.example", L"who@x"}),
              L"김민수;이지영;who@x");
    EXPECT_EQ(MemoReadContentView::JoinDisplayNames({}), L"");
}

TEST_F(MemoReadTest, DeleteAndSpamSendTheirRequestsAndGoBack) {
    OpenRow(1);
    rig.Fresh();
    TapButton(L"DeleteButton");
    EXPECT_TRUE(rig.MatchesGolden("memo_read_delete_question"));
    Step([&] { EXPECT_EQ(TakeAlert(2), L"지금 보고 있는 쪽지를 삭제하시겠습니까?"); });
    EXPECT_EQ(rig.Fresh(), "CRP2 11 DP %00 48\r\nWGET 10 MEMODEL1 N 8192 20\r\ncookie=M2&box_type=R");
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());
    EXPECT_EQ(StoreCookies(), std::vector<std::wstring>{L"M1"});
    EXPECT_EQ(Rows(), StoreCookies());
    // The view let go of the deleted memo: its buttons do nothing.
    EXPECT_EQ(view().Memo(), nullptr);

    OpenRow(0);
    rig.Fresh();
    TapButton(L"SpamButton");
    Step([&] { EXPECT_EQ(TakeAlert(2), L"지금 보고 있는 쪽지를 신고하시겠습니까?"); });
    // The box is loaded again from its first page, in place of the rows shown.
    EXPECT_EQ(rig.Fresh(), "CRP2 17 DP %00 36\r\nWGET 16 MEMOSPM1 N 8192 9\r\ncookie=M1"
                           "CRP2 19 DP %00 70\r\nWGET 18 MEMOLST2 N 8192 42\r\nmsgtype=1&boxtype=1&requestpage=1&count=10"
                           "CRP2 21 DP %00 27\r\nWGET 20 MEMOCNT2 N 8192 0\r\n");
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());
    Requests();
    Reply("MEMOLST2", 100, Page(1, 1, 5, 2));
    EXPECT_EQ(Rows(), Cookies(5, 6));

    // In the sent box reply and spam only explain why not.
    OpenBox(kMemoSentBox);
    OpenRow(0);
    rig.Fresh();
    for (const wchar_t* button : {L"ReplyButton", L"ReplyAllButton", L"SpamButton"}) {
        TapButton(button);
        EXPECT_NE(TakeAlert(0).find(L"보낸 쪽지"), std::wstring::npos);
        EXPECT_EQ(app().CurrentPage(), &app().MemoRead());
    }
    EXPECT_EQ(rig.Fresh(), "");
}

TEST_F(MemoReadTest, ALateTextDoesNotFillAnotherMemo) {
    OpenRow(0);
    const std::string firstFetch = Last("MEMOGET2");
    Back();
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());
    OpenRow(1);
    rig.Inject(Fetched(firstFetch, Imsg("jiyoung@tevrik.example", "minsu@tevrik.example", "A의 본문")));
    EXPECT_EQ(view().Content().GetText(), L"");
    EXPECT_EQ(MemoStore::Instance()->RecordAt(0)->Read, 0);
    rig.Inject(Fetched(Last("MEMOGET2"), Imsg("stranger@example.org", "minsu@tevrik.example", "B")));
    EXPECT_EQ(view().Content().GetText(), L"B");
}

// The bound on pushed memos passes over the memo being read, here the oldest pushed one.
TEST_F(MemoReadTest, TheMemoBeingReadOutlastsTheBoundOnPushedMemos) {
    for (size_t n = 0; n <= MemoStore::kMaxPushed; ++n) {
        if (n == MemoStore::kMaxPushed) OpenRow(static_cast<int32_t>(n) - 1);  // P10000
        rig.Inject("CMSG 0 b@x 43\r\nIMSG\r\nfrom:b@x\r\ncookie:P" + std::to_string(10000 + n) + "\r\nlength:0\r\n\r\n");
    }
    rig.Fresh();
    TapButton(L"DeleteButton");
    Step([&] { TakeAlert(2); });
    EXPECT_EQ(rig.Fresh(), "CRP2 11 DP %00 52\r\nWGET 10 MEMODEL1 N 8192 24\r\ncookie=P10000&box_type=R");
}

// The tallest surface the last frame used.
int32_t TallestSurface() {
    int32_t tallest = 0;
    for (const auto& used : QeSurfacePool::Instance()->InUseList()) tallest = std::max(tallest, used.key.height);
    return tallest;
}

size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

TEST_F(MemoReadTest, ALongMemoScrollsAsOnePieceOnSurfacesNoTallerThanTheScreen) {
    const size_t before = ResidentBytes();
    OpenRow(0);
    std::string body;
    for (int i = 0; i < 750; ++i) body += "line " + std::to_string(1000 + i) + " of a very long memo, and on.\r\n";
    ASSERT_GE(body.size(), 30000u);
    rig.Inject(Fetched(Last("MEMOGET2"), Imsg("jiyoung@tevrik.example", "minsu@tevrik.example", body)));
    view().FinishAnimation();
    rig.Advance(600);
    rig.Settle();
    const int32_t screen = app().Root().Height();
    EXPECT_GT(TallestSurface(), 0);
    EXPECT_LE(TallestSurface(), screen);
    const TableItem* row = view().GetItem(0);
    ASSERT_NE(row, nullptr);
    EXPECT_GT(row->fullHeight, 10 * view().AxisY().ViewSize());
    view().AxisY().SetPosition(view().AxisY().ViewSize() - row->fullHeight);
    view().Invalidate(RECT{0, 0, 0, 0}, true);
    rig.Advance(600);
    EXPECT_TRUE(rig.MatchesGolden("memo_read_long_end"));
    EXPECT_LE(TallestSurface(), screen);
    Back();
    EXPECT_LE(TallestSurface(), screen);
    const long long growth = static_cast<long long>(ResidentBytes()) - static_cast<long long>(before);
    RecordProperty("resident_growth_bytes", std::to_string(growth));
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(growth, 8LL * 1024 * 1024);
#endif
}

}  // namespace
