// A send that fails inside a tap or a key, signed in against the service stand-in: the connection
// broke before the loop heard of it. Each place ends as a lost connection does, with the alert over
// the login screen, and nothing the handler held is freed under it.
#include <gtest/gtest.h>

#include "app/screens/chats/ChatPage.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "platform/net/winsock.h"
#include "platform/windows/input.h"
#include "tests/service/ChatPeer.h"
#include "tests/support/MessengerRig.h"

namespace {

struct SendFailure;
struct Place {
    const char* name;
    void (*prepare)(SendFailure&);  // the screen where the user acts, reached with working sends
    void (*act)(SendFailure&);      // the tap or key whose sends fail
};
void PrintTo(const Place& place, std::ostream* out) { *out << place.name; }

struct SendFailure : ::testing::TestWithParam<Place> {
    void SetUp() override {
        ASSERT_TRUE(rig.Start() && rig.StartService());
        jiyoung.SignIn(rig.Service(), "jiyoung@tevrik.example");
        ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
        ASSERT_TRUE(PumpUntil([&] { return Jiyoung()->Status != kPresenceOffline; }, 20.0));
    }
    MessengerApp& app() { return rig.App(); }
    Buddy* Jiyoung() { return BuddyRoster::Instance()->Find(L"jiyoung@tevrik.example"); }
    void Show(ScreenBase& page) {
        app().SwitchView(&page, kSwitchCoverUpwards, false);
        rig.Pass(600);
    }
    void TapRow(QeTableView& table, int32_t row) {
        rig.TapRow(table, row);
        rig.Pass(600);
    }
    void ShowMemos() {
        Show(app().MemoList());
        ASSERT_TRUE(PumpUntil([&] { return app().MemoList().Table().GetItemCount() > 0; }, 20.0));
    }

    MessengerRig rig;
    service_test::ChatPeer jiyoung;
};

const Place kPlaces[] = {
    {"MemoTap", [](SendFailure& t) { t.ShowMemos(); }, [](SendFailure& t) { t.TapRow(t.app().MemoList().Table(), 0); }},
    {"BuddyTap", [](SendFailure& t) { t.Show(t.app().BuddyList()); },
     [](SendFailure& t) {
         BuddyListTable& table = t.app().BuddyList().Table();
         for (int32_t row = 0; row < table.GetItemCount(); ++row) {
             if (table.GetItem(row)->userValue == reinterpret_cast<uintptr_t>(t.Jiyoung())) t.rig.TapRow(table, row, 10);
         }
     }},
    {"MemoDelete",
     [](SendFailure& t) {
         t.ShowMemos();
         t.TapRow(t.app().MemoList().Table(), 0);
         t.rig.Tap({L"MemoRead", L"ButtonBar", L"DeleteButton"});
         ASSERT_TRUE(PumpUntil([&] { return t.rig.BoxText() == L"지금 보고 있는 쪽지를 삭제하시겠습니까?"; }, 20.0));
     },
     [](SendFailure& t) { t.rig.TapBox(L"YesButton"); }},
    {"ChatEnter",
     [](SendFailure& t) {
         t.jiyoung.OpenRoom();
         t.jiyoung.Invite("minsu@tevrik.example");
         ChatSessionManager& chats = *ChatSessionManager::Instance();
         ASSERT_TRUE(PumpUntil([&] { return chats.Count() == 1 && chats.ChatAt(0)->Members.size() == 1; }, 20.0));
         t.Show(*ChatPageOf(chats.ChatAt(0)));
         t.rig.Type(L"hi");
     },
     [](SendFailure& t) { t.rig.Key(VK_RETURN); }},
    {"RequestAccept",
     [](SendFailure& t) {
         t.Show(t.app().BuddyRequestList());
         t.TapRow(t.app().BuddyRequestList().Table(), 0);
         ASSERT_EQ(t.app().CurrentPage(), &t.app().BuddyRequestInfo());
     },
     [](SendFailure& t) { t.rig.TapIn(t.app().BuddyRequestInfo().ButtonBar().AcceptButton().GetScreenRect()); }},
    {"BuddyAdd",
     [](SendFailure& t) {
         t.Show(t.app().BuddyAdd());
         BuddyAddTable& form = t.app().BuddyAdd().Table();
         form.IdEdit().SetText(L"hana");
         form.AccountEdit().SetText(L"tevrik.example");
         form.RequestMessage().SetText(L"hi");
     },
     [](SendFailure& t) { t.rig.Tap({L"BuddyAdd", L"ButtonBar", L"RequestButton"}); }},
    {"OptionChange",
     [](SendFailure& t) {
         t.Show(t.app().OptionList());
         t.TapRow(t.app().OptionList().Table(), 0);
         ASSERT_EQ(t.app().CurrentPage(), &t.app().Option());
     },
     [](SendFailure& t) { t.TapRow(t.app().Option().Table(), 1); }},
};

TEST_P(SendFailure, EndsOnTheLoginScreenWithTheLostConnectionAlert) {
    GetParam().prepare(*this);
    ASSERT_FALSE(HasFatalFailure());
    const std::wstring lost = L"Tevrik 서버와의 연결이 끊어졌습니다.";
    // Every send fails meanwhile, as on a reset connection whose event has not come yet.
    ws::FailSends(ws::WSAECONNRESET);
    GetParam().act(*this);
    PumpUntil([&] { return rig.BoxText() == lost; }, 20.0);
    ws::FailSends(0);
    rig.Pass(600);
    EXPECT_EQ(rig.BoxText(), lost);
    EXPECT_FALSE(app().SignedIn());
    EXPECT_TRUE(app().Login().IsVisible());
    EXPECT_EQ(app().CurrentPage(), nullptr);
    EXPECT_EQ(ChatSessionManager::Instance()->Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EachPlace, SendFailure, ::testing::ValuesIn(kPlaces),
                         [](const ::testing::TestParamInfo<Place>& info) { return info.param.name; });

}  // namespace
