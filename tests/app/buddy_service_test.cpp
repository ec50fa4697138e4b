// The buddy screens against the service stand-in: the application signed in as A, the other users
// played by scripted connections. The profile's actions, a request A sends and requests A answers,
// each followed until the service's replies have changed what the screens show.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "app/screens/common/MsgBox.h"
#include "framework/ui/view/QePopup.h"
#include "messenger/model/Options.h"
#include "tests/app/model_seed.h"
#include "tests/service/ScriptedClient.h"
#include "tests/support/Golden.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/Directory.h"
#include "tools/service/TestService.h"

using service_test::Crp2;
using service_test::ScriptedClient;

namespace {

constexpr double kBound = 20.0;
constexpr const char* kA = "a@tevrik.example";
constexpr const char* kB = "b@tevrik.example";
constexpr const char* kC = "c@tevrik.example";

// Users a, b and c, each with the password "1234" and the name of its letter in capitals. A has the
// groups "기타" (0) and "친구" (1), the others "친구" (0); the buddies are JSON lists.
std::string Seed(const std::string& aBuddies, const std::string& othersBuddies) {
    std::string users;
    for (const char* id : {kA, kB, kC}) {
        const bool a = id == kA;
        users += std::string(users.empty() ? "" : ",") + "{\"id\": \"" + id + "\", \"password\": \"1234\", \"name\": \"" +
                 static_cast<char>(id[0] - 'a' + 'A') + "\", \"groups\": " +
                 (a ? R"([{"id": "0", "name": "기타"}, {"id": "1", "name": "친구"}])" : R"([{"id": "0", "name": "친구"}])") +
                 ", \"buddies\": " + (a ? aBuddies : othersBuddies) + "}";
    }
    return "{\"users\": [" + users + "]}";
}

class BuddyService : public ::testing::Test {
protected:
    void Begin(const std::string& seed) {
        ASSERT_TRUE(rig.Start() && rig.StartService(seed));
        Options::Instance()->SortType = 0;  // offline members listed too
        ASSERT_TRUE(rig.SignIn(L"a@tevrik.example", L"1234"));
        app().SetCurrentView(&app().BuddyList());
        Settle();
    }
    void SignInPeer(ScriptedClient& peer, const char* id) {
        ASSERT_EQ(service_test::SignIn(rig.Service(), peer, id, "1234").rfind("LIN2 ", 0), 0u) << id;
    }

    MessengerApp& app() { return rig.App(); }
    BuddyProfilePage& profile() { return app().BuddyProfile(); }
    Buddy* Find(const char* id) { return BuddyRoster::Instance()->Find(std::wstring(id, id + strlen(id))); }
    void Settle() { rig.Pass(1000); }
    bool Until(const std::function<bool()>& condition) {
        const bool held = PumpUntil(condition, kBound);
        Settle();
        return held;
    }
    void TapRow(QeTableView& table, int32_t row, int x = 10) {
        rig.TapRow(table, row, x);
        Settle();
    }
    void TapButton(QeWindow& button) {
        rig.TapIn(button.GetScreenRect());
        Settle();
    }
    // The text of the message box that comes up, answered by a tap on Yes or No; empty when none does.
    std::wstring Answer(bool yes) {
        if (!Until([] { return dynamic_cast<MsgBox*>(QePopup::Current()) != nullptr; })) return std::wstring();
        auto* box = dynamic_cast<MsgBox*>(QePopup::Current());
        const std::wstring text = box->Text().GetText();
        TapButton(yes ? box->YesButton() : box->NoButton());
        return text;
    }
    std::wstring ListRows() { return BuddyRows(app().BuddyList().Table(), true, true); }
    // The page as the loop last drew it is what a paint from the model draws now.
    ::testing::AssertionResult ShowsTheModel(QeWindow& page) {
        const RECT area = page.GetScreenRect();
        const std::vector<uint32_t> shown = CaptureFramebuffer(rig.Window(), area);
        page.Invalidate(RECT{0, 0, 0, 0}, true);
        rig.Settle();
        if (CaptureFramebuffer(rig.Window(), area) == shown) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the page was not repainted after the model changed";
    }

