// The memo read screen through the whole program against a scripted session: opening a row, the
// fetched text, the buttons, and a text that arrives late for a memo no longer shown.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <map>
#include <regex>

#include "app/screens/common/MsgBox.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/MemoStore.h"
#include "tests/support/MessengerRig.h"

namespace {

const std::string kPage = "1 1 1\r\n"
                          "1 jiyoung@tevrik.example 점심%20같이 20240314091500 0 1 M1\r\n"
                          "2 stranger@example.org 회의%20자료 20240313080000 1 1 M2\r\n";

std::string Imsg(const std::string& from, const std::string& ref, const std::string& body) {
    return "IMSG\r\nfrom:" + from + "\r\nref:" + ref + "\r\ntitle:%00\r\nconfirm:0\r\ndate:20240314091500\r\nevent:NW\r\n"
           "contenttype:text\r\nlength:" + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class MemoReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        rig.CaptureSessionWrites();
        rig.ConnectCaptured(1);
        AccountInfo::Instance()->Id = L"minsu@tevrik.example";
        AccountInfo::Instance()->Name = L"김민수";
        Buddy buddy;
        buddy.Id = L"jiyoung@tevrik.example";
        buddy.Name = L"이지영";
        BuddyRoster::Instance()->AddOrUpdate(L"k1", buddy);
        app().SetCurrentView(&app().MemoList());
        OpenBox(kMemoInbox);
    }
    void TearDown() override { app().SetCurrentView(nullptr); }

    MessengerApp& app() { return rig.App(); }
    MemoReadContentView& view() { return app().MemoRead().View(); }

    void OpenBox(uint32_t box) {
        app().MemoList().Table().SwitchBox(box);
        rig.Inject(Wget(Last("MEMOLST2"), "MEMOLST2", kPage));
        app().MemoList().Table().FinishAnimation();
    }
    // The id of the last WGET of the kind written, and every WGET since the last call.
    std::string Last(const std::string& kind) {
        const std::string sent = rig.SentText();
        const std::regex wget("WGET (\\d+) (\\w+) N 8192 (\\d+)\r\n");
        for (auto it = std::sregex_iterator(sent.begin(), sent.end(), wget); it != std::sregex_iterator(); ++it) {
            m_last[(*it)[2]] = (*it)[1];
        }
        return m_last[kind];
    }
    std::string SentSince() {
        const std::string text = rig.SentText().substr(m_seen);
        m_seen = rig.SentText().size();
        return text;
    }
    static std::string Wget(const std::string& id, const std::string& kind, const std::string& payload) {
        return "WGET " + id + " " + kind + " 1 1 100 " + std::to_string(payload.size()) + "\r\n" + payload;
    }
    void OpenRow(int32_t index) {
        MemoListTable& table = app().MemoList().Table();
        const RECT row = table.GetItemScreenRect(index);
        rig.TapAt((row.left + row.right) / 2, (row.top + row.bottom) / 2);
        rig.Advance(600);
        rig.Settle();
    }
    void Back() {
        app().StatusBarWindow().OnBack();
        rig.Advance(600);
        rig.Settle();
    }
    void TapButton(const wchar_t* name) {
        rig.Tap({L"MemoRead", L"ButtonBar", name});
        rig.Advance(600);
        rig.Settle();
    }
    static std::wstring TakeBox(int result) {
        auto* box = dynamic_cast<MsgBox*>(QePopup::Current());
        if (box == nullptr) return L"(none)";
        const std::wstring text = box->Text().GetText();
        box->Close(result);
        return text;
    }

    MessengerRig rig;
    std::map<std::string, std::string> m_last;
    size_t m_seen = 0;
};

