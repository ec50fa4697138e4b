// The memo screens against the service stand-in: the user signed in with boxes of the test's own, the
// other users played by scripted connections. A box chosen while a page loads, refused pages, a memo
// that arrives and one that goes out.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/system/device.h"
#include "tests/app/MemoSteps.h"
#include "tests/service/ScriptedClient.h"
#include "tools/service/Directory.h"
#include "tools/service/TestService.h"

using service_test::Crp2;
using service_test::ScriptedClient;

namespace {

constexpr double kBound = 20.0;
const std::string kMe = "minsu@tevrik.example", kBuddy = "jiyoung@tevrik.example", kOther = "seojun@tevrik.example";
const std::wstring kMore = L"more: 더 보기...";

std::string User(const std::string& id, const std::string& name, const std::vector<std::string>& buddies) {
    std::string list;
    for (const std::string& buddy : buddies) list += std::string(list.empty() ? "" : ", ") + R"({"id": ")" + buddy + R"("})";
    return R"({"id": ")" + id + R"(", "password": "1234", "name": ")" + name +
           R"(", "groups": [{"id": "0", "name": "친구"}], "buddies": [)" + list + "]}";
}

// 23 memos in the user's inbox, newest first as the service keeps them, every third read; 3 in the
// sent box.
std::string Seed() {
    std::string memos;
    for (int n = 1; n <= 26; ++n) {
        const bool sent = n > 23;
        char date[16];
        std::snprintf(date, sizeof date, "202403%02d091500", n);
        memos += std::string(n > 1 ? ",\n" : "") + R"({"from": ")" + (sent ? kMe : n % 2 ? kBuddy : kOther) +
                 R"(", "to": [")" + (sent ? kBuddy : kMe) + R"("], "date": ")" + date + R"(", "text": "쪽지 )" +
                 std::to_string(n) + R"(", "read": )" + (n % 3 == 0 ? "true" : "false") + "}";
    }
    return R"({"users": [)" + User(kMe, "김민수", {kBuddy, kOther}) + ", " + User(kBuddy, "이지영", {kMe}) + ", " +
           User(kOther, "박서준", {kMe}) + "],\n\"memos\": [" + memos + "]}";
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

    ScriptedClient buddy;
};

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
    ClearDeviceCalls();
    const std::string imsg = "IMSG\r\nfrom:" + kBuddy + "\r\nref:" + kMe + "\r\ntitle:%00\r\nconfirm:0\r\n"
                             "date:20240315142900\r\nevent:NW\r\ncontenttype:text\r\nlength:2\r\n\r\nhi";
    buddy.Send(Crp2("10", "DP", "%00",
                    "CMSG 11 Y " + std::to_string(kMe.size() + 2 + imsg.size()) + "\r\n" + kMe + "\r\n" + imsg));
    ASSERT_TRUE(buddy.NextStartingWith("CRP2 10 "));
    ExpectRows(Plus(Plus(Box(0, 1), before), {kMore}));
    EXPECT_EQ(badges(), "mmmmm");
    EXPECT_EQ(MessengerRig::Sounds(), std::vector<std::wstring>{L"recv_memo.wav, 0x20001)"});
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
}

}  // namespace