    MessengerRig rig;
    ScriptedClient b, c;
};

// From B's profile, opened from the list: a presence change, block, unblock, a move through the
// chooser and the delete, each shown as the service's reply comes.
TEST_F(BuddyService, ProfileActionsFollowTheReplies) {
    Begin(Seed(R"([{"id": "b@tevrik.example", "group": "0"}])", R"([{"id": "a@tevrik.example"}])"));
    EXPECT_EQ(ListRows(), L"#기타 (0/1) b@tevrik.example #친구 (0/0)");
    TapRow(app().BuddyList().Table(), 1, BuddyListTable::ChatTapThreshold() + 10);
    ASSERT_EQ(app().CurrentPage(), &profile());
    ASSERT_EQ(profile().ShownBuddy(), Find(kB));

    // B comes online while the profile is shown: the presence row and the chat icon follow at once.
    const std::vector<uint32_t> offline = CaptureFramebuffer(rig.Window(), profile().GetScreenRect());
    SignInPeer(b, kB);
    ASSERT_TRUE(Until([&] { return Find(kB)->Status != kPresenceOffline; }));
    EXPECT_NE(CaptureFramebuffer(rig.Window(), profile().GetScreenRect()), offline);
    EXPECT_TRUE(ShowsTheModel(profile()));

    QeButton& block = profile().ButtonBar().BlockButton();
    const struct {
        bool yes;
        const wchar_t* question;
        uint32_t flags;
        const wchar_t* label;
    } answers[] = {
        {false, L"차단하시겠습니까?", kListForward | kListAllow | kListReverse, L"친구 차단"},
        {true, L"차단하시겠습니까?", kListForward | kListBlock | kListReverse, L"차단 해제"},
        {true, L"차단을 해제하시겠습니까?", kListForward | kListAllow | kListReverse, L"친구 차단"},
    };
    for (const auto& a : answers) {
        TapButton(block);
        EXPECT_EQ(Answer(a.yes), a.question);
        EXPECT_TRUE(Until([&] { return Find(kB)->ListFlags == a.flags; })) << a.label;
        EXPECT_EQ(block.DefaultLabel().Text(), a.label);
        EXPECT_TRUE(ShowsTheModel(profile())) << a.label;
        EXPECT_EQ(app().CurrentPage(), &profile());
    }

    // The move: the chooser checks "기타"; "친구" ticked and the chooser left.
    TapRow(profile().Table(), BuddyProfileTable::kGroupRow);
    ASSERT_EQ(app().CurrentPage(), &app().GroupSelect());
    EXPECT_EQ(app().GroupSelect().Table().CheckedRow(), 0);
    TapRow(app().GroupSelect().Table(), 1);
    app().StatusBarWindow().OnBack();
    EXPECT_TRUE(Until([&] { return profile().Table().RowValue(BuddyProfileTable::kGroupRow) == L"친구"; }));
    EXPECT_EQ(app().CurrentPage(), &profile());
    EXPECT_TRUE(ShowsTheModel(profile().Table()));
    EXPECT_EQ(ListRows(), L"#기타 (0/0) #친구 (1/1) b@tevrik.example");

    // The delete goes back to the list at once; the reply takes B out of it.
    TapButton(profile().ButtonBar().DeleteButton());
    EXPECT_EQ(Answer(true), L"삭제하시겠습니까?");
    EXPECT_EQ(app().CurrentPage(), &app().BuddyList());
    EXPECT_TRUE(Until([&] { return (Find(kB)->ListFlags & kListForward) == 0; }));
    EXPECT_EQ(ListRows(), L"#기타 (0/0) #친구 (0/0)");
}

// A asks B from the add form into a group chosen in the chooser; then adds a group.
TEST_F(BuddyService, RequestFromTheAddFormAndANewGroup) {
    Begin(Seed("[]", "[]"));
    SignInPeer(b, kB);
    app().SwitchView(&app().BuddyAdd(), kSwitchCoverUpwards, false);
    Settle();
    BuddyAddTable& form = app().BuddyAdd().Table();
    form.IdEdit().SetText(L"b");
    form.AccountEdit().SetText(L"tevrik.example");
    form.RequestMessage().SetText(L"안녕 B");
    TapRow(form, BuddyAddTable::kGroupRow);
    ASSERT_EQ(app().CurrentPage(), &app().GroupSelect());
    TapRow(app().GroupSelect().Table(), 1);
    app().StatusBarWindow().OnBack();
    Settle();
    TapButton(app().BuddyAdd().ButtonBar().RequestButton());
    EXPECT_EQ(app().CurrentPage(), &app().BuddyList());
    // B has not answered: A does not see B online yet.
    EXPECT_TRUE(Until([&] { return ListRows() == L"#기타 (0/0) #친구 (0/1) b@tevrik.example"; })) << ListRows();

    std::string key;
    rig.Service().WithDirectory([&](tevrik_service::Directory& d) { key = d.EntryFor(*d.Find(kB), kA)->key; });
    const auto notice = b.NextStartingWith("ADDB 0 RL ");
    ASSERT_TRUE(notice);
    EXPECT_EQ(*notice, "ADDB 0 RL " + key + " a@tevrik.example 안녕%20B %00\r\n");

    app().SwitchView(&app().GroupAdd(), kSwitchCoverUpwards, false);
    Settle();
    app().GroupAdd().NameView().GroupName().SetText(L"동료");
    TapButton(app().GroupAdd().ButtonBar().AddButton());
    EXPECT_TRUE(Until([&] { return ListRows() == L"#기타 (0/0) #동료 (0/0) #친구 (0/1) b@tevrik.example"; }))
        << ListRows();
}

// B asks A, who accepts from the prompt; C asks A, who rejects.
TEST_F(BuddyService, RequestsToAAnsweredFromThePrompt) {
    Begin(Seed("[]", "[]"));
    const struct {
        ScriptedClient* peer;
        const char* id;
        bool accept;
        uint32_t flags;
        const wchar_t* rows;
    } cases[] = {
        {&b, kB, true, kListReverse | kListForward, L"#기타 (1/1) b@tevrik.example #친구 (0/0)"},
        {&c, kC, false, kListReverse | kListBlock, L"#기타 (1/1) b@tevrik.example #친구 (0/0)"},
    };
    for (const auto& r : cases) {
        SignInPeer(*r.peer, r.id);
        r.peer->Send(Crp2("10", "DP", "%00", "ADSB 11 REQST %00 a@tevrik.example 0 친구%20해요\r\n"));
        const std::wstring id(r.id, r.id + strlen(r.id));
        EXPECT_EQ(Answer(true), id + L" 님이 친구 요청을 하였습니다.\n\n친구 해요\n\n지금 바로 확인하시겠습니까?");
        ASSERT_EQ(app().CurrentPage(), &app().BuddyRequestInfo()) << r.id;
        EXPECT_EQ(app().BuddyRequestInfo().Table().Requester(), Find(r.id));
        BuddyRequestInfoButtonBar& bar = app().BuddyRequestInfo().ButtonBar();
        TapButton(r.accept ? bar.AcceptButton() : bar.RejectButton());
        EXPECT_TRUE(Until([&] { return Find(r.id)->ListFlags == r.flags; })) << r.id;
        app().SetCurrentView(&app().BuddyRequestList());
        Settle();
        EXPECT_EQ(app().BuddyRequestList().Table().Requests(), std::vector<std::wstring>()) << r.id;
        app().SetCurrentView(&app().BuddyList());
        EXPECT_TRUE(Until([&] { return ListRows() == r.rows; })) << ListRows();
    }
}

}  // namespace
