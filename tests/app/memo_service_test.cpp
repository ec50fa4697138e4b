// The memo screens against the service stand-in: the user signed in with boxes of the test's own, the
// other users played by scripted connections. The pages as the service cuts them, refused pages, a
// memo that arrives and one that goes out, and the read screen's text and buttons.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/screens/memos/MemoReadContentView.h"
#include "messenger/protocol/TrIdGenerator.h"
#include "platform/system/device.h"
#include "tests/app/MemoSteps.h"
#include "tests/service/ScriptedClient.h"
#include "tools/service/Directory.h"
#include "tools/service/TestService.h"

using namespace std::chrono_literals;
using service_test::Crp2;
using service_test::ScriptedClient;

namespace {

constexpr double kBound = 20.0;
const std::string kMe = "minsu@tevrik.example", kBuddy = "jiyoung@tevrik.example", kOther = "seojun@tevrik.example",
                  kStranger = "hana@tevrik.example";
const std::wstring kMore = L"more: 더 보기...";

std::string User(const std::string& id, const std::string& name, const std::vector<std::string>& buddies) {
    std::string list;
    for (const std::string& buddy : buddies) list += std::string(list.empty() ? "" : ", ") + R"({"id": ")" + buddy + R"("})";
    return R"({"id": ")" + id + R"(", "password": "1234", "name": ")" + name +
           R"(", "groups": [{"id": "0", "name": "친구"}], "buddies": [)" + list + "]}";
}

// 23 memos in the user's inbox, newest first as the service keeps them: the newest, to the user and
// seojun, has two lines; every third is read. 3 in the sent box, the last to hana, who is no buddy.
std::string Seed() {
    std::string memos;
    for (int n = 1; n <= 26; ++n) {
        const bool sent = n > 23;
        char date[16];
        std::snprintf(date, sizeof date, "202403%02d091500", n);
        const std::string to = sent ? (n == 26 ? kStranger : kBuddy) : n == 23 ? kMe + R"(", ")" + kOther : kMe;
        memos += std::string(n > 1 ? ",\n" : "") + R"({"from": ")" + (sent ? kMe : n % 2 ? kBuddy : kOther) +
                 R"(", "to": [")" + to + R"("], "date": ")" + date + R"(", "text": ")" +
                 (n == 23 ? R"(점심 같이 먹어요\r\n12시에 봐요)" : "쪽지 " + std::to_string(n)) + R"(", "read": )" +
                 (n % 3 == 0 ? "true" : "false") + "}";
    }
    return R"({"users": [)" + User(kMe, "김민수", {kBuddy, kOther}) + ", " + User(kBuddy, "이지영", {kMe}) + ", " +
           User(kOther, "박서준", {kMe}) + ", " + User(kStranger, "최하나", {}) + "],\n\"memos\": [" + memos + "]}";
}

std::vector<std::wstring> Slice(const std::vector<std::wstring>& all, size_t first, size_t end) {
    return std::vector<std::wstring>(all.begin() + first, all.begin() + end);
}

// "WGET <trid> <kind> N 8192 <length>" and the parameters, in its envelope.
std::string Wget(int trid, const std::string& kind, const std::string& params) {
    return Crp2(std::to_string(trid + 1), "DP", "%00",
                "WGET " + std::to_string(trid) + " " + kind + " N 8192 " + std::to_string(params.size()) + "\r\n" + params);
}

class MemoServiceTest : public MemoSteps {
protected:
    void Prepare() override { ASSERT_TRUE(rig.StartService(Seed())); }

    // The buddy online first (so that no sign-in notice follows), then the user, with the inbox's
    // first page in.
    void SignIn(bool buddyOnline = false) {
        if (buddyOnline) {
            ASSERT_EQ(service_test::SignIn(rig.Service(), buddy, kBuddy, "1234").rfind("LIN2 ", 0), 0u);
        }
        ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
        app().SetCurrentView(&app().MemoList());
        ExpectRows(Plus(Box(0, 10), {kMore}));
    }
    // The cookies of a box (0 inbox, 1 sent box) as the service holds them, the first `count`.
    std::vector<std::wstring> Box(int box, size_t count = 100, const std::string& owner = kMe) {
        std::vector<std::wstring> cookies;
        rig.Service().WithDirectory([&](tevrik_service::Directory& directory) {
            tevrik_service::User* user = directory.Find(owner);
            for (const tevrik_service::BoxItem& item : box == 0 ? user->inbox : user->sent) {
                if (cookies.size() == count) break;
                const std::string cookie = directory.FindMemo(item.memo)->cookie;
                cookies.emplace_back(cookie.begin(), cookie.end());
            }
        });
        return cookies;
    }
    void ExpectRows(const std::vector<std::wstring>& expected) {
        PumpUntil([&] { return Rows() == expected; }, kBound);
        EXPECT_EQ(Rows(), expected);
    }
    void ExpectAlert(const std::wstring& text) {
        PumpUntil([] { return QePopup::Current() != nullptr; }, kBound);
        EXPECT_EQ(TakeAlert(), text);
    }
    tevrik_service::ConnId Conn() { return rig.Service().SignedInConnection(kMe); }
    // What the user's session sent from the record's index on, once `count` frames have come.
    std::string SentFrom(size_t from, size_t count) {
        std::string sent;
        rig.Service().WaitUntil([&] { return Client(from).size() >= count; }, 5000ms);
        for (const auto& frame : Client(from)) sent += frame.bytes;
        return sent;
    }
    std::vector<tevrik_service::Frame> Client(size_t from) {
        std::vector<tevrik_service::Frame> frames;
        for (auto& frame : rig.Service().Frames(from)) {
            if (frame.fromClient && frame.conn == Conn()) frames.push_back(std::move(frame));
        }
        return frames;
    }