TEST_F(MemoReadTest, OpenedMemoShowsItsHeaderThenItsTextAndIsReadAfterwards) {
    SentSince();
    OpenRow(0);
    EXPECT_EQ(app().CurrentPage(), &app().MemoRead());
    EXPECT_EQ(SentSince(), "CRP2 7 DP %00 47\r\nWGET 6 MEMOGET2 N 8192 20\r\ncookie=M1&box_type=R"
                           "CRP2 9 DP %00 26\r\nWGET 8 MEMOCNT2 N 8192 0\r\n");
    EXPECT_EQ(std::make_tuple(view().FromName(), view().ToNames(), view().Content().GetText()),
              std::make_tuple(std::wstring(L"이지영"), std::wstring(), std::wstring()));

    rig.Inject(Wget(Last("MEMOGET2"), "MEMOGET2",
                    Imsg("jiyoung@tevrik.example", "minsu@tevrik.example;x@y.z", "같이 먹자\r\n12시")));
    view().FinishAnimation();
    rig.Advance(600);
    EXPECT_EQ(std::make_tuple(view().ToNames(), view().Content().GetText()),
              std::make_tuple(std::wstring(L"김민수;x@y.z"), std::wstring(L"같이 먹자\n12시")));
    EXPECT_TRUE(rig.MatchesGolden("memo_read_short"));
    EXPECT_EQ(MemoStore::Instance()->RecordAt(0)->Read, 1);

    // The buttons' ways into the form.
    const struct {
        const wchar_t* button;
        uint32_t kind;
        std::vector<std::wstring> recipients;
        std::wstring message;
    } cases[] = {
        {L"ReplyButton", 2, {L"jiyoung@tevrik.example"}, L""},
        {L"ReplyAllButton", 3, {L"jiyoung@tevrik.example", L"x@y.z"}, L""},
        {L"ForwardButton", 1, {}, L"같이 먹자\n12시"},
    };
    for (const auto& c : cases) {
        TapButton(c.button);
        const MemoWriteForm& form = app().MemoWrite().Form();
        EXPECT_EQ(app().CurrentPage(), &app().MemoWrite()) << c.kind;
        EXPECT_EQ(std::make_tuple(form.Kind(), form.ReferenceCookie(), form.Recipients()),
                  std::make_tuple(c.kind, std::wstring(L"M1"), c.recipients));
        EXPECT_EQ(app().MemoWrite().Form().Message().GetText(), c.message);
        Back();
    }
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
}

TEST_F(MemoReadTest, DeleteAndSpamSendTheirRequestsAndGoBack) {
    OpenRow(1);
    SentSince();
    TapButton(L"DeleteButton");
    EXPECT_TRUE(rig.MatchesGolden("memo_read_delete_question"));
    EXPECT_EQ(TakeBox(2), L"지금 보고 있는 쪽지를 삭제하시겠습니까?");
    rig.Advance(600);
    rig.Settle();
    EXPECT_EQ(SentSince(), "CRP2 11 DP %00 48\r\nWGET 10 MEMODEL1 N 8192 20\r\ncookie=M2&box_type=R");
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());
    ASSERT_EQ(MemoStore::Instance()->Count(), 1u);
    EXPECT_EQ(MemoStore::Instance()->RecordAt(0)->Cookie, L"M1");
    // The view let go of the deleted memo: its buttons do nothing.
    EXPECT_EQ(view().Memo(), nullptr);

    OpenRow(0);
    SentSince();
    TapButton(L"SpamButton");
    EXPECT_EQ(TakeBox(2), L"지금 보고 있는 쪽지를 신고하시겠습니까?");
    rig.Advance(600);
    rig.Settle();
    // The box is loaded again from its first page.
    EXPECT_EQ(SentSince(), "CRP2 17 DP %00 36\r\nWGET 16 MEMOSPM1 N 8192 9\r\ncookie=M1"
                           "CRP2 19 DP %00 70\r\nWGET 18 MEMOLST2 N 8192 42\r\nmsgtype=1&boxtype=1&requestpage=1&count=10"
                           "CRP2 21 DP %00 27\r\nWGET 20 MEMOCNT2 N 8192 0\r\n");
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());

    // In the sent box reply and spam only explain why not.
    OpenBox(kMemoSentBox);
    OpenRow(0);
    SentSince();
    for (const wchar_t* button : {L"ReplyButton", L"ReplyAllButton", L"SpamButton"}) {
        TapButton(button);
        EXPECT_NE(TakeBox(0).find(L"보낸 쪽지"), std::wstring::npos);
        EXPECT_EQ(app().CurrentPage(), &app().MemoRead());
    }
    EXPECT_EQ(SentSince(), "");
}

TEST_F(MemoReadTest, ALateTextDoesNotFillAnotherMemo) {
    OpenRow(0);
    const std::string firstFetch = Last("MEMOGET2");
    Back();
    OpenRow(1);
    rig.Inject(Wget(firstFetch, "MEMOGET2", Imsg("jiyoung@tevrik.example", "minsu@tevrik.example", "A의 본문")));
    EXPECT_EQ(view().Content().GetText(), L"");
    EXPECT_EQ(MemoStore::Instance()->RecordAt(0)->Read, 0);
    rig.Inject(Wget(Last("MEMOGET2"), "MEMOGET2", Imsg("stranger@example.org", "minsu@tevrik.example", "B")));
    EXPECT_EQ(view().Content().GetText(), L"B");
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
    rig.Inject(Wget(Last("MEMOGET2"), "MEMOGET2", Imsg("jiyoung@tevrik.example", "minsu@tevrik.example", body)));
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