    ScriptedClient buddy;
};

TEST_F(MemoServiceTest, PagesComeOneAtATimeUntilTheLast) {
    SignIn();
    // The later pages come in parts.
    rig.Service().SetMemoPartSize(100);
    // Two taps while the reply is held: one request.
    rig.Service().SetHeld(Conn(), true);
    TrIdGenerator::Instance()->LastId = 0;
    const size_t from = rig.Service().FrameCount();
    TapRow(10);
    TapRow(10);
    EXPECT_EQ(Rows().back(), L"more: 로드 중...");
    rig.Service().SetHeld(Conn(), false);
    ExpectRows(Plus(Box(0, 20), {kMore}));
    EXPECT_EQ(SentFrom(from, 1), Wget(1, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=2&count=10"));
    TapRow(20);
    ExpectRows(Box(0));
    EXPECT_EQ(Rows().size(), 23u);
}

TEST_F(MemoServiceTest, TheSentBoxChosenWhileAPageLoadsShowsAlone) {
    SignIn();
    // The inbox's page 2 is held until the sent box has been chosen; then both come, in order.
    rig.Service().SetHeld(Conn(), true);
    TapRow(10);
    ChooseBox(kMemoSentBox);
    rig.Service().SetHeld(Conn(), false);
    ExpectRows(Box(1));
    EXPECT_EQ(Rows().size(), 3u);
}

TEST_F(MemoServiceTest, RefusedPagesGiveBackTheMoreRowOrNone) {
    SignIn();
    rig.Service().SetMemoResultCode("MEMOLST2", 490);
    TapRow(10);
    ExpectAlert(L"WGET [490]\n\nFailureCodeSystemError");
    ExpectRows(Plus(Box(0, 10), {kMore}));
    TapRow(10);
    ExpectRows(Plus(Box(0, 20), {kMore}));

    rig.Service().SetMemoResultCode("MEMOLST2", 500);
    ChooseBox(kMemoSentBox);
    ExpectAlert(L"WGET [500]\n\nFailureCodeDbError");
    EXPECT_EQ(Rows(), std::vector<std::wstring>{});
}

TEST_F(MemoServiceTest, AMemoFromABuddyGoesOnTopWithItsSoundAndBadges) {
    rig.Service().WithDirectory([](tevrik_service::Directory& directory) {
        for (auto& item : directory.Find(kMe)->inbox) item.read = true;
    });
    SignIn(true);
    const auto badges = [&] {
        std::string shown = app().MenuBarWindow().MemoNotifyImage().IsVisible() ? "m" : "-";
        for (TabBar* tabs : {&app().BuddyList().Tabs(), &app().ChatList().Tabs(), &app().MemoList().Tabs(),
                             &app().OptionList().Tabs()}) {
            shown += tabs->MemoIcon().IsVisible() ? "m" : "-";
        }
        return shown;
    };
    EXPECT_EQ(badges(), "-----");
    const std::vector<std::wstring> before = Box(0, 10);
    // Shown while it comes, the sent box does not take it; the inbox has it on top.
    ChooseBox(kMemoSentBox);
    ExpectRows(Box(1));
    ClearDeviceCalls();
    const std::string imsg = "IMSG\r\nfrom:" + kBuddy + "\r\nref:" + kMe + "\r\ntitle:%00\r\nconfirm:0\r\n"
                             "date:20240315142900\r\nevent:NW\r\ncontenttype:text\r\nlength:2\r\n\r\nhi";
    buddy.Send(Crp2("10", "DP", "%00",
                    "CMSG 11 Y " + std::to_string(kMe.size() + 2 + imsg.size()) + "\r\n" + kMe + "\r\n" + imsg));
    ASSERT_TRUE(buddy.NextStartingWith("CRP2 10 "));
    PumpUntil([&] { return badges() == "mmmmm"; }, kBound);
    EXPECT_EQ(MessengerRig::Sounds(), std::vector<std::wstring>{L"recv_memo.wav, 0x20001)"});
    EXPECT_EQ(Rows(), Box(1));
    ChooseBox(kMemoInbox);
    ExpectRows(Plus(Plus(Box(0, 1), Slice(before, 0, 9)), {kMore}));
}

TEST_F(MemoServiceTest, AMemoReachesTheOnlineBuddyAndNamesTheIdItCouldNot) {
    SignIn(true);
    OpenForm();
    MemoWriteForm& form = app().MemoWrite().Form();
    form.ResetNew();
    form.SetRecipients({L"jiyoung@tevrik.example", L"nobody@tevrik.example"});
    form.Message().SetText(L"내일 봐요");
    Step([&] { rig.Tap({L"MemoWrite", L"View", L"SendButton"}); });
    const auto pushed = buddy.NextStartingWith("CMSG ");
    ASSERT_TRUE(pushed);
    const std::wstring cookie = Box(0, 1, kBuddy).at(0);
    const std::string block = "IMSG\r\nfrom:" + kMe + "\r\nref:" + kBuddy + ";nobody@tevrik.example\r\n"
                              "title:내일%20봐요\r\nconfirm:0\r\ndate:20240315143000\r\nevent:NW\r\ncookie:" +
                              std::string(cookie.begin(), cookie.end()) + "\r\nfont-name:%00\r\nfont-size:9\r\n"
                              "font-color:#000000\r\nfont-style:%00\r\ncontenttype:text\r\nlength:13\r\n\r\n내일 봐요";
    EXPECT_EQ(*pushed, "CMSG 0 " + kMe + " " + std::to_string(block.size()) + "\r\n" + block);
    ExpectAlert(L"다음의 사용자들이 쪽지를 받지 못 했습니다.\n\nnobody@tevrik.example");
    // The sent box names each memo's first recipient: a buddy by name, anyone else by id.
    ChooseBox(kMemoSentBox);
    ExpectRows(Box(1));
    std::vector<std::wstring> names;
    for (int32_t i = 0; i < 4; ++i) names.push_back(MemoListTable::FromName(*MemoStore::Instance()->RecordAt(i)));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"이지영", L"hana@tevrik.example", L"이지영", L"이지영"}));
}

TEST_F(MemoServiceTest, AnOpenedMemoShowsItsHeaderThenItsTextAndLeadsToTheForm) {
    SignIn();
    const std::wstring cookie = Box(0, 1).at(0);
    rig.Service().SetHeld(Conn(), true);
    OpenRow(0);
    rig.Service().SetHeld(Conn(), false);
    EXPECT_EQ(std::make_tuple(view().FromName(), view().ToNames(), view().Content().GetText()),
              std::make_tuple(std::wstring(L"이지영"), std::wstring(), std::wstring()));
    PumpUntil([&] { return !view().Content().GetText().empty(); }, kBound);
    EXPECT_EQ(std::make_tuple(view().ToNames(), view().Content().GetText()),
              std::make_tuple(std::wstring(L"김민수;박서준"), std::wstring(L"점심 같이 먹어요\n12시에 봐요")));

    ExpectButtonsFillTheForm(cookie, {L"jiyoung@tevrik.example", L"seojun@tevrik.example"}, L"점심 같이 먹어요\n12시에 봐요");
    Back();
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());
    EXPECT_EQ(reinterpret_cast<MemoRecord*>(table().GetItem(0)->userValue)->Read, 1);
}

TEST_F(MemoServiceTest, DeleteAndSpamAskTheServiceAndGoBack) {
    SignIn();
    const std::vector<std::wstring> inbox = Box(0);
    const auto narrow = [](const std::wstring& text) { return std::string(text.begin(), text.end()); };
    // Each confirmed with Yes once the memo's text is in.
    const auto confirm = [&](int32_t row, const wchar_t* button) {
        OpenRow(row);
        PumpUntil([&] { return !view().Content().GetText().empty(); }, kBound);
        TrIdGenerator::Instance()->LastId = 0;
        const size_t from = rig.Service().FrameCount();
        TapButton(button);
        TakeAlert(2);
        rig.Advance(600);
        rig.Settle();
        return from;
    };

    size_t from = confirm(1, L"DeleteButton");
    EXPECT_EQ(SentFrom(from, 1), Wget(1, "MEMODEL1", "cookie=" + narrow(inbox[1]) + "&box_type=R"));
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());
    EXPECT_EQ(Rows(), Plus({inbox[0]}, Plus(Slice(inbox, 2, 10), {kMore})));

    // The box comes again from its first page.
    from = confirm(0, L"SpamButton");
    EXPECT_EQ(SentFrom(from, 3), Wget(1, "MEMOSPM1", "cookie=" + narrow(inbox[0])) +
                                     Wget(3, "MEMOLST2", "msgtype=1&boxtype=1&requestpage=1&count=10") +
                                     Wget(5, "MEMOCNT2", ""));
    EXPECT_EQ(app().CurrentPage(), &app().MemoList());
    ExpectRows(Plus(Slice(inbox, 2, 12), {kMore}));
}

}  // namespace
